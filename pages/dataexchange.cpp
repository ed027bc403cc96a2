#include "dataexchange.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "combolist.h"
#include "dialogform.h"
#include "messageboxes.h"

namespace fennmere {

namespace {

const QString kCaption = QStringLiteral("FennmereSetup");

// The ASCII characters the text begins with, white space in front of them
// skipped; a number never goes beyond them.
std::string LeadingChars(const QString& text)
{
    std::string chars;
    for (QChar c : text) {
        if (c.unicode() > 0x7F) break;
        chars.push_back(static_cast<char>(c.unicode()));
    }
    const std::size_t first = chars.find_first_not_of(" \t\n\r\v\f");
    return first == std::string::npos ? std::string() : chars.substr(first);
}

// The decimal integer the text begins with (blanks before it skipped,
// optional sign, anything after its digits ignored), within [low, high].
std::optional<long long> ParseDecimal(const QString& text, long long low, long long high, bool allowMinus)
{
    const std::string chars = LeadingChars(text);
    std::string_view digits = chars;
    if (digits.empty()) return std::nullopt;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        if (negative && !allowMinus) return std::nullopt;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
    unsigned long long magnitude = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error != std::errc()) return std::nullopt;
    if (magnitude > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) return std::nullopt;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

CDataExchange::CDataExchange(CDialogForm& form, bool storing, CMessageBoxes& boxes)
    : m_form(form), m_bStoring(storing), m_boxes(boxes)
{
}

std::optional<int32_t> CDataExchange::ParseInteger(const QString& text)
{
    std::optional<long long> value =
        ParseDecimal(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), true);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::optional<uint32_t> CDataExchange::ParseUnsigned(const QString& text)
{
    std::optional<long long> value = ParseDecimal(text, 0, std::numeric_limits<uint32_t>::max(), false);
    if (!value) return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<float> CDataExchange::ParseReal(const QString& text) { return ParseLeadingReal(text); }

std::optional<float> CDataExchange::ParseLeadingReal(const QString& text)
{
    const std::string chars = LeadingChars(text);
    std::string_view number = chars;
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    // Only decimal notation: no second sign, "inf", "nan" or hexadecimal.
    if (number.empty() || (number.front() != '.' && (number.front() < '0' || number.front() > '9'))) {
        return std::nullopt;
    }
    double value = 0.0;
    auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error != std::errc()) return std::nullopt;
    // "1,5" meant one and a half: storing the 1 before the comma would keep
    // a third less than the operator typed.
    const std::string_view rest(end, static_cast<std::size_t>(number.data() + number.size() - end));
    if (rest.size() >= 2 && rest[0] == ',' && rest[1] >= '0' && rest[1] <= '9') return std::nullopt;
    const float result = static_cast<float>(negative ? -value : value);
    if (!std::isfinite(result)) return std::nullopt;
    return result;
}

QString CDataExchange::FormatReal(float value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc()) return QString();
    return QString::fromLatin1(buffer, end - buffer);
}

bool CDataExchange::Skip(int id) const
{
    return (m_bStoring && m_bFailed) || m_form.Control(id) == nullptr;
}

QString CDataExchange::ControlText(int id) const
{
    QWidget* control = m_form.Control(id);
    if (auto* combo = qobject_cast<CComboList*>(control)) return combo->EditText();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) return plain->toPlainText();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    return QString();
}

void CDataExchange::SetControlText(int id, const QString& text)
{
    QWidget* control = m_form.Control(id);
    if (auto* combo = qobject_cast<CComboList*>(control)) {
        combo->SetEditTextExactly(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    }
}

void CDataExchange::Refuse(int id, const QString& message)
{
    m_bFailed = true;
    QWidget* control = m_form.Control(id);
    m_boxes.Show(m_form.window(), message, kCaption, EMessageIcon::Warning);
    if (control != nullptr) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
    }
}

void CDataExchange::Text(int id, CText& value)
{
    if (Skip(id)) return;
    if (m_bStoring) {
        value = ControlText(id).toStdWString();
    } else {
        SetControlText(id, QString::fromStdWString(value));
    }
}

void CDataExchange::SerialPort(int id, CText& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) {
        SetControlText(id, QString::fromStdWString(value));
        return;
    }
    const QString text = ControlText(id);
    if (!text.startsWith(QLatin1String("COM")) || text.contains(QLatin1Char(','))) {
        Refuse(id, QStringLiteral("Enter COM followed by the port number, for example COM2."));
        return;
    }
    value = text.toStdWString();
}

void CDataExchange::Check(int id, int32_t& value)
{
    if (Skip(id)) return;
    auto* check = qobject_cast<QAbstractButton*>(m_form.Control(id));
    if (check == nullptr) return;
    if (m_bStoring) {
        value = check->isChecked() ? 1 : 0;
    } else {
        check->setChecked(value != 0);
    }
}

void CDataExchange::Integer(int id, int32_t& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) return SetControlText(id, QString::number(value));
    if (std::optional<int32_t> parsed = ParseInteger(ControlText(id))) {
        value = *parsed;
    } else {
        Refuse(id, QStringLiteral("Enter an integer."));
    }
}

void CDataExchange::Byte(int id, uint8_t& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) return SetControlText(id, QString::number(value));
    std::optional<uint32_t> parsed = ParseUnsigned(ControlText(id));
    if (parsed && *parsed <= 255) {
        value = static_cast<uint8_t>(*parsed);
    } else {
        Refuse(id, QStringLiteral("Enter an integer between 0 and 255."));
    }
}

void CDataExchange::Unsigned(int id, uint32_t& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) return SetControlText(id, QString::number(value));
    if (std::optional<uint32_t> parsed = ParseUnsigned(ControlText(id))) {
        value = *parsed;
    } else {
        Refuse(id, QStringLiteral("Enter a positive integer."));
    }
}

void CDataExchange::LeadingReal(int id, float& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) return SetControlText(id, FormatReal(value));
    if (std::optional<float> parsed = ParseLeadingReal(ControlText(id))) {
        value = *parsed;
    } else {
        Refuse(id, QStringLiteral("Enter a number."));
    }
}

void CDataExchange::Real(int id, float& value)
{
    if (Skip(id)) return;
    if (!m_bStoring) return SetControlText(id, FormatReal(value));
    if (std::optional<float> parsed = ParseReal(ControlText(id))) {
        value = *parsed;
    } else {
        Refuse(id, QStringLiteral("Enter a number."));
    }
}

}  // namespace fennmere
