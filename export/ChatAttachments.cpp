#include "export/ChatAttachments.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include <QString>

#include "export/ExportFile.h"
#include "export/ExportNames.h"
#include "export/ExportText.h"
#include "export/MediaCopy.h"
#include "support/FileTypeJudge.h"
#include "support/HeifDecode.h"
#include "support/JpegEncode.h"
#include "support/Platform.h"
#include "support/SafeFile.h"
#include "support/SysHelpers.h"
#include "support/TextEncoding.h"

const char g_szChatAttachmentFolder[] = "attachments";

namespace {

// HEIC files above this are linked, not converted.
const off_t kMaxHeicBytes = 64 * 1024 * 1024;
const int kJpegQuality = 85;

std::string Lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return s;
}

std::string Extension(const std::string& name)
{
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return Lower(name.substr(dot + 1));
}

bool OneOf(const std::string& value, std::initializer_list<const char*> list)
{
    for (const char* item : list) {
        if (value == item)
            return true;
    }
    return false;
}

std::string SourcePath(const _MESSAGE_ATTACHMENT_& file)
{
    return QString::fromStdWString(file.wstrFullPath).toStdString();
}

std::string ShownName(const _MESSAGE_ATTACHMENT_& file)
{
    return file.strName.empty() ? std::string("attachment") : file.strName;
}

// The name a copy is given: the last component of the name it was sent under, so a
// sent name such as "../x.txt" neither climbs out nor turns into a hidden "..".
std::string CopyName(const _MESSAGE_ATTACHMENT_& file)
{
    const std::string shown = ShownName(file);
    const size_t cut = shown.find_last_of("/\\");
    const std::string last = cut == std::string::npos ? shown : shown.substr(cut + 1);
    return last.empty() || last == "." || last == ".." ? std::string("attachment") : last;
}

void AppendNamedLink(std::string& html, const std::string& url, const _MESSAGE_ATTACHMENT_& file)
{
    html.append("<a class=\"file\" href=\"");
    html.append(url);
    html.append("\">");
    AppendHtmlEscaped(html, ShownName(file));
    html.append("</a> <span class=\"size\">");
    html.append(GetFileSizeString(file.nSize));
    html.append("</span>");
}

} // namespace

AttachmentKind ClassifyAttachment(const _MESSAGE_ATTACHMENT_& attachment)
{
    if (!attachment.wstrFullPath.empty()) {
        const std::string path = SourcePath(attachment);
        char judged[32] = "";
        CFileTypeJudge judge;
        if (judge.ParseFileBuf(const_cast<char*>(path.c_str()), judged) == 0 && judged[0] != '\0') {
            const std::string ext = Extension(judged);
            if (OneOf(ext, {"jpg", "jpeg", "jpe", "png", "gif", "bmp"}))
                return AttachmentKind::Picture;
            if (ext == "heic")
                return AttachmentKind::Heic;
            if (OneOf(ext, {"mov", "mp4", "3gp", "mpg", "mpeg", "avi", "wmv"}))
                return AttachmentKind::Video;
            if (OneOf(ext, {"mp3", "wav", "mid", "wma"}))
                return AttachmentKind::Audio;
        }
    }
    const std::string mime = Lower(attachment.strMimeType);
    if (mime.compare(0, 6, "video/") == 0)
        return AttachmentKind::Video;
    if (mime.compare(0, 6, "audio/") == 0)
        return AttachmentKind::Audio;
    std::string ext = Extension(attachment.strName);
    if (ext.empty())
        ext = Extension(attachment.strManifestName);
    if (OneOf(ext, {"mov", "mp4", "m4v", "3gp"}))
        return AttachmentKind::Video;
    if (OneOf(ext, {"caf", "amr", "m4a", "opus", "mp3", "wav", "aac", "ogg"}))
        return AttachmentKind::Audio;
    return AttachmentKind::Other;
}

std::string PercentEncode(const std::string& name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size() * 3);
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string TextWithAttachments(const std::string& text, const std::vector<_MESSAGE_ATTACHMENT_>& files)
{
    std::string out = text;
    for (const _MESSAGE_ATTACHMENT_& file : files) {
        if (!out.empty())
            out.push_back('\n');
        out.append("[attachment: ");
        out.append(ShownName(file));
        out.push_back(']');
    }
    return out;
}

CChatAttachments::CChatAttachments(const std::string& chatDir)
    : m_strFolder(chatDir + g_szChatAttachmentFolder + "/")
{
}

void CChatAttachments::AppendHtml(std::string& html, const std::vector<_MESSAGE_ATTACHMENT_>& files)
{
    m_vecPlaced.clear();
    for (const _MESSAGE_ATTACHMENT_& file : files)
        AppendOne(html, file);
}

