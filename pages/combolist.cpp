#include "combolist.h"

#include <QLineEdit>

namespace fennmere {

CComboList::CComboList(bool editable, bool sorted, QWidget* parent) : QComboBox(parent), m_bSorted(sorted)
{
    setEditable(editable);
    if (editable) {
        // What the operator types is what gets stored: no inline completion
        // turning "COM1" into "COM10", no new items on Enter.
        setCompleter(nullptr);
        setInsertPolicy(QComboBox::NoInsert);
    }
}

int CComboList::AddString(const QString& text)
{
    if (!m_bSorted) return InsertString(-1, text);
    int index = 0;
    while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    return InsertString(index, text);
}

int CComboList::InsertString(int index, const QString& text)
{
    if (index < 0 || index > count()) index = count();
    // Inserting into an empty editable list would select the new item and
    // overwrite the edit field; the edit text stays as it was.
    const QString edit = isEditable() ? currentText() : QString();
    const int selected = currentIndex();
    insertItem(index, text);
    if (isEditable()) {
        if (selected == -1) setCurrentIndex(-1);
        setEditText(edit);
        ShowFromTheStart();
    }
    return index;
}

void CComboList::ResetContent()
{
    clear();
    if (isEditable()) setEditText(QString());
}

int CComboList::FindString(const QString& prefix) const
{
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).startsWith(prefix, Qt::CaseInsensitive)) return i;
    }
    return -1;
}

int CComboList::FindStringExact(const QString& text) const
{
    for (int i = 0; i < count(); ++i) {
        if (QString::compare(itemText(i), text, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void CComboList::SetCurSel(int index)
{
    setCurrentIndex(index < count() ? index : -1);
    if (index == -1 && isEditable()) setEditText(QString());
}

QString CComboList::EditText() const
{
    return currentText();
}

void CComboList::SetEditTextExactly(const QString& text)
{
    const int match = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    setCurrentIndex(match);
    if (isEditable()) setEditText(text);
    ShowFromTheStart();
}

void CComboList::ShowFromTheStart()
{
    // A text wider than the field would otherwise show its end ("dev/pts/1"
    // for "/dev/pts/1").
    if (QLineEdit* edit = lineEdit()) edit->setCursorPosition(0);
}

QStringList CComboList::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i) items.append(itemText(i));
    return items;
}

}  // namespace fennmere
