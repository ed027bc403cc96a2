#include "sensorlist.h"

#include "combolist.h"

namespace fennmere {

namespace {

bool IsOffered(const CSensorDefinition& entry, std::wstring_view type, int channel)
{
    return entry.m_strType == type && channel >= 1 && channel <= kSensorChannels && entry.m_nChannel[channel - 1] == 1;
}

}  // namespace

QStringList OfferedSensors(const CConfiguration& config, std::wstring_view type, int channel)
{
    QStringList names;
    for (const CSensorDefinition& entry : config.m_sensorDef) {
        if (entry.m_strName.empty()) break;
        if (!IsOffered(entry, type, channel)) continue;
        const QString name = QString::fromStdWString(entry.m_strName);
        if (!names.contains(name)) names.append(name);
    }
    return names;
}

const CSensorDefinition* FindOfferedSensor(const CConfiguration& config, std::wstring_view type, int channel,
                                           const CText& name)
{
    if (name.empty()) return nullptr;
    for (const CSensorDefinition& entry : config.m_sensorDef) {
        if (entry.m_strName.empty()) break;
        if (entry.m_strName == name && IsOffered(entry, type, channel)) return &entry;
    }
    return nullptr;
}

void FillSensorList(CComboList& list, const QStringList& names)
{
    const QString configured = list.EditText();
    list.ResetContent();
    for (const QString& name : names) list.AddString(name);
    list.SetEditTextExactly(configured);
}

}  // namespace fennmere
