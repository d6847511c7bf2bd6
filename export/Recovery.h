// CRecovery: the export writer of one recovery run. It turns conversations into chat
// pages and text files, and contacts, calls and notes into table reports built from the
// report templates beside the executable; it copies the message and address-book
// databases through the engine. Record text is escaped for HTML and CSV; names from the
// backup become single safe path components; nothing existing is overwritten except a
// report of the same run stamp.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QJsonArray>
#include <QString>

#include "engine/BackupRecords.h"

class CIphoneBackupFile;
class CChatAttachments;

class CRecovery {
public:
    CRecovery();
    ~CRecovery();
    CRecovery(const CRecovery&) = delete;
    CRecovery& operator=(const CRecovery&) = delete;

    // Folder that holds "template/"; the application's folder unless set before Init.
    void SetTemplateRoot(const QString& dir) { m_strTemplateRoot = dir; }

    void Init(QString folder, CIphoneBackupFile* backupFile);
    int LoadTemplateFile(const char* name);
    int LoadAllTemplateFile();

    // Messages. The writers return 0 or the errno of the first file that failed.
    int RecoveryMsg(const __MESSAGE_INFO__* first, const MessageMap* conversations);
    int RecoveryMsg(unsigned int key, const __MESSAGE_INFO__* first, const MessageMap* conversations);
    int SaveSMSMessageTxt(unsigned int key, const wchar_t* path, const MessageMap* conversations);
    int SaveSMSMessage(unsigned int key, const wchar_t* path, const MessageMap* conversations);
    int SaveMessage();

    // WhatsApp.
    int RecoveryWhatsAppMsg(const __WHATSAPP_MESSAGE__* first, const WhatsAppMessageMap* chats);
    int RecoveryWhatsAppMsg(unsigned int key, const __WHATSAPP_MESSAGE__* first, const WhatsAppMessageMap* chats);
    int SaveWhatsAppTxt(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats);
    int SaveWhatsAppCsv(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats);
    int SaveWhatsApp(unsigned int key, const wchar_t* path, const WhatsAppMessageMap* chats);

    // Table reports: rows first, then one save per kind.
    void RecoveryContacts(const __PERSON_CONTENT__* person);
    int SaveContacts();
    long SaveContactsCsv();
    int SaveContactsVcf();
    void RecoveryCallHistory(const __CALLHISTORY__* call);
    int SaveCallHistory();
    void RecoveryNotes(const __NOTES__* note);
    int SaveNotes();

    // Beside every chat page and table report, its JSON form too (set before the rows).
    void SetJsonReports(bool on) { m_bJson = on; }
    int SaveContactsJson();
    int SaveCallHistoryJson();
    int SaveNotesJson();

    // Where the reports of this run go (fixed by the run stamp).
    QString ContactsDir() const;
    QString CallHistoryPath() const;
    QString NotesPath() const;
    const QString& Stamp() const { return m_strTime; }

    // Set by SaveContactsCsv / SaveMessage: 0, or the error of the database copy.
    int LastDatabaseCopyError() const { return m_nDbCopyError; }

    // Files the chat pages copied or converted into their "attachments/" folders since
    // the last call, and (into *failures) those that could not be written; resets both.
    int TakeAttachmentsWritten(std::vector<std::pair<std::string, std::string>>* failures);

private:
    void NoteAttachments(const CChatAttachments& attachments);
    std::string SaveDirUtf8() const { return m_strSaveDir.toStdString(); }

    QString m_strSaveDir;
    QString m_strTime;
    std::string m_strCallTemplate, m_strCallHead, m_strCallRows, m_strCallTail;
    std::string m_strNotesTemplate, m_strNotesHead, m_strNotesRows, m_strNotesTail;
    std::string m_strContactsTemplate, m_strContactsHead, m_strContactsRows, m_strContactsTail;
    std::string m_strSmsTemplate, m_strSmsHead, m_strSmsPersonHead, m_strSmsContent, m_strSmsTail;
    std::string m_strWhatsAppTemplate, m_strWhatsAppHead, m_strWhatsAppPersonHead, m_strWhatsAppContent,
        m_strWhatsAppTail;
    CIphoneBackupFile* m_pBackupFile = nullptr;

    std::string m_strContactsCards;   // vCard text of the contacts handed over
    QString m_strTemplateRoot;
    int m_nDbCopyError = 0;
    int m_nAttachmentsWritten = 0;
    std::vector<std::pair<std::string, std::string>> m_vecAttachmentFailures;
    bool m_bJson = false;
    QJsonArray m_jsonContacts, m_jsonCalls, m_jsonNotes;
    QJsonArray m_jsonChat;   // the messages of the chat page being written
};
