// CDataExchange: copies values between the controls of a form and the
// configuration, in one direction per run: loading (configuration into
// controls) or storing (controls into configuration). Controls are named by
// their numbers; a number the form does not have is skipped.
//
// Lists exchange the text of their edit field (or chosen item) exactly, check
// boxes 0 or 1. Number fields are checked when stored: text that is not a
// number of the field's kind is refused with a message, the refused control
// gets the focus, and the rest of the store is skipped (the fields before it
// are already stored). Whoever asked for the store carries on regardless.
//
// Real numbers are shown with as many digits as it takes to read back the
// same float, so loading and storing a page never changes a stored number.
//
// Window thread only.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

#include "config/configuration.h"

namespace fennmere {

class CDialogForm;
class CMessageBoxes;

class CDataExchange {
public:
    // storing: controls into values; otherwise values into controls. boxes
    // shows the refusals; owner is the window they belong to.
    CDataExchange(CDialogForm& form, bool storing, CMessageBoxes& boxes);

    bool IsStoring() const { return m_bStoring; }
    // A store stopped at a refused field.
    bool Failed() const { return m_bFailed; }

    // Edits, lists and labels: the text as it stands.
    void Text(int id, CText& value);
    // A serial sensor's port list: the setup file and the logger carry the
    // port as what follows "COM", so a text that does not begin with "COM",
    // or that holds a comma, would come back as something else. It is
    // refused with "Enter COM followed by the port number, for example COM2."
    void SerialPort(int id, CText& value);
    // Check boxes: 1 when ticked, 0 when not. Loading ticks for any non-zero.
    void Check(int id, int32_t& value);
    // Number fields. Each number is read from the start of its text: blanks
    // before it are allowed, so is a sign where the kind has one, and
    // anything after it is ignored ("60 s" stores 60, "2.5 V" 2.5). A text
    // that does not begin with a number of the kind, or one outside its
    // range, is refused with the message given. A real number followed by a
    // decimal comma and a digit ("1,5") is refused too rather than stored as
    // the whole part.
    void Integer(int id, int32_t& value);    // "Enter an integer."
    void Byte(int id, uint8_t& value);       // "Enter an integer between 0 and 255."
    void Unsigned(int id, uint32_t& value);  // "Enter a positive integer."
    void Real(int id, float& value);         // "Enter a number."
    // The same as Real (the Output page's coefficients).
    void LeadingReal(int id, float& value);  // "Enter a number."

    // The conversions behind the number fields.
    static std::optional<int32_t> ParseInteger(const QString& text);
    static std::optional<uint32_t> ParseUnsigned(const QString& text);
    static std::optional<float> ParseReal(const QString& text);
    // The decimal number the text begins with; nullopt when it begins with
    // none, or with one no float can hold.
    static std::optional<float> ParseLeadingReal(const QString& text);
    // Shortest text that reads back as the same float.
    static QString FormatReal(float value);

private:
    QString ControlText(int id) const;
    void SetControlText(int id, const QString& text);
    bool Skip(int id) const;
    void Refuse(int id, const QString& message);

    CDialogForm& m_form;
    bool m_bStoring;
    CMessageBoxes& m_boxes;
    bool m_bFailed = false;
};

}  // namespace fennmere
