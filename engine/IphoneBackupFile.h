// The backup engine: finds and describes local backups, reads the selected
// backup's manifest, catalogues its media and hands the phone's databases to
// the content extractors.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"
#include "engine/ManifestEntry.h"

class CProgressTape;

// Progress callback of every engine step: (user data, percent); a non-zero
// return asks the step to stop and is handed back by it.
typedef int (*EngineProgressCallback)(void*, int);
// Per-item report of the recovery writers: (user data, percent, result, path).
typedef int (*RecoveryProgressCallback)(void*, int, int, wchar_t*);

class CIphoneBackupFile {
public:
    // Clears the working folder and lists the folders under the backup root.
    CIphoneBackupFile();
    ~CIphoneBackupFile();

    // ---- Discovery (BackupDiscovery.cpp) ----
    // Points m_strBackupDir at the backup root and relists its sub-folders; 0.
    long LocalBackUpFileInfo();
    // Puts the direct, non-hidden sub-folders of `path` at the front of `out`
    // one by one, so `out` ends in descending name order (case ignored); 1.
    int TraverseFolder(char* path, std::vector<std::string>& out);
    // One record per listed folder holding a readable Info.plist; 0.
    long GetBackFileInfo(std::vector<__BACK_FILE_INFO__>& out);
    // Describes one folder; 87 (and *info untouched) without a readable
    // Info.plist. Keys missing from the file keep the caller's values.
    int GetBackFileInfo(char* folder, __BACK_FILE_INFO__* info);
    // True when the backup's contact database does not start with "SQLite".
    bool IsEncrypted(char* folder);
    // Selects a backup for the next scan; 0.
    long Init(__BACK_FILE_INFO__* info);
    __BACK_FILE_INFO__* GetSelectBackUpFileInfo();

    // ---- Scan and working folder (BackupScan.cpp) ----
    int InitCallback(int (*callback)(void*, int), void* userData);
    // Reads the selected backup's manifest; 0, or 87 when it is missing or
    // unreadable. `workFolder` is the working folder for an encrypted backup.
    int Scan(QString workFolder);
    // Puts the non-hidden files directly inside `path` at the front of `out`; 1.
    int TraverseFile(char* path, std::vector<std::string>& out);
    // Deletes the working folder's files, m_vecTempFiles and the preview files; 0.
    long ClearTempDir();
    int PreView(wchar_t* source, wchar_t* target, int (*callback)(void*, int), void* userData);
    int Recovery(wchar_t* source, wchar_t* target, RecoveryProgressCallback callback, void* userData);
    int DecryptBackupFile(char* password, wchar_t* target, std::string& result);

    // Path of a stored file of the selected backup (flat when encrypted or in
    // the older layout, two-level otherwise).
    std::string GetStoredFilePath(const std::string& fileId) const;
    // Reports `position` through the callback; its result, or 0 without one.
    int ReportProgress(int position);
    // Adds `span` to the running position and reports the new position.
    int AdvanceProgress(int span);
    // The running position of the calling thread's fetch: m_nProgressPos, or the
    // attached tape's own position.
    int& ProgressPosition();
    // Whether the calling thread's reports go anywhere (a callback or a tape).
    bool HasProgressSink() const;
    // ReportProgress for the extractors' callbacks; `engine` is the engine.
    static int ReportThrough(void* engine, int position);
    // Sends this engine's progress reports made on the calling thread to `tape`
    // instead of the callback (nullptr: back to the callback). Each thread has
    // its own; a fetch that runs ahead of its turn uses one.
    void AttachProgressTape(CProgressTape* tape);
    // The tape attached on the calling thread, or null.
    CProgressTape* AttachedProgressTape() const;
    // Reports what `tape` holds from m_nProgressPos on and moves m_nProgressPos by
    // the tape's advance; the first non-zero answer (a stop), or 0.
    int ReplayProgress(const CProgressTape& tape);

    // ---- Media catalogues ----
    int GetBackupCameraFile(std::vector<_IPHONE_CAMERA_INFO_>& cameraRoll,
                            std::vector<_IPHONE_CAMERA_INFO_>& photoStream);
    int GetBackupMsgAttachments(std::vector<_IPHONE_ATTACHMENTS_>& out);
    int GetAppFileInfo(std::vector<_IPHONE_APP_FILE_INFO_>& out);
    int GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>& out);

    // ---- Content extractors ----
    int GetBackupFileMessageInfo(std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& out);
    int RecoverySMSMessage(char* targetPath);
    int GetBackupFilePersonContent(std::vector<__PERSON_CONTENT__>& out);
    int RecoveryPersonContacts(char* targetPath);
    int GetBackupFileHistoryCallInfo(std::vector<__CALLHISTORY__>& out);
    int GetBackupFileNotes(std::vector<__NOTES__>& out);
    int GetWhatsappMessageInfo(std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& conversations);
    int RecoveryWhatsAppMessage(unsigned int key, wchar_t* path, RecoveryProgressCallback progress, void* userData);
    int GetQQMessageInfo(std::map<std::string, std::map<std::string, std::vector<__QQ_MESSAGE__>>>& accounts);
    int GetWeiXinMessageInfo(std::map<std::wstring, std::map<std::wstring, std::vector<__WEIXIN_MESSAGE__>>>& accounts);
    int RecoveryQQMessage(wchar_t* account, wchar_t* chat, wchar_t* path, RecoveryProgressCallback progress, void* userData);
    int RecoveryWeiXinMessage(wchar_t* account, wchar_t* chat, wchar_t* path, RecoveryProgressCallback progress, void* userData);

    // State. Public so that the window, the extractors' entry points and the
    // tests can read it; only the engine's own steps change it.
    std::string m_strBackupDir;
    std::string m_strAppSupportDir;
    __BACK_FILE_INFO__ m_selected;
    std::vector<std::string> m_vecBackupFolders;
    std::vector<std::string> m_vecTempFiles;
    std::vector<__MBDB_FILE__> m_vecManifest;
    int (*m_pCallback)(void*, int) = nullptr;
    void* m_pUserData = nullptr;
    int m_nProgressPos = 0;
    int m_nProgressStep = 0;
    unsigned long long m_nMaxMessageRowId = 20000;
    unsigned long long m_nMaxContactDocId = 20000;
    bool m_bManifestDb = false;
    std::map<unsigned int, std::vector<__MESSAGE_INFO__>> m_mapMessages;
    std::map<std::string, std::map<std::string, std::vector<__QQ_MESSAGE__>>> m_mapQQ;
    std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>> m_mapWhatsApp;
    std::vector<_WHATSAPP_ATTACHMENTS_> m_vecWhatsAppAttachments;
};
