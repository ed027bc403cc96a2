// CTerminalWindow: the service terminal in the application. A line typed
// (Up and Down recall the lines sent before) goes to the logger followed by
// CR; what the logger answers is shown as it arrives. While the window is
// open it holds the port through a bit of the busy word of its own, so no
// transfer or live view starts; closing it releases the port.
//
// Window thread only.
#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "link/linkcontrol.h"
#include "link/terminal.h"

class QLineEdit;
class QPlainTextEdit;

namespace fennmere {

class CTerminalWindow : public QWidget {
    Q_OBJECT
public:
    // Opens portName at baud on port for the window; the caller has taken
    // CLinkControl::kTerminalBit, which the window releases when it closes. Shows the
    // failure in the window when the port does not open.
    CTerminalWindow(QWidget* parent, CLinkControl& link, CPortIo& port, CClock& clock, const std::string& portName,
                    uint32_t baud);
    ~CTerminalWindow() override;

    // Sends a line as if typed.
    void SendLine(const QString& line);
    QPlainTextEdit* Output() const { return m_pOutput; }
    QLineEdit* Input() const { return m_pInput; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Append(const QString& text);
    void Release();

    CLinkControl& m_link;
    std::unique_ptr<CTerminalLink> m_pLink;
    QPlainTextEdit* m_pOutput = nullptr;
    QLineEdit* m_pInput = nullptr;
    std::vector<QString> m_history;
    std::size_t m_nRecalled = 0;
    bool m_bReleased = false;
    bool m_bServiceMode = false;  // "Service" sent and no "Exit" since
};

}  // namespace fennmere
