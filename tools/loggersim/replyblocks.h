// The logger's answers to its queries, in the configuration line grammar.
//
// Which block carries what:
//   "?"               SN, Firmware
//   "SerialDriver?"   the driver list: "number,header,name" lines
//   "Config1?"        analog channels a 1..20
//   "Config2?"        digital channels d 1..8, internal channels i 1..19 with names
//   "Config3?"        serial sensors s 1..8
//   "Config4?"        outputs o 1..32
//   "Config5?"        polynomials p 1..16
//   "EarlyWarning?"   EWS flag, alarms e 1..16, SmsNumber 1..16
//   "Modem?"          the modem keywords, ModemNumber included
//   "System?"         Name, the intervals, Vref, Serial1/2, DataFormat, RS485,
//                     DisplaySize, Date, Time, SystemOnTime
// so that reading every block back gives whatever configuration lines set.
// Values carry their units where the logger shows them ("60 sec", "2500.000 mV",
// "9600 bps", "1.000 hr", "10 min"). Every line ends in CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/configuration.h"
#include "simclock.h"

namespace fennmere {

enum class EQuery { Identity, SerialDriver, Config1, Config2, Config3, Config4, Config5, EarlyWarning, Modem, System };

// The query a command line asks (without its CR), if it is one.
std::optional<EQuery> QueryFor(std::string_view command);

struct CReplyContext {
    const CConfiguration& m_config;
    CClockReading m_clock;
    long m_nUptimeSeconds = 0;
};

// The block's lines, without echo and closing OK.
std::string BlockLines(EQuery query, const CReplyContext& context);

// Every configuration block, "Config1?" to "System?", as one text.
std::string AllConfigurationLines(const CReplyContext& context);

// "DisplaySize n" with the logger's code 1..3 for the size text (the text
// itself when it is none of the three).
std::string DisplaySizeLine(const CText& size);

}  // namespace fennmere
