// Main window: filling the category tables, ticking, selection maps and the
// selection summary.
#include "ui/DRUI.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTreeWidget>

#include "engine/AppFileSplit.h"
#include "support/SysHelpers.h"
#include "ui/CategoryRows.h"
#include "ui/CategoryTree.h"

namespace {

bool IsAppCategory(int category)
{
    return category == CATEGORY_APP_PHOTOS || category == CATEGORY_APP_VIDEOS;
}

// Map value of a ticked row: the file size for media, the row itself otherwise.
unsigned RowValue(int category, QTableWidget* table, int row)
{
    QTableWidgetItem* item = table->item(row, 0);
    if (!item)
        return 0;
    switch (category) {
    case CATEGORY_CAMERA_ROLL:
    case CATEGORY_PHOTO_STREAM:
    case CATEGORY_MESSAGE_ATTACHMENTS:
    case CATEGORY_WHATSAPP_ATTACHMENTS:
        break;
    default:
        return unsigned(row);
    }
    const QVariant payload = item->data(Qt::UserRole);
    switch (category) {
    case CATEGORY_CAMERA_ROLL:
    case CATEGORY_PHOTO_STREAM:
        return unsigned(payload.value<_IPHONE_CAMERA_INFO_>().nSize);
    case CATEGORY_MESSAGE_ATTACHMENTS:
        return unsigned(payload.value<_IPHONE_ATTACHMENTS_>().nSize);
    case CATEGORY_WHATSAPP_ATTACHMENTS:
        return unsigned(payload.value<_WHATSAPP_ATTACHMENTS_>().nSize);
    default:
        return unsigned(row);
    }
}

template <class Vec>
std::vector<unsigned> SizesOf(const Vec& records, int rows)
{
    std::vector<unsigned> sizes;
    if (records.size() != size_t(rows))
        return sizes;
    sizes.reserve(records.size());
    for (const auto& record : records)
        sizes.push_back(unsigned(record.nSize));
    return sizes;
}

// Sizes of a media table's rows straight from the scan results (media rows
// are in container order); empty when not a media table or out of step, and
// the rows' own records are read instead.
std::vector<unsigned> MediaSizes(const DRUI& w, int category, int rows)
{
    switch (category) {
    case CATEGORY_CAMERA_ROLL: return SizesOf(w.m_vecCamera, rows);
    case CATEGORY_PHOTO_STREAM: return SizesOf(w.m_vecPhotoStream, rows);
    case CATEGORY_MESSAGE_ATTACHMENTS: return SizesOf(w.m_vecAttachments, rows);
    case CATEGORY_WHATSAPP_ATTACHMENTS: return SizesOf(w.m_vecWhatsappAttach, rows);
    default: return {};
    }
}

// Sets a check state only where it differs: a table of many thousand rows
// then costs nothing when it already agrees.
void SetRowState(QTableWidget* table, int row, Qt::CheckState state)
{
    QTableWidgetItem* item = table->item(row, 0);
    if (item && (item->data(Qt::CheckStateRole).isNull() || item->checkState() != state))
        item->setCheckState(state);
}

void SetAllRows(QTableWidget* table, Qt::CheckState state)
{
    table->setUpdatesEnabled(false);
    for (int row = 0; row < table->rowCount(); ++row)
        SetRowState(table, row, state);
    table->setUpdatesEnabled(true);
}

bool AllRowsTicked(QTableWidget* table)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* item = table->item(row, 0);
        if (item && item->checkState() != Qt::Checked)
            return false;
    }
    return true;
}

bool AnyRowInState(QTableWidget* table, bool ticked, bool partly)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* item = table->item(row, 0);
        if (!item)
            continue;
        const Qt::CheckState s = item->checkState();
        if ((ticked && s == Qt::Checked) || (partly && s == Qt::PartiallyChecked))
            return true;
    }
    return false;
}

// Every file of one application: index -> size.
void EnterAllFiles(const std::vector<_IPHONE_APP_FILE_INFO_>& files, SelectMap& entry)
{
    for (size_t i = 0; i < files.size(); ++i)
        entry[unsigned(i)] = unsigned(files[i].nSize);
}

} // namespace

