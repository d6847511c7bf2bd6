// Reader of WhatsApp's chat database (ChatStorage.sqlite, also the WhatsApp
// Business twin): one-to-one and group chats into conversations of
// __WHATSAPP_MESSAGE__, newest first, with group senders named.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

// The widest message table seen so far (the column probe keeps it up to date).
extern unsigned int g_u32WhatsappColNumber;

// Row callback of the column probe: records the number of columns.
int select_result(void* userData, int columns, char** values, char** names);

class CIPhoneWhatsApp {
public:
    // Chats are keyed by their session's Z_PK plus `chatKeyBase`, so the chats of
    // two databases (WhatsApp and WhatsApp Business) can share one map.
    // `titleSuffix` is appended to the listed chat title (strExtra3).
    explicit CIPhoneWhatsApp(unsigned int chatKeyBase = 0, const std::string& titleSuffix = "");

    // Adds the chats of the database at `path` to `conversations`: every chat
    // with at least one message row. `contactsPath` (WhatsApp's ContactsV2.sqlite)
    // supplies names; `lidPath` (LID.sqlite) the phone numbers behind "@lid" ids;
    // either may be empty or missing. Also updates the column count. Returns 0; a
    // database it cannot read adds nothing.
    int GetWhatsAppMessageInfo(const char* path, const char* contactsPath,
                               std::map<unsigned int, std::vector<__WHATSAPP_MESSAGE__>>& conversations,
                               const char* lidPath = nullptr);

    // App-group domain whose "Message/" folder holds this database's media files.
    void SetMediaDomain(const std::string& domain) { m_strMediaDomain = domain; }

private:
    void ProbeColumns();

    unsigned int m_nChatKeyBase = 0;
    std::string m_strTitleSuffix;
    std::string m_strMediaDomain = "AppDomainGroup-group.net.whatsapp.WhatsApp.shared";
    QString m_strConnName = "whatsapp_connection";
    QString m_strDriver = "QSQLITE";
    QString m_strDbPath;
    QString m_strContactsConnName = "whatsapp_contacts_connection";
    QString m_strContactsDbPath;
    QString m_strLidConnName = "whatsapp_lid_connection";
};

// "[image]", "[video]", ... for a message without text of the given type, with
// the caption or detail appended; empty for types that carry nothing to show.
std::string WhatsAppMediaText(int messageType, const std::string& detail, bool hasMediaItem);

// The notice a system row shows (group metadata, a system notice, a group
// event): "[group event]" or "[system message]", then the row's text when it has
// one (a new group subject). Empty for any other row.
std::string WhatsAppSystemText(int messageType, int groupEventType, const std::string& text);

// The part of a JID before "@" (the whole text when there is no "@").
std::string JidUser(const std::string& jid);
