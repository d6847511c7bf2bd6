// Notes databases of a sample backup.
//
// NoteStore.sqlite (newer), fixed objects (Z_PK):
//   1 account, 2 folder "Notes" (ZTITLE2), 3 folder "Recently Deleted"
//   4 note "Shopping, list" with only ZCREATIONDATE3 = 600000000 (2020-01-06 10:40:00 UTC);
//     its whole text (gzip'd protobuf) is far longer than its snippet
//   5 note with only ZCREATIONDATE1 = 500000000, entities in its snippet, no data
//   6 note marked for deletion (ZMARKEDFORDELETION = 1), title "Deleted note"
//   7 locked note: title, no snippet, data an encrypted "bplist00" blob
//   8 attachment object (no title, no snippet)
//   9 note with neither title nor snippet (not listed)
//   10 "Trip": the text holds U+FFFC where an attachment sits
//   11 "Damaged gzip": its data cut short, so the snippet shows
//   12 "Damaged proto": whole gzip around a protobuf whose length runs past its end
// Generated notes are mostly bodies longer than their snippet; about one in ten is locked.
// notes.sqlite (older), fixed notes (Z_PK):
//   1 created 0 (2001-01-01 00:00:00 UTC), title "First note", body with <div>, <br> and entities
//   2 created 600000000, title "Tom&#39;s list", body "a<div>b</div>c<br>d"
//   3 empty title and body (not listed)
//   4 created 68169600 (2003-03-01 00:00:00 UTC; a year-shift rule prints 2003-02-29)
// Beside a NoteStore (a phone upgraded from an old iOS) it also holds
//   5 "Shopping, list" created 600000000: the same note as the newer store's 4
// and a tenth of the scale's notes as filler; alone, filler up to the scale's notes.
#include "tools/sample/PhoneDatabases.h"

#include <zlib.h>

#include "tools/sample/SampleSqlite.h"

