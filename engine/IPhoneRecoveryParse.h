// How the window reads a backup: one abstract reader per kind of source. The
// QQ, WeChat, preview and whole-backup operations are part of the contract but
// the local-backup reader answers them with 0 and no effect.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

class CProgressTape;

class IPhoneRecoveryParse {
public:
    typedef int (*ProgressCallback)(void*, int);
    typedef int (*ItemCallback)(void*, int, int, wchar_t*);

    virtual int Init(void* source) = 0;
    virtual int InitCallback(ProgressCallback callback, void* userData) = 0;
    virtual int IsEncrypt(bool& encrypted) = 0;
    virtual int CheckPassword(char* password) = 0;
    virtual int Scan(QString workFolder) = 0;
    virtual int GetIPhoneMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& out) = 0;
    virtual int GetAttachmentsFilePath(std::vector<_IPHONE_ATTACHMENTS_>& out) = 0;
    virtual int GetIPhonePersonContent(std::vector<__PERSON_CONTENT__>& out) = 0;
    virtual int GetIPhoneNotes(std::vector<__NOTES__>& out) = 0;
    virtual int GetIPhoneHistoryCallInfo(std::vector<__CALLHISTORY__>& out) = 0;
    virtual int GetCameraFilePath(std::vector<_IPHONE_CAMERA_INFO_>& cameraRoll,
                                  std::vector<_IPHONE_CAMERA_INFO_>& photoStream) = 0;
    virtual int GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>& out) = 0;
    virtual int GetAppFilePath(std::vector<_IPHONE_APP_FILE_INFO_>& out) = 0;
    virtual int GetQQMessageInfo(QQMessageMap& accounts) = 0;
    virtual int GetWeiXinMessageInfo(WeiXinMessageMap& accounts) = 0;
    virtual int GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& out) = 0;
    virtual int PreView(wchar_t* source, wchar_t* target, ProgressCallback callback, void* userData) = 0;
    virtual int Recovery(wchar_t* source, wchar_t* target, ItemCallback callback, void* userData) = 0;
    virtual int RecoverySMSMessage(char* targetPath) = 0;
    virtual int RecoveryPersonContacts(char* targetPath) = 0;
    virtual int RecoveryWhatsAppMessage(unsigned int chat, wchar_t* path, ItemCallback callback, void* userData) = 0;
    virtual int RecoveryQQMessage(wchar_t* account, wchar_t* chat, wchar_t* path, ItemCallback callback,
                                  void* userData) = 0;
    virtual int RecoveryWeiXinMessage(wchar_t* account, wchar_t* chat, wchar_t* path, ItemCallback callback,
                                      void* userData) = 0;
    // For fetches run ahead of their turn on another thread: the reader's progress
    // reports made on the calling thread go to `tape` instead of the callback
    // (nullptr: back to the callback). False when the reader cannot do that; its
    // fetches then run one after another.
    virtual bool AttachProgressTape(CProgressTape* tape)
    {
        (void)tape;
        return false;
    }
    // Reports what `tape` holds as the fetch would have reported it in its turn and
    // moves the progress on as it would have; the first non-zero answer, or 0.
    virtual int ReplayProgressTape(const CProgressTape& tape)
    {
        (void)tape;
        return 0;
    }
    virtual ~IPhoneRecoveryParse() = default;
};
