// The files of a conversation on its exported chat page: copied into the chat's
// own "attachments/" folder under safe free names and shown where they were sent
// (pictures inline, HEIC converted to JPEG for the page, players for video and
// sound, links for everything else, a named placeholder for a file the backup
// does not hold). Links are relative and percent-encoded, so the folder can be
// moved or zipped whole.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/BackupRecords.h"

// The folder inside a conversation's folder that holds its files.
extern const char g_szChatAttachmentFolder[];

enum class AttachmentKind { Picture, Heic, Video, Audio, Other };

// What a file is, for its page: by content where the file-type judge knows it
// (a picture is only shown inline when its bytes are one), else by MIME type and
// the name's extension (never a picture then).
AttachmentKind ClassifyAttachment(const _MESSAGE_ATTACHMENT_& attachment);

// A file name as one relative URL path segment: every byte but A-Z a-z 0-9 - . _ ~
// as %XX, so "#", "?", quotes, "%" and "/" cannot change what the link means.
std::string PercentEncode(const std::string& name);

// The text export's content: the message text, then "[attachment: name]" per file.
std::string TextWithAttachments(const std::string& text, const std::vector<_MESSAGE_ATTACHMENT_>& files);

class CChatAttachments {
public:
    // `chatDir`: the conversation's folder, ending in "/".
    explicit CChatAttachments(const std::string& chatDir);

    // Appends the markup that shows `files` (no line breaks, for pre-wrapped
    // bubbles), copying each into the folder.
    void AppendHtml(std::string& html, const std::vector<_MESSAGE_ATTACHMENT_>& files);

    // What became of each file of the last AppendHtml call, in order.
    struct Placed {
        std::string strName;      // as the page shows it
        std::string strPath;      // the copy, relative to the chat's folder; empty when none
        std::string strPicture;   // the JPEG shown for a HEIC picture, relative likewise; else empty
        std::string strMissing;   // why there is no copy, when there is none
    };
    const std::vector<Placed>& LastPlaced() const { return m_vecPlaced; }

    // Files written (copies and converted pictures).
    int Written() const { return m_nWritten; }
    // Files that could not be written: (path wanted, reason).
    const std::vector<std::pair<std::string, std::string>>& Failures() const { return m_vecFailures; }

private:
    void AppendOne(std::string& html, const _MESSAGE_ATTACHMENT_& file);
    bool MakeFolder(std::string* reason);
    // Copies the file; the relative URL of the copy, or empty with *reason.
    std::string Copy(const _MESSAGE_ATTACHMENT_& file, std::string* reason);
    // The JPEG of a HEIC picture beside its copy; empty when it cannot be made.
    std::string ConvertHeic(const _MESSAGE_ATTACHMENT_& file);
    std::string Url(const std::string& writtenPath) const;

    // `writtenPath` relative to the chat's folder ("attachments/<name>").
    std::string Relative(const std::string& writtenPath) const;

    std::string m_strFolder;  // ".../<chat>/attachments/"
    std::vector<Placed> m_vecPlaced;
    std::string m_strLastWritten;
    bool m_bFolderMade = false;
    int m_nWritten = 0;
    std::vector<std::pair<std::string, std::string>> m_vecFailures;
};
