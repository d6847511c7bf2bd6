// Placeholders for entry points whose readers are not written yet. Each one
// moves to its own unit when its reader lands (and is deleted here).
#include "engine/IphoneBackupFile.h"

// ---- Media catalogues ----

int CIphoneBackupFile::GetBackupCameraFile(std::vector<_IPHONE_CAMERA_INFO_>&,
                                           std::vector<_IPHONE_CAMERA_INFO_>&)
{
    return 0;
}

int CIphoneBackupFile::GetBackupMsgAttachments(std::vector<_IPHONE_ATTACHMENTS_>&)
{
    return 0;
}

int CIphoneBackupFile::GetAppFileInfo(std::vector<_IPHONE_APP_FILE_INFO_>&)
{
    return 0;
}

int CIphoneBackupFile::GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>&)
{
    return 0;
}
