// The SENSOR lists of the Analog and Digital pages: which sensors of the
// sensor definition table a channel offers, and which definition a chosen
// name stands for.
//
// The table is read in file order and ends at the first entry without a name
// (entries past it are left over from an earlier, longer file or were never
// filled).
#pragma once

#include <QStringList>

#include <string_view>

#include "config/configuration.h"

namespace fennmere {

class CComboList;

// Sensor types as the definition file spells them.
inline constexpr std::wstring_view kAnalogSensor = L"analog";
inline constexpr std::wstring_view kDigitalSensor = L"digital";

// The names of the definitions of type that are allowed on channel (1 to 20),
// in table order, each name once.
QStringList OfferedSensors(const CConfiguration& config, std::wstring_view type, int channel);

// The first definition named name (exactly) of type that is allowed on
// channel: the one the channel's list offered under that name. nullptr when
// there is none.
const CSensorDefinition* FindOfferedSensor(const CConfiguration& config, std::wstring_view type, int channel,
                                           const CText& name);

// Replaces the items of list with names; the edit field keeps its text, so a
// configured sensor stays shown whether or not it is offered.
void FillSensorList(CComboList& list, const QStringList& names);

}  // namespace fennmere
