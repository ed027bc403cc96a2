// CCompareWindow: the fields in which two configurations differ, in the
// pages' terms and grouped by page, the two sides beside each other, and where it makes sense a button
// that takes the other side into the document. Nothing changes unless that
// button is pressed. A window of its own beside the main window, not modal:
// the operator may look at the pages while it is open. Deleted when closed.
//
// Window thread only.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "config/configdiff.h"
#include "pages/fieldterms.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableWidget;

namespace fennmere {

// A read-only table of fields in the pages' terms: a heading line for each
// page, then a line for each of its fields (its whole name, then one column
// for each value), compact, the names never cut.
QTableWidget* NewPageTable(QWidget* parent, const CPageTable& table, const QStringList& valueHeadings);

// "Not on any page: 3 fields; TAIL." for the fields left out of a page
// table; empty when none are.
QString NotOnPageText(int count, const QString& tail);

class CCompareWindow : public QWidget {
    Q_OBJECT
public:
    // text says what is compared; oldSide and newSide title the columns of
    // m_strOld and m_strNew. Without differences the window says so instead
    // of showing an empty table.
    CCompareWindow(QWidget* parent, const QString& title, const QString& text, const QString& oldSide,
                   const QString& newSide, const std::vector<CFieldDifference>& differences);

    // Adds the button labelled label; take runs when it is pressed, and the
    // window closes, since what it shows is then out of date. Not offered
    // when nothing differs.
    void OfferTake(const QString& label, std::function<void()> take);

    QTableWidget* Table() const { return m_pTable; }
    QLabel* Text() const { return m_pText; }
    // nullptr until OfferTake.
    QPushButton* TakeButton() const { return m_pTake; }

private:
    QLabel* m_pText = nullptr;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pTake = nullptr;
    QHBoxLayout* m_pButtons = nullptr;
    std::function<void()> m_take;
    bool m_bEmpty = true;
};

}  // namespace fennmere