// ---- Application files ----

void DRUI::RefreshAppFileNode()
{
    SplitAppFiles(m_vecAppFile, m_mapAppPhotos, m_mapAppVideos, m_nAppPhotoCount, m_nAppVideoCount);
}

// ---- Filling and synchronising a category ----

void DRUI::UpdateTreeInfo(QTreeWidgetItem* node, int /*column*/, bool scanning)
{
    if (!node)
        return;
    const int category = CategoryTree::CategoryOfLabel(node->text(0));
    if (category < 0)
        return;
    const bool appCategory = IsAppCategory(category);
    if (!appCategory)
        m_nPreviewType = category;

    QTableWidget* table = nullptr;
    SelectMap* tableMap = nullptr;
    AppFileMap* apps = nullptr;
    AppSelectMap* appMap = nullptr;
    const Qt::CheckState nodeState = node->checkState(0);
    const Qt::CheckState fillState = nodeState == Qt::Checked ? Qt::Checked : Qt::Unchecked;

    switch (category) {
    case CATEGORY_CAMERA_ROLL:
        table = m_pCameraTable;
        tableMap = &m_cameraTableMap;
        CategoryRows::FillCamera(table, m_vecCamera, QIcon(QStringLiteral(":/image/photo.png")), fillState);
        break;
    case CATEGORY_PHOTO_STREAM:
        table = m_pPhotoStreamTable;
        tableMap = &m_photoStreamTableMap;
        CategoryRows::FillCamera(table, m_vecPhotoStream, QIcon(QStringLiteral(":/image/photostream.png")),
                                 fillState);
        break;
    case CATEGORY_APP_PHOTOS:
        table = m_pAppPhotosTable;
        apps = &m_mapAppPhotos;
        appMap = &m_appPhotosTableMap;
        CategoryRows::FillAppNames(table, m_mapAppPhotos, QIcon(QStringLiteral(":/image/appphoto.png")), fillState);
        break;
    case CATEGORY_APP_VIDEOS:
        table = m_pAppVideosTable;
        apps = &m_mapAppVideos;
        appMap = &m_appVideosTableMap;
        CategoryRows::FillAppNames(table, m_mapAppVideos, QIcon(QStringLiteral(":/image/video.png")), fillState);
        break;
    case CATEGORY_MESSAGE:
        table = m_pMessageTable;
        tableMap = &m_messageTableMap;
        CategoryRows::FillMessages(table, m_mapMessage, fillState);
        break;
    case CATEGORY_MESSAGE_ATTACHMENTS:
        table = m_pMessAttachTable;
        tableMap = &m_messAttachTableMap;
        CategoryRows::FillAttachments(table, m_vecAttachments, fillState);
        break;
    case CATEGORY_CONTACTS:
        table = m_pContactsTable;
        tableMap = &m_contactsTableMap;
        CategoryRows::FillContacts(table, m_vecContacts, fillState);
        break;
    case CATEGORY_CALL_HISTORY:
        table = m_pCallHistoryTable;
        tableMap = &m_callHistoryTableMap;
        CategoryRows::FillCalls(table, m_vecCallHistory, fillState);
        break;
    case CATEGORY_NOTES:
        table = m_pNotesTable;
        tableMap = &m_notesTableMap;
        CategoryRows::FillNotes(table, m_vecNotes, fillState);
        break;
    case CATEGORY_WHATSAPP:
        table = m_pWhatsappTable;
        tableMap = &m_whatsappTableMap;
        CategoryRows::FillWhatsapp(table, m_mapWhatsapp, fillState);
        break;
    case CATEGORY_WHATSAPP_ATTACHMENTS:
        table = m_pWhatsappAttachTable;
        tableMap = &m_whatsappAttachTableMap;
        CategoryRows::FillWhatsappAttachments(table, m_vecWhatsappAttach, fillState);
        break;
    }
    if (!table)
        return;

    if (!scanning) {
        if (m_pTypeStack)
            m_pTypeStack->setCurrentIndex(CategoryTree::PageIndex(category));
        if (!appCategory && table->rowCount() > 0)
            tableItemClick(table->item(0, 0));
    }

    const int rows = table->rowCount();
    switch (nodeState) {
    case Qt::Unchecked:
        SetTreeChildCheckState(node, 0);
        SetTreeParentCheckState(node);
        SetAllRows(table, Qt::Unchecked);
        if (appCategory) {
            for (int row = 0; row < rows; ++row) {
                QTableWidgetItem* item = table->item(row, 0);
                auto entry = item ? appMap->find(item->text()) : appMap->end();
                if (entry != appMap->end())
                    entry->second.clear();
            }
        } else {
            tableMap->clear();
        }
        break;
    case Qt::Checked:
        SetTreeChildCheckState(node, 2);
        SetTreeParentCheckState(node);
        SetAllRows(table, Qt::Checked);
        if (appCategory) {
            for (int row = 0; row < rows; ++row) {
                QTableWidgetItem* item = table->item(row, 0);
                if (!item)
                    continue;
                SelectMap& entry = (*appMap)[item->text()];
                auto files = apps->find(item->text().toStdString());
                if (files != apps->end())
                    EnterAllFiles(files->second, entry);
            }
        } else {
            const std::vector<unsigned> sizes = MediaSizes(*this, category, rows);
            for (int row = 0; row < rows; ++row) {
                const unsigned value = sizes.empty() ? RowValue(category, table, row) : sizes[size_t(row)];
                tableMap->emplace_hint(tableMap->end(), unsigned(row), value);
            }
        }
        break;
    case Qt::PartiallyChecked:
        if (!appCategory) {
            table->setUpdatesEnabled(false);
            for (int row = 0; row < rows; ++row)
                SetRowState(table, row, tableMap->count(unsigned(row)) ? Qt::Checked : Qt::Unchecked);
            table->setUpdatesEnabled(true);
        }
        break;
    }
}

