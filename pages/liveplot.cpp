#include "liveplot.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <limits>

#include "livemodel.h"

namespace fennmere {

namespace {

// Splits "a<sep>b<sep>c" into whole numbers; nothing when a part is not one.
std::optional<std::vector<int>> Numbers(QStringView text, QChar separator)
{
    std::vector<int> numbers;
    for (QStringView part : text.split(separator)) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0) return std::nullopt;
        numbers.push_back(value);
    }
    return numbers;
}

const QColor kSeriesColors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                                QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};

QString TimeLabel(double seconds, double span)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::llround(seconds * 1000)), Qt::UTC);
    return at.toString(span > 86400 ? QStringLiteral("dd.MM. hh:mm") : QStringLiteral("hh:mm:ss"));
}

// Keeps the shape of a long series at the resolution it is drawn with: per
// pixel column the first, lowest, highest and last point.
QPolygonF Reduce(const QPolygonF& points)
{
    QPolygonF reduced;
    int i = 0;
    while (i < points.size()) {
        const int column = static_cast<int>(std::floor(points[i].x()));
        int low = i, high = i, last = i;
        int j = i + 1;
        for (; j < points.size() && static_cast<int>(std::floor(points[j].x())) == column; ++j) {
            if (points[j].y() < points[low].y()) low = j;
            if (points[j].y() > points[high].y()) high = j;
            last = j;
        }
        reduced << points[i];
        for (int k : {std::min(low, high), std::max(low, high), last}) {
            if (k != i && reduced.back() != points[k]) reduced << points[k];
        }
        i = j;
    }
    return reduced;
}

double NiceStep(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double fraction = rough / power;
    return (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 2.5 ? 2.5 : fraction <= 5 ? 5 : 10) * power;
}

}  // namespace

std::optional<double> LiveTimeSeconds(QStringView date, QStringView time)
{
    const auto dmy = Numbers(date.trimmed(), QLatin1Char('.'));
    if (!dmy || dmy->size() != 3) return std::nullopt;
    const QDate day((*dmy)[2], (*dmy)[1], (*dmy)[0]);
    if (!day.isValid()) return std::nullopt;

    // Seconds may carry a fraction.
    const QStringView clock = time.trimmed();
    const qsizetype dot = clock.indexOf(QLatin1Char('.'));
    const auto hms = Numbers(dot < 0 ? clock : clock.left(dot), QLatin1Char(':'));
    if (!hms || hms->size() < 2 || hms->size() > 3) return std::nullopt;
    const QTime at((*hms)[0], (*hms)[1], hms->size() == 3 ? (*hms)[2] : 0);
    if (!at.isValid()) return std::nullopt;
    double fraction = 0;
    if (dot >= 0) {
        bool ok = false;
        fraction = QLocale::c().toDouble(QStringLiteral("0") + clock.mid(dot).toString(), &ok);
        if (!ok) return std::nullopt;
    }
    return static_cast<double>(QDateTime(day, at, Qt::UTC).toSecsSinceEpoch()) + fraction;
}

std::optional<double> LiveNumber(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<QPointF> LiveSeries(const CLiveModel& model, int column, int fromStoredRow)
{
    std::vector<QPointF> points;
    if (column < CLiveModel::kFirstValueColumn || column >= model.columnCount()) return points;
    for (int row = std::max(0, fromStoredRow); row < model.StoredRowCount(); ++row) {
        const auto value = LiveNumber(model.Field(row, column));
        if (!value) continue;
        const auto seconds =
            LiveTimeSeconds(model.Field(row, CLiveModel::kDateColumn), model.Field(row, CLiveModel::kTimeColumn));
        if (!seconds) continue;
        points.emplace_back(*seconds, *value);
    }
    return points;
}

CLivePlot::CLivePlot(CLiveModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setInterval(kRepaintIntervalMs);
    connect(&m_repaintTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] { TakeNewRows(); });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] { Restart(); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { Restart(); });
    // Column numbers change meaning: the chooser sets the columns again.
    connect(&m_model, &QAbstractItemModel::columnsRemoved, this, [this] { SetColumns({}, {}); });
}

void CLivePlot::SetColumns(const QList<int>& columns, const QStringList& labels)
{
    m_columns = columns;
    m_labels = labels;
    Restart();
}

void CLivePlot::Restart()
{
    m_series.assign(static_cast<std::size_t>(m_columns.size()), {});
    m_nRowsTaken = 0;
    TakeNewRows();
    update();
}

void CLivePlot::TakeNewRows()
{
    const int from = m_nRowsTaken;
    m_nRowsTaken = m_model.StoredRowCount();
    if (m_columns.isEmpty() || from >= m_nRowsTaken) return;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        std::vector<QPointF> points = LiveSeries(m_model, m_columns[i], from);
        auto& series = m_series[static_cast<std::size_t>(i)];
        series.insert(series.end(), points.begin(), points.end());
    }
    ScheduleRepaint();
}

