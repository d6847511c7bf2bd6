// One entry of a backup's manifest, and the stored names of the phone's databases.
#pragma once

#include <string>

// A backed-up file: its manifest name (domain, "-", relative path; a Manifest.db
// row with an empty relative path is named by its domain alone) and the name it
// is stored under (40 lower-case hex digits).
struct __MBDB_FILE__ {
    std::string strName;
    std::string strFileId;
};

// Stored names of the databases the extractors open. Each is the SHA-1 of the
// manifest name in the comment.
// HomeDomain-Library/SMS/sms.db
inline constexpr char g_szSmsDbFileId[] = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
// HomeDomain-Library/AddressBook/AddressBook.sqlitedb
inline constexpr char g_szAddressBookFileId[] = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
// HomeDomain-Library/Notes/notes.sqlite
inline constexpr char g_szOldNotesFileId[] = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
// AppDomainGroup-group.com.apple.notes-NoteStore.sqlite
inline constexpr char g_szNoteStoreFileId[] = "4f98687d8ab0d6d1a371110e6b7300f6e465bef2";
// WirelessDomain-Library/CallHistory/call_history.db
inline constexpr char g_szOldCallHistoryFileId[] = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
// HomeDomain-Library/CallHistoryDB/CallHistory.storedata
inline constexpr char g_szCallHistoryFileId[] = "5a4935c78a5255723f707230a451d79c540d2741";
// AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ChatStorage.sqlite
inline constexpr char g_szWhatsAppChatFileId[] = "7c7fba66680ef796b916b067077cc246adacf01d";
// AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-ChatStorage.sqlite
inline constexpr char g_szWhatsAppBusinessChatFileId[] = "724bd3b98b18518b455a87c1f3ac3a0d189c4466";
// WhatsApp's contact names:
// AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ContactsV2.sqlite
inline constexpr char g_szWhatsAppContactsFileId[] = "b8548dc30aa1030df0ce18ef08b882cf7ab5212f";
// The phone numbers behind "@lid" ids, LID.sqlite of WhatsApp
// (AppDomainGroup-group.net.whatsapp.WhatsApp.shared-LID.sqlite) and of WhatsApp
// Business (AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-LID.sqlite).
inline constexpr char g_szWhatsAppLidFileId[] = "e794f6ffcc3c222535f47684a63d5178da3c4500";
inline constexpr char g_szWhatsAppBusinessLidFileId[] = "1b091efd2ab703ddffa4ff846259844545c2aeab";

// Ending some backups give their stored files.
inline constexpr char g_szStoredFileEnding[] = ".mddata";

// Path of a stored file inside `folder` (no trailing slash): in two-character
// sub-folders when `twoLevel` (an unencrypted backup holding Manifest.db),
// otherwise flat (older layout, or decrypted files in the working folder).
std::string StoredFilePath(const std::string& folder, const std::string& fileId, bool twoLevel);
