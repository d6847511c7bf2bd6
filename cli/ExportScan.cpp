#include "cli/ExportScan.h"

#include <memory>

#include <QStringList>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"

int ScanForExport(CIphoneBackupFile& engine, const QString& scanFolder, ExportScanData& d,
                  int (*progress)(void*, int), void* context, int* scanResult)
{
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    parse->InitCallback(progress, context);
    SCAN_FETCH_TARGETS targets = d.Targets();
    return RunBackupScan(parse.get(), scanFolder, targets, nullptr, scanResult);
}

bool ManifestUnreadable(const CIphoneBackupFile& engine, int scanResult)
{
    return scanResult != 0 && engine.m_vecManifest.empty();
}

const QStringList& ScanCategoryKeys()
{
    static const QStringList keys = {
        "camera_roll", "photo_stream",     "app_photos",          "app_videos",
        "message_conversations", "messages", "message_attachments", "contacts",
        "call_history", "notes",           "whatsapp_chats",      "whatsapp_messages",
        "whatsapp_attachments"};
    return keys;
}

QJsonObject ScanCategoryCounts(const ExportScanData& d)
{
    qint64 messages = 0;
    for (const auto& conversation : d.mapMessage)
        messages += qint64(conversation.second.size());
    qint64 chatMessages = 0;
    for (const auto& chat : d.mapWhatsapp)
        chatMessages += qint64(chat.second.size());
    const qint64 values[] = {qint64(d.vecCamera.size()),    qint64(d.vecPhotoStream.size()),
                             qint64(d.nAppPhotoCount),      qint64(d.nAppVideoCount),
                             qint64(d.mapMessage.size()),   messages,
                             qint64(d.vecAttachments.size()), qint64(d.vecContacts.size()),
                             qint64(d.vecCallHistory.size()), qint64(d.vecNotes.size()),
                             qint64(d.mapWhatsapp.size()),  chatMessages,
                             qint64(d.vecWhatsappAttach.size())};
    QJsonObject counts;
    const QStringList& keys = ScanCategoryKeys();
    for (int i = 0; i < keys.size(); ++i)
        counts.insert(keys[i], values[i]);
    return counts;
}
