// CComboList: the list control of the pages, with or without an edit field.
// Adds what the pages need beyond QComboBox: items kept in text order when
// the list is sorted, prefix search without regard to letter case, and an
// edit text that is exactly what was typed or put there (no completion, no
// items added by pressing Enter).
//
// Window thread only, like every widget.
#pragma once

#include <QComboBox>
#include <QString>

namespace fennmere {

class CComboList : public QComboBox {
    Q_OBJECT
public:
    // editable: the list has an edit field. sorted: AddString keeps the items
    // in text order (letters compared without regard to case).
    CComboList(bool editable, bool sorted, QWidget* parent = nullptr);

    bool IsSorted() const { return m_bSorted; }

    // Adds text: at its place in text order when the list is sorted, at the
    // end otherwise. Returns the item's index.
    int AddString(const QString& text);
    // Inserts text at index (at the end for -1) whatever the sort order.
    int InsertString(int index, const QString& text);
    // Removes every item and empties the edit field.
    void ResetContent();
    // Index of the first item that begins with prefix (letters compared
    // without regard to case), or -1.
    int FindString(const QString& prefix) const;
    // Index of the first item equal to text (without regard to case), or -1.
    int FindStringExact(const QString& text) const;
    // Selects item index (-1: none). The edit field shows the item's text.
    void SetCurSel(int index);
    int GetCurSel() const { return currentIndex(); }

    // The text as the data exchange sees it: the edit field's text, or the
    // chosen item's text for a list without edit field.
    QString EditText() const;
    // Shows text exactly: in the edit field as it stands, the matching item
    // (same text, same case) selected when there is one. A list without edit
    // field selects the matching item, or none.
    void SetEditTextExactly(const QString& text);

    // Every item, in list order.
    QStringList Items() const;

private:
    // Scrolls the edit field back to the first character.
    void ShowFromTheStart();

    bool m_bSorted;
};

}  // namespace fennmere
