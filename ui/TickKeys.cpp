#include "ui/TickKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

bool IsTickKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Select;
}

Qt::CheckState Toggled(Qt::CheckState state)
{
    return state == Qt::Checked ? Qt::Unchecked : Qt::Checked;
}

class TableTickKeys : public QObject {
public:
    explicit TableTickKeys(QTableWidget* table) : QObject(table), m_pTable(table) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_pTable || !IsTickKey(event))
            return false;
        const int row = m_pTable->currentRow();
        QTableWidgetItem* item = row >= 0 ? m_pTable->item(row, 0) : nullptr;
        if (item && (item->flags() & Qt::ItemIsUserCheckable) && !item->data(Qt::CheckStateRole).isNull()) {
            item->setCheckState(Toggled(item->checkState()));
            emit m_pTable->cellClicked(row, 0);
        }
        return true;
    }

private:
    QTableWidget* m_pTable;
};

class TreeTickKeys : public QObject {
public:
    explicit TreeTickKeys(QTreeWidget* tree) : QObject(tree), m_pTree(tree) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_pTree || !IsTickKey(event))
            return false;
        QTreeWidgetItem* item = m_pTree->currentItem();
        if (item && (item->flags() & Qt::ItemIsUserCheckable)) {
            item->setCheckState(0, Toggled(item->checkState(0)));
            emit m_pTree->itemClicked(item, 0);
        }
        return true;
    }

private:
    QTreeWidget* m_pTree;
};

} // namespace

void RouteTickKeys(QTableWidget* table)
{
    if (table)
        table->installEventFilter(new TableTickKeys(table));
}

void RouteTickKeys(QTreeWidget* tree)
{
    if (tree)
        tree->installEventFilter(new TreeTickKeys(tree));
}
