// The media catalogues: camera roll and photo stream, message attachments, app
// files and WhatsApp files, each picked from the manifest by name. Camera and app
// files are kept only when the stored file's content is a known picture or video;
// attachments (messages and WhatsApp's shared media) are every stored file, since
// voice messages, PDFs and contact cards are what people send too.
#include <algorithm>
#include <cerrno>

#include "engine/CameraRollCatalogue.h"
#include "engine/IphoneBackupFile.h"
#include "engine/MediaNames.h"
#include "engine/UsedEntries.h"
#include "support/FileTypeJudge.h"
#include "support/SafeFile.h"
#include "support/TextEncoding.h"

namespace {

// A stored file: its wide path, size and the recogniser's name ("3.mov"), or
// an empty name for a regular file of another (or too short a) content.
struct RecognisedFile {
    std::wstring wstrPath;
    unsigned long long nSize = 0;
    std::string strRecognised;
    bool bRegular = false;
};

enum Recognition { Missing, Unrecognised, Recognised };

// A catalogue's recogniser and the backup folders it has opened.
struct StoredFileJudge {
    CFileTypeJudge types;
    BackupFolderHandles folders;
};

// One open per file: its absence, its type and its size. A link or a FIFO in a
// stored file's place exists but is never read.
Recognition Recognise(StoredFileJudge& judge, const std::string& path, RecognisedFile& out)
{
    char name[256];
    name[0] = '\0';
    out.nSize = 0;
    const int result = judge.types.ParseFileBuf(const_cast<char*>(path.c_str()), name, &out.nSize, judge.folders);
    if (result == ENOENT || result == ENOTDIR)
        return Missing;
    // 30: a regular file too short to judge, still a file someone sent.
    out.bRegular = result == 0 || result == 30;
    if (out.bRegular)
        out.wstrPath = Ansi2Unicode(path.c_str());
    if (name[0] == '\0')
        return Unrecognised;
    out.strRecognised = name;
    return Recognised;
}

// Name an attachment is listed under: a picture or video as the other catalogues
// name it, any other non-empty regular file under its own name. False: not listed.
bool AttachmentName(const std::string& manifestName, Recognition found, const RecognisedFile& file,
                    std::string& out)
{
    if (file.nSize == 0 || !file.bRegular)
        return false;
    out = found == Recognised ? MediaDisplayName(manifestName, file.strRecognised) : MediaLastComponent(manifestName);
    return true;
}

int LowBits(unsigned long long size)
{
    return int(static_cast<unsigned int>(size));
}

// position + span * k / n with unsigned arithmetic.
int ProgressAt(int position, unsigned long long span, unsigned long long k, unsigned long long n)
{
    return position + int(span * k / n);
}

template <typename T, typename Less>
void SortRecords(std::vector<T>& records, Less less)
{
    if (records.size() > 1)
        std::sort(records.begin(), records.end(), less);
}

} // namespace

int CIphoneBackupFile::GetBackupCameraFile(std::vector<_IPHONE_CAMERA_INFO_>& cameraRoll,
                                           std::vector<_IPHONE_CAMERA_INFO_>& photoStream)
{
    StoredFileJudge judge;
    CCameraRollCatalogue roll;
    const unsigned long long total = m_vecManifest.size();
    const unsigned long long span = 2ull * unsigned(m_nProgressStep);
    unsigned long long counted = 0;
    int stopped = 0;
    for (const __MBDB_FILE__& entry : m_vecManifest) {
        std::vector<_IPHONE_CAMERA_INFO_>* target = nullptr;
        const CameraRollPlace place = CameraRollPlaceOf(entry.strName);
        if (place != CameraRollPlace::None) {
            target = &cameraRoll;
        } else if (entry.strName.find(g_szPhotoStreamPattern) != std::string::npos) {
            target = &photoStream;
        } else {
            if (entry.strName == g_szPhotoLibraryName)
                roll.SetLibrary(GetStoredFilePath(entry.strFileId));
            continue;
        }
        RecognisedFile file;
        const Recognition found = Recognise(judge, GetStoredFilePath(entry.strFileId), file);
        if (found == Missing)
            continue;
        if (found == Recognised) {
            _IPHONE_CAMERA_INFO_ info;
            info.nSize = LowBits(file.nSize);
            info.strFileName = MediaLastComponent(entry.strName);
            info.wstrFullPath = std::move(file.wstrPath);
            if (target == &cameraRoll)
                roll.Add(place, entry.strName, std::move(info));
            else
                target->push_back(std::move(info));
        }
        ++counted;
        if (HasProgressSink() && (stopped = ReportProgress(ProgressAt(ProgressPosition(), span, counted, total))) != 0)
            break;
    }
    roll.Finish(cameraRoll);
    SortRecords(cameraRoll, CamVectorCmp);
    // Pictures from the phone's Recently Deleted album first, as deleted notes are.
    std::stable_partition(cameraRoll.begin(), cameraRoll.end(),
                          [](const _IPHONE_CAMERA_INFO_& info) { return info.nDeleted != 0; });
    SortRecords(photoStream, CamVectorCmp);
    AdvanceProgress(2 * m_nProgressStep);
    return stopped;
}

