#include "engine/ScanFetch.h"

#include "engine/AppFileSplit.h"
#include "engine/IPhoneRecoveryParse.h"
#include "engine/IphoneBackupFile.h"

namespace {
// Both container sets name their members alike.
template <typename Containers>
unsigned long long CountOf(const Containers& t, int category)
{
    switch (category) {
    case CATEGORY_CAMERA_ROLL: return t.vecCamera.size();
    case CATEGORY_PHOTO_STREAM: return t.vecPhotoStream.size();
    case CATEGORY_APP_PHOTOS: return t.nAppPhotoCount;
    case CATEGORY_APP_VIDEOS: return t.nAppVideoCount;
    case CATEGORY_MESSAGE: return t.mapMessage.size();
    case CATEGORY_MESSAGE_ATTACHMENTS: return t.vecAttachments.size();
    case CATEGORY_CONTACTS: return t.vecContacts.size();
    case CATEGORY_CALL_HISTORY: return t.vecCallHistory.size();
    case CATEGORY_NOTES: return t.vecNotes.size();
    case CATEGORY_WHATSAPP: return t.mapWhatsapp.size();
    case CATEGORY_WHATSAPP_ATTACHMENTS: return t.vecWhatsappAttach.size();
    default: return 0;
    }
}
} // namespace

unsigned long long ScanCategoryCount(const SCAN_FETCH_TARGETS& targets, int category)
{
    return CountOf(targets, category);
}

unsigned long long ScanCategoryCount(const SCAN_FETCH_DATA& data, int category)
{
    return CountOf(data, category);
}

int RunBackupScan(IPhoneRecoveryParse* parse, const QString& scanFolder, SCAN_FETCH_TARGETS& t,
                  const ScanFetchListener& listener, int* scanResult)
{
    if (!parse)
        return -1;
    const int scanned = parse->Scan(scanFolder);
    if (scanResult)
        *scanResult = scanned;
    if (scanned == -110 || scanned == 2)
        return scanned;
    if (scanned == -1)
        return 2;

    struct Step {
        std::function<int()> fetch;
        int first;
        int last;
    };
    const Step steps[] = {
        {[&] { return parse->GetCameraFilePath(t.vecCamera, t.vecPhotoStream); }, CATEGORY_CAMERA_ROLL,
         CATEGORY_PHOTO_STREAM},
        {[&] { return parse->GetIPhoneMessageInfo(t.mapMessage); }, CATEGORY_MESSAGE, CATEGORY_MESSAGE},
        {[&] { return parse->GetAttachmentsFilePath(t.vecAttachments); }, CATEGORY_MESSAGE_ATTACHMENTS,
         CATEGORY_MESSAGE_ATTACHMENTS},
        {[&] { return parse->GetIPhonePersonContent(t.vecContacts); }, CATEGORY_CONTACTS, CATEGORY_CONTACTS},
        {[&] { return parse->GetIPhoneHistoryCallInfo(t.vecCallHistory); }, CATEGORY_CALL_HISTORY, CATEGORY_CALL_HISTORY},
        {[&] { return parse->GetIPhoneNotes(t.vecNotes); }, CATEGORY_NOTES, CATEGORY_NOTES},
        {[&] {
             const int result = parse->GetAppFilePath(t.vecAppFile);
             if (result == 0)
                 SplitAppFiles(t.vecAppFile, t.mapAppPhotos, t.mapAppVideos, t.nAppPhotoCount, t.nAppVideoCount);
             return result;
         },
         CATEGORY_APP_PHOTOS, CATEGORY_APP_VIDEOS},
        {[&] { return parse->GetWhatsappMessageInfo(t.mapWhatsapp); }, CATEGORY_WHATSAPP, CATEGORY_WHATSAPP},
        // Only hands over what the application-file fetch collected, so it comes after it.
        {[&] { return parse->GetWhatsAppAttachment(t.vecWhatsappAttach); }, CATEGORY_WHATSAPP_ATTACHMENTS,
         CATEGORY_WHATSAPP_ATTACHMENTS},
    };
    for (const Step& step : steps) {
        const int result = step.fetch();
        if (result != 0)
            return result;
        if (listener)
            for (int category = step.first; category <= step.last; ++category)
                listener(category, ScanCategoryCount(t, category));
    }
    return 0;
}

int RunEngineScan(CIphoneBackupFile& engine, IPhoneRecoveryParse* parse, const QString& scanFolder,
                  SCAN_FETCH_DATA& data, const ScanFetchListener& listener, int* scanResult)
{
    SCAN_FETCH_TARGETS targets = data.Targets();
    SCAN_FETCH_TARGETS shared{targets.vecCamera,      targets.vecPhotoStream, engine.m_mapMessages,
                              targets.vecAttachments, targets.vecContacts,    targets.vecCallHistory,
                              targets.vecNotes,       targets.vecAppFile,     targets.mapAppPhotos,
                              targets.mapAppVideos,   targets.nAppPhotoCount, targets.nAppVideoCount,
                              engine.m_mapWhatsApp,   targets.vecWhatsappAttach};
    data.mapMessage.clear();
    data.mapWhatsapp.clear();
    // A listener counts conversations in the maps being filled.
    const int result = RunBackupScan(parse, scanFolder, shared, listener, scanResult);
    data.mapMessage.swap(engine.m_mapMessages);
    data.mapWhatsapp.swap(engine.m_mapWhatsApp);
    engine.m_mapMessages.clear();
    engine.m_mapWhatsApp.clear();
    return result;
}
