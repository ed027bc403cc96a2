#include "livemodel.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <limits>

namespace fennmere {

namespace {

// Rows are packed into blocks of this size; a larger row gets a block of
// its own.
constexpr std::size_t kBlockSize = 256 * 1024;

// Field offsets are 16 bits wide. A received line is at most about ten
// thousand characters, so this limit is never reached by a real row; a row
// beyond it keeps the fields that fit.
constexpr std::size_t kMaxRowText = std::numeric_limits<uint16_t>::max();

uint16_t ReadU16(const char* at)
{
    uint16_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void WriteU16(char* at, uint16_t value)
{
    std::memcpy(at, &value, sizeof value);
}

bool NeedsQuotes(std::string_view field)
{
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvField(std::string& out, std::string_view field)
{
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

CLiveModel::CLiveModel(QObject* parent) : QAbstractTableModel(parent) {}

CLiveModel::~CLiveModel() = default;

int CLiveModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : StoredRowCount();
}

int CLiveModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kFirstValueColumn + static_cast<int>(m_valueColumns.size());
}

QVariant CLiveModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= StoredRowCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return Field(StoredRowFor(index.row()), index.column());
        case Qt::TextAlignmentRole:
            return headerData(index.column(), Qt::Horizontal, role);
        default:
            return {};
    }
}

QVariant CLiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
            if (section == kDateColumn) return QStringLiteral("Date");
            if (section == kTimeColumn) return QStringLiteral("Time");
            return m_valueColumns[section - kFirstValueColumn];
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                Qt::Alignment((section < kFirstValueColumn ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter));
        default:
            return {};
    }
}

void CLiveModel::RemoveValueColumns()
{
    if (m_valueColumns.isEmpty()) return;
    beginRemoveColumns(QModelIndex(), kFirstValueColumn, columnCount() - 1);
    m_valueColumns.clear();
    endRemoveColumns();
}

void CLiveModel::AppendValueColumns(const QStringList& titles)
{
    if (titles.isEmpty()) return;
    const int first = columnCount();
    beginInsertColumns(QModelIndex(), first, first + static_cast<int>(titles.size()) - 1);
    m_valueColumns += titles;
    endInsertColumns();
}

void CLiveModel::ResetColumns(const QStringList& titles)
{
    RemoveValueColumns();
    ClearRows();
    AppendValueColumns(titles);
}

void CLiveModel::ClearRows()
{
    if (m_index.empty()) return;
    beginRemoveRows(QModelIndex(), 0, StoredRowCount() - 1);
    m_index.clear();
    m_index.shrink_to_fit();
    m_blocks.clear();
    endRemoveRows();
}

void CLiveModel::AddRows(std::span<const CLiveRow> rows)
{
    if (rows.empty()) return;
    beginInsertRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
    for (const CLiveRow& row : rows) Store(row);
    endInsertRows();
}

CLiveModel::CRowRef CLiveModel::Reserve(std::size_t bytes)
{
    if (m_blocks.empty() || m_blocks.back().m_nSize - m_blocks.back().m_nUsed < bytes) {
        CBlock block;
        block.m_nSize = std::max(kBlockSize, bytes);
        block.m_data = std::make_unique<char[]>(block.m_nSize);
        m_blocks.push_back(std::move(block));
    }
    CBlock& block = m_blocks.back();
    const CRowRef ref{static_cast<uint32_t>(m_blocks.size() - 1), static_cast<uint32_t>(block.m_nUsed)};
    block.m_nUsed += bytes;
    return ref;
}

void CLiveModel::Store(const CLiveRow& row)
{
    const std::size_t columns = static_cast<std::size_t>(columnCount());
    std::vector<QByteArray> fields;
    fields.reserve(std::min(columns, row.m_values.size() + 2));
    fields.push_back(QString::fromStdWString(row.m_strDate).toUtf8());
    fields.push_back(QString::fromStdWString(row.m_strTime).toUtf8());
    for (std::size_t j = 0; j < row.m_values.size() && fields.size() < columns; ++j) {
        fields.push_back(QString::fromStdWString(row.m_values[j]).toUtf8());
    }
    // Trailing empty fields need no room: a missing field reads as empty.
    while (!fields.empty() && fields.back().isEmpty()) fields.pop_back();

    std::size_t text = 0;
    std::size_t count = 0;
    for (; count < fields.size(); ++count) {
        if (text + static_cast<std::size_t>(fields[count].size()) > kMaxRowText) break;
        text += static_cast<std::size_t>(fields[count].size());
    }
    const std::size_t header = sizeof(uint16_t) * (1 + count);
    const CRowRef ref = Reserve(header + text);
    char* at = m_blocks[ref.m_nBlock].m_data.get() + ref.m_nOffset;
    WriteU16(at, static_cast<uint16_t>(count));
    char* out = at + header;
    std::size_t end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(out + end, fields[i].constData(), static_cast<std::size_t>(fields[i].size()));
        end += static_cast<std::size_t>(fields[i].size());
        WriteU16(at + sizeof(uint16_t) * (1 + i), static_cast<uint16_t>(end));
    }
    m_index.push_back(ref);
}

const char* CLiveModel::RowData(int storedRow) const
{
    const CRowRef& ref = m_index[static_cast<std::size_t>(storedRow)];
    return m_blocks[ref.m_nBlock].m_data.get() + ref.m_nOffset;
}

std::string_view CLiveModel::FieldUtf8(int storedRow, int column) const
{
    if (storedRow < 0 || storedRow >= StoredRowCount() || column < 0) return {};
    const char* at = RowData(storedRow);
    const int count = ReadU16(at);
    if (column >= count) return {};
    const char* text = at + sizeof(uint16_t) * (1 + static_cast<std::size_t>(count));
    const uint16_t begin = column == 0 ? 0 : ReadU16(at + sizeof(uint16_t) * static_cast<std::size_t>(column));
    const uint16_t end = ReadU16(at + sizeof(uint16_t) * (1 + static_cast<std::size_t>(column)));
    return std::string_view(text + begin, end - begin);
}

QString CLiveModel::Field(int storedRow, int column) const
{
    const std::string_view field = FieldUtf8(storedRow, column);
    return QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
}

std::size_t CLiveModel::RowBytes() const
{
    std::size_t bytes = m_index.capacity() * sizeof(CRowRef) + m_blocks.capacity() * sizeof(CBlock);
    for (const CBlock& block : m_blocks) bytes += block.m_nSize;
    return bytes;
}

std::string CLiveModel::CsvText() const
{
    const int columns = columnCount();
    std::string out;
    for (int column = 0; column < columns; ++column) {
        if (column > 0) out += ',';
        AppendCsvField(out, headerData(column, Qt::Horizontal).toString().toStdString());
    }
    out += "\r\n";
    for (int row = 0; row < StoredRowCount(); ++row) {
        for (int column = 0; column < columns; ++column) {
            if (column > 0) out += ',';
            AppendCsvField(out, FieldUtf8(row, column));
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace fennmere
