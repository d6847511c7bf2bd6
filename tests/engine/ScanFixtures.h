// Shared by the scan tests: a reader whose every operation answers 0, for fakes to
// build on, and a generated backup selected in an engine with its local reader.
#pragma once

#include <memory>

#include <QString>

#include "engine/IPhoneRecoveryParse.h"
#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"

class StubParse : public IPhoneRecoveryParse {
public:
    int Init(void*) override { return 0; }
    int InitCallback(ProgressCallback, void*) override { return 0; }
    int IsEncrypt(bool&) override { return 0; }
    int CheckPassword(char*) override { return 1; }
    int Scan(QString) override { return 0; }
    int GetIPhoneMessageInfo(MessageMap&) override { return 0; }
    int GetAttachmentsFilePath(AttachmentVec&) override { return 0; }
    int GetIPhonePersonContent(PersonContentVec&) override { return 0; }
    int GetIPhoneNotes(NotesVec&) override { return 0; }
    int GetIPhoneHistoryCallInfo(CallHistoryVec&) override { return 0; }
    int GetCameraFilePath(CameraInfoVec&, CameraInfoVec&) override { return 0; }
    int GetWhatsAppAttachment(WhatsAppAttachmentVec&) override { return 0; }
    int GetAppFilePath(AppFileInfoVec&) override { return 0; }
    int GetQQMessageInfo(QQMessageMap&) override { return 0; }
    int GetWeiXinMessageInfo(WeiXinMessageMap&) override { return 0; }
    int GetWhatsappMessageInfo(WhatsAppMessageMap&) override { return 0; }
    int PreView(wchar_t*, wchar_t*, ProgressCallback, void*) override { return 0; }
    int Recovery(wchar_t*, wchar_t*, ItemCallback, void*) override { return 0; }
    int RecoverySMSMessage(char*) override { return 0; }
    int RecoveryPersonContacts(char*) override { return 0; }
    int RecoveryWhatsAppMessage(unsigned int, wchar_t*, ItemCallback, void*) override { return 0; }
    int RecoveryQQMessage(wchar_t*, wchar_t*, wchar_t*, ItemCallback, void*) override { return 0; }
    int RecoveryWeiXinMessage(wchar_t*, wchar_t*, wchar_t*, ItemCallback, void*) override { return 0; }
};

// Selects the backup in `dir` in `engine` and gives its local reader; null when
// `dir` holds no readable Info.plist.
inline std::unique_ptr<IPhoneRecoveryParse> SelectBackup(CIphoneBackupFile& engine, const QString& dir)
{
    __BACK_FILE_INFO__ info;
    QByteArray folder = dir.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0)
        return nullptr;
    engine.Init(&info);
    return std::unique_ptr<IPhoneRecoveryParse>(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
}
