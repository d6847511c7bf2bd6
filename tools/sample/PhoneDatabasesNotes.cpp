// Notes databases of a sample backup.
//
// NoteStore.sqlite (newer), fixed objects (Z_PK):
//   1 account, 2 folder "Notes" (ZTITLE2), 3 folder "Recently Deleted"
//   4 note "Shopping, list" with only ZCREATIONDATE3 = 600000000 (2020-01-06 10:40:00 UTC)
//   5 note with only ZCREATIONDATE1 = 500000000 and entities in its snippet
//   6 note marked for deletion (ZMARKEDFORDELETION = 1), title "Deleted note"
//   7 locked note: title, no snippet
//   8 attachment object (no title, no snippet)
//   9 note with neither title nor snippet (not listed)
// notes.sqlite (older), fixed notes (Z_PK):
//   1 created 0 (2001-01-01 00:00:00 UTC), title "First note", body with <div>, <br> and entities
//   2 created 600000000, title "Tom&#39;s list", body "a<div>b</div>c<br>d"
//   3 empty title and body (not listed)
//   4 created 68169600 (2003-03-01 00:00:00 UTC; a year-shift rule prints 2003-02-29)
#include "tools/sample/PhoneDatabases.h"

#include "tools/sample/SampleSqlite.h"

namespace {
const char* const kTitles[] = {"Groceries", "Ideas 💡", "Packing list, summer", "Recipe: crème brûlée",
                               "Meeting <notes>", "Passwords? no!", "Books to read", "Ünïcödé",
                               "To do & done", "Quotes \"to remember\""};
const char* const kBodies[] = {"milk\neggs\nbread", "Call Anna about the café",
                               "1 < 2 and 3 > 2", "Line one\nLine two\n\nLine four",
                               "Tom's \"best\" idea, so far 😀", "<b>bold</b> &amp; plain",
                               "Gate B12, seat 14A", "Ask about the 50% discount"};
const int kTitleCount = int(sizeof kTitles / sizeof *kTitles);
const int kBodyCount = int(sizeof kBodies / sizeof *kBodies);
} // namespace

bool WriteNoteStoreDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                            QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, "
        "Z_MAX INTEGER)",
        "CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZISPASSWORDPROTECTED INTEGER, ZMARKEDFORDELETION INTEGER, ZACCOUNT3 INTEGER, "
        "ZFOLDER INTEGER, ZNOTEDATA INTEGER, ZCREATIONDATE TIMESTAMP, ZCREATIONDATE1 TIMESTAMP, "
        "ZCREATIONDATE2 TIMESTAMP, ZCREATIONDATE3 TIMESTAMP, ZMODIFICATIONDATE1 TIMESTAMP, "
        "ZIDENTIFIER VARCHAR, ZSNIPPET VARCHAR, ZTITLE VARCHAR, ZTITLE1 VARCHAR, ZTITLE2 VARCHAR)",
        "CREATE TABLE ZICNOTEDATA (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZNOTE INTEGER, ZDATA BLOB)",
        "INSERT INTO Z_PRIMARYKEY VALUES (5, 'ICAttachment', 0, 0)",
        "INSERT INTO Z_PRIMARYKEY VALUES (11, 'ICNote', 0, 0)",
        "INSERT INTO Z_PRIMARYKEY VALUES (14, 'ICAccount', 0, 0)",
        "INSERT INTO Z_PRIMARYKEY VALUES (15, 'ICFolder', 0, 0)",
    });
    QSqlQuery ins = db.Prepare(
        "INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_PK, Z_ENT, Z_OPT, ZISPASSWORDPROTECTED, "
        "ZMARKEDFORDELETION, ZFOLDER, ZNOTEDATA, ZCREATIONDATE, ZCREATIONDATE1, ZCREATIONDATE3, "
        "ZMODIFICATIONDATE1, ZIDENTIFIER, ZSNIPPET, ZTITLE, ZTITLE1, ZTITLE2) "
        "VALUES (?, ?, 1, ?, ?, ?, ?, NULL, ?, ?, ?, ?, ?, ?, ?, ?)");
    QSqlQuery insData = db.Prepare("INSERT INTO ZICNOTEDATA VALUES (?, 3, 1, ?, ?)");
    const QVariant null;
    qlonglong pk = 1;
    auto object = [&](int ent, int locked, int deleted, const QVariant& folder, const QVariant& created1,
                      const QVariant& created3, const QVariant& snippet, const QVariant& title,
                      const QVariant& title1, const QVariant& title2) {
        const qlonglong id = pk++;
        QVariant noteData;
        if (ent == 11) {
            noteData = id;
            // The body proper is a gzip'd protobuf; a stand-in blob is enough here.
            db.Insert(insData, {id, id, QVariant(QByteArray("\x1f\x8b\x08\x00", 4))});
        }
        db.Insert(ins, {id, ent, locked, deleted, folder, noteData, created1, created3,
                        created3.isNull() ? created1 : created3, QString("ID-%1").arg(id), snippet,
                        title, title1, title2});
    };
    object(14, 0, 0, null, null, null, null, null, null, "iCloud");
    object(15, 0, 0, null, 400000000, null, null, null, null, "Notes");
    object(15, 0, 0, null, 400000000, null, null, null, null, "Recently Deleted");
    object(11, 0, 0, 2, null, 600000000, QString::fromUtf8("eggs, milk 🥚"), null,
           "Shopping, list", null);
    object(11, 0, 0, 2, 500000000, null, "Tom&#39;s &quot;list&quot; &amp;amp;", null, "iOS 14 note", null);
    object(11, 0, 1, 3, null, 590000000, "gone but recoverable", null, "Deleted note", null);
    object(11, 1, 0, 2, null, 580000000, null, null, "Locked note", null);
    object(5, 0, 0, null, null, 580000000, null, "IMG_0001.jpeg", null, null);
    object(11, 0, 0, 2, null, 570000000, null, null, null, null);

    PhoneRandom rnd(seed ^ 0x0707ULL);
    // Five of the fixed objects are notes.
    for (int i = 5; i < scale.nNotes; ++i) {
        const bool deleted = rnd.Chance(3);
        object(11, 0, deleted ? 1 : 0, deleted ? 3 : 2, null,
               qlonglong(560000000) + rnd.Below(200000000),
               QString::fromUtf8(kBodies[rnd.Below(kBodyCount)]), null,
               QString::fromUtf8(kTitles[rnd.Below(kTitleCount)]), null);
    }
    if (!db.Finish()) {
        if (error)
            *error = "NoteStore.sqlite: " + db.Error();
        return false;
    }
    return true;
}

