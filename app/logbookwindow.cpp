#include "logbookwindow.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "comparewindow.h"
#include "config/configdiff.h"
#include "config/configdump.h"
#include "config/setupfile.h"
#include "pages/messageboxes.h"
#include "windowplacement.h"

namespace fennmere {

namespace {

const QString kAppTitle = QStringLiteral("FennmereSetup");

QString FromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

// The logbook keeps UTC; the operator reads the time of this computer.
QString ShownTime(const std::string& utc)
{
    const QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString::fromStdString(utc);
}

QString EntryName(const CLogbookEntry& entry)
{
    return QStringLiteral("No. %1 (%2)").arg(entry.m_nNumber).arg(QString::fromStdString(entry.m_strEvent));
}

QTableWidget* MakeTable(QWidget* parent, const QString& name, const QStringList& headers)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    // Every column as wide as its texts, the last one taking the rest.
    for (int column = 0; column + 1 < headers.size(); ++column) {
        table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void SetRow(QTableWidget& table, int row, const QStringList& cells)
{
    for (int column = 0; column < cells.size(); ++column) {
        table.setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

}  // namespace

CLogbookWindow::CLogbookWindow(QWidget* parent, CLogbook logbook, CMessageBoxes& boxes, CActions actions)
    : QWidget(parent, Qt::Window), m_logbook(std::move(logbook)), m_boxes(boxes), m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("logbookWindow"));
    setWindowTitle(QStringLiteral("Logbook"));
    auto* layout = new QVBoxLayout(this);

    m_pFolder = new QLabel(this);
    m_pFolder->setTextFormat(Qt::PlainText);
    m_pFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pFolder);

    m_pLoggers = MakeTable(this, QStringLiteral("loggerTable"),
                           {QStringLiteral("Serial number"), QStringLiteral("Name"), QStringLiteral("Last seen")});
    m_pLoggers->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_pLoggers, 2);

    m_pEntriesTitle = new QLabel(this);
    m_pEntriesTitle->setTextFormat(Qt::PlainText);
    layout->addWidget(m_pEntriesTitle);
    m_pEntries = MakeTable(this, QStringLiteral("entryTable"),
                           {QStringLiteral("Time"), QStringLiteral("Event"), QStringLiteral("Port")});
    // Two selected entries can be compared.
    m_pEntries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(m_pEntries, 3);

    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    m_pView = button(QStringLiteral("View..."), QStringLiteral("viewButton"));
    m_pCompare = button(QStringLiteral("Compare..."), QStringLiteral("compareButton"));
    m_pOpen = button(QStringLiteral("Open as Document"), QStringLiteral("openButton"));
    m_pSend = button(QStringLiteral("Send to Logger..."), QStringLiteral("sendButton"));
    buttons->addStretch(1);
    QPushButton* refresh = button(QStringLiteral("Refresh"), QStringLiteral("refreshButton"));
    QPushButton* close = button(QStringLiteral("Close"), QStringLiteral("closeButton"));
    layout->addLayout(buttons);

    connect(m_pLoggers, &QTableWidget::itemSelectionChanged, this, &CLogbookWindow::ShowEntries);
    connect(m_pEntries, &QTableWidget::itemSelectionChanged, this, &CLogbookWindow::UpdateButtons);
    connect(m_pEntries, &QTableWidget::itemDoubleClicked, this, &CLogbookWindow::ViewSelected);
    connect(m_pView, &QPushButton::clicked, this, &CLogbookWindow::ViewSelected);
    connect(m_pCompare, &QPushButton::clicked, this, &CLogbookWindow::CompareSelected);
    connect(m_pOpen, &QPushButton::clicked, this, [this] {
        const std::vector<CLogbookEntry> chosen = SelectedEntries();
        if (chosen.size() == 1 && m_actions.m_open) m_actions.m_open(chosen.front());
    });
    connect(m_pSend, &QPushButton::clicked, this, [this] {
        const std::vector<CLogbookEntry> chosen = SelectedEntries();
        if (chosen.size() == 1 && m_actions.m_send) m_actions.m_send(chosen.front());
    });
    connect(refresh, &QPushButton::clicked, this, &CLogbookWindow::Reload);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    resize(760, 560);
    PlaceAsOwnWindow(*this);
    Reload();
}

void CLogbookWindow::Reload()
{
    const CLogbookLogger* chosen = ChosenLogger();
    const std::string serial = chosen != nullptr ? chosen->m_strSerial : std::string();
    m_loggers.clear();
    if (const CFileResult listed = m_logbook.List(m_loggers); !listed.m_bOk) {
        m_loggers.clear();
        m_boxes.Show(this, FromLocal(listed.m_strError), kAppTitle, EMessageIcon::Warning);
    }
    m_pFolder->setText(m_loggers.empty()
                           ? QStringLiteral("The logbook in %1 is empty.").arg(FromLocal(m_logbook.Folder()))
                           : QStringLiteral("Logbook: %1").arg(FromLocal(m_logbook.Folder())));

    const QSignalBlocker blocker(m_pLoggers);
    m_pLoggers->clearContents();
    m_pLoggers->setRowCount(static_cast<int>(m_loggers.size()));
    int select = m_loggers.empty() ? -1 : 0;
    for (int row = 0; row < static_cast<int>(m_loggers.size()); ++row) {
        const CLogbookLogger& logger = m_loggers[row];
        // The name as the logger held it when last seen.
        QString name;
        CConfiguration newest = MakeNewConfiguration();
        if (!logger.m_entries.empty() && LoadSetupFile(newest, logger.m_entries.front().m_strPath).m_bOk) {
            name = QString::fromStdWString(newest.m_system.m_strName);
        }
        const QString seen = logger.m_entries.empty() ? QString() : ShownTime(logger.m_entries.front().m_strTime);
        SetRow(*m_pLoggers, row, {QString::fromStdString(logger.m_strSerial), name, seen});
        if (logger.m_strSerial == serial) select = row;
    }
    if (select >= 0) m_pLoggers->selectRow(select);
    ShowEntries();
}

