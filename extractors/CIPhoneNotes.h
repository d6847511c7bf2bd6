// Reader of the phone's notes: the older notes.sqlite (ZNOTE, ZNOTEBODY) and the
// newer NoteStore.sqlite (ZICCLOUDSYNCINGOBJECT, whole texts in ZICNOTEDATA);
// titles and bodies as plain text.
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
    // Newer database; notes marked for deletion come with nDeleted = 1, locked
    // notes with the body "[Locked note]". 0.
    int GetNotesStoreInfo(const char* notesDbPath, std::vector<__NOTES__>& notes);
    // Both databases together (a phone upgraded from an old iOS keeps both): their
    // notes newest first, appended to `notes`; a note in both (same title, same
    // creation second) once, as the newer database has it. Either path may name
    // a missing file. 0.
    int GetAllNotesInfo(const char* oldDbPath, const char* storeDbPath, std::vector<__NOTES__>& notes);

    // A note with its creation time in seconds since 2001, for merging the stores.
    struct TimedNote {
        long long nCreated = 0;
        __NOTES__ note;
    };

private:
    void ReadOldStore(const char* path, std::vector<TimedNote>& notes);
    void ReadNoteStore(const char* path, std::vector<TimedNote>& notes);

    QString m_strConnName = "note_connection";
    QString m_strDriver = "QSQLITE";
    QString m_strDbPath;
};

// Body shown for a locked note, whose text is encrypted.
inline constexpr char g_szLockedNoteBody[] = "[Locked note]";

// Plain text of a note title or body: the six entities decoded ("&amp;" last),
// "<div>" and "<br>" turned into line feeds, "</div>" removed; other markup kept.
std::string CleanNoteText(const QString& text);

// Seconds since 2001-01-01 00:00:00 UTC as local "yyyy-MM-dd hh:mm:ss".
std::string NoteLocalDate(long long secondsSince2001);