int CIphoneBackupFile::GetBackupMsgAttachments(std::vector<_IPHONE_ATTACHMENTS_>& out)
{
    StoredFileJudge judge;
    const unsigned long long total = m_vecManifest.size();
    unsigned long long counted = 0;
    int stopped = 0;
    for (const __MBDB_FILE__& entry : m_vecManifest) {
        if (entry.strName.find(g_szAttachmentPattern) == std::string::npos)
            continue;
        RecognisedFile file;
        const Recognition found = Recognise(judge, GetStoredFilePath(entry.strFileId), file);
        if (found == Missing)
            continue;
        _IPHONE_ATTACHMENTS_ info;
        if (AttachmentName(entry.strName, found, file, info.strFileName)) {
            info.nSize = LowBits(file.nSize);
            info.wstrFullPath = std::move(file.wstrPath);
            out.push_back(std::move(info));
        }
        ++counted;
        if (HasProgressSink()
            && (stopped = ReportProgress(ProgressAt(ProgressPosition(), unsigned(m_nProgressStep), counted, total)))
                != 0)
            break;
    }
    SortRecords(out, AttVectorCmp);
    AdvanceProgress(m_nProgressStep);
    return stopped;
}

int CIphoneBackupFile::GetAppFileInfo(std::vector<_IPHONE_APP_FILE_INFO_>& out)
{
    m_vecWhatsAppAttachments.clear();
    StoredFileJudge judge;
    const unsigned long long total = m_vecManifest.size();
    unsigned long long index = 0;
    int stopped = 0;
    for (const __MBDB_FILE__& entry : m_vecManifest) {
        ++index;
        const std::string& name = entry.strName;
        // Current phones keep WhatsApp media in a shared app group, outside AppDomain-.
        const bool sharedWhatsApp = IsWhatsAppSharedMedia(name);
        RecognisedFile file;
        if (sharedWhatsApp) {
            _WHATSAPP_ATTACHMENTS_ info;
            const Recognition found = Recognise(judge, GetStoredFilePath(entry.strFileId), file);
            if (AttachmentName(name, found, file, info.strFileName)) {
                info.nSize = LowBits(file.nSize);
                info.wstrFullPath = std::move(file.wstrPath);
                m_vecWhatsAppAttachments.push_back(std::move(info));
            }
        } else if (name.find(g_szAppFilePattern) != std::string::npos &&
                   Recognise(judge, GetStoredFilePath(entry.strFileId), file) == Recognised) {
            const std::string displayName = MediaDisplayName(name, file.strRecognised);
            if (name.find(g_szWhatsAppPattern) != std::string::npos) {
                if (file.nSize != 0) {
                    _WHATSAPP_ATTACHMENTS_ info;
                    info.nSize = LowBits(file.nSize);
                    info.strFileName = displayName;
                    info.wstrFullPath = std::move(file.wstrPath);
                    m_vecWhatsAppAttachments.push_back(std::move(info));
                }
            } else {
                _IPHONE_APP_FILE_INFO_ info;
                info.nSize = LowBits(file.nSize);
                info.strAppName = MediaAppName(name);
                info.strFileName = displayName;
                info.wstrFullPath = std::move(file.wstrPath);
                out.push_back(std::move(info));
            }
        }
        if (HasProgressSink()
            && (stopped =
                    ReportProgress(ProgressAt(ProgressPosition(), 2ull * unsigned(m_nProgressStep), index, total)))
                != 0)
            break;
    }
    SortRecords(out, AppVectorCmp);
    SortRecords(m_vecWhatsAppAttachments, WhatsAppAttVectorCmp);
    AdvanceProgress(m_nProgressStep);
    return stopped;
}

int CIphoneBackupFile::GetWhatsAppAttachment(std::vector<_WHATSAPP_ATTACHMENTS_>& out)
{
    out = m_vecWhatsAppAttachments;
    return AdvanceProgress(m_nProgressStep);
}