// ---- Tree propagation ----

void DRUI::SetTreeChildCheckState(QTreeWidgetItem* node, int state)
{
    if (!node)
        return;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        child->setCheckState(0, state ? Qt::Checked : Qt::Unchecked);
        SetTreeChildCheckState(child, state);
    }
}

void DRUI::SetTreeParentCheckState(QTreeWidgetItem* node)
{
    for (QTreeWidgetItem* parent = node ? node->parent() : nullptr; parent; parent = parent->parent()) {
        int ticked = 0, unticked = 0;
        for (int i = 0; i < parent->childCount(); ++i) {
            const Qt::CheckState s = parent->child(i)->checkState(0);
            ticked += s == Qt::Checked;
            unticked += s == Qt::Unchecked;
        }
        const int n = parent->childCount();
        parent->setCheckState(0, ticked == n ? Qt::Checked : unticked == n ? Qt::Unchecked : Qt::PartiallyChecked);
    }
}

// ---- Choosing a node ----

void DRUI::treeItemSelectChanged()
{
    const QList<QTreeWidgetItem*> selected = m_pTree ? m_pTree->selectedItems() : QList<QTreeWidgetItem*>();
    if (!selected.isEmpty()) {
        UpdateTreeInfo(selected.first(), 0, false);
        m_pCurTreeItem = selected.first();
        ApplySearch(true);
    }
    RefreshSelectFileInfo();
}

void DRUI::treeItemClick(QTreeWidgetItem* item, int /*column*/)
{
    if (!m_pTree || !item)
        return;
    // A second click on the current node (its check box, typically) brings the
    // rows in line with the node's new state.
    if (item == m_pCurTreeItem) {
        const QList<QTreeWidgetItem*> selected = m_pTree->selectedItems();
        if (!selected.isEmpty()) {
            UpdateTreeInfo(selected.first(), 0, false);
            m_pCurTreeItem = selected.first();
        }
    }
    m_pTree->setCurrentItem(item);
    RefreshSelectFileInfo();
}

// ---- Rows ----

