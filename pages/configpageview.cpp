#include "configpageview.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>

#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <array>

#include "combolist.h"
#include "dataexchange.h"
#include "pagedocument.h"
#include "resourceids.h"

namespace fennmere {

namespace {

// Indexed by page number; entry 0 unused.
constexpr std::array<CPanelIds, 9> kPanelIds{{
    {},
    {1107, 1108, 1595, 1504, 1505, 1506},  // Analog
    {1107, 1108, 1596, 1507, 1508, 1509},  // Digital
    {1107, 1108, 1597, 1522, 1523, 1524},  // Serial
    {1107, 1110, 1594, 1513, 1514, 1515},  // Internal
    {1111, 1115, 1598, 1519, 1520, 1521},  // Output
    {1171, 1210, 1601, 1510, 1511, 1512},  // EWS
    {1107, 1108, 1599, 1501, 1502, 1503},  // System
    {1107, 1108, 1600, 1516, 1517, 1518},  // Modem
}};

}  // namespace

CConfigPageView::CConfigPageView(int page, int templateId, QWidget* parent)
    : CPageView(page, templateId, parent), m_ids(PanelIdsFor(page))
{
    if (auto* send = ControlAs<QPushButton>(m_ids.m_nSend)) {
        connect(send, &QPushButton::clicked, this, &CConfigPageView::OnSend);
    }
    if (auto* retrieve = ControlAs<QPushButton>(m_ids.m_nRetrieve)) {
        connect(retrieve, &QPushButton::clicked, this, &CConfigPageView::OnRetrieve);
    }
    WatchEdits();
}

void CConfigPageView::WatchEdits()
{
    // The panel is this computer's, not the document's.
    const int panel[] = {kIdPortList, kIdBaudList, m_ids.m_nClock, m_ids.m_nDevice};
    auto edited = [this] {
        if (GetDocument() != nullptr) GetDocument()->MarkEdited();
    };
    // Only the signals of the operator's own edits: loading the page must
    // not mark anything.
    for (QWidget* control : Form().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const int id = CDialogForm::ControlNumber(control);
        if (id == -1 || std::find(std::begin(panel), std::end(panel), id) != std::end(panel)) continue;
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            connect(edit, &QLineEdit::textEdited, this, edited);
        } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
            connect(check, &QCheckBox::clicked, this, edited);
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            connect(list, &QComboBox::activated, this, edited);
            if (list->lineEdit() != nullptr) connect(list->lineEdit(), &QLineEdit::textEdited, this, edited);
        }
    }
}

CPanelIds CConfigPageView::PanelIdsFor(int page)
{
    return page >= 1 && page < static_cast<int>(kPanelIds.size()) ? kPanelIds[page] : CPanelIds{};
}

void CConfigPageView::OnInitialUpdate()
{
    CPageView::OnInitialUpdate();
    if (auto* ports = ControlAs<CComboList>(kIdPortList)) {
        m_nPortListWidth = ports->width();
        connect(ports, &QComboBox::currentTextChanged, this, [this] { FitPortList(); });
    }
    FillPortList();
}

void CConfigPageView::FitPortList()
{
    auto* ports = ControlAs<CComboList>(kIdPortList);
    if (ports == nullptr || ports->lineEdit() == nullptr || m_nPortListWidth == 0) return;
    // The room: to the right edge of the group the list stands in.
    int room = m_nPortListWidth;
    for (const QGroupBox* group : ports->parentWidget()->findChildren<QGroupBox*>()) {
        if (group->geometry().contains(ports->geometry().topLeft()))
            room = std::max(room, group->geometry().right() - ports->x() - 4);
    }
    const QString text = ports->currentText();
    const int frame = ports->width() - ports->lineEdit()->width();
    const int wanted = ports->fontMetrics().horizontalAdvance(text) + frame + 6;
    ports->resize(std::clamp(wanted, m_nPortListWidth, room), ports->height());
    ports->setToolTip(wanted > room ? text : QString());
}

void CConfigPageView::FillPortList()
{
    auto* ports = ControlAs<CComboList>(kIdPortList);
    if (ports == nullptr || GetDocument() == nullptr) return;
    ports->ResetContent();
    const CConfiguration& config = Config();
    for (int n = 0; n < kPortTableSize; ++n) {
        if (config.m_nPortAvailable[n] == 1) ports->AddString(QStringLiteral("COM%1").arg(n));
    }
    // Devices by path follow the numbered ports, in the order found.
    for (const std::string& path : GetDocument()->DevicePaths()) {
        ports->InsertString(-1, QString::fromStdString(path));
    }
    // The adapter behind each, as the system describes it.
    for (int i = 0; i < ports->count(); ++i) {
        const std::string text = GetDocument()->PortDescription(ports->itemText(i).toStdString());
        if (!text.empty()) ports->setItemData(i, QString::fromStdString(text), Qt::ToolTipRole);
    }
    // The open list as wide as its longest name (a by-id path); the field
    // keeps its size.
    ports->view()->setMinimumWidth(ports->view()->sizeHintForColumn(0) + 24);
    if (config.m_panel.m_strComPort.empty()) {
        if (ports->count() > 0) ports->SetCurSel(0);
    } else {
        ports->SetEditTextExactly(QString::fromStdWString(config.m_panel.m_strComPort));
    }
    FitPortList();
}

void CConfigPageView::SetProgress(int position)
{
    if (auto* bar = ControlAs<QProgressBar>(m_ids.m_nProgress)) bar->setValue(position);
}

void CConfigPageView::ShowPcBaud(const QString& baud)
{
    if (auto* list = ControlAs<CComboList>(kIdBaudList)) list->SetEditTextExactly(baud);
}

void CConfigPageView::OnSend()
{
    UpdateData(true);
    if (GetDocument() != nullptr) GetDocument()->StartPanelTransfer(EPanelTransfer::Send);
}

void CConfigPageView::OnRetrieve()
{
    UpdateData(true);
    if (GetDocument() != nullptr) GetDocument()->StartPanelTransfer(EPanelTransfer::Retrieve);
}

void CConfigPageView::OnSetDefaultConfig()
{
    UpdateData(true);
    if (GetDocument() != nullptr) GetDocument()->StartPanelTransfer(EPanelTransfer::DefaultConfig);
}

void CConfigPageView::DoDataExchange(CDataExchange& dx)
{
    CPanelSettings& panel = Config().m_panel;
    dx.Text(kIdPortList, panel.m_strComPort);
    dx.Text(kIdBaudList, panel.m_strBaud);
    dx.Check(m_ids.m_nClock, panel.m_nClock);
    dx.Text(m_ids.m_nDevice, panel.m_strDevice);
}

}  // namespace fennmere
