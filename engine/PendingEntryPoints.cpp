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

// ---- Messages ----

int CIphoneBackupFile::GetBackupFileMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>&)
{
    return 0;
}

int CIphoneBackupFile::RecoverySMSMessage(char*)
{
    return 0;
}

// ---- Contacts ----

int CIphoneBackupFile::GetBackupFilePersonContent(std::vector<__PERSON_CONTENT__>&)
{
    return 0;
}

int CIphoneBackupFile::RecoveryPersonContacts(char*)
{
    return 0;
}

// ---- Call history ----

int CIphoneBackupFile::GetBackupFileHistoryCallInfo(std::vector<__CALLHISTORY__>&)
{
    return 0;
}

// ---- Notes ----

int CIphoneBackupFile::GetBackupFileNotes(std::vector<__NOTES__>&)
{
    return 0;
}

// ---- WhatsApp ----

int CIphoneBackupFile::GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>&)
{
    return 0;
}

int CIphoneBackupFile::RecoveryWhatsAppMessage(unsigned int, wchar_t*, RecoveryProgressCallback, void*)
{
    return 0;
}

// ---- QQ and WeChat ----

int CIphoneBackupFile::GetQQMessageInfo(std::map<std::string, std::map<std::string, std::vector<__QQ_MESSAGE__>>>&)
{
    return 0;
}

int CIphoneBackupFile::GetWeiXinMessageInfo(std::map<std::wstring, std::map<std::wstring, std::vector<__WEIXIN_MESSAGE__>>>&)
{
    return 0;
}

int CIphoneBackupFile::RecoveryQQMessage(wchar_t*, wchar_t*, wchar_t*, RecoveryProgressCallback, void*)
{
    return 0;
}

int CIphoneBackupFile::RecoveryWeiXinMessage(wchar_t*, wchar_t*, wchar_t*, RecoveryProgressCallback, void*)
{
    return 0;
}
