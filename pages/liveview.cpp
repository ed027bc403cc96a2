#include "liveview.h"

#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QStatusBar>
#include <QHeaderView>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "config/setupfile.h"
#include "dataexchange.h"
#include "link/clock.h"
#include "link/exchange.h"
#include "link/linkcontrol.h"
#include "link/portio.h"
#include "link/serialexception.h"
#include "livedelegate.h"
#include "livemodel.h"
#include "liveplotwindow.h"
#include "livescrollbar.h"
#include "messageboxes.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

namespace {

const QString kStoppedText = QStringLiteral("LiveView Stopped");
const QString kStoppedCaption = QStringLiteral("Notification");
const QString kAppTitle = QStringLiteral("FennmereSetup");

// The least time between two list updates while lines arrive: four a
// second, so that a line as busy as the port allows costs a few updates a
// second rather than one per line.
constexpr auto kDeliveryInterval = std::chrono::milliseconds(250);

QStringList Titles(const std::vector<CText>& columns)
{
    QStringList titles;
    titles.reserve(static_cast<qsizetype>(columns.size()));
    for (const CText& title : columns) titles << QString::fromStdWString(title);
    return titles;
}

// Gives the list scroll bars that repaint cheaply. The list's own
// connections to a scroll bar go with the bar it replaces and are made again.
void UseLiveScrollBars(QTableView& list)
{
    auto* vertical = new CLiveScrollBar(Qt::Vertical, &list);
    list.setVerticalScrollBar(vertical);
    auto* horizontal = new CLiveScrollBar(Qt::Horizontal, &list);
    list.setHorizontalScrollBar(horizontal);
    const std::pair<QScrollBar*, std::pair<const char*, const char*>> wiring[] = {
        {vertical, {SLOT(verticalScrollbarAction(int)), SLOT(verticalScrollbarValueChanged(int))}},
        {horizontal, {SLOT(horizontalScrollbarAction(int)), SLOT(horizontalScrollbarValueChanged(int))}},
    };
    for (const auto& [bar, slot] : wiring) {
        QObject::disconnect(bar, SIGNAL(actionTriggered(int)), &list, slot.first);
        QObject::disconnect(bar, SIGNAL(valueChanged(int)), &list, slot.second);
        QObject::connect(bar, SIGNAL(actionTriggered(int)), &list, slot.first);
        QObject::connect(bar, SIGNAL(valueChanged(int)), &list, slot.second);
    }
}

// The line display takes every received line, and laying out a line of a
// thousand characters costs more than the rest of the line's way. While the
// display cannot be seen it keeps the text without laying it out (no echo),
// and lays it out when it is shown again.
class CLineDisplayFilter final : public QObject {
public:
    explicit CLineDisplayFilter(QLineEdit& edit) : QObject(&edit)
    {
        edit.setEchoMode(edit.isVisible() ? QLineEdit::Normal : QLineEdit::NoEcho);
        edit.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            static_cast<QLineEdit*>(watched)->setEchoMode(event->type() == QEvent::Show ? QLineEdit::Normal
                                                                                        : QLineEdit::NoEcho);
        }
        return false;
    }
};

}  // namespace

// The page's side of a run, called on the acquisition thread. Runs follow
// each other (a new thread starts only after the previous one has ended) and
// each begins with Begin, so counting Begin calls numbers the runs the same
// way the page counts its starts.
//
// Rows and lines are collected and handed over in batches: one queued call
// takes whatever has arrived by the time the window thread gets to it, at
// most every kDeliveryInterval; the end of a run hands over the rest at once.
class CLiveView::CSink final : public CLiveSink {
public:
    explicit CSink(CLiveView* page) : m_pPage(page), m_pState(std::make_shared<CState>()) {}

    void Begin(const std::vector<CText>& valueColumns) override
    {
        m_nRun = ++m_nBegun;
        Post([page = m_pPage, run = m_nRun, columns = valueColumns] { page->OnRunBegin(run, columns); });
    }

    void Line(const CText& line) override
    {
        std::lock_guard lock(m_pState->m_mutex);
        m_pState->m_line = std::make_pair(m_nRun, line);
        PostFlushLocked();
    }

    void Row(CLiveRow row) override
    {
        std::lock_guard lock(m_pState->m_mutex);
        m_pState->m_rows.emplace_back(m_nRun, std::move(row));
        PostFlushLocked();
    }

