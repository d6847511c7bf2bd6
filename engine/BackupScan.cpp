// The scan (choosing and reading the manifest), the progress contract and the
// working folder.
#include "engine/IphoneBackupFile.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "engine/ManifestReader.h"
#include "engine/ProgressTape.h"
#include "support/Platform.h"
#include "support/TextEncoding.h"
#include "support/WorkFolder.h"

namespace {

// The tape the calling thread's reports of one engine go to, if any.
struct AttachedTape {
    const CIphoneBackupFile* pEngine = nullptr;
    CProgressTape* pTape = nullptr;
};
thread_local AttachedTape t_attached;

CProgressTape* TapeOf(const CIphoneBackupFile* engine)
{
    return t_attached.pEngine == engine ? t_attached.pTape : nullptr;
}

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

std::vector<char> Writable(const std::string& text)
{
    std::vector<char> out(text.begin(), text.end());
    out.push_back('\0');
    return out;
}

} // namespace

int CIphoneBackupFile::InitCallback(int (*callback)(void*, int), void* userData)
{
    m_pCallback = callback;
    m_pUserData = userData;
    return 0;
}

int CIphoneBackupFile::ReportProgress(int position)
{
    if (CProgressTape* tape = TapeOf(this))
        return tape->Record(position);
    return m_pCallback ? m_pCallback(m_pUserData, position) : 0;
}

int CIphoneBackupFile::AdvanceProgress(int span)
{
    int& position = ProgressPosition();
    position += span;
    return ReportProgress(position);
}

int& CIphoneBackupFile::ProgressPosition()
{
    CProgressTape* tape = TapeOf(this);
    return tape ? tape->Position() : m_nProgressPos;
}

bool CIphoneBackupFile::HasProgressSink() const
{
    return m_pCallback || TapeOf(this);
}

int CIphoneBackupFile::ReportThrough(void* engine, int position)
{
    return static_cast<CIphoneBackupFile*>(engine)->ReportProgress(position);
}

void CIphoneBackupFile::AttachProgressTape(CProgressTape* tape)
{
    t_attached = tape ? AttachedTape {this, tape} : AttachedTape {};
}

CProgressTape* CIphoneBackupFile::AttachedProgressTape() const
{
    return TapeOf(this);
}

int CIphoneBackupFile::ReplayProgress(const CProgressTape& tape)
{
    const int start = m_nProgressPos;
    int answer = 0;
    for (const int offset : tape.Offsets()) {
        if ((answer = ReportProgress(start + offset)) != 0)
            break;
    }
    m_nProgressPos = start + tape.Advance();
    return answer;
}

std::string CIphoneBackupFile::GetStoredFilePath(const std::string& fileId) const
{
    return StoredFilePath(m_strBackupDir, fileId, !m_selected.bEncrypted && m_bManifestDb);
}

int CIphoneBackupFile::Scan(QString workFolder)
{
    const std::string target = workFolder.toStdString();
    m_nProgressPos = 1;
    m_nProgressStep = 11;
    m_mapMessages.clear();
    m_vecTempFiles.clear();
    m_vecBackupFolders.clear();
    m_vecManifest.clear();
    m_bManifestDb = Exists(m_strBackupDir + "/Manifest.db");

    if (m_selected.bEncrypted) {
        m_nProgressStep = 10;
        m_vecTempFiles.clear();
        // Without a working folder there is nothing of ours to delete later;
        // listing "" would list "/" and clear it at the next start.
        if (!target.empty()) {
            std::vector<char> path = Writable(target);
            TraverseFile(path.data(), m_vecTempFiles);
        }
    } else {
        ReportProgress(1);
    }

    int result = 87;
    if (m_bManifestDb) {
        const std::string decrypted = m_strBackupDir + "/Manifest.db-decypted";
        const std::string plain = m_strBackupDir + "/Manifest.db";
        std::wstring path = Ansi2Unicode((Exists(decrypted) ? decrypted : plain).c_str());
        result = process_db_file(path.data(), m_vecManifest);
    } else {
        const std::string mbdb = m_strBackupDir + "/Manifest.mbdb";
        if (Exists(mbdb)) {
            std::wstring path = Ansi2Unicode(mbdb.c_str());
            result = process_mbdb_file(path.data(), m_vecManifest);
        }
    }

    if (!target.empty()) {
        m_selected.strBackupPath = target;
        m_strBackupDir = target;
    }
    AdvanceProgress(m_nProgressStep);
    return result;
}

int CIphoneBackupFile::TraverseFile(char* path, std::vector<std::string>& out)
{
    QString folder = QString::fromUtf8(path ? path : "");
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QFileInfoList entries = QDir(folder).entryInfoList();
    for (const QFileInfo& entry : entries) {
        // isFile() follows links; a link to a folder is not a file here.
        if (entry.isFile())
            out.insert(out.begin(), (folder + entry.fileName()).toStdString());
    }
    return 1;
}

long CIphoneBackupFile::ClearTempDir()
{
    WorkFolder::Clear(QmPlatform::WorkDir(), WorkFolder::DecryptedFiles);
    for (const std::string& file : m_vecTempFiles)
        unlink(file.c_str());
    m_vecTempFiles.clear();
    for (const char* name : {"tmp.jpg", "tmp.avi", "tmp.wav"})
        unlink((m_strAppSupportDir + name).c_str());
    return 0;
}

int CIphoneBackupFile::PreView(wchar_t*, wchar_t*, int (*)(void*, int), void*)
{
    return 0;
}

int CIphoneBackupFile::Recovery(wchar_t*, wchar_t*, RecoveryProgressCallback, void*)
{
    return 0;
}

int CIphoneBackupFile::DecryptBackupFile(char*, wchar_t*, std::string&)
{
    return 0;
}
