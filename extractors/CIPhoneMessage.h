// Reader of the phone's message database (sms.db): text messages and iMessages,
// named from the address book, newest first, grouped into conversations.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

class CIPhoneMessage {
public:
    CIPhoneMessage(int nReserved = 0, bool bManifestDb = true);

    int InitCallback(int (*callback)(void*, int), void* userData, int position, int span);
    // Asked now and then while the rows are read: true ends the reading early (the
    // run was stopped elsewhere; the next report hears so).
    void SetStopCheck(std::function<bool()> stopped) { m_fnStopped = std::move(stopped); }

    // Fills `conversations`, sets maxRowId to the largest row id read; returns the
    // last progress report's result (non-zero: stop), or 0. One-to-one conversations
    // are keyed by handle id; a group chat (style 43, or more than one member) is one
    // conversation under its group key (engine/MessageConversation.h), whatever
    // handle each message came from. A database with no chat tables (only handle
    // and message) lists every message under its handle.
    int GetSMSInfo(const char* messageDbPath, const char* addressBookPath,
                   std::map<unsigned int, std::vector<__MESSAGE_INFO__>>& conversations,
                   unsigned long long& maxRowId);

    // Copies the database file whole; never overwrites an existing file. Always 0.
    int SaveSMSCsvFile(const char* sourcePath, const char* targetPath, unsigned long long);

private:
    int Report(int position);

    int (*m_pCallback)(void*, int) = nullptr;
    void* m_pUserData = nullptr;
    int m_nPosition = 0;
    int m_nSpan = 0;
    std::function<bool()> m_fnStopped;
    [[maybe_unused]] int m_nReserved = 0;
    bool m_bManifestDb = true;
    QString m_strMsgConnName = "Message_connection";
    QString m_strMsgDriver = "QSQLITE";
    QString m_strMsgDbPath;
    QString m_strContactConnName = "contact_connection";
    QString m_strContactDriver = "QSQLITE";
    QString m_strContactDbPath;
};

// Message text as shown: attachment placeholders (U+FFFC) removed; a text left
// with nothing but blanks counts as empty.
std::string CleanMessageText(std::string text);
