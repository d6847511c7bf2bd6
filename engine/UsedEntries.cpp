#include "engine/UsedEntries.h"

#include <strings.h>

#include "engine/ManifestEntry.h"

bool IsEntryUsedByEngine(const std::string& strName, const std::string& strFileId)
{
    static const char* const s_databases[] = {
        g_szSmsDbFileId,        g_szAddressBookFileId,     g_szOldNotesFileId,
        g_szNoteStoreFileId,    g_szOldCallHistoryFileId,  g_szCallHistoryFileId,
        g_szWhatsAppChatFileId, g_szWhatsAppBusinessChatFileId, g_szWhatsAppContactsFileId,
        g_szWhatsAppLidFileId,  g_szWhatsAppBusinessLidFileId,
    };
    for (const char* id : s_databases) {
        if (strFileId.size() == 40 && strcasecmp(strFileId.c_str(), id) == 0)
            return true;
    }
    static const char* const s_patterns[] = {
        g_szCameraRollPattern, g_szPhotoStreamPattern, g_szAttachmentPattern,
        g_szAppFilePattern,    g_szWhatsAppSharedMediaPattern, g_szWhatsAppBusinessSharedMediaPattern,
        g_szQQDatabasePattern, g_szCloudOriginalPattern, g_szEditRenderPattern,
    };
    if (strName == g_szPhotoLibraryName)
        return true;
    for (const char* pattern : s_patterns) {
        if (strName.find(pattern) != std::string::npos)
            return true;
    }
    return false;
}
