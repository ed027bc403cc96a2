// CEwsView: the EWS page, the logger's sixteen early warnings EWS1 to EWS16
// and the sixteen SMS phone numbers T1 to T16 they are sent to. Each warning
// watches one output, has a type, log and modem intervals, an alarm value and
// units, and one check box per phone number choosing who gets its messages.
// Every field is exchanged as typed; nothing is checked. Choosing a type that
// can flood the recipients ("MORE", "LESS") earns a caution, nothing more.
//
// The toolbar does not reach this page in this product, but it exists, takes
// part in every page switch and update, and its data travels with the
// transfers.
//
// Window thread only.
#pragma once

#include <QString>

#include <array>

#include "configpageview.h"

namespace fennmere {

class CEwsView : public CConfigPageView {
    Q_OBJECT
public:
    explicit CEwsView(QWidget* parent);

    // The control numbers of one warning's row. m_nRecipient[j] is the check
    // box of phone number T(j+1).
    struct CRowIds {
        int m_nInput;
        int m_nType;
        int m_nLogInterval;
        int m_nModemInterval;
        int m_nAlarm;
        int m_nUnits;
        std::array<int, kSmsNumbers> m_nRecipient;
    };
    // Rows EWS1 to EWS16.
    static const std::array<CRowIds, kEarlyWarnings>& RowIds();
    // The phone-number edits T1 to T16.
    static const std::array<int, kSmsNumbers>& SmsIds();

    // The caution shown when "MORE" or "LESS" is chosen.
    static const QString& ManyMessagesText();
    static const QString& ManyMessagesCaption();

    // The operator chose an item of row's TYPE list (row 0 for EWS1): a
    // choice of exactly "MORE" or "LESS" brings up the caution. The choice
    // stands either way; the configuration takes it when the page is stored.
    void OnTypeSelected(int row);

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace fennmere