    void Failed(ETransferStatus status, const std::string& message) override
    {
        // What the run received goes in before the failure is told.
        DeliverNow();
        Post([page = m_pPage, run = m_nRun, status, message] { page->OnRunFailed(run, status, message); });
        Finish();
    }

    void Ended() override
    {
        DeliverNow();
        Finish();
    }

    // Runs whose thread has let go of this sink. Any thread.
    uint64_t Finished() const
    {
        std::lock_guard lock(m_pState->m_mutex);
        return m_pState->m_nFinished;
    }

    // Waits until count runs have let go of this sink. Window thread.
    void WaitFinished(uint64_t count) const
    {
        std::unique_lock lock(m_pState->m_mutex);
        m_pState->m_finished.wait(lock, [&] { return m_pState->m_nFinished >= count; });
    }

private:
    using CClockTime = std::chrono::steady_clock::time_point;

    struct CState {
        mutable std::mutex m_mutex;
        std::condition_variable m_finished;
        uint64_t m_nFinished = 0;
        std::vector<std::pair<uint64_t, CLiveRow>> m_rows;
        std::optional<std::pair<uint64_t, CText>> m_line;
        bool m_bFlushPosted = false;
        // When the window thread last took what had arrived.
        CClockTime m_lastDelivery{};
    };

    template <class F>
    void Post(F call)
    {
        QMetaObject::invokeMethod(m_pPage, std::move(call), Qt::QueuedConnection);
    }

    // What has arrived goes to the page at once when the last delivery is at
    // least kDeliveryInterval ago, otherwise when that much time has passed:
    // a line as busy as the port allows then costs a few list updates a
    // second, not one per line, and a quiet one shows each line at once.
    void PostFlushLocked()
    {
        if (m_pState->m_bFlushPosted) return;
        m_pState->m_bFlushPosted = true;
        const auto since = std::chrono::steady_clock::now() - m_pState->m_lastDelivery;
        if (since >= kDeliveryInterval) {
            Post([page = m_pPage, state = m_pState] { Deliver(page, state); });
            return;
        }
        const int wait =
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(kDeliveryInterval - since).count());
        Post([page = m_pPage, state = m_pState, wait] {
            QTimer::singleShot(wait, page, [page, state] { Deliver(page, state); });
        });
    }

    // Queues a delivery behind which nothing of the run is left waiting.
    void DeliverNow()
    {
        Post([page = m_pPage, state = m_pState] { Deliver(page, state); });
    }

    static void Deliver(CLiveView* page, const std::shared_ptr<CState>& state)
    {
        std::vector<std::pair<uint64_t, CLiveRow>> rows;
        std::optional<std::pair<uint64_t, CText>> line;
        {
            std::lock_guard lock(state->m_mutex);
            rows.swap(state->m_rows);
            line.swap(state->m_line);
            state->m_bFlushPosted = false;
            state->m_lastDelivery = std::chrono::steady_clock::now();
        }
        if (line) page->OnRunLine(line->first, line->second);
        // Consecutive rows of one run go in together.
        std::size_t i = 0;
        while (i < rows.size()) {
            const uint64_t run = rows[i].first;
            std::vector<CLiveRow> batch;
            for (; i < rows.size() && rows[i].first == run; ++i) batch.push_back(std::move(rows[i].second));
            page->OnRunRows(run, std::move(batch));
        }
    }

    // The last thing a run does with the sink. The state is held by a copy,
    // so the page may go as soon as the count is seen.
    void Finish()
    {
        const std::shared_ptr<CState> state = m_pState;
        std::lock_guard lock(state->m_mutex);
        ++state->m_nFinished;
        state->m_finished.notify_all();
    }

    CLiveView* m_pPage;
    std::shared_ptr<CState> m_pState;
    // Touched by acquisition threads only, one after the other.
    uint64_t m_nBegun = 0;
    uint64_t m_nRun = 0;
};

