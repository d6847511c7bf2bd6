// The link from a message to the files sent with it: sms.db's attachment table
// and WhatsApp's media items, each read in one query per database.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/BackupRecords.h"

class CBackupConnection;

// Message row id (sms.db ROWID, ZWAMESSAGE.Z_PK) -> its files, in the database's order.
typedef std::unordered_map<long long, std::vector<_MESSAGE_ATTACHMENT_>> MessageAttachmentIndex;

// message_attachment_join -> attachment: name (transfer_name, else the file's own),
// mime_type, size, and the manifest name of `filename`. Empty when the tables are missing.
MessageAttachmentIndex ReadSmsAttachments(CBackupConnection& conn);

// ZWAMEDIAITEM.ZMEDIALOCALPATH of each message, kept under "Message/" in `mediaDomain`
// (WhatsApp's or WhatsApp Business's app group). A document keeps its title as name.
MessageAttachmentIndex ReadWhatsAppMedia(CBackupConnection& conn, const std::string& mediaDomain);

// "~/Library/SMS/Attachments/ab/01/X/a.jpg" (also under "/var/mobile/" or
// "/private/var/mobile/") as the backup names it: "MediaDomain-Library/SMS/Attachments/...".
// Empty for a path outside the phone owner's home.
std::string SmsAttachmentManifestName(const std::string& filename);
