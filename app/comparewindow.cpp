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

QTableWidgetItem* Cell(const std::string& text)
{
    // The values are written as `fennmere show` writes them: texts quoted,
    // as UTF-8, so an empty text stays visible as "".
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

CCompareWindow::CCompareWindow(QWidget* parent, const QString& title, const QString& text, const QString& oldSide,
                               const QString& newSide, const std::vector<CFieldDifference>& differences)
    : QWidget(parent, Qt::Window), m_bEmpty(differences.empty())
{
    setObjectName(QStringLiteral("compareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("compareText"));
    m_pText->setWordWrap(true);
    m_pText->setTextFormat(Qt::PlainText);
    if (m_bEmpty) {
        m_pText->setText(text + QStringLiteral("\n\nNo differences."));
    } else {
        m_pText->setText(text + (differences.size() == 1
                                     ? QStringLiteral("\n\n1 field differs.")
                                     : QStringLiteral("\n\n%1 fields differ.").arg(differences.size())));
    }
    layout->addWidget(m_pText);

    m_pTable = new QTableWidget(static_cast<int>(differences.size()), 3, this);
    m_pTable->setObjectName(QStringLiteral("compareTable"));
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Field"), oldSide, newSide});
    m_pTable->verticalHeader()->setVisible(false);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setWordWrap(false);
    for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
        const CFieldDifference& difference = differences[row];
        m_pTable->setItem(row, 0, Cell(difference.m_strPath));
        m_pTable->setItem(row, 1, Cell(difference.m_strOld));
        m_pTable->setItem(row, 2, Cell(difference.m_strNew));
    }
    QHeaderView* header = m_pTable->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    m_pTable->setVisible(!m_bEmpty);
    layout->addWidget(m_pTable, 1);
    if (m_bEmpty) layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    m_pButtons = buttons;
    buttons->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    resize(m_bEmpty ? QSize(460, 180) : QSize(760, 440));
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
