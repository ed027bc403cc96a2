// CLiveModel: the rows of the live list. Column 0 is the date, column 1 the
// time, then one column per value column of the run. The newest row is view
// row 0.
//
// Rows are kept in arrival order and view row r is stored row count-1-r, so
// a new row goes on top without moving the others. A run can last for days,
// so a row is stored compactly: its field count, the end offset of each
// field and the fields' text (UTF-8) one after the other in large shared
// blocks, with one small index entry per row. For 130 columns of short
// numbers that is a little under a kilobyte a row.
//
// Window thread only.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/liveacquisition.h"

namespace fennmere {

class CLiveModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kDateColumn = 0;
    static constexpr int kTimeColumn = 1;
    static constexpr int kFirstValueColumn = 2;
    // Column widths in pixels.
    static constexpr int kDateWidth = 65;
    static constexpr int kTimeWidth = 60;
    static constexpr int kValueWidth = 60;

    explicit CLiveModel(QObject* parent = nullptr);
    ~CLiveModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The titles of the value columns.
    const QStringList& ValueColumns() const { return m_valueColumns; }
    // Removes every column after Date and Time in one step (no-op when there
    // are none).
    void RemoveValueColumns();
    // Appends value columns, right-aligned, in one step.
    void AppendValueColumns(const QStringList& titles);
    // Removes every column after Date and Time and all rows, then appends titles.
    void ResetColumns(const QStringList& titles);

    void ClearRows();
    // Adds rows in arrival order: the last of them ends on top. A row with
    // more fields than there are columns keeps only what fits.
    void AddRows(std::span<const CLiveRow> rows);
    void AddRow(const CLiveRow& row) { AddRows(std::span<const CLiveRow>(&row, 1)); }

    // Rows in arrival order, 0 the oldest.
    int StoredRowCount() const { return static_cast<int>(m_index.size()); }
    int StoredRowFor(int viewRow) const { return StoredRowCount() - 1 - viewRow; }
    // The text of one field of a stored row; empty where the row has none.
    QString Field(int storedRow, int column) const;
    std::string_view FieldUtf8(int storedRow, int column) const;

    // Memory held for the rows (blocks and index), in bytes.
    std::size_t RowBytes() const;

    // Every row, oldest first, as CSV (RFC 4180, UTF-8, CR LF line ends)
    // under a header line Date,Time,<titles>. Every line has one field per
    // column.
    std::string CsvText() const;

private:
    struct CRowRef {
        uint32_t m_nBlock;
        uint32_t m_nOffset;
    };
    struct CBlock {
        std::unique_ptr<char[]> m_data;
        std::size_t m_nSize = 0;
        std::size_t m_nUsed = 0;
    };

    // Room for bytes in the last block, or in a new one.
    CRowRef Reserve(std::size_t bytes);
    void Store(const CLiveRow& row);
    const char* RowData(int storedRow) const;

    QStringList m_valueColumns;
    std::vector<CBlock> m_blocks;
    std::vector<CRowRef> m_index;
};

}  // namespace fennmere
