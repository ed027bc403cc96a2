// CLivePlot: draws chosen value columns of the live list against time, and
// follows the list as rows arrive. The time axis comes from each row's Date
// ("dd.mm.yyyy") and Time ("hh:mm:ss") fields; a field that is not a number
// (an empty field, "Err", "----") gives no point, and neither does a row
// whose date or time cannot be read.
//
// New rows do not repaint at once: a burst of rows asks for one repaint, and
// there are at most five a second.
//
// Window thread only.
#pragma once

#include <QList>
#include <QPointF>
#include <QStringView>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

namespace fennmere {

class CLiveModel;

// Seconds since 1970 (the fields read as UTC) of a row's date and time, or
// nothing when either cannot be read.
std::optional<double> LiveTimeSeconds(QStringView date, QStringView time);
// A field as a finite number with '.' as decimal point, or nothing.
std::optional<double> LiveNumber(QStringView text);
// The points (time in seconds, value) of a column, from a stored row on,
// oldest first.
std::vector<QPointF> LiveSeries(const CLiveModel& model, int column, int fromStoredRow = 0);

class CLivePlot : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepaintIntervalMs = 200;

    explicit CLivePlot(CLiveModel& model, QWidget* parent = nullptr);

    // The model columns to draw (value columns, 2 and up), with their
    // legend texts.
    void SetColumns(const QList<int>& columns, const QStringList& labels);
    const QList<int>& Columns() const { return m_columns; }
    // The points of the i-th chosen column, oldest first.
    const std::vector<QPointF>& Points(int i) const { return m_series[static_cast<std::size_t>(i)]; }
    // True while a repaint for new rows is waiting for its turn.
    bool RepaintPending() const { return m_repaintTimer.isActive(); }

    QSize sizeHint() const override { return {480, 260}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TakeNewRows();
    void Restart();
    void ScheduleRepaint();

    CLiveModel& m_model;
    QList<int> m_columns;
    QStringList m_labels;
    std::vector<std::vector<QPointF>> m_series;
    int m_nRowsTaken = 0;
    QTimer m_repaintTimer;
};

}  // namespace fennmere
