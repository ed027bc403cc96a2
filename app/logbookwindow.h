// CLogbookWindow: the logbook at a glance. The loggers it knows (serial
// number, name, when last seen), the chosen logger's entries (time, event,
// port), and what can be done with entries: view one, compare two, open one
// as the document, send one back to the logger. Not modal; one per frame.
//
// Window thread only.
#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "logbook/logbook.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace fennmere {

class CMessageBoxes;

class CLogbookWindow : public QWidget {
    Q_OBJECT
public:
    // What the application does with an entry; the window only reads.
    struct CActions {
        std::function<void(const CLogbookEntry&)> m_open;  // as the document
        std::function<void(const CLogbookEntry&)> m_send;  // back to the logger
    };

    CLogbookWindow(QWidget* parent, CLogbook logbook, CMessageBoxes& boxes, CActions actions);

    // Reads the logbook again; the logger chosen stays chosen.
    void Reload();

    QTableWidget* Loggers() const { return m_pLoggers; }
    QTableWidget* Entries() const { return m_pEntries; }
    // The entries selected, newest first.
    std::vector<CLogbookEntry> SelectedEntries() const;

    // The buttons' commands, on the entries selected.
    void ViewSelected();
    void CompareSelected();

private:
    void ShowEntries();
    void UpdateButtons();
    // Reads an entry's configuration; false (the operator told) when it cannot.
    bool Load(const CLogbookEntry& entry, CConfiguration& config);
    const CLogbookLogger* ChosenLogger() const;

    CLogbook m_logbook;
    CMessageBoxes& m_boxes;
    CActions m_actions;
    std::vector<CLogbookLogger> m_loggers;
    QLabel* m_pFolder = nullptr;
    QLabel* m_pEntriesTitle = nullptr;
    QTableWidget* m_pLoggers = nullptr;
    QTableWidget* m_pEntries = nullptr;
    QPushButton* m_pView = nullptr;
    QPushButton* m_pCompare = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pSend = nullptr;
};

}  // namespace fennmere
