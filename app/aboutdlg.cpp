#include "aboutdlg.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "pages/dialogform.h"
#include "fennmereversion.h"
#include "pages/resourceids.h"

namespace fennmere {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    CDialogTemplate tmpl = LoadDialogTemplate(kAboutTemplate);
    for (CControlTemplate& control : tmpl.m_controls) {
        if (control.m_nId == kIdAboutVersion) control.m_strText = control.m_strText.arg(QStringLiteral(FENNMERE_VERSION));
    }
    setWindowTitle(tmpl.m_strCaption);
    m_pForm = new CDialogForm(tmpl, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pForm);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (auto* ok = m_pForm->ControlAs<QPushButton>(kIdOk)) {
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

}  // namespace fennmere
