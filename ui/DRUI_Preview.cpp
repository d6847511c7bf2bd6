// Main window: the preview of the selected row, and opening an application's files.
#include "ui/DRUI.h"

#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTableWidget>
#include <QWebEngineView>

#include "support/TextEncoding.h"
#include "ui/CategoryRows.h"
#include "ui/PicturePreview.h"
#include "ui/PreviewAttachments.h"
#include "ui/PreviewPage.h"
#include "ui/PreviewScript.h"

namespace {

// The record a row carries, if it is of the expected kind: a row of another
// table (an application name, say) must not be read as a media record.
template <class T>
bool PayloadAs(const QVariant& payload, T& out)
{
    if (payload.metaType() != QMetaType::fromType<T>())
        return false;
    out = payload.value<T>();
    return true;
}

template <class T>
void ShowMediaPicture(QLabel* label, const QVariant& payload, const QSize& limit)
{
    T record;
    if (PayloadAs(payload, record))
        PicturePreview::ShowFile(label, QStringFromWide(record.wstrFullPath), limit);
}

bool PayloadKey(const QVariant& payload, unsigned& key)
{
    bool ok = false;
    key = payload.toUInt(&ok);
    return ok && payload.metaType().id() == QMetaType::UInt;
}

void ShowChatView(QWebEngineView* view)
{
    if (view && !view->isVisible())
        view->show();
}

} // namespace

void DRUI::tableItemClick(QTableWidgetItem* item)
{
    if (!item || !item->tableWidget())
        return;
    QTableWidgetItem* first = item->tableWidget()->item(item->row(), 0);
    if (!first)
        return;
    const QVariant payload = first->data(Qt::UserRole);

    switch (m_nPreviewType) {
    case CATEGORY_CAMERA_ROLL:
        ShowMediaPicture<_IPHONE_CAMERA_INFO_>(m_pCameraPreview, payload, PicturePreview::MediaLimit());
        break;
    case CATEGORY_PHOTO_STREAM:
        ShowMediaPicture<_IPHONE_CAMERA_INFO_>(m_pPhotoStreamPreview, payload, PicturePreview::MediaLimit());
        break;
    case CATEGORY_APP_PHOTOS:
    case CATEGORY_APP_VIDEOS:
        ShowMediaPicture<_IPHONE_APP_FILE_INFO_>(m_pAppsPreview, payload, PicturePreview::MediaLimit());
        break;
    case CATEGORY_MESSAGE_ATTACHMENTS:
        ShowMediaPicture<_IPHONE_ATTACHMENTS_>(m_pMessAttachPreview, payload, PicturePreview::AttachmentLimit());
        break;
    case CATEGORY_WHATSAPP_ATTACHMENTS:
        ShowMediaPicture<_WHATSAPP_ATTACHMENTS_>(m_pWhatsappAttachPreview, payload,
                                                 PicturePreview::AttachmentLimit());
        break;

    case CATEGORY_MESSAGE: {
        unsigned key = 0;
        if (!m_pMessageView || !PayloadKey(payload, key))
            break;
        ShowChatView(m_pMessageView);
        PreviewPage::Run(m_pMessageView, PreviewScript::ClearScript());
        PreviewPage::Run(m_pMessageView, PreviewScript::EnableScript());
        const auto conversation = m_mapMessage.find(key);
        if (conversation == m_mapMessage.end())
            break;
        for (const __MESSAGE_INFO__& message : conversation->second) {
            PreviewPage::Run(m_pMessageView,
                             PreviewScript::BubbleScript(PreviewScript::MessageBubbleHtml(message)
                                                             + PreviewAttachments::Html(message.vecAttachments),
                                                         message.nIsFromMe != 0, PreviewScript::SenderHtml(message)));
        }
        m_pMessageView->setProperty("qm_conversation", key);
        if (m_pSearchField && !m_pSearchField->text().trimmed().isEmpty())
            HighlightSearchInPreview();
        break;
    }
    case CATEGORY_WHATSAPP: {
        unsigned key = 0;
        if (!m_pWhatsappView || !PayloadKey(payload, key))
            break;
        ShowChatView(m_pWhatsappView);
        PreviewPage::Run(m_pWhatsappView, PreviewScript::ClearScript());
        const auto chat = m_mapWhatsapp.find(key);
        if (chat == m_mapWhatsapp.end())
            break;
        for (const __WHATSAPP_MESSAGE__& message : chat->second) {
            PreviewPage::Run(m_pWhatsappView,
                             PreviewScript::BubbleScript(PreviewScript::WhatsappBubbleHtml(message)
                                                             + PreviewAttachments::Html(message.vecAttachments),
                                                         message.nIsFromMe != 0));
        }
        m_pWhatsappView->setProperty("qm_conversation", key);
        if (m_pSearchField && !m_pSearchField->text().trimmed().isEmpty())
            HighlightSearchInPreview();
        break;
    }

    case CATEGORY_CONTACTS: {
        __PERSON_CONTENT__ person;
        if (!m_pContactsDetail || !PayloadAs(payload, person))
            break;
        m_pContactsDetail->setText(CategoryRows::ContactPreviewText(person));
        m_pContactsDetail->show();
        break;
    }
    case CATEGORY_NOTES: {
        __NOTES__ note;
        if (!m_pNotesDetail || !PayloadAs(payload, note))
            break;
        m_pNotesDetail->setText(QStringLiteral("Title:\n") + QString::fromStdString(note.strTitle)
                                + QStringLiteral("\nNote:\n") + QString::fromStdString(note.strBody));
        m_pNotesDetail->show();
        break;
    }
    case CATEGORY_CALL_HISTORY:
    default:
        break;
    }
}

