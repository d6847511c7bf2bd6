// Cells of the category tables that read what they show from the records the
// table lists instead of holding copies: the tables of a large backup have some
// 300 000 cells, and a stored text per cell plus a record per row would take
// about as much memory again as the scan's records themselves.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

#include <QObject>
#include <QTableWidgetItem>
#include <QVariant>

class QTableWidget;

namespace CategoryRows {

// What the cells of one table read. A child of its table, so it stays as long
// as the table's cells.
class RowSource : public QObject {
    Q_OBJECT

public:
    explicit RowSource(QTableWidget* table);
    // The text of a record's cell; empty for a record the source no longer holds.
    virtual QString Text(int record, int column) const = 0;
    // The record itself; invalid for a record the source no longer holds.
    virtual QVariant Record(int record) const = 0;
};

// One cell: which record of its source and which column. A text set on the
// cell itself wins over its record's; column 0 answers Qt::UserRole with the
// record.
class RecordCell : public QTableWidgetItem {
public:
    RecordCell(const RowSource* source, int record, int column);
    QVariant data(int role) const override;
    QTableWidgetItem* clone() const override;

private:
    const RowSource* m_pSource;
    int m_nRecord;
    int m_nColumn;
};

// A source over a vector of records: the caller's own vector, which must then
// outlive the table's rows (the window's scan results go only after the page
// showing them), or one handed over to it.
template <class Vec, class CellText>
class VectorSource : public RowSource {
public:
    VectorSource(QTableWidget* table, std::shared_ptr<const Vec> records, CellText text)
        : RowSource(table), m_records(std::move(records)), m_text(std::move(text))
    {
    }
    QString Text(int record, int column) const override
    {
        return Holds(record) ? m_text((*m_records)[size_t(record)], column) : QString();
    }
    QVariant Record(int record) const override
    {
        return Holds(record) ? QVariant::fromValue((*m_records)[size_t(record)]) : QVariant();
    }

private:
    // A released vector is empty: its cells then show nothing.
    bool Holds(int record) const { return record >= 0 && size_t(record) < m_records->size(); }

    std::shared_ptr<const Vec> m_records;
    CellText m_text;
};

// The caller's vector, not owned.
template <class Vec>
std::shared_ptr<const Vec> Borrowed(const Vec& records)
{
    return std::shared_ptr<const Vec>(&records, [](const Vec*) {});
}

// A vector handed over.
template <class Vec>
std::shared_ptr<const Vec> Owned(Vec&& records)
{
    return std::make_shared<const Vec>(std::move(records));
}

} // namespace CategoryRows
