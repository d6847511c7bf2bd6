// Reader of the phone's notes: the older notes.sqlite (ZNOTE, ZNOTEBODY) and the
// newer NoteStore.sqlite (ZICCLOUDSYNCINGOBJECT); titles and bodies as plain text.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "engine/BackupRecords.h"

class CIPhoneNotes {
public:
    CIPhoneNotes();

    // Older database. Appends to `notes` and sorts the whole vector newest first. 0.
    int GetNotesInfo(const char* notesDbPath, std::vector<__NOTES__>& notes);
    // Newer database; notes marked for deletion come with nDeleted = 1. 0.
    int GetNotesStoreInfo(const char* notesDbPath, std::vector<__NOTES__>& notes);

private:
    QString m_strConnName = "note_connection";
    QString m_strDriver = "QSQLITE";
    QString m_strDbPath;
};

// Plain text of a note title or body: the six entities decoded ("&amp;" last),
// "<div>" and "<br>" turned into line feeds, "</div>" removed; other markup kept.
std::string CleanNoteText(const QString& text);

// Seconds since 2001-01-01 00:00:00 UTC as local "yyyy-MM-dd hh:mm:ss".
std::string NoteLocalDate(long long secondsSince2001);