bool CChatAttachments::MakeFolder(std::string* reason)
{
    if (m_bFolderMade)
        return true;
    errno = 0;
    if (!QmPlatform::MakeExportDir(QString::fromStdString(m_strFolder))) {
        const int err = errno ? errno : ENOTDIR;
        *reason = std::string("cannot make the folder: ") + std::strerror(err);
        return false;
    }
    m_bFolderMade = true;
    return true;
}

std::string CChatAttachments::Url(const std::string& writtenPath) const
{
    return std::string(g_szChatAttachmentFolder) + "/" + PercentEncode(writtenPath.substr(m_strFolder.size()));
}

std::string CChatAttachments::Relative(const std::string& writtenPath) const
{
    return std::string(g_szChatAttachmentFolder) + "/" + writtenPath.substr(m_strFolder.size());
}

std::string CChatAttachments::Copy(const _MESSAGE_ATTACHMENT_& file, std::string* reason)
{
    const std::string wanted = m_strFolder + SafeFileName(CopyName(file));
    if (!MakeFolder(reason)) {
        m_vecFailures.emplace_back(wanted, *reason);
        return std::string();
    }
    std::string written;
    if (CopyMediaFile(SourcePath(file), wanted, &written, reason) != 0) {
        m_vecFailures.emplace_back(wanted, *reason);
        return std::string();
    }
    ++m_nWritten;
    m_strLastWritten = written;
    return Url(written);
}

std::string CChatAttachments::ConvertHeic(const _MESSAGE_ATTACHMENT_& file)
{
    if (!HeifDecode::IsAvailable())
        return std::string();
    off_t size = 0;
    int err = 0;
    const int fd = OpenBackupFile(SourcePath(file), &size, &err);
    if (fd < 0)
        return std::string();
    std::string data;
    if (size > 0 && size <= kMaxHeicBytes) {
        data.resize(size_t(size));
        unsigned int got = 0;
        if (ReadData(fd, reinterpret_cast<unsigned char*>(&data[0]), int(size), &got) != 0 || got != unsigned(size))
            data.clear();
    }
    ::close(fd);
    HeifPixels pixels;
    std::string jpeg, why;
    if (data.empty() || !HeifDecode::Decode(data.data(), data.size(), &pixels, &why) ||
        !EncodeJpeg(pixels, kJpegQuality, &jpeg, &why))
        return std::string();
    std::string stem = CopyName(file);
    const size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0)
        stem.erase(dot);
    const std::string wanted = m_strFolder + SafeComponent(stem, ".jpg", kFreeNameReserve);
    err = EEXIST;
    std::string target;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        target = FreeFileName(wanted);
        err = WriteExportFile(target, jpeg, true);
    }
    if (err) {
        m_vecFailures.emplace_back(wanted, std::strerror(err));
        return std::string();
    }
    ++m_nWritten;
    m_strLastWritten = target;
    return Url(target);
}

void CChatAttachments::AppendOne(std::string& html, const _MESSAGE_ATTACHMENT_& file)
{
    html.append("<div class=\"att\">");
    std::string reason = "not in this backup";
    const std::string url = file.wstrFullPath.empty() ? std::string() : Copy(file, &reason);
    m_vecPlaced.push_back({ShownName(file), url.empty() ? std::string() : Relative(m_strLastWritten), std::string(),
                           url.empty() ? reason : std::string()});
    if (url.empty()) {
        html.append("<span class=\"missing\">");
        AppendHtmlEscaped(html, ShownName(file));
        html.append(" (");
        AppendHtmlEscaped(html, reason);
        html.append(")</span></div>");
        return;
    }
    AttachmentKind kind = ClassifyAttachment(file);
    std::string pictureUrl = url;
    if (kind == AttachmentKind::Heic) {
        pictureUrl = ConvertHeic(file);
        kind = pictureUrl.empty() ? AttachmentKind::Other : AttachmentKind::Picture;
        if (!pictureUrl.empty())
            m_vecPlaced.back().strPicture = Relative(m_strLastWritten);
    }
    switch (kind) {
    case AttachmentKind::Picture:
        html.append("<a href=\"" + url + "\"><img src=\"" + pictureUrl + "\" alt=\"");
        AppendHtmlEscaped(html, ShownName(file));
        html.append("\"></a>");
        break;
    case AttachmentKind::Video:
        html.append("<video controls preload=\"metadata\" src=\"" + url + "\"></video><br>");
        AppendNamedLink(html, url, file);
        break;
    case AttachmentKind::Audio:
        html.append("<audio controls preload=\"metadata\" src=\"" + url + "\"></audio><br>");
        AppendNamedLink(html, url, file);
        break;
    default:
        AppendNamedLink(html, url, file);
        break;
    }
    html.append("</div>");
}
