#include "engine/AppFileSplit.h"

#include <cstring>

#include "support/SysHelpers.h"

namespace {

const char kImageExtensions[] =
    "*.bmp|*.gif|*.jpg|*.jpeg|*.png|*.psd|*.tif|*.tiff|*.pcx|*.scr|*.ico|*.nef|*.nrw|*.crw|*.cr2|*.sr2|*.arw|"
    "*.srf|*.divu|*.pgm|*.k25|*.kdc|*.dcr|*.raf|*.iff|*.pbm|*.mef|*.jp2|*.mos|*.x3f|*.orf|*.erf|*.indd|*.pef|"
    "*.psp|*.mrw|*.dng|*.raw|*.pct|*.tga|*.thm|*.icns|";
const char kVideoExtensions[] =
    "*.rmvb|*.rm|*.mpeg|*.mov|*.avi|*.wmv|*.asf|*.mp4|*.flv|*.fla|*.swf|*.m4v|*.3gp|*.dv|*.3g2|*.m4b|*.mkv|"
    "*.mts|*.divx|*.ogm|*.moi|*.vob|*.ajp|*.f4v|*.mqv|*.svi|*.vid|*.tod|*.hdmov|*.mod|*.mxf|*.lrv|";
const char kAudioExtensions[] =
    "*.mp3|*.wav|*.ape|*.aiff|*.rps|*.mid|*.midi|*.m4a|*.m4p|*.au|*.ogg|*.wma|*.rm|*.ra|*.acd|*.amr|*.at3|"
    "*.caf|*.dss|*.m4r|*.nra|*.snd";

} // namespace

void SplitAppFiles(const AppFileInfoVec& files, AppFileMap& photos, AppFileMap& videos, unsigned& photoCount,
                   unsigned& videoCount)
{
    photos.clear();
    videos.clear();
    photoCount = 0;
    videoCount = 0;
    for (const _IPHONE_APP_FILE_INFO_& file : files) {
        char ext[256] = {0};
        GetExtendName(file.strFileName.c_str(), ext);
        GetCharLowerA(ext);
        const std::string key = std::string(ext) + "|";
        if (std::strstr(kImageExtensions, key.c_str())) {
            photos[file.strAppName].push_back(file);
            ++photoCount;
        } else if (std::strstr(kVideoExtensions, key.c_str()) || std::strstr(kAudioExtensions, key.c_str())) {
            videos[file.strAppName].push_back(file);
            ++videoCount;
        } else {
            photos[file.strAppName].push_back(file);
            ++photoCount;
        }
    }
}
