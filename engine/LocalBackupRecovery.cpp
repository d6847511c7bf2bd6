#include "engine/LocalBackupRecovery.h"

#include "engine/IphoneBackupFile.h"

int CLocalBuckupRecovery::Init(void* source)
{
    m_pBackupFile = static_cast<CIphoneBackupFile*>(source);
    return 0;
}

int CLocalBuckupRecovery::InitCallback(ProgressCallback callback, void* userData)
{
    return m_pBackupFile->InitCallback(callback, userData);
}

int CLocalBuckupRecovery::IsEncrypt(bool&)
{
    return 0;
}

int CLocalBuckupRecovery::CheckPassword(char*)
{
    return 1;
}

int CLocalBuckupRecovery::Scan(QString workFolder)
{
    return m_pBackupFile->Scan(workFolder);
}

int CLocalBuckupRecovery::GetIPhoneMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& out)
{
    return m_pBackupFile->GetBackupFileMessageInfo(out);
}

int CLocalBuckupRecovery::GetAttachmentsFilePath(std::vector<_IPHONE_ATTACHMENTS_>& out)
{
    return m_pBackupFile->GetBackupMsgAttachments(out);
}

int CLocalBuckupRecovery::GetIPhonePersonContent(std::vector<__PERSON_CONTENT__>& out)
{
    return m_pBackupFile->GetBackupFilePersonContent(out);
}

int CLocalBuckupRecovery::GetIPhoneNotes(std::vector<__NOTES__>& out)
{
    return m_pBackupFile->GetBackupFileNotes(out);
}

int CLocalBuckupRecovery::GetIPhoneHistoryCallInfo(std::vector<__CALLHISTORY__>& out)
{
    return m_pBackupFile->GetBackupFileHistoryCallInfo(out);
}

int CLocalBuckupRecovery::GetCameraFilePath(std::vector<_IPHONE_CAMERA_INFO_>& cameraRoll,
                                            std::vector<_IPHONE_CAMERA_INFO_>& photoStream)
{
    return m_pBackupFile->GetBackupCameraFile(cameraRoll, photoStream);
}

int CLocalBuckupRecovery::GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>& out)
{
    return m_pBackupFile->GetWhatsAppAttachment(out);
}

int CLocalBuckupRecovery::GetAppFilePath(std::vector<_IPHONE_APP_FILE_INFO_>& out)
{
    return m_pBackupFile->GetAppFileInfo(out);
}

int CLocalBuckupRecovery::GetQQMessageInfo(QQMessageMap& accounts)
{
    return m_pBackupFile->GetQQMessageInfo(accounts);
}

int CLocalBuckupRecovery::GetWeiXinMessageInfo(WeiXinMessageMap& accounts)
{
    return m_pBackupFile->GetWeiXinMessageInfo(accounts);
}

int CLocalBuckupRecovery::GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& out)
{
    return m_pBackupFile->GetWhatsappMessageInfo(out);
}

int CLocalBuckupRecovery::PreView(wchar_t* source, wchar_t* target, ProgressCallback callback, void* userData)
{
    return m_pBackupFile->PreView(source, target, callback, userData);
}

int CLocalBuckupRecovery::Recovery(wchar_t* source, wchar_t* target, ItemCallback callback, void* userData)
{
    return m_pBackupFile->Recovery(source, target, callback, userData);
}

int CLocalBuckupRecovery::RecoverySMSMessage(char* targetPath)
{
    return m_pBackupFile->RecoverySMSMessage(targetPath);
}

int CLocalBuckupRecovery::RecoveryPersonContacts(char* targetPath)
{
    return m_pBackupFile->RecoveryPersonContacts(targetPath);
}

int CLocalBuckupRecovery::RecoveryWhatsAppMessage(unsigned int chat, wchar_t* path, ItemCallback callback,
                                                  void* userData)
{
    return m_pBackupFile->RecoveryWhatsAppMessage(chat, path, callback, userData);
}

int CLocalBuckupRecovery::RecoveryQQMessage(wchar_t* account, wchar_t* chat, wchar_t* path, ItemCallback callback,
                                            void* userData)
{
    return m_pBackupFile->RecoveryQQMessage(account, chat, path, callback, userData);
}

int CLocalBuckupRecovery::RecoveryWeiXinMessage(wchar_t* account, wchar_t* chat, wchar_t* path,
                                                ItemCallback callback, void* userData)
{
    return m_pBackupFile->RecoveryWeiXinMessage(account, chat, path, callback, userData);
}

bool CLocalBuckupRecovery::AttachProgressTape(CProgressTape* tape)
{
    m_pBackupFile->AttachProgressTape(tape);
    return true;
}

int CLocalBuckupRecovery::ReplayProgressTape(const CProgressTape& tape)
{
    return m_pBackupFile->ReplayProgress(tape);
}
