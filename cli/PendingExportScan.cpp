// Stand-in until the shared fetch routine and the app split land in engine/: the same
// fetches called directly. Replaced by RunBackupScan / SplitAppFiles then (and deleted).
#include "cli/ExportScan.h"

#include <algorithm>
#include <cctype>

#include "engine/IphoneBackupFile.h"

namespace {
bool LooksLikeVideo(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
    for (const char* v : {"mov", "mp4", "m4v", "3gp", "avi", "mkv", "mp3", "m4a", "wav", "caf", "amr", "aac"})
        if (ext == v)
            return true;
    return false;
}
}

int ScanForExport(CIphoneBackupFile& engine, const QString& scanFolder, ExportScanData& d,
                  int (*progress)(void*, int), void* context)
{
    engine.InitCallback(progress, context);
    const int scanned = engine.Scan(scanFolder);
    if (scanned != 0 && scanned != 87)
        return scanned;
    engine.GetBackupCameraFile(d.vecCamera, d.vecPhotoStream);
    engine.GetBackupFileMessageInfo(d.mapMessage);
    engine.GetBackupMsgAttachments(d.vecAttachments);
    engine.GetBackupFilePersonContent(d.vecContacts);
    engine.GetBackupFileHistoryCallInfo(d.vecCallHistory);
    engine.GetBackupFileNotes(d.vecNotes);
    engine.GetAppFileInfo(d.vecAppFile);
    for (const _IPHONE_APP_FILE_INFO_& f : d.vecAppFile) {
        if (LooksLikeVideo(f.strFileName)) {
            d.mapAppVideos[f.strAppName].push_back(f);
            ++d.nAppVideoCount;
        } else {
            d.mapAppPhotos[f.strAppName].push_back(f);
            ++d.nAppPhotoCount;
        }
    }
    engine.GetWhatsappMessageInfo(d.mapWhatsapp);
    engine.GetWhatsAppAttachment(d.vecWhatsappAttach);
    return 0;
}