// ---- Selection changes: preview the first selected item ----

namespace {

QTableWidgetItem* FirstSelected(QTableWidget* table)
{
    if (!table)
        return nullptr;
    const QList<QTableWidgetItem*> selected = table->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

} // namespace

void DRUI::cameraTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pCameraTable))
        tableItemClick(item);
}

void DRUI::photoStreamTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pPhotoStreamTable))
        tableItemClick(item);
}

void DRUI::appPhotosTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pAppPhotosTable)) {
        // The application is its row's column-0 cell, whichever cell came first.
        m_pCurAppItem = m_pAppPhotosTable->item(item->row(), 0);
        tableItemClick(item);
    }
}

void DRUI::appVideosTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pAppVideosTable))
        tableItemClick(item);
}

void DRUI::appsTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pAppsTable))
        tableItemClick(item);
}

void DRUI::messageTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pMessageTable))
        tableItemClick(item);
}

void DRUI::messAttachTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pMessAttachTable))
        tableItemClick(item);
}

void DRUI::contactsTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pContactsTable))
        tableItemClick(item);
}

void DRUI::callHistoryTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pCallHistoryTable))
        tableItemClick(item);
}

void DRUI::notesTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pNotesTable))
        tableItemClick(item);
}

void DRUI::whatsappMessageTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pWhatsappTable))
        tableItemClick(item);
}

void DRUI::whatsappMessAttachTableItemSelectChanged()
{
    if (QTableWidgetItem* item = FirstSelected(m_pWhatsappAttachTable))
        tableItemClick(item);
}

// ---- Opening an application's files ----

namespace {

void OpenAppFiles(DRUI& w, int row, bool photos)
{
    QTableWidget* appTable = photos ? w.m_pAppPhotosTable : w.m_pAppVideosTable;
    if (!appTable || !w.m_pAppsTable)
        return;
    QTableWidgetItem* app = appTable->item(row, 0);
    if (!app)
        return;

    w.m_nCurType = photos ? CATEGORY_APP_PHOTOS : CATEGORY_APP_VIDEOS;
    // Either value previews into the application-files page.
    w.m_nPreviewType = photos ? CATEGORY_APP_VIDEOS : CATEGORY_APP_PHOTOS;
    w.m_strCurApp = app->text();
    w.m_pCurAppItem = app;

    w.m_pAppsTable->clearContents();
    w.m_pAppsTable->setRowCount(0);
    if (w.m_pTypeStack)
        w.m_pTypeStack->setCurrentIndex(4);
    if (w.m_pAppsPreview)
        w.m_pAppsPreview->clear();

    const AppFileMap& files = photos ? w.m_mapAppPhotos : w.m_mapAppVideos;
    const auto found = files.find(w.m_strCurApp.toStdString());
    const int count = found == files.end() ? 0 : CategoryRows::FillAppFiles(w.m_pAppsTable, found->second);
    if (w.m_pAppsInfo)
        w.m_pAppsInfo->setText(QStringLiteral("%1 (%2 %3)").arg(w.m_strCurApp).arg(count).arg(
            count == 1 ? QStringLiteral("file") : QStringLiteral("files")));
    if (count > 0)
        w.tableItemClick(w.m_pAppsTable->item(0, 0));

    // The file rows follow the application's tick and its selection entry.
    AppSelectMap& appMap = photos ? w.m_appPhotosTableMap : w.m_appVideosTableMap;
    QTableWidget* table = w.m_pAppsTable;
    switch (app->checkState()) {
    case Qt::Unchecked: {
        for (int r = 0; r < count; ++r)
            table->item(r, 0)->setCheckState(Qt::Unchecked);
        auto entry = appMap.find(w.m_strCurApp);
        if (entry != appMap.end())
            entry->second.clear();
        break;
    }
    case Qt::Checked: {
        SelectMap& entry = appMap[w.m_strCurApp];
        for (int r = 0; r < count; ++r) {
            QTableWidgetItem* item = table->item(r, 0);
            if (!item) {
                entry[unsigned(r)] = 0;
                continue;
            }
            item->setCheckState(Qt::Checked);
            entry[unsigned(r)] = unsigned(item->data(Qt::UserRole).value<_IPHONE_APP_FILE_INFO_>().nSize);
        }
        break;
    }
    case Qt::PartiallyChecked: {
        const auto entry = appMap.find(w.m_strCurApp);
        for (int r = 0; r < count; ++r) {
            const bool ticked = entry != appMap.end() && entry->second.count(unsigned(r));
            table->item(r, 0)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        }
        break;
    }
    }
    w.ApplySearch(true);
    w.RefreshSelectFileInfo();
}

} // namespace

void DRUI::appPhotosTableItemSelectDoubleClick(int row, int /*column*/)
{
    OpenAppFiles(*this, row, true);
}

void DRUI::appVideosTableItemSelectDoubleClick(int row, int /*column*/)
{
    OpenAppFiles(*this, row, false);
}
