#include "dialogtemplate.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtGlobal>

#include <algorithm>
#include <iterator>

namespace fennmere {

namespace {

struct CKindName {
    const char* m_pszName;
    EControlKind m_kind;
};

constexpr CKindName kKinds[] = {
    {"static", EControlKind::Static},
    {"edit", EControlKind::Edit},
    {"check", EControlKind::Check},
    {"combo-dropdown", EControlKind::ComboDropDown},
    {"combo-droplist", EControlKind::ComboDropList},
    {"button", EControlKind::Button},
    {"group", EControlKind::Group},
    {"progress", EControlKind::Progress},
    {"listview", EControlKind::ListView},
    {"picture", EControlKind::Picture},
};

struct CFlagName {
    const char* m_pszName;
    EControlFlag m_flag;
};

constexpr CFlagName kFlags[] = {
    {"sorted", kFlagSorted},   {"hidden", kFlagHidden}, {"disabled", kFlagDisabled}, {"vscroll", kFlagVScroll},
    {"hscroll", kFlagHScroll}, {"border", kFlagBorder}, {"readonly", kFlagReadOnly}, {"password", kFlagPassword},
    {"center", kFlagCenter},   {"right", kFlagRight},   {"smooth", kFlagSmooth},     {"default", kFlagDefault},
    {"grid", kFlagGrid},
};

// Four non-negative integers: x, y, width, height.
std::optional<QRect> ReadRect(const QJsonValue& value)
{
    const QJsonArray a = value.toArray();
    if (a.size() != 4) return std::nullopt;
    int v[4];
    for (int i = 0; i < 4; ++i) {
        if (!a[i].isDouble()) return std::nullopt;
        v[i] = a[i].toInt(-1);
        if (v[i] < 0) return std::nullopt;
    }
    return QRect(v[0], v[1], v[2], v[3]);
}

class CTemplateReader {
public:
    explicit CTemplateReader(QString* error) : m_pError(error) {}

    std::optional<CDialogTemplate> Read(const QByteArray& json)
    {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
        if (doc.isNull()) return Fail(parseError.errorString());
        if (!doc.isObject()) return Fail(QStringLiteral("the template is not an object"));
        const QJsonObject root = doc.object();

        CDialogTemplate result;
        result.m_nId = root.value(QStringLiteral("id")).toInt(0);
        if (result.m_nId <= 0) return Fail(QStringLiteral("no template id"));
        const QJsonArray size = root.value(QStringLiteral("size")).toArray();
        if (size.size() != 2 || size[0].toInt(0) <= 0 || size[1].toInt(0) <= 0) {
            return Fail(QStringLiteral("no size"));
        }
        result.m_size = QSize(size[0].toInt(), size[1].toInt());
        result.m_strCaption = root.value(QStringLiteral("caption")).toString();
        const QJsonObject font = root.value(QStringLiteral("font")).toObject();
        if (!font.isEmpty()) {
            result.m_strFont = font.value(QStringLiteral("family")).toString(result.m_strFont);
            result.m_dPointSize = font.value(QStringLiteral("points")).toDouble(result.m_dPointSize);
        }
        result.m_bScroll = root.value(QStringLiteral("scroll")).toBool(false);

        QSet<int> seen;
        const QJsonArray controls = root.value(QStringLiteral("controls")).toArray();
        for (qsizetype i = 0; i < controls.size(); ++i) {
            std::optional<CControlTemplate> control = ReadControl(controls[i].toObject(), i);
            if (!control) return std::nullopt;
            if (control->m_nId != -1) {
                if (seen.contains(control->m_nId)) {
                    return Fail(QStringLiteral("control %1 appears twice").arg(control->m_nId));
                }
                seen.insert(control->m_nId);
            }
            result.m_controls.push_back(std::move(*control));
        }
        return result;
    }

private:
    std::optional<CControlTemplate> ReadControl(const QJsonObject& object, qsizetype index)
    {
        CControlTemplate control;
        const QString where = QStringLiteral("control #%1: ").arg(index);
        static const QStringList kKeys{QStringLiteral("id"),    QStringLiteral("kind"),   QStringLiteral("rect"),
                                       QStringLiteral("text"),  QStringLiteral("items"),  QStringLiteral("image"),
                                       QStringLiteral("flags"), QStringLiteral("comment")};
        for (const QString& key : object.keys()) {
            if (!kKeys.contains(key)) return Fail(where + QStringLiteral("unknown key \"%1\"").arg(key));
        }
        control.m_nId = object.value(QStringLiteral("id")).toInt(-1);
        if (control.m_nId == 0 || control.m_nId < -1) return Fail(where + QStringLiteral("bad id"));

        const QString kind = object.value(QStringLiteral("kind")).toString();
        const auto* found = std::find_if(std::begin(kKinds), std::end(kKinds),
                                         [&](const CKindName& k) { return kind == QLatin1String(k.m_pszName); });
        if (found == std::end(kKinds)) return Fail(where + QStringLiteral("unknown kind \"%1\"").arg(kind));
        control.m_kind = found->m_kind;

        std::optional<QRect> rect = ReadRect(object.value(QStringLiteral("rect")));
        if (!rect) return Fail(where + QStringLiteral("bad rect"));
        control.m_rect = *rect;

        control.m_strText = object.value(QStringLiteral("text")).toString();
        control.m_strImage = object.value(QStringLiteral("image")).toString();
        for (const QJsonValue& item : object.value(QStringLiteral("items")).toArray()) {
            control.m_items.append(item.toString());
        }
        for (const QJsonValue& flagValue : object.value(QStringLiteral("flags")).toArray()) {
            const QString flag = flagValue.toString();
            const auto* f = std::find_if(std::begin(kFlags), std::end(kFlags),
                                         [&](const CFlagName& n) { return flag == QLatin1String(n.m_pszName); });
            if (f == std::end(kFlags)) return Fail(where + QStringLiteral("unknown flag \"%1\"").arg(flag));
            control.m_nFlags |= f->m_flag;
        }
        if (control.m_kind == EControlKind::Picture && control.m_strImage.isEmpty()) {
            return Fail(where + QStringLiteral("picture without image"));
        }
        return control;
    }

    std::nullopt_t Fail(const QString& message)
    {
        if (m_pError != nullptr) *m_pError = message;
        return std::nullopt;
    }

    QString* m_pError;
};

}  // namespace

const CControlTemplate* CDialogTemplate::Find(int id) const
{
    auto it =
        std::find_if(m_controls.begin(), m_controls.end(), [id](const CControlTemplate& c) { return c.m_nId == id; });
    return it == m_controls.end() ? nullptr : &*it;
}

std::optional<CDialogTemplate> ParseDialogTemplate(const QByteArray& json, QString* error)
{
    return CTemplateReader(error).Read(json);
}

CDialogTemplate LoadDialogTemplate(int id)
{
    const QString path = QStringLiteral(":/templates/%1.json").arg(id);
    QFile file(path);
    QString error;
    if (file.open(QIODevice::ReadOnly)) {
        std::optional<CDialogTemplate> result = ParseDialogTemplate(file.readAll(), &error);
        if (result && result->m_nId == id) return *result;
        if (result) error = QStringLiteral("the file holds template %1").arg(result->m_nId);
    } else {
        error = file.errorString();
    }
    qWarning("dialog template %s: %s", qPrintable(path), qPrintable(error));
    CDialogTemplate empty;
    empty.m_nId = id;
    empty.m_size = QSize(100, 50);
    return empty;
}

}  // namespace fennmere
