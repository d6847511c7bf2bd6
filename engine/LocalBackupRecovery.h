// The reader of a local backup: every operation is one call into the engine.
#pragma once

#include "engine/IPhoneRecoveryParse.h"

class CIphoneBackupFile;

class CLocalBuckupRecovery : public IPhoneRecoveryParse {
public:
    int Init(void* source) override;
    int InitCallback(ProgressCallback callback, void* userData) override;
    // Encryption is read from the backup's record instead: 0, flag untouched.
    int IsEncrypt(bool& encrypted) override;
    // The decryptor checks passwords: 1 whatever is given.
    int CheckPassword(char* password) override;
    int Scan(QString workFolder) override;
    int GetIPhoneMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& out) override;
    int GetAttachmentsFilePath(std::vector<_IPHONE_ATTACHMENTS_>& out) override;
    int GetIPhonePersonContent(std::vector<__PERSON_CONTENT__>& out) override;
    int GetIPhoneNotes(std::vector<__NOTES__>& out) override;
    int GetIPhoneHistoryCallInfo(std::vector<__CALLHISTORY__>& out) override;
    int GetCameraFilePath(std::vector<_IPHONE_CAMERA_INFO_>& cameraRoll,
                          std::vector<_IPHONE_CAMERA_INFO_>& photoStream) override;
    int GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>& out) override;
    int GetAppFilePath(std::vector<_IPHONE_APP_FILE_INFO_>& out) override;
    int GetQQMessageInfo(QQMessageMap& accounts) override;
    int GetWeiXinMessageInfo(WeiXinMessageMap& accounts) override;
    int GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& out) override;
    int PreView(wchar_t* source, wchar_t* target, ProgressCallback callback, void* userData) override;
    int Recovery(wchar_t* source, wchar_t* target, ItemCallback callback, void* userData) override;
    int RecoverySMSMessage(char* targetPath) override;
    int RecoveryPersonContacts(char* targetPath) override;
    int RecoveryWhatsAppMessage(unsigned int chat, wchar_t* path, ItemCallback callback, void* userData) override;
    int RecoveryQQMessage(wchar_t* account, wchar_t* chat, wchar_t* path, ItemCallback callback,
                          void* userData) override;
    int RecoveryWeiXinMessage(wchar_t* account, wchar_t* chat, wchar_t* path, ItemCallback callback,
                              void* userData) override;
    bool AttachProgressTape(CProgressTape* tape) override;
    int ReplayProgressTape(const CProgressTape& tape) override;

private:
    CIphoneBackupFile* m_pBackupFile = nullptr;  // not owned
};