void DRUI::tableItemPress(int row, int column, QTableWidget* pTable, std::map<unsigned, unsigned>& tableMap)
{
    if (column != 0 || !pTable)
        return;
    QTableWidgetItem* item = pTable->item(row, 0);
    if (!item)
        return;

    switch (item->checkState()) {
    case Qt::Checked:
        if (IsAppCategory(m_nCurType)) {
            const AppFileMap& apps = m_nCurType == CATEGORY_APP_PHOTOS ? m_mapAppPhotos : m_mapAppVideos;
            auto files = apps.find(item->text().toStdString());
            if (files != apps.end())
                EnterAllFiles(files->second, tableMap);
        } else {
            tableMap[unsigned(row)] = RowValue(m_nCurType, pTable, row);
        }
        if (m_pCurTreeItem) {
            m_pCurTreeItem->setCheckState(0, AllRowsTicked(pTable) ? Qt::Checked : Qt::PartiallyChecked);
            SetTreeParentCheckState(m_pCurTreeItem);
        }
        break;
    case Qt::PartiallyChecked:
        break;
    case Qt::Unchecked:
        // An application's entry is emptied by its caller.
        if (!IsAppCategory(m_nCurType))
            tableMap.erase(unsigned(row));
        if (m_pCurTreeItem) {
            m_pCurTreeItem->setCheckState(0, AnyRowInState(pTable, true, true) ? Qt::PartiallyChecked
                                                                                 : Qt::Unchecked);
            SetTreeParentCheckState(m_pCurTreeItem);
        }
        break;
    }
}

void DRUI::PressCategoryRow(int category, int row, int column, QTableWidget* table, SelectMap& map)
{
    m_nCurType = category;
    tableItemPress(row, column, table, map);
    RefreshSelectFileInfo();
}

void DRUI::cameraTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_CAMERA_ROLL, row, column, m_pCameraTable, m_cameraTableMap);
}

void DRUI::photoStreamTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_PHOTO_STREAM, row, column, m_pPhotoStreamTable, m_photoStreamTableMap);
}

void DRUI::messageTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_MESSAGE, row, column, m_pMessageTable, m_messageTableMap);
}

void DRUI::messageAttachTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_MESSAGE_ATTACHMENTS, row, column, m_pMessAttachTable, m_messAttachTableMap);
}

void DRUI::contactsTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_CONTACTS, row, column, m_pContactsTable, m_contactsTableMap);
}

void DRUI::callHistoryTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_CALL_HISTORY, row, column, m_pCallHistoryTable, m_callHistoryTableMap);
}

void DRUI::notesTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_NOTES, row, column, m_pNotesTable, m_notesTableMap);
}

void DRUI::whatsappTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_WHATSAPP, row, column, m_pWhatsappTable, m_whatsappTableMap);
}

void DRUI::whatsappAttachTableItemPress(int row, int column)
{
    PressCategoryRow(CATEGORY_WHATSAPP_ATTACHMENTS, row, column, m_pWhatsappAttachTable, m_whatsappAttachTableMap);
}

// ---- Applications ----

namespace {

// The application a row of App Photos / App Videos names: its column-0 item,
// whichever cell of the row was pressed.
QTableWidgetItem* AppItemOfRow(QTableWidget* table, int row)
{
    return table ? table->item(row, 0) : nullptr;
}

} // namespace

void DRUI::appPhotosTableItemPress(int row, int column)
{
    m_nCurType = CATEGORY_APP_PHOTOS;
    if (QTableWidgetItem* app = AppItemOfRow(m_pAppPhotosTable, row)) {
        m_pCurAppItem = app;
        m_strCurApp = app->text();
        // Only column 0 holds the tick: other cells leave the selection alone.
        if (column == 0) {
            SelectMap files;
            tableItemPress(row, column, m_pAppPhotosTable, files);
            m_appPhotosTableMap[m_strCurApp] = std::move(files);
        }
    }
    RefreshSelectFileInfo();
}

void DRUI::appVideosTableItemPress(int row, int column)
{
    m_nCurType = CATEGORY_APP_VIDEOS;
    if (QTableWidgetItem* app = AppItemOfRow(m_pAppVideosTable, row)) {
        m_pCurAppItem = app;
        m_strCurApp = app->text();
        if (column == 0) {
            SelectMap files;
            tableItemPress(row, column, m_pAppVideosTable, files);
            m_appVideosTableMap[m_strCurApp] = std::move(files);
        }
    }
    RefreshSelectFileInfo();
}