void CLivePlot::ScheduleRepaint()
{
    if (!m_repaintTimer.isActive()) m_repaintTimer.start();
}

void CLivePlot::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();

    double xMin = std::numeric_limits<double>::max(), xMax = std::numeric_limits<double>::lowest();
    double yMin = xMin, yMax = xMax;
    std::size_t total = 0;
    for (const auto& series : m_series) {
        for (const QPointF& p : series) {
            xMin = std::min(xMin, p.x());
            xMax = std::max(xMax, p.x());
            yMin = std::min(yMin, p.y());
            yMax = std::max(yMax, p.y());
        }
        total += series.size();
    }
    painter.setPen(palette().color(QPalette::Text));
    if (total == 0) {
        const QString text = m_columns.isEmpty() ? QStringLiteral("Choose a value column to plot.")
                                                 : QStringLiteral("No values to plot yet.");
        painter.drawText(rect(), Qt::AlignCenter, text);
        return;
    }
    if (xMax - xMin < 1) {
        xMin -= 30;
        xMax += 30;
    }
    if (yMax - yMin < 1e-9) {
        const double pad = std::max(1e-6, std::fabs(yMax) * 0.05);
        yMin -= pad;
        yMax += pad;
    } else {
        const double pad = (yMax - yMin) * 0.05;
        yMin -= pad;
        yMax += pad;
    }

    constexpr int kTicks = 4;
    // Value lines at round numbers: 1, 2, 2.5 or 5 times a power of ten apart.
    const double yStep = NiceStep((yMax - yMin) / (kTicks + 1));
    std::vector<double> yTicks;
    for (double y = std::ceil(yMin / yStep) * yStep; y <= yMax + yStep * 1e-9; y += yStep) {
        yTicks.push_back(std::fabs(y) < yStep * 1e-9 ? 0.0 : y);
    }
    int labelWidth = 0;
    for (double y : yTicks) labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::number(y, 'g', 6)));
    const QRect area = rect().adjusted(labelWidth + 10, lineHeight + 8, -16, -(lineHeight + 8));
    if (area.width() < 20 || area.height() < 20) return;

    auto mapX = [&](double x) { return area.left() + (x - xMin) / (xMax - xMin) * area.width(); };
    auto mapY = [&](double y) { return area.bottom() - (y - yMin) / (yMax - yMin) * area.height(); };

    // Grid and axis labels.
    const QColor grid = palette().color(QPalette::Mid);
    for (double y : yTicks) {
        const int py = static_cast<int>(std::lround(mapY(y)));
        painter.setPen(QPen(grid, 0, Qt::DotLine));
        painter.drawLine(area.left(), py, area.right(), py);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(0, py - lineHeight / 2, labelWidth + 4, lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(y, 'g', 6));
    }
    for (int t = 0; t <= kTicks; ++t) {
        const double x = xMin + (xMax - xMin) * t / kTicks;
        const int px = static_cast<int>(std::lround(mapX(x)));
        painter.setPen(QPen(grid, 0, Qt::DotLine));
        painter.drawLine(px, area.top(), px, area.bottom());
        painter.setPen(palette().color(QPalette::Text));
        const QString label = TimeLabel(x, xMax - xMin);
        const int width = metrics.horizontalAdvance(label);
        const int left = std::clamp(px - width / 2, 0, std::max(0, rect().width() - width));
        painter.drawText(QRect(left, area.bottom() + 4, width, lineHeight), Qt::AlignCenter, label);
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawRect(area);

    // Series and legend.
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(area.adjusted(-3, -3, 3, 3));
    int legendX = area.left();
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const QColor color = kSeriesColors[i % std::size(kSeriesColors)];
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(m_series[i].size()));
        for (const QPointF& p : m_series[i]) line << QPointF(mapX(p.x()), mapY(p.y()));
        if (line.size() > 2 * area.width()) line = Reduce(line);
        painter.setPen(QPen(color, 1.5));
        painter.drawPolyline(line);
        if (m_series[i].size() <= 60) {
            painter.setBrush(color);
            for (const QPointF& p : line) painter.drawEllipse(p, 2.0, 2.0);
            painter.setBrush(Qt::NoBrush);
        }
        painter.save();
        painter.setClipping(false);
        const QString label =
            i < static_cast<std::size_t>(m_labels.size()) ? m_labels[static_cast<qsizetype>(i)] : QString();
        painter.drawLine(legendX, 4 + lineHeight / 2, legendX + 16, 4 + lineHeight / 2);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPoint(legendX + 20, 4 + metrics.ascent()), label);
        legendX += 32 + metrics.horizontalAdvance(label);
        painter.restore();
    }
}

}  // namespace fennmere
