#include "comparewindow.h"
#include "windowplacement.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fennmere {

namespace {

QTableWidgetItem* Cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

QTableWidget* NewPageTable(QWidget* parent, const CPageTable& table, const QStringList& valueHeadings)
{
    const int columns = 1 + static_cast<int>(valueHeadings.size());
    auto* widget = new QTableWidget(0, columns, parent);
    widget->setHorizontalHeaderLabels(QStringList{QStringLiteral("Field")} + valueHeadings);
    widget->verticalHeader()->setVisible(false);
    widget->verticalHeader()->setDefaultSectionSize(widget->fontMetrics().height() + 6);
    widget->setSelectionBehavior(QAbstractItemView::SelectRows);
    widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget->setWordWrap(false);
    int page = 0;
    for (const CPageValue& value : table.m_rows) {
        const int row = widget->rowCount();
        if (value.m_field.m_nPage != page) {
            page = value.m_field.m_nPage;
            widget->insertRow(row);
            QTableWidgetItem* heading = Cell(value.m_field.m_strPage);
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
            heading->setFlags(Qt::ItemIsEnabled);
            widget->setItem(row, 0, heading);
            widget->setSpan(row, 0, 1, columns);
        }
        const int line = widget->rowCount();
        widget->insertRow(line);
        widget->setItem(line, 0, Cell(value.m_field.Name()));
        // The values as `fennmere show` writes them: texts quoted, so an
        // empty text stays visible as "".
        for (int column = 1; column < columns; ++column) {
            const auto index = static_cast<std::size_t>(column - 1);
            const std::string text = index < value.m_values.size() ? value.m_values[index] : std::string();
            widget->setItem(line, column, Cell(QString::fromStdString(text)));
        }
    }
    QHeaderView* header = widget->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (int column = 1; column < columns; ++column) header->setSectionResizeMode(column, QHeaderView::Stretch);
    return widget;
}

QString NotOnPageText(int count, const QString& tail)
{
    if (count <= 0) return {};
    const QString fields = count == 1 ? QStringLiteral("1 field") : QStringLiteral("%1 fields").arg(count);
    return QStringLiteral("Not on any page: ") + fields + QStringLiteral("; ") + tail + QLatin1Char('.');
}

CCompareWindow::CCompareWindow(QWidget* parent, const QString& title, const QString& text, const QString& oldSide,
                               const QString& newSide, const std::vector<CFieldDifference>& differences)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("compareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);

    const CPageTable table = DifferencesOnPages(differences);
    const int shown = static_cast<int>(table.m_rows.size());
    // Only what the operator could take: a field no page shows still counts.
    m_bEmpty = shown == 0 && table.m_nNotOnPage == 0;

    auto* layout = new QVBoxLayout(this);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("compareText"));
    m_pText->setWordWrap(true);
    m_pText->setTextFormat(Qt::PlainText);
    QString summary = text + QStringLiteral("\n\n");
    if (m_bEmpty) {
        summary += QStringLiteral("No differences.");
    } else {
        if (shown > 0) {
            summary += shown == 1 ? QStringLiteral("1 field differs.") : QStringLiteral("%1 fields differ.").arg(shown);
        }
        const QString hidden =
            NotOnPageText(table.m_nNotOnPage, QStringLiteral("fennmere diff lists every field"));
        if (!hidden.isEmpty()) summary += (shown > 0 ? QStringLiteral(" ") : QString()) + hidden;
    }
    m_pText->setText(summary);
    layout->addWidget(m_pText);

    m_pTable = NewPageTable(this, table, {oldSide, newSide});
    m_pTable->setObjectName(QStringLiteral("compareTable"));
    m_pTable->setVisible(shown > 0);
    layout->addWidget(m_pTable, 1);
    if (shown == 0) layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    m_pButtons = buttons;
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    resize(shown == 0 ? QSize(460, 180) : QSize(760, 440));
    PlaceAsOwnWindow(*this);
}

void CCompareWindow::OfferTake(const QString& label, std::function<void()> take)
{
    if (m_bEmpty || m_pTake != nullptr) return;
    m_take = std::move(take);
    m_pTake = new QPushButton(label, this);
    m_pTake->setObjectName(QStringLiteral("takeButton"));
    connect(m_pTake, &QPushButton::clicked, this, [this] {
        if (m_take) m_take();
        close();
    });
    m_pButtons->insertWidget(0, m_pTake);
}

}  // namespace fennmere
