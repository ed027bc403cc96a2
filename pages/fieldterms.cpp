#include "fieldterms.h"

#include <QHash>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>

#include "analogview.h"
#include "dialogform.h"
#include "digitalview.h"
#include "ewsview.h"
#include "internalview.h"
#include "modemview.h"
#include "outputview.h"
#include "pagelist.h"
#include "resourceids.h"
#include "serialview.h"
#include "systemview.h"
#include "variantlayout.h"

namespace fennmere {

namespace {

// A flat path taken apart: "earlyWarnings[3].recipients[5]" is table
// "earlyWarnings", row 3, member "recipients", place 5. Places are 1-based;
// 0 where the path has none.
struct CPath {
    std::string_view m_table;
    int m_nRow = 0;
    std::string_view m_member;
    int m_nPlace = 0;
};

// Reads "[N]" at the front of rest into number; false when it is not there.
bool TakeIndex(std::string_view& rest, int& number)
{
    if (rest.empty() || rest.front() != '[') return false;
    const auto* end = rest.data() + rest.size();
    auto [ptr, ec] = std::from_chars(rest.data() + 1, end, number);
    if (ec != std::errc() || ptr == end || *ptr != ']' || number < 1) return false;
    rest.remove_prefix(static_cast<std::size_t>(ptr + 1 - rest.data()));
    return true;
}

std::optional<CPath> SplitPath(std::string_view path)
{
    CPath parts;
    const std::size_t stop = path.find_first_of("[.");
    parts.m_table = path.substr(0, stop);
    std::string_view rest = stop == std::string_view::npos ? std::string_view() : path.substr(stop);
    if (!rest.empty() && rest.front() == '[' && !TakeIndex(rest, parts.m_nRow)) return std::nullopt;
    if (!rest.empty()) {
        if (rest.front() != '.') return std::nullopt;
        rest.remove_prefix(1);
        const std::size_t open = rest.find('[');
        parts.m_member = rest.substr(0, open);
        rest = open == std::string_view::npos ? std::string_view() : rest.substr(open);
        if (!rest.empty() && !TakeIndex(rest, parts.m_nPlace)) return std::nullopt;
    }
    if (!rest.empty()) return std::nullopt;
    return parts;
}

// Where a field sits: its page and control, and how its name is read off
// the page's template.
struct CSpot {
    int m_nPage = 0;
    int m_nControl = 0;
    // Rows are named by the label nearest the control rather than by the
    // first of its line (the Output page's polynomials sit beside its outputs).
    bool m_bNearestLabel = false;
    // A column of its own where the template has no heading for it.
    const char* m_pszColumn = nullptr;
};

template <std::size_t N, typename T>
const T* Row(const std::array<T, N>& rows, int row)
{
    return row >= 1 && row <= static_cast<int>(N) ? &rows[static_cast<std::size_t>(row - 1)] : nullptr;
}

struct CMember {
    const char* m_pszName;
    int m_nControl;
};

int ControlOf(std::initializer_list<CMember> members, std::string_view name)
{
    for (const CMember& member : members)
        if (name == member.m_pszName) return member.m_nControl;
    return 0;
}

std::optional<CSpot> SpotOf(const CPath& path)
{
    const std::string_view table = path.m_table;
    const std::string_view member = path.m_member;
    auto at = [](int page, int control, const char* column = nullptr) -> std::optional<CSpot> {
        if (control == 0) return std::nullopt;
        return CSpot{page, control, false, column};
    };
    if (table == "analog") {
        const auto* ids = Row(CAnalogView::RowIds(), path.m_nRow);
        if (ids == nullptr || path.m_nPlace != 0) return std::nullopt;
        return at(kPageAnalog, ControlOf({{"measure", ids->m_nMeasure},
                                          {"vector", ids->m_nVector},
                                          {"polarity", ids->m_nPolarity},
                                          {"range", ids->m_nRange},
                                          {"ratio", ids->m_nRatio},
                                          {"output", ids->m_nOutput},
                                          {"sensor", ids->m_nSensor},
                                          {"polynomial", ids->m_nPoly}},
                                         member));
    }
    if (table == "digital") {
        const auto* ids = Row(CDigitalView::RowIds(), path.m_nRow);
        if (ids == nullptr || path.m_nPlace != 0) return std::nullopt;
        return at(kPageDigital, ControlOf({{"measure", ids->m_nMeasure},
                                           {"type", ids->m_nType},
                                           {"output", ids->m_nOutput},
                                           {"sensor", ids->m_nSensor},
                                           {"polynomial", ids->m_nPoly}},
                                          member));
    }
    if (table == "serial") {
        const auto* ids = Row(CSerialView::RowIds(), path.m_nRow);
        if (ids == nullptr || path.m_nPlace != 0) return std::nullopt;
        return at(kPageSerial, ControlOf({{"measure", ids->m_nMeasure},
                                          {"port", ids->m_nPort},
                                          {"baud", ids->m_nBaud},
                                          {"dataBits", ids->m_nBits},
                                          {"parity", ids->m_nParity},
                                          {"stopBits", ids->m_nStopBits},
                                          {"driver", ids->m_nDriver},
                                          {"address", ids->m_nAddress}},
                                         member));
    }
    if (table == "internal") {
        const auto* ids = Row(CInternalView::RowIds(), path.m_nRow);
        if (ids == nullptr || path.m_nPlace != 0) return std::nullopt;
        return at(kPageInternal, ControlOf({{"input1", ids->m_nInput1},
                                            {"input2", ids->m_nInput2},
                                            {"output", ids->m_nOutput},
                                            {"polynomial", ids->m_nPoly}},
                                           member));
    }
    if (table == "outputs") {
        const auto* ids = Row(COutputView::RowIds(), path.m_nRow);
        if (ids == nullptr || path.m_nPlace != 0) return std::nullopt;
        return at(kPageOutput, ControlOf({{"input", ids->m_nInput},
                                          {"min", ids->m_nMin},
                                          {"max", ids->m_nMax},
                                          {"stdev", ids->m_nStdev},
                                          {"vector", ids->m_nVector},
                                          {"polynomial", ids->m_nPoly},
                                          {"alias", ids->m_nAlias}},
                                         member));
    }
    if (table == "polynomials") {
        if (member != "coefficients" || path.m_nRow < 1 || path.m_nRow > kPolynomials || path.m_nPlace < 1 ||
            path.m_nPlace > static_cast<int>(CPolynomial().m_fA.size())) {
            return std::nullopt;
        }
        return CSpot{kPageOutput, COutputView::CoefficientId(path.m_nRow - 1, path.m_nPlace - 1), true, nullptr};
    }
    if (table == "earlyWarnings") {
        const auto* ids = Row(CEwsView::RowIds(), path.m_nRow);
        if (ids == nullptr) return std::nullopt;
        if (member == "recipients") {
            const int* recipient = Row(ids->m_nRecipient, path.m_nPlace);
            return recipient == nullptr ? std::nullopt : at(kPageEws, *recipient);
        }
        if (path.m_nPlace != 0) return std::nullopt;
        return at(kPageEws, ControlOf({{"input", ids->m_nInput},
                                       {"type", ids->m_nType},
                                       {"logInterval", ids->m_nLogInterval},
                                       {"modemInterval", ids->m_nModemInterval},
                                       {"alarm", ids->m_nAlarm},
                                       {"units", ids->m_nUnits}},
                                      member));
    }
    if (table == "smsNumbers") {
        const int* id = Row(CEwsView::SmsIds(), path.m_nRow);
        if (id == nullptr || !member.empty()) return std::nullopt;
        return CSpot{kPageEws, *id, true, "SMS Phone Numbers"};
    }
    if (path.m_nRow != 0 || path.m_nPlace != 0) return std::nullopt;
    if (table == "system") {
        using V = CSystemView;
        if (member == "day") return at(kPageSystem, V::kIdDay, "Day");
        if (member == "month") return at(kPageSystem, V::kIdMonth, "Month");
        if (member == "year") return at(kPageSystem, V::kIdYear, "Year");
        if (member == "hour") return at(kPageSystem, V::kIdHour, "Hour");
        if (member == "minute") return at(kPageSystem, V::kIdMinute, "Minute");
        if (member == "second") return at(kPageSystem, V::kIdSecond, "Second");
        return at(kPageSystem, ControlOf({{"serialNumber", V::kIdSerialNumber},
                                          {"firmware", V::kIdFirmware},
                                          {"name", V::kIdName},
                                          {"measInterval", V::kIdMeasInterval},
                                          {"measDelay", V::kIdMeasDelay},
                                          {"logInterval", V::kIdLogInterval},
                                          {"repInterval", V::kIdRepInterval},
                                          {"vref", V::kIdVref},
                                          {"serial1", V::kIdSerial1},
                                          {"serial2", V::kIdSerial2},
                                          {"dataFormat", V::kIdDataFormat},
                                          {"rs485", V::kIdRs485},
                                          {"rs485Address", V::kIdRs485Address},
                                          {"ews", V::kIdEws},
                                          {"setTime", V::kIdSetTime},
                                          {"displaySize", V::kIdDisplaySize}},
                                         member));
    }
    if (table == "modem") {
        using V = CModemView;
        if (member == "onTimeHour") return at(kPageModem, V::kIdOnTimeHour, "Hour");
        if (member == "onTimeMinute") return at(kPageModem, V::kIdOnTimeMinute, "Minute");
        return at(kPageModem, ControlOf({{"interval", V::kIdInterval},
                                         {"onDuration", V::kIdOnDuration},
                                         {"timeZone", V::kIdTimeZone},
                                         {"pin", V::kIdPin},
                                         {"apn", V::kIdApn},
                                         {"ip", V::kIdIp},
                                         {"userName", V::kIdUserName},
                                         {"password", V::kIdPassword},
                                         {"emailFrom", V::kIdEmailFrom},
                                         {"emailTo", V::kIdEmailTo},
                                         {"timeServer", V::kIdTimeServer},
                                         {"mode", V::kIdMode},
                                         {"smsCenter", V::kIdSmsCenter},
                                         {"ipConnect", V::kIdIpConnect},
                                         {"ipConfig", V::kIdIpConfig},
                                         {"userNameConfig", V::kIdUserNameConfig},
                                         {"passwordConfig", V::kIdPasswordConfig},
                                         {"userNameApn", V::kIdUserNameApn},
                                         {"passwordApn", V::kIdPasswordApn}},
                                        member));
    }
    return std::nullopt;
}

// What a page's form shows once laid out for the variant, read once.
class CPageLayout {
public:
    explicit CPageLayout(int page) : m_template(LoadDialogTemplate(kPageTemplate[page]))
    {
        CDialogForm form(m_template);
        LayOutForVariant(page, form);
        for (const CControlTemplate& control : m_template.m_controls) {
            if (control.m_nId < 0) continue;
            const QWidget* widget = form.Control(control.m_nId);
            if (widget != nullptr && !widget->isHidden()) m_shown.insert(control.m_nId, &control);
        }
    }

