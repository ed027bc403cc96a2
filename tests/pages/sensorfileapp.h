// An application that reads its sensor definitions from a file the test
// writes, for the pages whose lists come from that file. Link and clock are
// the scripted ones of guitestsupport.h; no port is available.
#pragma once

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "guitestsupport.h"
#include "pages/combolist.h"

namespace fennmere::test {

class CSensorFileApp {
public:
    // Writes lines into a fresh sensor file and starts on it.
    explicit CSensorFileApp(const QStringList& lines);
    ~CSensorFileApp() { m_pApp.reset(); }

    CNimbrelSetupApp& App() { return *m_pApp; }
    CConfiguration& Config() { return m_pApp->Document().Config(); }
    CMainFrame& Frame() { return *m_pApp->Frame(); }
    CPageView* Page(int page);
    template <class T>
    T* Control(int page, int id)
    {
        return Page(page)->ControlAs<T>(id);
    }

private:
    QTemporaryDir m_folder;
    CRecordingBoxes m_boxes;
    CLinkControl m_link;
    CScriptedLoggerPort m_port;
    CVirtualClock m_clock;
    std::unique_ptr<CNimbrelSetupApp> m_pApp;
};

// What the operator does by picking item text of list: the item is chosen
// and the list reports the choice. False when list has no such item.
bool Choose(CComboList& list, const QString& text);

}  // namespace fennmere::test
