#include "ui/ResultsSearch.h"

#include <QAbstractItemModel>
#include <QTableWidget>

namespace ResultsSearch {

namespace {

// The index of one table, kept as its child so it goes with the table, and
// dropped whenever rows come or go (a refill, another application's files).
class TableIndex : public QObject {
public:
    explicit TableIndex(QTableWidget* table) : QObject(table)
    {
        setObjectName(QStringLiteral("qm_search_index"));
        QAbstractItemModel* model = table->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, [this] { m_bStale = true; });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { m_bStale = true; });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { m_bStale = true; });
    }

    const TextSearch::Index& Get(const QTableWidget* table, const RowTexts& rowTexts)
    {
        if (!m_bStale && m_index.Size() == size_t(table->rowCount()))
            return m_index;
        m_index.Clear();
        const int rows = table->rowCount();
        const int columns = table->columnCount();
        QStringList cells;
        for (int row = 0; row < rows; ++row) {
            cells.clear();
            for (int column = 0; column < columns; ++column) {
                if (const QTableWidgetItem* item = table->item(row, column))
                    cells << item->text();
            }
            m_index.Add(cells, rowTexts ? rowTexts(row) : std::vector<const std::string*>());
        }
        m_bStale = false;
        return m_index;
    }

private:
    TextSearch::Index m_index;
    bool m_bStale = true;
};

TableIndex* IndexOf(QTableWidget* table)
{
    auto* index = table->findChild<TableIndex*>(QStringLiteral("qm_search_index"), Qt::FindDirectChildrenOnly);
    return index ? index : new TableIndex(table);
}

} // namespace

int Apply(QTableWidget* table, const TextSearch::Query& query, const RowTexts& rowTexts)
{
    if (!table)
        return 0;
    const int rows = table->rowCount();
    int shown = 0;
    table->setUpdatesEnabled(false);
    if (query.IsEmpty()) {
        for (int row = 0; row < rows; ++row) {
            if (table->isRowHidden(row))
                table->setRowHidden(row, false);
        }
        shown = rows;
    } else {
        const TextSearch::Index& index = IndexOf(table)->Get(table, rowTexts);
        for (int row = 0; row < rows; ++row) {
            const bool match = index.Matches(size_t(row), query);
            if (table->isRowHidden(row) == match)
                table->setRowHidden(row, !match);
            shown += match ? 1 : 0;
        }
    }
    table->setUpdatesEnabled(true);
    return shown;
}

int FirstShownRow(const QTableWidget* table)
{
    if (!table)
        return -1;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!table->isRowHidden(row))
            return row;
    }
    return -1;
}

} // namespace ResultsSearch