    const CControlTemplate* Shown(int id) const { return m_shown.value(id, nullptr); }

    // The label of the control's line: the first on the line, or the one
    // nearest the control; a check box's own text, or the text just right
    // of it, comes first.
    const CControlTemplate* RowLabel(const CControlTemplate& control, bool nearest) const
    {
        const QRect rect = control.m_rect;
        const int top = rect.top() - 2;
        const int bottom = rect.top() + std::min(rect.height(), 14);
        auto onLine = [&](const CControlTemplate& label) {
            const int middle = label.m_rect.top() + label.m_rect.height() / 2;
            return label.m_kind == EControlKind::Static && !label.m_strText.isEmpty() && middle >= top &&
                   middle <= bottom;
        };
        if (control.m_kind == EControlKind::Check) {
            if (!control.m_strText.isEmpty()) return &control;
            for (const CControlTemplate& label : m_template.m_controls) {
                const int gap = label.m_rect.left() - (rect.left() + rect.width());
                if (onLine(label) && gap >= 0 && gap <= 20) return &label;
            }
        }
        const CControlTemplate* found = nullptr;
        for (const CControlTemplate& label : m_template.m_controls) {
            if (!onLine(label) || label.m_rect.left() + label.m_rect.width() > rect.left() + 2) continue;
            const bool better = found == nullptr || (nearest ? label.m_rect.left() > found->m_rect.left()
                                                             : label.m_rect.left() < found->m_rect.left());
            if (better) found = &label;
        }
        return found;
    }

