// Finds the stored files of message attachments through the manifest: a
// database names a file by its path on the phone, the backup stores it under
// the SHA-1 of "<domain>-<relative path>", and only the manifest says whether
// the backup holds it.
#pragma once

#include <string>
#include <unordered_map>

#include "engine/BackupRecords.h"

class CIphoneBackupFile;

class CAttachmentLocator {
public:
    // Indexes the manifest entries of the selected backup that can be attachments
    // (the phone's SMS folder and WhatsApp's app groups).
    explicit CAttachmentLocator(const CIphoneBackupFile& engine);

    // Sets the attachment's stored path and size when the backup holds its file as a
    // regular file; otherwise clears the path (the file is missing from the backup).
    void Locate(_MESSAGE_ATTACHMENT_& attachment) const;

    void Locate(MessageMap& conversations) const;
    void Locate(WhatsAppMessageMap& chats) const;

private:
    const CIphoneBackupFile& m_engine;
    std::unordered_map<std::string, std::string> m_mapFileIds; // manifest name -> stored name
};
