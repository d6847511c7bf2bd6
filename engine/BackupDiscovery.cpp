// Construction, listing the backup folders, describing them and selecting one.
#include "engine/IphoneBackupFile.h"

#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/InfoPlistReader.h"
#include "support/Platform.h"
#include "support/SafeFile.h"

CIphoneBackupFile::CIphoneBackupFile()
{
    m_strAppSupportDir = QmPlatform::AppSupportDir().toStdString();
    m_pCallback = nullptr;
    m_pUserData = nullptr;
    m_nProgressPos = 0;
    m_nProgressStep = 0;
    m_nMaxMessageRowId = 20000;
    m_nMaxContactDocId = 20000;
    ClearTempDir();
    LocalBackUpFileInfo();
}

CIphoneBackupFile::~CIphoneBackupFile() = default;

long CIphoneBackupFile::LocalBackUpFileInfo()
{
    m_strBackupDir = QmPlatform::BackupRootDir().toStdString();
    m_vecBackupFolders.clear();
    std::vector<char> path(m_strBackupDir.begin(), m_strBackupDir.end());
    path.push_back('\0');
    TraverseFolder(path.data(), m_vecBackupFolders);
    return 0;
}

int CIphoneBackupFile::TraverseFolder(char* path, std::vector<std::string>& out)
{
    QString folder = QString::fromUtf8(path ? path : "");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    // QDir's own defaults: no hidden entries, by name ignoring case.
    const QFileInfoList entries = QDir(folder).entryInfoList();
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!entry.isDir() || name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        out.insert(out.begin(), (folder + name).toStdString());
    }
    return 1;
}

long CIphoneBackupFile::GetBackFileInfo(std::vector<__BACK_FILE_INFO__>& out)
{
    for (const std::string& folder : m_vecBackupFolders) {
        __BACK_FILE_INFO__ info;
        if (!ReadInfoPlist(folder + "/Info.plist", &info))
            continue;
        info.strBackupPath = folder;
        std::vector<char> path(folder.begin(), folder.end());
        path.push_back('\0');
        info.bEncrypted = IsEncrypted(path.data());
        out.push_back(info);
    }
    return 0;
}

int CIphoneBackupFile::GetBackFileInfo(char* folder, __BACK_FILE_INFO__* info)
{
    if (!folder || !info)
        return 87;
    // Read into a copy so a folder without Info.plist leaves *info untouched.
    __BACK_FILE_INFO__ read = *info;
    if (!ReadInfoPlist(std::string(folder) + "/Info.plist", &read))
        return 87;
    read.strBackupPath = folder;
    read.bEncrypted = IsEncrypted(folder);
    *info = read;
    return 0;
}

bool CIphoneBackupFile::IsEncrypted(char* folder)
{
    if (!folder)
        return false;
    const std::string base(folder);
    const bool twoLevel = QFileInfo::exists(QString::fromStdString(base + "/Manifest.db"));
    const std::string candidate = StoredFilePath(base, g_szAddressBookFileId, twoLevel);
    // Read like any stored file: a FIFO or a link in its place is no address book.
    std::string head;
    if (ReadBackupFile(candidate, 512, &head) != 0 &&
        ReadBackupFile(candidate + g_szStoredFileEnding, 512, &head) != 0)
        return false;
    return head.compare(0, 6, "SQLite") != 0;
}

long CIphoneBackupFile::Init(__BACK_FILE_INFO__* info)
{
    if (!info)
        return 87;
    m_selected = *info;
    m_strBackupDir = info->strBackupPath;
    return 0;
}

__BACK_FILE_INFO__* CIphoneBackupFile::GetSelectBackUpFileInfo()
{
    return &m_selected;
}