bool WriteOldNotesDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                           QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZCONTAINSCJK INTEGER, ZCONTENTTYPE INTEGER, ZDELETEDFLAG INTEGER, ZEXTERNALFLAGS INTEGER, "
        "ZEXTERNALSERVERINTID INTEGER, ZINTEGERID INTEGER, ZISBOOKKEEPINGENTRY INTEGER, "
        "ZBODY INTEGER, ZSTORE INTEGER, ZCREATIONDATE TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, "
        "ZAUTHOR VARCHAR, ZGUID VARCHAR, ZSERVERID VARCHAR, ZSUMMARY VARCHAR, ZTITLE VARCHAR)",
        "CREATE TABLE ZNOTEBODY (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZOWNER INTEGER, ZCONTENT VARCHAR, ZEXTERNALCONTENTREF VARCHAR, ZEXTERNALREPRESENTATION BLOB)",
    });
    QSqlQuery insNote = db.Prepare(
        "INSERT INTO ZNOTE (Z_PK, Z_ENT, Z_OPT, ZDELETEDFLAG, ZBODY, ZSTORE, ZCREATIONDATE, "
        "ZMODIFICATIONDATE, ZGUID, ZSUMMARY, ZTITLE) VALUES (?, 8, 1, 0, ?, 1, ?, ?, ?, ?, ?)");
    QSqlQuery insBody = db.Prepare("INSERT INTO ZNOTEBODY (Z_PK, Z_ENT, Z_OPT, ZOWNER, ZCONTENT) VALUES (?, 7, 1, ?, ?)");
    qlonglong pk = 1;
    auto note = [&](qlonglong created, const QString& title, const QString& body) {
        const qlonglong id = pk++;
        // Body rows are numbered apart from the notes, as on the phone.
        const qlonglong bodyId = id + 1000000;
        db.Insert(insNote, {id, bodyId, created, created + 60, QString("GUID-%1").arg(id),
                            body.left(40), title.isEmpty() ? QVariant() : QVariant(title)});
        db.Insert(insBody, {bodyId, id, body.isEmpty() ? QVariant() : QVariant(body)});
    };
    note(0, "First note", "<div>Hello &lt;world&gt;</div><div>x&nbsp;y<br></div>");
    note(600000000, "Tom&#39;s list", "a<div>b</div>c<br>d");
    note(590000000, "", "");
    note(68169600, "Leap day check", "The old year-shift rule printed a wrong day here.");

    PhoneRandom rnd(seed ^ 0x0808ULL);
    for (int i = int(pk); i <= scale.nNotes; ++i) {
        const QString body = "<div>" + QString::fromUtf8(kBodies[rnd.Below(kBodyCount)]).toHtmlEscaped() +
                             "</div><div><br></div>";
        note(qlonglong(300000000) + rnd.Below(200000000), QString::fromUtf8(kTitles[rnd.Below(kTitleCount)]),
             body);
    }
    if (!db.Finish()) {
        if (error)
            *error = "notes.sqlite: " + db.Error();
        return false;
    }
    return true;
}