namespace {
const char* const kTitles[] = {"Groceries", "Ideas 💡", "Packing list, summer", "Recipe: crème brûlée",
                               "Meeting <notes>", "Passwords? no!", "Books to read", "Ünïcödé",
                               "To do & done", "Quotes \"to remember\""};
const char* const kBodies[] = {"milk\neggs\nbread", "Call Anna about the café",
                               "1 < 2 and 3 > 2", "Line one\nLine two\n\nLine four",
                               "Tom's \"best\" idea, so far 😀", "<b>bold</b> &amp; plain",
                               "Gate B12, seat 14A", "Ask about the 50% discount"};
const char* const kMoreLines[] = {"Don't forget the receipts.", "Second thoughts below:",
                                   "– Ask Zoë first\n– then book", "Checked twice ✔",
                                   "See the photo ￼ above", "Last updated on the train"};
const int kTitleCount = int(sizeof kTitles / sizeof *kTitles);
const int kBodyCount = int(sizeof kBodies / sizeof *kBodies);
const int kMoreCount = int(sizeof kMoreLines / sizeof *kMoreLines);

void AppendVarint(QByteArray& out, quint64 value)
{
    while (value >= 0x80) {
        out.append(char((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

void AppendBytesField(QByteArray& out, int number, const QByteArray& bytes)
{
    AppendVarint(out, quint64(number) << 3 | 2);
    AppendVarint(out, quint64(bytes.size()));
    out.append(bytes);
}

void AppendVarintField(QByteArray& out, int number, quint64 value)
{
    AppendVarint(out, quint64(number) << 3);
    AppendVarint(out, value);
}

} // namespace

QByteArray GzipBytes(const QByteArray& data)
{
    z_stream zs{};
    QByteArray out;
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return out;
    out.resize(qsizetype(deflateBound(&zs, uLong(data.size()))));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(rc == Z_STREAM_END ? qsizetype(zs.total_out) : 0);
    deflateEnd(&zs);
    return out;
}

namespace {

// Stand-in for the encrypted data of a locked note: a binary plist header and noise.
QByteArray LockedNoteData(PhoneRandom& rnd)
{
    QByteArray data("bplist00\xd4\x01\x02\x03\x04", 13);
    for (int i = 0; i < 48; ++i)
        data.append(char(rnd.Below(256)));
    return data;
}

// The text of a generated note: its title as first line, a blank line, then
// more than the snippet shows.
QString GeneratedNoteText(PhoneRandom& rnd, const QString& title, const QString& snippet)
{
    QString text = title + "\n\n" + snippet;
    const int extra = 1 + rnd.Below(3);
    for (int i = 0; i < extra; ++i)
        text += "\n" + QString::fromUtf8(kMoreLines[rnd.Below(kMoreCount)]);
    return text;
}
} // namespace

QByteArray EncodeNoteBody(const QString& text)
{
    return GzipBytes(EncodeNoteProto(text));
}

QByteArray EncodeNoteProto(const QString& text)
{
    // Note: text (2) and a formatting run (5: length, paragraph style).
    const QByteArray utf8 = text.toUtf8();
    QByteArray run;
    AppendVarintField(run, 1, quint64(text.size()));
    QByteArray style;
    AppendVarintField(style, 1, 0);
    AppendBytesField(run, 2, style);
    QByteArray note;
    AppendBytesField(note, 2, utf8);
    AppendBytesField(note, 5, run);
    // Document: version (2, a varint: not the message sought) then the note (3).
    QByteArray document;
    AppendVarintField(document, 2, 0);
    AppendBytesField(document, 3, note);
    QByteArray proto;
    AppendVarintField(proto, 1, 0);
    AppendBytesField(proto, 2, document);
    return proto;
}

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
        "CREATE INDEX ZICNOTEDATA_ZNOTE_INDEX ON ZICNOTEDATA (ZNOTE)",
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
                      const QVariant& title1, const QVariant& title2, const QByteArray& data) {
        const qlonglong id = pk++;
        QVariant noteData;
        if (!data.isEmpty()) {
            noteData = id;
            db.Insert(insData, {id, id, BlobValue(data)});
        }
        db.Insert(ins, {id, ent, locked, deleted, folder, noteData, created1, created3,
                        created3.isNull() ? created1 : created3, QString("ID-%1").arg(id), snippet,
                        title, title1, title2});
    };
    PhoneRandom rnd(seed ^ 0x0707ULL);
    const QByteArray none;
    object(14, 0, 0, null, null, null, null, null, null, "iCloud", none);
    object(15, 0, 0, null, 400000000, null, null, null, null, "Notes", none);
    object(15, 0, 0, null, 400000000, null, null, null, null, "Recently Deleted", none);
    object(11, 0, 0, 2, null, 600000000, QString::fromUtf8("eggs, milk 🥚"), null, "Shopping, list", null,
           EncodeNoteBody(QString::fromUtf8("Shopping, list\n\neggs, milk 🥚\nbread & butter\n\n"
                                            "A second paragraph the snippet never shows.")));
    object(11, 0, 0, 2, 500000000, null, "Tom&#39;s &quot;list&quot; &amp;amp;", null, "iOS 14 note", null, none);
    object(11, 0, 1, 3, null, 590000000, "gone but recoverable", null, "Deleted note", null,
           EncodeNoteBody("Deleted note\ngone but recoverable, and the rest of it"));
    object(11, 1, 0, 2, null, 580000000, null, null, "Locked note", null, LockedNoteData(rnd));
    object(5, 0, 0, null, null, 580000000, null, "IMG_0001.jpeg", null, null, none);
    object(11, 0, 0, 2, null, 570000000, null, null, null, null, none);
    object(11, 0, 0, 2, null, 575000000, "Here is my first note.", null, "Trip", null,
           EncodeNoteBody(QString::fromUtf8("Trip\n\nHere is my first note. \n\n\xef\xbf\xbc"
                                            "A second paragraph that the snippet never shows.")));
    const QByteArray whole = EncodeNoteBody("Damaged gzip\n\nThis text is lost with the end of the stream.");
    object(11, 0, 0, 2, null, 574000000, "Snippet of the damaged note", null, "Damaged gzip", null,
           whole.left(whole.size() - 12));
    QByteArray badProto;
    AppendVarint(badProto, 2 << 3 | 2);
    AppendVarint(badProto, 4000); // longer than the message
    badProto.append("\x1a\x05\x12\x03" "abc", 7);
    object(11, 0, 0, 2, null, 573000000, "Snippet of the bad protobuf", null, "Damaged proto", null,
           GzipBytes(badProto));
    const int fixedNotes = 8;

    for (int i = fixedNotes; i < scale.nNotes; ++i) {
        const bool deleted = rnd.Chance(3);
        const bool locked = !deleted && rnd.Chance(10);
        const QString title = QString::fromUtf8(kTitles[rnd.Below(kTitleCount)]);
        const QString snippet = QString::fromUtf8(kBodies[rnd.Below(kBodyCount)]);
        // A few notes were never given their text (older sync): snippet only.
        const bool withText = rnd.Chance(90);
        const QByteArray data = locked     ? LockedNoteData(rnd)
                                : withText ? EncodeNoteBody(GeneratedNoteText(rnd, title, snippet))
                                           : none;
        object(11, locked ? 1 : 0, deleted ? 1 : 0, deleted ? 3 : 2, null,
               qlonglong(560000000) + rnd.Below(200000000), locked ? QVariant() : QVariant(snippet), null,
               title, null, data);
    }
    if (!db.Finish()) {
        if (error)
            *error = "NoteStore.sqlite: " + db.Error();
        return false;
    }
    return true;
}

bool WriteOldNotesDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                           bool besideNewStore, QString* error)
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
    if (besideNewStore)
        note(600000000, "Shopping, list", QString::fromUtf8("<div>eggs, milk 🥚</div>"));

    PhoneRandom rnd(seed ^ 0x0808ULL);
    const int last = besideNewStore ? int(pk) - 1 + scale.nNotes / 10 : scale.nNotes;
    for (int i = int(pk); i <= last; ++i) {
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
