// The scan's readers of the phone's databases: each builds the paths of the
// databases it needs, runs its extractor and moves the progress on.
#include <cerrno>
#include <cstdio>
#include <string>

#include <QFile>

#include "engine/AttachmentLocator.h"
#include "engine/IphoneBackupFile.h"
#include "engine/ProgressTape.h"
#include "engine/UsedEntries.h"
#include "extractors/CIPhoneContacts.h"
#include "extractors/CIPhoneHistoryCall.h"
#include "extractors/CIPhoneMessage.h"
#include "extractors/CIPhoneNotes.h"
#include "extractors/CIPhoneQQ.h"
#include "extractors/CIPhoneWhatsApp.h"
#include "support/Platform.h"
#include "support/TextEncoding.h"

namespace {
// Chats of WhatsApp Business are keyed apart from those of WhatsApp.
const unsigned int kWhatsAppBusinessKeyBase = 0x40000000u;
} // namespace

// ---- Messages ----

int CIphoneBackupFile::GetBackupFileMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& out)
{
    const std::string messagePath = GetStoredFilePath(g_szSmsDbFileId);
    const std::string addressBookPath = GetStoredFilePath(g_szAddressBookFileId);
    CIPhoneMessage reader(m_selected.bEncrypted ? 1 : 0, m_bManifestDb);
    reader.InitCallback(HasProgressSink() ? &CIphoneBackupFile::ReportThrough : nullptr, this, ProgressPosition(),
                        m_nProgressStep);
    if (const CProgressTape* tape = AttachedProgressTape())
        reader.SetStopCheck([tape] { return tape->Stopped(); });
    const int result = reader.GetSMSInfo(messagePath.c_str(), addressBookPath.c_str(), m_mapMessages,
                                         m_nMaxMessageRowId);
    CAttachmentLocator(*this).Locate(m_mapMessages);
    if (&out != &m_mapMessages)
        out = m_mapMessages;
    AdvanceProgress(m_nProgressStep / 2);
    return result;
}

int CIphoneBackupFile::RecoverySMSMessage(char* targetPath)
{
    const std::string messagePath = GetStoredFilePath(g_szSmsDbFileId);
    CIPhoneMessage reader(m_selected.bEncrypted ? 1 : 0, m_bManifestDb);
    return reader.SaveSMSCsvFile(messagePath.c_str(), targetPath, m_nMaxMessageRowId);
}

// ---- Contacts ----

int CIphoneBackupFile::GetBackupFilePersonContent(std::vector<__PERSON_CONTENT__>& out)
{
    const std::string path = GetStoredFilePath(g_szAddressBookFileId);
    CIPhoneContacts reader(m_selected.bEncrypted ? 1 : 0, m_bManifestDb);
    const int result = reader.GetContactsInfo(path.c_str(), out, m_nMaxContactDocId);
    AdvanceProgress(m_nProgressStep / 2);
    return result;
}

int CIphoneBackupFile::RecoveryPersonContacts(char* targetPath)
{
    const std::string path = GetStoredFilePath(g_szAddressBookFileId);
    CIPhoneContacts reader(m_selected.bEncrypted ? 1 : 0, m_bManifestDb);
    return reader.SaveContactsCsvFile(path.c_str(), targetPath, m_nMaxContactDocId);
}

// ---- Call history ----

int CIphoneBackupFile::GetBackupFileHistoryCallInfo(std::vector<__CALLHISTORY__>& out)
{
    std::string callLogPath = GetStoredFilePath(g_szCallHistoryFileId);
    if (!QFile::exists(QString::fromStdString(callLogPath)))
        callLogPath = GetStoredFilePath(g_szOldCallHistoryFileId);
    const std::string addressBookPath = GetStoredFilePath(g_szAddressBookFileId);
    CIPhoneHistoryCall reader(m_selected.bEncrypted ? 1 : 0);
    const int result = reader.GetHistoryCallInfo(callLogPath.c_str(), addressBookPath.c_str(), out);
    AdvanceProgress(m_nProgressStep / 2);
    return result;
}

// ---- Notes ----

