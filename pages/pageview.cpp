#include "pageview.h"

#include <QPalette>

#include "dataexchange.h"
#include "pagedocument.h"

namespace fennmere {

CPageView::CPageView(int page, int templateId, QWidget* parent)
    : QScrollArea(parent), m_nPage(page), m_nTemplateId(templateId), m_nWindowNumber(page)
{
    const CDialogTemplate tmpl = LoadDialogTemplate(templateId);
    m_pForm = new CDialogForm(tmpl, this);
    m_pForm->setAutoFillBackground(true);
    setWidget(m_pForm);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFrameShape(QFrame::NoFrame);
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVisible(false);
}

bool CPageView::UpdateData(bool store)
{
    if (m_pDocument == nullptr) return true;
    CDataExchange dx(*m_pForm, store, m_pDocument->MessageBoxes());
    DoDataExchange(dx);
    return !dx.Failed();
}

void CPageView::OnInitialUpdate()
{
    UpdateData(false);
    OnUpdate(nullptr, 0);
}

void CPageView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    update();
}

void CPageView::ShowControl(int id, bool show)
{
    if (QWidget* control = Control(id)) control->setVisible(show);
}

void CPageView::EnableControl(int id, bool enable)
{
    if (QWidget* control = Control(id)) control->setEnabled(enable);
}

void CPageView::DoDataExchange(CDataExchange& dx)
{
    (void)dx;
}

CConfiguration& CPageView::Config() const
{
    return m_pDocument->Config();
}

}  // namespace fennmere
