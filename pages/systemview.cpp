#include "systemview.h"

#include <QPushButton>

#include <cmath>

#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

CSystemView::CSystemView(QWidget* parent) : CConfigPageView(kPageSystem, kPageTemplate[kPageSystem], parent)
{
    if (auto* button = ControlAs<QPushButton>(kIdSetDefaultConfig)) {
        connect(button, &QPushButton::clicked, this, &CConfigPageView::OnSetDefaultConfig);
    }
}

void CSystemView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    UpdateData(false);
    if (GetDocument() != nullptr) GetDocument()->ApplyVariantLayout();
}

void CSystemView::DoDataExchange(CDataExchange& dx)
{
    CSystemSettings& system = Config().m_system;
    // The number fields come first: a refused one leaves every field after
    // it, the panel's port and baud rate included, as they were.
    //
    // Vref is the logger's reading and cannot be edited here. One that is not
    // a finite number (a logger may report one) would be refused at every
    // store, before any other field, with no way for the operator to mend it;
    // it is kept as read instead.
    if (!dx.IsStoring() || std::isfinite(system.m_fVref)) dx.Real(kIdVref, system.m_fVref);
    dx.Integer(kIdMeasInterval, system.m_nMeasInterval);
    dx.Byte(kIdMeasDelay, system.m_nMeasDelay);
    dx.Integer(kIdLogInterval, system.m_nLogInterval);
    dx.Integer(kIdRepInterval, system.m_nRepInterval);
    dx.Text(kIdSerialNumber, system.m_strSerialNumber);
    dx.Text(kIdName, system.m_strName);
    dx.Text(kIdSerial1, system.m_strSerial1);
    dx.Text(kIdSerial2, system.m_strSerial2);
    dx.Text(kIdHour, system.m_strHour);
    dx.Text(kIdMinute, system.m_strMinute);
    dx.Text(kIdSecond, system.m_strSecond);
    dx.Text(kIdDay, system.m_strDay);
    dx.Text(kIdMonth, system.m_strMonth);
    dx.Text(kIdYear, system.m_strYear);
    dx.Check(kIdSetTime, system.m_nSetTime);
    dx.Text(kIdRs485Address, system.m_strRs485Address);
    dx.Check(kIdRs485, system.m_nRs485);
    dx.Text(kIdDataFormat, system.m_strDataFormat);
    dx.Check(kIdEws, system.m_nEws);
    dx.Text(kIdFirmware, system.m_strFirmware);
    dx.Text(kIdDisplaySize, system.m_strDisplaySize);
    CConfigPageView::DoDataExchange(dx);
}

}  // namespace fennmere