CLiveView::CLiveView(QWidget* parent)
    : CPageView(kPageLive, kPageTemplate[kPageLive], parent),
      m_pModel(new CLiveModel(this)),
      m_pSink(std::make_unique<CSink>(this))
{
    if (QTableView* list = List()) {
        QAbstractItemModel* placeholder = list->model();
        list->setModel(m_pModel);
        list->setItemDelegate(new CLiveDelegate(*m_pModel, list));
        UseLiveScrollBars(*list);
        if (placeholder != nullptr && placeholder->parent() == list) placeholder->deleteLater();
        list->setShowGrid(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
        QHeaderView* header = list->horizontalHeader();
        header->setMinimumSectionSize(20);
        header->setDefaultSectionSize(CLiveModel::kValueWidth);
        header->resizeSection(CLiveModel::kDateColumn, CLiveModel::kDateWidth);
        header->resizeSection(CLiveModel::kTimeColumn, CLiveModel::kTimeWidth);
    }
    const std::pair<int, void (CLiveView::*)()> buttons[] = {
        {kIdStart, &CLiveView::OnStart},
        {kIdStop, &CLiveView::OnStop},
        {kIdExportCsv, &CLiveView::OnExportCsv},
        {kIdPlot, &CLiveView::OnPlot},
    };
    for (const auto& [id, handler] : buttons) {
        if (auto* button = ControlAs<QPushButton>(id)) connect(button, &QPushButton::clicked, this, handler);
    }
    if (auto* line = ControlAs<QLineEdit>(kIdLine)) new CLineDisplayFilter(*line);
    // Measure has no action and stays disabled (the template creates it so).
}

CLiveView::~CLiveView()
{
    // The plot window follows the model; it goes first.
    delete m_pPlotWindow;
    CPageDocument* document = GetDocument();
    if (document == nullptr) return;
    CLinkControl& link = document->LinkControl();
    // The sink is part of this page: a run still using it must be over
    // first. It ends after at most one read and one pause, and closes the
    // port itself.
    if (m_pSink->Finished() < m_nStarted) {
        link.StopLive();
        m_pSink->WaitFinished(m_nStarted);
    }
    // A failed run leaves the port open. Flush it only while no transfer
    // thread is using it.
    CPortIo& port = document->Port();
    if (link.BusyWord() == 0 && port.IsOpen()) {
        try {
            port.Flush();
        } catch (const CSerialException&) {
            // The port is going away with the program; nothing to tell.
        }
    }
}

QTableView* CLiveView::List() const
{
    return ControlAs<QTableView>(kIdList);
}

bool CLiveView::IsAcquiring() const
{
    return m_pSink->Finished() < m_nStarted;
}

void CLiveView::OnInitialUpdate()
{
    // Date and Time are part of the model from the start; only their widths
    // are set here, in case a style reset them.
    if (QTableView* list = List()) {
        list->horizontalHeader()->resizeSection(CLiveModel::kDateColumn, CLiveModel::kDateWidth);
        list->horizontalHeader()->resizeSection(CLiveModel::kTimeColumn, CLiveModel::kTimeWidth);
    }
    CPageView::OnInitialUpdate();
}

void CLiveView::OnUpdate(CPageView* sender, int hint)
{
    (void)sender;
    (void)hint;
    CPageDocument* document = GetDocument();
    if (document == nullptr) return;
    SetColumns(LiveValueColumns(Config()));
    CLinkControl& link = document->LinkControl();
    if (link.BusyWord() == CLinkControl::kLiveBit) {
        // What the stopping run still sends belongs to the columns and rows
        // just dropped.
        m_nShownRun = 0;
        document->MessageBoxes().Show(window(), kStoppedText, kStoppedCaption, EMessageIcon::None);
        link.StopLive();
    }
    document->ApplyVariantLayout();
}

void CLiveView::OnStart()
{
    CPageDocument* document = GetDocument();
    if (document == nullptr) return;
    CLinkControl& link = document->LinkControl();
    if (link.BusyWord() != 0) return;
    bool started = false;
    const CLiveSettings settings = LiveSettingsFor(Config());
    try {
        started = link.StartLive(document->Port(), document->Clock(), settings, *m_pSink);
    } catch (const std::system_error&) {
        // No thread could be made; the core has freed the live bit.
        started = false;
    }
    if (!started) return;
    m_nShownRun = ++m_nStarted;
    ShowStatus(QStringLiteral("Listening on %1 at %2 baud.")
                   .arg(QString::fromStdWString(settings.m_strComPort), QString::fromStdWString(settings.m_strBaud)));
}

void CLiveView::OnStop()
{
    if (CPageDocument* document = GetDocument()) document->LinkControl().StopLive();
}

void CLiveView::OnExportCsv()
{
    const QString suggested =
        QStringLiteral("live-%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), suggested,
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (!path.isEmpty()) ExportCsv(path);
}

bool CLiveView::ExportCsv(const QString& path)
{
    const CFileResult result = SaveFileAtomically(QFile::encodeName(path).toStdString(), m_pModel->CsvText());
    if (result.m_bOk) ShowStatus(QStringLiteral("Exported to %1.").arg(QDir::toNativeSeparators(path)));
    if (!result.m_bOk && GetDocument() != nullptr) {
        GetDocument()->MessageBoxes().Show(window(), QString::fromLocal8Bit(result.m_strError.c_str()), kAppTitle,
                                           EMessageIcon::Warning);
    }
    return result.m_bOk;
}

void CLiveView::ShowStatus(const QString& text)
{
    if (auto* frame = qobject_cast<QMainWindow*>(window())) frame->statusBar()->showMessage(text);
}

void CLiveView::OnPlot()
{
    if (m_pPlotWindow == nullptr) m_pPlotWindow = new CLivePlotWindow(*m_pModel, this);
    m_pPlotWindow->show();
    m_pPlotWindow->raise();
    m_pPlotWindow->activateWindow();
}

void CLiveView::DoDataExchange(CDataExchange& dx)
{
    // The line display only shows; nothing is stored from it.
    if (!dx.IsStoring()) dx.Text(kIdLine, m_strLine);
}

void CLiveView::SetColumns(const std::vector<CText>& titles)
{
    m_pModel->ResetColumns(Titles(titles));
}

void CLiveView::OnRunBegin(uint64_t run, const std::vector<CText>& columns)
{
    if (run != m_nShownRun) return;
    SetColumns(columns);
}

void CLiveView::OnRunLine(uint64_t run, const CText& line)
{
    if (run != m_nShownRun) return;
    m_strLine = line;
    // Also while the variant layout hides the display.
    if (auto* edit = ControlAs<QLineEdit>(kIdLine)) edit->setText(QString::fromStdWString(line));
}

void CLiveView::OnRunRows(uint64_t run, std::vector<CLiveRow> rows)
{
    if (run != m_nShownRun) return;
    QTableView* list = List();
    QWidget* viewport = list != nullptr ? list->viewport() : nullptr;
    const int shift =
        static_cast<int>(rows.size()) * (list != nullptr ? list->verticalHeader()->defaultSectionSize() : 0);
    QScrollBar* bar = list != nullptr ? list->verticalScrollBar() : nullptr;
    if (bar != nullptr && bar->value() > 0) {
        // The operator has scrolled away from the newest row: the rows on
        // display stay where they are, the new ones come in above them.
        const int scrolled = bar->value();
        m_pModel->AddRows(rows);
        list->doItemsLayout();
        bar->setValue(scrolled + (list->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                                      ? static_cast<int>(rows.size())
                                      : shift));
        return;
    }
    if (viewport == nullptr || !viewport->isVisible() || !viewport->updatesEnabled() || list->alternatingRowColors() ||
        list->verticalHeader()->sectionResizeMode(0) != QHeaderView::Fixed || shift >= viewport->height()) {
        m_pModel->AddRows(rows);
        return;
    }
    // New rows on top move every row down by the same height: the picture
    // is moved and only the strip on top is painted, rather than the whole
    // list. The list's own repaint of everything (its layout, which it would
    // do a moment later, is done now) is held back meanwhile.
    viewport->setAttribute(Qt::WA_UpdatesDisabled, true);
    m_pModel->AddRows(rows);
    list->doItemsLayout();
    viewport->setAttribute(Qt::WA_UpdatesDisabled, false);
    viewport->scroll(0, shift);
}

void CLiveView::OnRunFailed(uint64_t run, ETransferStatus status, const std::string& message)
{
    if (run != m_nShownRun) return;
    m_nShownRun = 0;
    // The same words as a transfer that failed on the port; the live bit is
    // already free, so Send and Retrieve work again at once.
    // The port's own explanation (the device, the system's reason, the fix)
    // goes under "Show Details...", as a failed Retrieve's does.
    QString text = QString::fromLatin1(StatusText(status, ETransferKind::Retrieve));
    QString detail = QString::fromLocal8Bit(message.c_str());
    if (text.isEmpty()) std::swap(text, detail);
    if (CPageDocument* document = GetDocument()) {
        document->MessageBoxes().Show(window(), text, QString::fromLatin1(kErrorCaption), EMessageIcon::Error,
                                      detail);
    }
}

}  // namespace fennmere
