#include "liveplotwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "livemodel.h"
#include "liveplot.h"

namespace fennmere {

namespace {

// Several columns may share a title ("Min", "Max"); the number tells them apart.
QString ColumnLabel(const CLiveModel& model, int column)
{
    return QStringLiteral("%1. %2")
        .arg(column - CLiveModel::kFirstValueColumn + 1)
        .arg(model.headerData(column, Qt::Horizontal).toString());
}

}  // namespace

CLivePlotWindow::CLivePlotWindow(CLiveModel& model, QWidget* parent) : QWidget(parent, Qt::Window), m_model(model)
{
    setWindowTitle(QStringLiteral("Live Plot"));
    auto* layout = new QHBoxLayout(this);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Value columns:"), this));
    m_pChooser = new QListWidget(this);
    m_pChooser->setObjectName(QStringLiteral("plotColumns"));
    m_pChooser->setFixedWidth(150);
    side->addWidget(m_pChooser, 1);
    layout->addLayout(side);
    m_pPlot = new CLivePlot(model, this);
    m_pPlot->setObjectName(QStringLiteral("plot"));
    layout->addWidget(m_pPlot, 1);
    resize(720, 340);

    connect(m_pChooser, &QListWidget::itemChanged, this, [this] {
        if (!m_bRebuilding) TakeChoice();
    });
    // The model drops all value columns and then appends the new ones.
    connect(&m_model, &QAbstractItemModel::columnsInserted, this, [this] { RebuildChooser(); });
    connect(&m_model, &QAbstractItemModel::columnsRemoved, this, [this] { RebuildChooser(); });
    RebuildChooser();
}

void CLivePlotWindow::RebuildChooser()
{
    m_bRebuilding = true;
    m_pChooser->clear();
    for (int column = CLiveModel::kFirstValueColumn; column < m_model.columnCount(); ++column) {
        auto* item = new QListWidgetItem(ColumnLabel(m_model, column), m_pChooser);
        item->setData(Qt::UserRole, column);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(column == CLiveModel::kFirstValueColumn ? Qt::Checked : Qt::Unchecked);
    }
    m_bRebuilding = false;
    TakeChoice();
}

void CLivePlotWindow::Choose(const QList<int>& columns)
{
    m_bRebuilding = true;
    for (int i = 0; i < m_pChooser->count(); ++i) {
        QListWidgetItem* item = m_pChooser->item(i);
        item->setCheckState(columns.contains(item->data(Qt::UserRole).toInt()) ? Qt::Checked : Qt::Unchecked);
    }
    m_bRebuilding = false;
    TakeChoice();
}

void CLivePlotWindow::TakeChoice()
{
    QList<int> columns;
    QStringList labels;
    for (int i = 0; i < m_pChooser->count(); ++i) {
        const QListWidgetItem* item = m_pChooser->item(i);
        if (item->checkState() != Qt::Checked) continue;
        columns << item->data(Qt::UserRole).toInt();
        labels << item->text();
    }
    m_pPlot->SetColumns(columns, labels);
}

}  // namespace fennmere
