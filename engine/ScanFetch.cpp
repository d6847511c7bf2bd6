#include "engine/ScanFetch.h"

#include "engine/AppFileSplit.h"
#include "engine/IPhoneRecoveryParse.h"

unsigned long long ScanCategoryCount(const SCAN_FETCH_TARGETS& t, int category)
{
    switch (category) {
    case SCAN_CAMERA_ROLL: return t.vecCamera.size();
    case SCAN_PHOTO_STREAM: return t.vecPhotoStream.size();
    case SCAN_APP_PHOTOS: return t.nAppPhotoCount;
    case SCAN_APP_VIDEOS: return t.nAppVideoCount;
    case SCAN_MESSAGES: return t.mapMessage.size();
    case SCAN_MESSAGE_ATTACHMENTS: return t.vecAttachments.size();
    case SCAN_CONTACTS: return t.vecContacts.size();
    case SCAN_CALL_HISTORY: return t.vecCallHistory.size();
    case SCAN_NOTES: return t.vecNotes.size();
    case SCAN_WHATSAPP: return t.mapWhatsapp.size();
    case SCAN_WHATSAPP_ATTACHMENTS: return t.vecWhatsappAttach.size();
    default: return 0;
    }
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
        {[&] { return parse->GetCameraFilePath(t.vecCamera, t.vecPhotoStream); }, SCAN_CAMERA_ROLL,
         SCAN_PHOTO_STREAM},
        {[&] { return parse->GetIPhoneMessageInfo(t.mapMessage); }, SCAN_MESSAGES, SCAN_MESSAGES},
        {[&] { return parse->GetAttachmentsFilePath(t.vecAttachments); }, SCAN_MESSAGE_ATTACHMENTS,
         SCAN_MESSAGE_ATTACHMENTS},
        {[&] { return parse->GetIPhonePersonContent(t.vecContacts); }, SCAN_CONTACTS, SCAN_CONTACTS},
        {[&] { return parse->GetIPhoneHistoryCallInfo(t.vecCallHistory); }, SCAN_CALL_HISTORY, SCAN_CALL_HISTORY},
        {[&] { return parse->GetIPhoneNotes(t.vecNotes); }, SCAN_NOTES, SCAN_NOTES},
        {[&] {
             const int result = parse->GetAppFilePath(t.vecAppFile);
             if (result == 0)
                 SplitAppFiles(t.vecAppFile, t.mapAppPhotos, t.mapAppVideos, t.nAppPhotoCount, t.nAppVideoCount);
             return result;
         },
         SCAN_APP_PHOTOS, SCAN_APP_VIDEOS},
        {[&] { return parse->GetWhatsappMessageInfo(t.mapWhatsapp); }, SCAN_WHATSAPP, SCAN_WHATSAPP},
        // Only hands over what the application-file fetch collected, so it comes after it.
        {[&] { return parse->GetWhatsAppAttachment(t.vecWhatsappAttach); }, SCAN_WHATSAPP_ATTACHMENTS,
         SCAN_WHATSAPP_ATTACHMENTS},
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