void DRUI::appsTableItemPress(int row, int column)
{
    QTableWidget* parentTable = nullptr;
    AppSelectMap* appMap = nullptr;
    if (m_nCurType == CATEGORY_APP_PHOTOS) {
        parentTable = m_pAppPhotosTable;
        appMap = &m_appPhotosTableMap;
    } else if (m_nCurType == CATEGORY_APP_VIDEOS) {
        parentTable = m_pAppVideosTable;
        appMap = &m_appVideosTableMap;
    }
    if (appMap)
        tableAppsItemPress(row, column, m_pAppsTable, (*appMap)[m_strCurApp], parentTable);
    RefreshSelectFileInfo();
}

void DRUI::tableAppsItemPress(int row, int column, QTableWidget* pTable, std::map<unsigned, unsigned>& tableMap,
                              QTableWidget* pAppParentTable)
{
    if (column != 0 || !pTable)
        return;
    QTableWidgetItem* item = pTable->item(row, 0);
    if (!item)
        return;

    switch (item->checkState()) {
    case Qt::Checked:
        tableMap[unsigned(row)] = unsigned(item->data(Qt::UserRole).value<_IPHONE_APP_FILE_INFO_>().nSize);
        if (m_pCurAppItem)
            m_pCurAppItem->setCheckState(AllRowsTicked(pTable) ? Qt::Checked : Qt::PartiallyChecked);
        if (m_pCurTreeItem && pAppParentTable) {
            m_pCurTreeItem->setCheckState(0, AllRowsTicked(pAppParentTable) ? Qt::Checked : Qt::PartiallyChecked);
            SetTreeParentCheckState(m_pCurTreeItem);
        }
        break;
    case Qt::PartiallyChecked:
        break;
    case Qt::Unchecked:
        tableMap.erase(unsigned(row));
        if (m_pCurAppItem)
            m_pCurAppItem->setCheckState(AnyRowInState(pTable, true, false) ? Qt::PartiallyChecked : Qt::Unchecked);
        if (m_pCurTreeItem && pAppParentTable) {
            m_pCurTreeItem->setCheckState(0, AnyRowInState(pAppParentTable, true, true) ? Qt::PartiallyChecked
                                                                                        : Qt::Unchecked);
            SetTreeParentCheckState(m_pCurTreeItem);
        }
        break;
    }
}

// ---- Summary ----

void DRUI::RefreshSelectFileInfo()
{
    constexpr long long kPerTextCategory = 1048576;
    long long size = 0;
    long long count = 0;

    for (const SelectMap* map : {&m_cameraTableMap, &m_photoStreamTableMap, &m_messAttachTableMap,
                                 &m_whatsappAttachTableMap}) {
        for (const auto& entry : *map)
            size += entry.second;
        count += static_cast<long long>(map->size());
    }
    for (const AppSelectMap* apps : {&m_appPhotosTableMap, &m_appVideosTableMap}) {
        for (const auto& app : *apps) {
            for (const auto& entry : app.second)
                size += entry.second;
            count += static_cast<long long>(app.second.size());
        }
    }
    // Text categories count a fixed charge each, however many rows are ticked.
    for (const SelectMap* map : {&m_messageTableMap, &m_contactsTableMap, &m_callHistoryTableMap, &m_notesTableMap,
                                 &m_whatsappTableMap}) {
        if (!map->empty())
            size += kPerTextCategory;
        count += static_cast<long long>(map->size());
    }

    if (m_pBtnRecovery)
        SetActionButtonEnabled(m_pBtnRecovery, size != 0);
    if (m_pLabelSelect) {
        const QString sizeText = QString::fromStdString(GetFileSizeString(size));
        m_pLabelSelect->setText(QString::asprintf(count != 0 ? "Select %s in %d files" : "Select %s in %d file",
                                                  sizeText.toUtf8().constData(), int(count)));
    }
}
