#include "aboutdlg.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "pages/dialogform.h"
#include "pages/resourceids.h"

namespace fennmere {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const CDialogTemplate tmpl = LoadDialogTemplate(kAboutTemplate);
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