const CLogbookLogger* CLogbookWindow::ChosenLogger() const
{
    const QList<QTableWidgetItem*> items = m_pLoggers->selectedItems();
    if (items.isEmpty()) return nullptr;
    const int row = items.front()->row();
    return row >= 0 && row < static_cast<int>(m_loggers.size()) ? &m_loggers[row] : nullptr;
}

void CLogbookWindow::ShowEntries()
{
    const CLogbookLogger* logger = ChosenLogger();
    m_pEntries->clearContents();
    m_pEntries->setRowCount(logger != nullptr ? static_cast<int>(logger->m_entries.size()) : 0);
    m_pEntriesTitle->setText(
        logger != nullptr
            ? QStringLiteral("Entries of %1, newest first:").arg(QString::fromStdString(logger->m_strSerial))
            : QStringLiteral("Entries:"));
    if (logger != nullptr) {
        for (int row = 0; row < static_cast<int>(logger->m_entries.size()); ++row) {
            const CLogbookEntry& entry = logger->m_entries[row];
            SetRow(*m_pEntries, row,
                   {ShownTime(entry.m_strTime), QString::fromStdString(entry.m_strEvent), FromLocal(entry.m_strPort)});
        }
    }
    UpdateButtons();
}

std::vector<CLogbookEntry> CLogbookWindow::SelectedEntries() const
{
    std::vector<CLogbookEntry> chosen;
    const CLogbookLogger* logger = ChosenLogger();
    if (logger == nullptr) return chosen;
    for (int row = 0; row < static_cast<int>(logger->m_entries.size()); ++row) {
        const QTableWidgetItem* item = m_pEntries->item(row, 0);
        if (item != nullptr && item->isSelected()) chosen.push_back(logger->m_entries[row]);
    }
    return chosen;
}

void CLogbookWindow::UpdateButtons()
{
    const std::size_t count = SelectedEntries().size();
    m_pView->setEnabled(count == 1);
    m_pCompare->setEnabled(count == 2);
    m_pOpen->setEnabled(count == 1 && m_actions.m_open);
    m_pSend->setEnabled(count == 1 && m_actions.m_send);
}

bool CLogbookWindow::Load(const CLogbookEntry& entry, CConfiguration& config)
{
    config = MakeNewConfiguration();
    const CFileResult result = LoadSetupFile(config, entry.m_strPath);
    if (!result.m_bOk) m_boxes.Show(this, FromLocal(result.m_strError), kAppTitle, EMessageIcon::Warning);
    return result.m_bOk;
}

void CLogbookWindow::ViewSelected()
{
    const std::vector<CLogbookEntry> chosen = SelectedEntries();
    CConfiguration config;
    if (chosen.size() != 1 || !Load(chosen.front(), config)) return;
    const CLogbookEntry& entry = chosen.front();
    auto* view = new QWidget(this, Qt::Window);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setObjectName(QStringLiteral("entryView"));
    const QString name = QStringLiteral("Logger %1, entry %2 of %3 through %4")
                             .arg(QString::fromStdString(entry.m_strSerial), EntryName(entry),
                                  ShownTime(entry.m_strTime), FromLocal(entry.m_strPort));
    view->setWindowTitle(QStringLiteral("Logbook Entry"));
    auto* layout = new QVBoxLayout(view);
    auto* label = new QLabel(name, view);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    // The entry as its pages show it; what no page shows is in the file.
    const CPageTable fields = ConfigurationOnPages(config);
    const QString hidden = NotOnPageText(fields.m_nNotOnPage, QStringLiteral("fennmere logbook show lists every field"));
    if (!hidden.isEmpty()) label->setText(name + QLatin1Char('\n') + hidden);
    QTableWidget* table = NewPageTable(view, fields, {QStringLiteral("Value")});
    table->setObjectName(QStringLiteral("entryTable"));
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, view);
    connect(buttons, &QDialogButtonBox::rejected, view, &QWidget::close);
    layout->addWidget(buttons);
    view->resize(640, 560);
    PlaceAsOwnWindow(*view);
    view->show();
}

void CLogbookWindow::CompareSelected()
{
    std::vector<CLogbookEntry> chosen = SelectedEntries();
    if (chosen.size() != 2) return;
    // The older entry on the left: the table reads as what changed since.
    std::reverse(chosen.begin(), chosen.end());
    CConfiguration older;
    CConfiguration newer;
    if (!Load(chosen[0], older) || !Load(chosen[1], newer)) return;
    const std::vector<CFieldDifference> differences =
        CompareConfigurations(older, EConfigSource::CompleteFile, newer, EConfigSource::CompleteFile);
    const QString text = QStringLiteral("Logger %1: entry %2 of %3 against entry %4 of %5.")
                             .arg(QString::fromStdString(chosen[0].m_strSerial), EntryName(chosen[0]),
                                  ShownTime(chosen[0].m_strTime), EntryName(chosen[1]), ShownTime(chosen[1].m_strTime));
    auto* window = new CCompareWindow(this, QStringLiteral("Compare Logbook Entries"), text, EntryName(chosen[0]),
                                      EntryName(chosen[1]), differences);
    window->show();
}

}  // namespace fennmere
