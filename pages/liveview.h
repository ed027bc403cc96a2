// CLiveView: the live page, which shows the data lines a connected logger
// sends. It has no communication panel: live acquisition uses the port and
// baud rate a configuration page last stored.
//
// The list has the columns Date and Time and one column per value column of
// the configuration's outputs; each data line becomes its new top row. The
// line display shows the last line received, data or not. Start begins a
// run when nothing else uses the link, Stop ends it, and every update
// notification rebuilds the columns and ends a running acquisition with a
// notice. The rows can be exported as CSV and plotted against time.
//
// The acquisition thread never waits for this page: what it produces is
// handed to the window thread by queued calls, tagged with its run, and what
// belongs to a run that is no longer shown is dropped.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "link/liveacquisition.h"
#include "pageview.h"

class QTableView;

namespace fennmere {

class CLiveModel;
class CLivePlotWindow;

class CLiveView : public CPageView {
    Q_OBJECT
public:
    static constexpr int kIdList = 1548;
    static constexpr int kIdLine = 1549;
    static constexpr int kIdStart = 1550;
    static constexpr int kIdMeasure = 1551;
    static constexpr int kIdStop = 1552;
    static constexpr int kIdExportCsv = 1620;
    static constexpr int kIdPlot = 1621;

    explicit CLiveView(QWidget* parent);
    // A run still using the page is stopped and waited for (at most one read
    // and one pause); then a port left open by a failed run is flushed.
    ~CLiveView() override;

    // Fills what the page needs once, then loads it and runs the update
    // reaction.
    void OnInitialUpdate() override;
    // Rebuilds the value columns from the configuration and drops the rows.
    // A running acquisition (the busy word is exactly the live bit) is told
    // "LiveView Stopped" and then ended.
    void OnUpdate(CPageView* sender, int hint) override;

    // Start: a new run with the configuration's port, baud rate, data format
    // and outputs when the link is idle; nothing otherwise. The page is not
    // stored first.
    void OnStart();
    // Stop: ends the run (silently).
    void OnStop();
    // Asks for a file and exports the rows into it.
    void OnExportCsv();
    // Opens the plot window (or brings it to the front).
    void OnPlot();

    // Writes every row, oldest first, as CSV to path, replacing the file only
    // when all of it was written. A failure is shown in a box. Returns
    // whether the file was written.
    bool ExportCsv(const QString& path);

    CLiveModel& Model() const { return *m_pModel; }
    QTableView* List() const;
    // The plot window, once opened.
    CLivePlotWindow* PlotWindow() const { return m_pPlotWindow; }
    // From a successful Start until that run's thread has let go of the
    // page (after its end or failure).
    bool IsAcquiring() const;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    class CSink;
    friend class CSink;

    // Deliveries from the acquisition thread, on the window thread.
    void OnRunBegin(uint64_t run, const std::vector<CText>& columns);
    void OnRunLine(uint64_t run, const CText& line);
    void OnRunRows(uint64_t run, std::vector<CLiveRow> rows);
    // A line in the main window's status bar, until the next one.
    void ShowStatus(const QString& text);
    void OnRunFailed(uint64_t run, ETransferStatus status, const std::string& message);

    void SetColumns(const std::vector<CText>& titles);

    CLiveModel* m_pModel;
    std::unique_ptr<CSink> m_pSink;
    CLivePlotWindow* m_pPlotWindow = nullptr;
    // Runs started from this page; the run whose deliveries are shown (0:
    // none).
    uint64_t m_nStarted = 0;
    uint64_t m_nShownRun = 0;
    // The last line received.
    CText m_strLine;
};

}  // namespace fennmere
