#include "terminalwindow.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QVBoxLayout>

#include "link/serialexception.h"

namespace fennmere {

CTerminalWindow::CTerminalWindow(QWidget* parent, CLinkControl& link, CPortIo& port, CClock& clock,
                                 const std::string& portName, uint32_t baud)
    : QWidget(parent, Qt::Window), m_link(link), m_pLink(std::make_unique<CTerminalLink>(port, clock))
{
    setWindowTitle(QStringLiteral("Terminal - %1 at %2 baud").arg(QString::fromStdString(portName)).arg(baud));
    resize(640, 420);
    m_pOutput = new QPlainTextEdit(this);
    m_pOutput->setReadOnly(true);
    m_pOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pInput = new QLineEdit(this);
    m_pInput->setPlaceholderText(
        QStringLiteral("Type a line and press Enter (\"Service\" first, \"Exit\" last; closing the window "
                       "sends \"Exit\" when \"Service\" was sent)"));
    setFocusProxy(m_pInput);
    m_pInput->setFocus();
    m_pInput->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pOutput);
    layout->addWidget(m_pInput);
    connect(m_pInput, &QLineEdit::returnPressed, this, [this] {
        SendLine(m_pInput->text());
        m_pInput->clear();
    });

    QPointer<CTerminalWindow> self(this);
    auto post = [self](const QString& text) {
        if (self) QMetaObject::invokeMethod(self, [self, text] { if (self) self->Append(text); }, Qt::QueuedConnection);
    };
    try {
        m_pLink->Start(
            portName, baud, [post](const std::string& bytes) { post(QString::fromLatin1(VisibleText(bytes))); },
            [post](const std::string& message) { post(QStringLiteral("\n[%1]\n").arg(QString::fromStdString(message))); });
    } catch (const CSerialException& e) {
        Append(QStringLiteral("[%1]\n").arg(QString::fromStdString(e.GetErrorMessage())));
        m_pInput->setEnabled(false);
        Release();
    }
}

CTerminalWindow::~CTerminalWindow()
{
    Release();
}

void CTerminalWindow::SendLine(const QString& line)
{
    if (!m_pLink->IsRunning()) return;
    m_pLink->Send(line.toLatin1().toStdString());
    // Whether the logger is left in service mode, as far as this window
    // told it.
    const QString word = line.trimmed();
    if (word.compare(QLatin1String("Service"), Qt::CaseInsensitive) == 0) m_bServiceMode = true;
    if (word.compare(QLatin1String("Exit"), Qt::CaseInsensitive) == 0) m_bServiceMode = false;
    if (!line.isEmpty() && (m_history.empty() || m_history.back() != line)) m_history.push_back(line);
    m_nRecalled = m_history.size();
    Append(QStringLiteral("> %1\n").arg(line));
}

bool CTerminalWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pInput && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up && m_nRecalled > 0) {
            m_pInput->setText(m_history[--m_nRecalled]);
            return true;
        }
        if (key == Qt::Key_Down && m_nRecalled < m_history.size()) {
            ++m_nRecalled;
            m_pInput->setText(m_nRecalled < m_history.size() ? m_history[m_nRecalled] : QString());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CTerminalWindow::closeEvent(QCloseEvent* event)
{
    Release();
    QWidget::closeEvent(event);
}

void CTerminalWindow::Append(const QString& text)
{
    m_pOutput->moveCursor(QTextCursor::End);
    m_pOutput->insertPlainText(text);
    m_pOutput->moveCursor(QTextCursor::End);
}

void CTerminalWindow::Release()
{
    if (m_bReleased) return;
    m_bReleased = true;
    // The logger is not left in service mode: it would not log meanwhile.
    if (m_bServiceMode && m_pLink->IsRunning()) SendLine(QStringLiteral("Exit"));
    m_pLink->Stop();
    m_link.Release(CLinkControl::kTerminalBit);
}

}  // namespace fennmere
