#include "ui/RecordCell.h"

#include <QTableWidget>

namespace CategoryRows {

RowSource::RowSource(QTableWidget* table) : QObject(table)
{
}

RecordCell::RecordCell(const RowSource* source, int record, int column)
    : QTableWidgetItem(QTableWidgetItem::UserType), m_pSource(source), m_nRecord(record), m_nColumn(column)
{
}

QVariant RecordCell::data(int role) const
{
    const bool text = role == Qt::DisplayRole || role == Qt::EditRole;
    const bool record = role == Qt::UserRole && m_nColumn == 0;
    QVariant own = QTableWidgetItem::data(role);
    if (own.isValid() || !m_pSource || !(text || record))
        return own;
    return text ? QVariant(m_pSource->Text(m_nRecord, m_nColumn)) : m_pSource->Record(m_nRecord);
}

QTableWidgetItem* RecordCell::clone() const
{
    return new RecordCell(*this);
}

} // namespace CategoryRows