int CIphoneBackupFile::GetBackupFileNotes(std::vector<__NOTES__>& out)
{
    // A phone upgraded from an old iOS keeps its old notes file beside the current
    // store: both are read, or the stale notes would hide every current one.
    CIPhoneNotes reader;
    const int result = reader.GetAllNotesInfo(GetStoredFilePath(g_szOldNotesFileId).c_str(),
                                              GetStoredFilePath(g_szNoteStoreFileId).c_str(), out);
    AdvanceProgress(m_nProgressStep / 2);
    return result;
}

// ---- WhatsApp ----

// Reads WhatsApp's chats (and WhatsApp Business's) into the engine's map, so the
// window, the exporters and RecoveryWhatsAppMessage all see the same chats, and
// hands the caller a copy.
int CIphoneBackupFile::GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& conversations)
{
    m_mapWhatsApp.clear();
    CIPhoneWhatsApp whatsApp;
    whatsApp.GetWhatsAppMessageInfo(GetStoredFilePath(g_szWhatsAppChatFileId).c_str(),
                                    GetStoredFilePath(g_szWhatsAppContactsFileId).c_str(), m_mapWhatsApp,
                                    GetStoredFilePath(g_szWhatsAppLidFileId).c_str());
    CIPhoneWhatsApp business(kWhatsAppBusinessKeyBase, " (Business)");
    business.SetMediaDomain("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared");
    business.GetWhatsAppMessageInfo(GetStoredFilePath(g_szWhatsAppBusinessChatFileId).c_str(), "",
                                    m_mapWhatsApp, GetStoredFilePath(g_szWhatsAppBusinessLidFileId).c_str());
    CAttachmentLocator(*this).Locate(m_mapWhatsApp);
    if (&conversations != &m_mapWhatsApp)
        conversations = m_mapWhatsApp;
    return AdvanceProgress(m_nProgressStep);
}

int CIphoneBackupFile::RecoveryWhatsAppMessage(unsigned int key, wchar_t* path,
                                               RecoveryProgressCallback progress, void* userData)
{
    int result = 0;
    FILE* file = path ? _wfopen(path, L"w+,ccs=UTF-8") : nullptr;
    if (!file) {
        result = path ? errno : 87;
    } else {
        auto chat = m_mapWhatsApp.find(key);
        if (chat == m_mapWhatsApp.end()) {
            fclose(file);
            QmPlatform::SetExportFileMode(QStringFromWide(path));
            return 0;
        }
        const std::vector<__WHATSAPP_MESSAGE__>& messages = chat->second;
        const long long count = (long long)messages.size();
        long long i = 0;
        for (const __WHATSAPP_MESSAGE__& msg : messages) {
            ++i;
            std::string who = "Me";
            if (!msg.nIsFromMe) {
                who = msg.strSenderName;
                if (who.empty() || who == "Unknown")
                    who = msg.strSenderId;
            }
            // Raw bytes: a text may hold anything, "%" and NUL included.
            const std::string entry = msg.strDate + " " + who + ":\n    " + msg.strText + "\n\n";
            fwrite(entry.data(), 1, entry.size(), file);
            fflush(file);
            if (progress) {
                const int reply = progress(userData, int(100 * i / count), 0, path);
                if (reply != 0) {
                    result = reply;
                    break;
                }
            }
        }
    }
    if (result > 0 && progress)
        progress(userData, 100, result, path);
    if (file) {
        fclose(file);
        QmPlatform::SetExportFileMode(QStringFromWide(path));
    }
    return result;
}

// ---- QQ and WeChat ----

int CIphoneBackupFile::GetQQMessageInfo(std::map<std::string, std::map<std::string, std::vector<__QQ_MESSAGE__>>>& accounts)
{
    m_mapQQ.clear();
    int result = 0;
    int matches = 0;
    for (const __MBDB_FILE__& entry : m_vecManifest) {
        if (entry.strName.find("/QQ.db") == std::string::npos)
            continue;
        const std::string account = QQAccountName(entry.strName);
        std::map<std::string, std::vector<__QQ_MESSAGE__>> chats;
        CIPhoneQQ reader;
        reader.GetQQInfo(GetStoredFilePath(entry.strFileId).c_str(), chats);
        accounts[account] = chats;
        ++matches;
        if (HasProgressSink()) {
            result = ReportProgress(ProgressPosition() + matches);
            if (result != 0)
                break;
        }
    }
    const int last = AdvanceProgress(m_nProgressStep);
    m_mapQQ = accounts;
    return result != 0 ? result : last;
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