    // The heading over the control's column: the topmost text above it that
    // overlaps it, the one that overlaps it most where several do.
    QString ColumnHeading(const CControlTemplate& control) const
    {
        const int left = control.m_rect.left();
        const int right = left + control.m_rect.width();
        const CControlTemplate* found = nullptr;
        int foundOverlap = 0;
        for (const CControlTemplate& label : m_template.m_controls) {
            if (label.m_kind != EControlKind::Static || label.m_strText.isEmpty()) continue;
            const QRect& at = label.m_rect;
            if (at.top() + at.height() > control.m_rect.top() + 1) continue;
            const int overlap = std::min(right, at.left() + at.width()) - std::max(left, at.left());
            if (overlap <= 0) continue;
            const bool better = found == nullptr || at.top() < found->m_rect.top() ||
                                (at.top() == found->m_rect.top() && overlap > foundOverlap);
            if (better) {
                found = &label;
                foundOverlap = overlap;
            }
        }
        return found != nullptr ? found->m_strText : QString();
    }

private:
    CDialogTemplate m_template;
    QHash<int, const CControlTemplate*> m_shown;
};

const CPageLayout& LayoutOf(int page)
{
    static std::map<int, std::unique_ptr<CPageLayout>> layouts;
    auto& layout = layouts[page];
    if (!layout) layout = std::make_unique<CPageLayout>(page);
    return *layout;
}

const CPageButton* ButtonOf(int page)
{
    for (const CPageButton& button : kPageButtons)
        if (button.m_nPage == page) return &button;
    return nullptr;
}

// Pages with rows under column headings; the others are forms of labelled fields.
bool HasColumns(int page)
{
    return page != kPageSystem && page != kPageModem;
}

int PageOrder(int page)
{
    for (std::size_t i = 0; i < kPageButtons.size(); ++i)
        if (kPageButtons[i].m_nPage == page) return static_cast<int>(i);
    return static_cast<int>(kPageButtons.size());
}

void SortByPage(CPageTable& table)
{
    std::stable_sort(table.m_rows.begin(), table.m_rows.end(), [](const CPageValue& a, const CPageValue& b) {
        const int pageA = PageOrder(a.m_field.m_nPage);
        const int pageB = PageOrder(b.m_field.m_nPage);
        if (pageA != pageB) return pageA < pageB;
        if (a.m_field.m_at.y() != b.m_field.m_at.y()) return a.m_field.m_at.y() < b.m_field.m_at.y();
        return a.m_field.m_at.x() < b.m_field.m_at.x();
    });
}

// The logger holds "0" for a serial sensor without driver, and takes "" so.
bool SameToLogger(std::string_view path, const std::string& a, const std::string& b)
{
    const bool driver = path.starts_with("serial[") && path.ends_with("].driver");
    auto none = [](const std::string& value) { return value == "\"\"" || value == "\"0\""; };
    return driver && none(a) && none(b);
}

}  // namespace

QString CPageField::Name() const
{
    QString name = m_strPage + QStringLiteral(" · ") + m_strRow;
    if (!m_strColumn.isEmpty()) name += QStringLiteral(" · ") + m_strColumn;
    return name;
}

std::optional<CPageField> FieldOnPage(std::string_view path)
{
    const std::optional<CPath> parts = SplitPath(path);
    if (!parts) return std::nullopt;
    const std::optional<CSpot> spot = SpotOf(*parts);
    if (!spot) return std::nullopt;
    const CPageButton* button = ButtonOf(spot->m_nPage);
    if (button == nullptr || !button->m_bHandled) return std::nullopt;
    const CPageLayout& layout = LayoutOf(spot->m_nPage);
    const CControlTemplate* control = layout.Shown(spot->m_nControl);
    if (control == nullptr) return std::nullopt;
    CPageField field;
    field.m_nPage = spot->m_nPage;
    field.m_strPage = QString::fromLatin1(button->m_pszLabel);
    // Fields sort by their row label's line: the controls of a line are not
    // all at the same height.
    const CControlTemplate* label = layout.RowLabel(*control, spot->m_bNearestLabel);
    field.m_strRow = label != nullptr ? label->m_strText : QString();
    field.m_at = QPoint(control->m_rect.left(), (label != nullptr ? label : control)->m_rect.top());
    if (spot->m_pszColumn != nullptr) {
        field.m_strColumn = QString::fromLatin1(spot->m_pszColumn);
    } else if (HasColumns(spot->m_nPage)) {
        field.m_strColumn = layout.ColumnHeading(*control);
    }
    return field;
}

CPageTable DifferencesOnPages(const std::vector<CFieldDifference>& differences)
{
    CPageTable table;
    for (const CFieldDifference& difference : differences) {
        if (SameToLogger(difference.m_strPath, difference.m_strOld, difference.m_strNew)) continue;
        std::optional<CPageField> field = FieldOnPage(difference.m_strPath);
        if (!field) {
            ++table.m_nNotOnPage;
            continue;
        }
        table.m_rows.push_back({std::move(*field), {difference.m_strOld, difference.m_strNew}});
    }
    SortByPage(table);
    return table;
}

CPageTable ConfigurationOnPages(const CConfiguration& config)
{
    CPageTable table;
    const std::string text = ConfigurationToText(config);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        const std::size_t equals = line.find(" = ");
        if (equals == std::string_view::npos) continue;
        std::optional<CPageField> field = FieldOnPage(line.substr(0, equals));
        if (!field) {
            ++table.m_nNotOnPage;
            continue;
        }
        table.m_rows.push_back({std::move(*field), {std::string(line.substr(equals + 3))}});
    }
    SortByPage(table);
    return table;
}

}  // namespace fennmere
