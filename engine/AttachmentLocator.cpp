#include "engine/AttachmentLocator.h"

#include <sys/stat.h>

#include "engine/IphoneBackupFile.h"
#include "support/TextEncoding.h"

namespace {

bool CouldBeAttachment(const std::string& name)
{
    static const char* const prefixes[] = {"MediaDomain-Library/SMS/", "AppDomainGroup-group.net.whatsapp."};
    for (const char* prefix : prefixes) {
        if (name.compare(0, std::char_traits<char>::length(prefix), prefix) == 0)
            return true;
    }
    return false;
}

template <typename Map>
void LocateAll(const CAttachmentLocator& locator, Map& map)
{
    for (auto& conversation : map) {
        for (auto& message : conversation.second) {
            for (_MESSAGE_ATTACHMENT_& attachment : message.vecAttachments)
                locator.Locate(attachment);
        }
    }
}

} // namespace

CAttachmentLocator::CAttachmentLocator(const CIphoneBackupFile& engine)
    : m_engine(engine)
{
    for (const __MBDB_FILE__& entry : engine.m_vecManifest) {
        if (CouldBeAttachment(entry.strName))
            m_mapFileIds.emplace(entry.strName, entry.strFileId);
    }
}

void CAttachmentLocator::Locate(_MESSAGE_ATTACHMENT_& attachment) const
{
    attachment.wstrFullPath.clear();
    const auto found = m_mapFileIds.find(attachment.strManifestName);
    if (found == m_mapFileIds.end())
        return;
    const std::string path = m_engine.GetStoredFilePath(found->second);
    // A link or anything but a regular file in a stored file's place is not the file.
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    attachment.wstrFullPath = Ansi2Unicode(path.c_str());
    attachment.nSize = static_cast<long long>(st.st_size);
}

void CAttachmentLocator::Locate(MessageMap& conversations) const
{
    LocateAll(*this, conversations);
}

void CAttachmentLocator::Locate(WhatsAppMessageMap& chats) const
{
    LocateAll(*this, chats);
}
