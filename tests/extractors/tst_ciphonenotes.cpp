#include <ctime>
#include <cstdlib>

#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneNotes.h"
#include "extractors/NoteBody.h"
#include "support/ProtobufWire.h"

class TestCIPhoneNotes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanUpText();
    void olderStoreDatesAndText();
    void newerStore();
    void newerStoreOfOlderVersions();
    void badDatabasesGiveNothing();
    void noteBodyDecoding();
    void damagedNoteBodies();
    void bothStoresTogether();

private:
    QTemporaryDir m_dir;
    QString m_strOld, m_strStore, m_strBeside;
};

static const __NOTES__* Titled(const NotesVec& notes, const std::string& title)
{
    for (const auto& n : notes)
        if (n.strTitle == title)
            return &n;
    return nullptr;
}

static void SetZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

void TestCIPhoneNotes::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Tiny);
    m_strOld = m_dir.filePath("notes.sqlite");
    m_strStore = m_dir.filePath("NoteStore.sqlite");
    QString e;
    QVERIFY2(WriteOldNotesDatabase(m_strOld, scale, 4, false, &e), qPrintable(e));
    m_strBeside = m_dir.filePath("beside notes.sqlite");
    QVERIFY2(WriteOldNotesDatabase(m_strBeside, scale, 4, true, &e), qPrintable(e));
    QVERIFY2(WriteNoteStoreDatabase(m_strStore, scale, 4, &e), qPrintable(e));
    SetZone("UTC");
}

void TestCIPhoneNotes::cleanUpText()
{
    QCOMPARE(CleanNoteText("a<div>b</div>c<br>d"), Utf8("a\nbc\nd"));
    QCOMPARE(CleanNoteText("Tom&#39;s &quot;list&quot; &amp;amp;"), Utf8("Tom's \"list\" &amp;"));
    QCOMPARE(CleanNoteText("&#39 &quot x&nbsp;y &lt;b&gt;"), Utf8("' \" x y <b>"));
    // Decoded first, so an encoded div still breaks the line; other markup stays.
    QCOMPARE(CleanNoteText("x&lt;div&gt;y<p>z</p>"), Utf8("x\ny<p>z</p>"));
    QCOMPARE(CleanNoteText("&AMP;&Lt;"), Utf8("&AMP;&Lt;"));
}

void TestCIPhoneNotes::olderStoreDatesAndText()
{
    NotesVec notes;
    QCOMPARE(CIPhoneNotes().GetNotesInfo(m_strOld.toUtf8().constData(), notes), 0);
    QCOMPARE(int(notes.size()), 7); // 8 rows, one empty
    const __NOTES__* first = Titled(notes, "First note");
    QVERIFY(first);
    QCOMPARE(first->strDate, Utf8("2001-01-01 00:00:00"));
    QCOMPARE(first->strBody, Utf8("\nHello <world>\nx y\n"));
    QCOMPARE(first->nDeleted, 0);
    const __NOTES__* tom = Titled(notes, "Tom's list");
    QVERIFY(tom);
    QCOMPARE(tom->strBody, Utf8("a\nbc\nd"));
    QCOMPARE(tom->strDate, Utf8("2020-01-06 10:40:00"));
    // Seconds since 2001 in the local zone: the real day, never a 29 February
    // that does not exist.
    QCOMPARE(Titled(notes, "Leap day check")->strDate, Utf8("2003-03-01 00:00:00"));
    for (size_t i = 1; i < notes.size(); ++i)
        QVERIFY(notes[i - 1].strDate >= notes[i].strDate);

    SetZone("EST5");
    NotesVec local;
    CIPhoneNotes().GetNotesInfo(m_strOld.toUtf8().constData(), local);
    QCOMPARE(Titled(local, "First note")->strDate, Utf8("2000-12-31 19:00:00"));
    SetZone("UTC");
}

void TestCIPhoneNotes::newerStore()
{
    NotesVec notes;
    QCOMPARE(CIPhoneNotes().GetNotesStoreInfo(m_strStore.toUtf8().constData(), notes), 0);
    // Of the 5 fixed notes 4 have text, and the generated ones all have; folders,
    // the account, the attachment and the empty note stay out.
    QCOMPARE(int(notes.size()), PhoneDataScaleFor(SampleOptions::Scale::Tiny).nNotes - 1);
    const __NOTES__* shopping = Titled(notes, "Shopping, list");
    QVERIFY(shopping);
    QCOMPARE(shopping->strDate, Utf8("2020-01-06 10:40:00")); // only ZCREATIONDATE3 set
    // The whole text, not the one-line snippet, without the title line; plain
    // text, so "&" stays as written.
    QCOMPARE(shopping->strBody, Utf8("eggs, milk 🥚\nbread & butter\n\nA second paragraph the snippet never shows."));
    QCOMPARE(shopping->nDeleted, 0);
    // The attachment's place (U+FFFC) is dropped.
    QCOMPARE(Titled(notes, "Trip")->strBody,
             Utf8("Here is my first note. \n\nA second paragraph that the snippet never shows."));
    // Damaged data: the snippet, as before.
    QCOMPARE(Titled(notes, "Damaged gzip")->strBody, Utf8("Snippet of the damaged note"));
    QCOMPARE(Titled(notes, "Damaged proto")->strBody, Utf8("Snippet of the bad protobuf"));
    const __NOTES__* older = Titled(notes, "iOS 14 note");
    QVERIFY(older);
    QCOMPARE(older->strDate, Utf8("2016-11-05 00:53:20")); // only ZCREATIONDATE1 set
    QCOMPARE(older->strBody, Utf8("Tom's \"list\" &amp;"));
    const __NOTES__* deleted = Titled(notes, "Deleted note");
    QVERIFY(deleted);
    QCOMPARE(deleted->nDeleted, 1);
    const __NOTES__* locked = Titled(notes, "Locked note");
    QVERIFY(locked);
    QCOMPARE(locked->strBody, Utf8("[Locked note]"));
    QCOMPARE(Titled(notes, "Deleted note")->strBody, Utf8("gone but recoverable, and the rest of it"));
    QVERIFY(!Titled(notes, "Notes"));
    QVERIFY(!Titled(notes, "iCloud"));
    for (size_t i = 1; i < notes.size(); ++i)
        QVERIFY(notes[i - 1].strDate >= notes[i].strDate);
}

void TestCIPhoneNotes::newerStoreOfOlderVersions()
{
    // iOS 10-14: ZCREATIONDATE1 only, no entity table; iOS 9: ZCREATIONDATE only.
    const QString v14 = m_dir.filePath("store14.sqlite");
    QVERIFY(MakeDatabase(v14, {
        "CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, ZCREATIONDATE1 TIMESTAMP, "
        "ZSNIPPET VARCHAR, ZTITLE1 VARCHAR, ZTITLE2 VARCHAR)",
        "INSERT INTO ZICCLOUDSYNCINGOBJECT VALUES (1, 600000000, 'body', 'title', NULL), "
        "(2, 1, NULL, NULL, 'Folder'), (3, 500000000, 'b<br>2', NULL, NULL)",
    }));
    NotesVec notes;
    CIPhoneNotes().GetNotesStoreInfo(v14.toUtf8().constData(), notes);
    QCOMPARE(int(notes.size()), 2);
    QCOMPARE(notes[0].strDate, Utf8("2020-01-06 10:40:00"));
    QCOMPARE(notes[1].strBody, Utf8("b\n2"));

    const QString v9 = m_dir.filePath("store9.sqlite");
    QVERIFY(MakeDatabase(v9, {
        "CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, ZCREATIONDATE TIMESTAMP, "
        "ZSNIPPET VARCHAR, ZTITLE1 VARCHAR)",
        "INSERT INTO ZICCLOUDSYNCINGOBJECT VALUES (1, 600000000, 's', 't')",
    }));
    notes.clear();
    CIPhoneNotes().GetNotesStoreInfo(v9.toUtf8().constData(), notes);
    QCOMPARE(int(notes.size()), 1);
    QCOMPARE(notes[0].strDate, Utf8("2020-01-06 10:40:00"));
}

void TestCIPhoneNotes::badDatabasesGiveNothing()
{
    const QString garbage = m_dir.filePath("garbage");
    QVERIFY(WriteBytes(garbage, QByteArray(10000, '\xff')));
    for (const QString& path : {m_dir.filePath("none"), garbage, m_strStore}) {
        NotesVec notes;
        QCOMPARE(CIPhoneNotes().GetNotesInfo(path.toUtf8().constData(), notes), 0);
        QVERIFY(notes.empty());
    }
    for (const QString& path : {m_dir.filePath("none"), garbage, m_strOld}) {
        NotesVec notes;
        QCOMPARE(CIPhoneNotes().GetNotesStoreInfo(path.toUtf8().constData(), notes), 0);
        QVERIFY(notes.empty());
    }
}

void TestCIPhoneNotes::noteBodyDecoding()
{
    const QString text = QString::fromUtf8("Title\n\nBody with ünïcode 😀\nand a second line");
    std::string decoded;
    QVERIFY(DecodeNoteBody(EncodeNoteBody(text), &decoded));
    QCOMPARE(QString::fromStdString(decoded), text);

    // The title line (and the blank line under it) goes; a different first line stays.
    QCOMPARE(NoteBodyText("Title\n\nbody", "Title"), QString("body"));
    QCOMPARE(NoteBodyText(" Title \nbody", "Title"), QString("body"));
    QCOMPARE(NoteBodyText("Title", "Title"), QString());
    QCOMPARE(NoteBodyText("Other\nbody", "Title"), QString("Other\nbody"));
    QCOMPARE(NoteBodyText(QString::fromUtf8("a\xef\xbf\xbc b"), ""), QString("a b"));

    // The protobuf walk steps over every wire type and stops at a lying length.
    const QByteArray fields("\x08\x96\x01\x11" "12345678" "\x1d" "1234" "\x12\x02hi", 21);
    const uint8_t* payload = nullptr;
    size_t size = 0;
    QVERIFY(FindProtobufBytes(reinterpret_cast<const uint8_t*>(fields.constData()), size_t(fields.size()), 2,
                              &payload, &size));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(payload), int(size)), QByteArray("hi"));
    for (const QByteArray& bad : {QByteArray("\x12\x05hi", 4),                     // length past the end
                                  QByteArray("\x12\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01", 11), // 2^64-ish
                                  QByteArray("\x08\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01", 12), // varint too long
                                  QByteArray("\x0b\x12\x02hi", 5),                 // a group
                                  QByteArray("\x11" "1234", 5),                      // 64-bit field cut short
                                  QByteArray("\x02\x02hi", 4)}) {                   // field number 0
        QVERIFY(!FindProtobufBytes(reinterpret_cast<const uint8_t*>(bad.constData()), size_t(bad.size()), 2,
                                   &payload, &size));
    }
}

void TestCIPhoneNotes::damagedNoteBodies()
{
    const QByteArray good = EncodeNoteBody("Title\nsome text that is long enough to matter");
    std::string text;
    // Every cut of a valid body fails cleanly; so do garbage and an empty blob.
    for (int n = 0; n < good.size(); ++n)
        QVERIFY2(!DecodeNoteBody(good.left(n), &text) && text.empty(), qPrintable(QString::number(n)));
    QVERIFY(!DecodeNoteBody(QByteArray(64, '\x1f'), &text));
    QVERIFY(!DecodeNoteBody(QByteArray(), &text));
    QVERIFY(!DecodeNoteBody(nullptr, 10, &text));
    // Each byte flipped in turn: decoded or refused, never a crash.
    for (int i = 0; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped[i] ^ 0x5a);
        DecodeNoteBody(flipped, &text);
    }
    // Gzip around protobufs of the wrong shape.
    QVERIFY(!DecodeNoteBody(GzipBytes(QByteArray("\x12\x03\x1a\x01\x12", 5)), &text));  // inner length too long
    QVERIFY(!DecodeNoteBody(GzipBytes(QByteArray("\x12\x02\x08\x01", 4)), &text));       // no note field
    QVERIFY(DecodeNoteBody(GzipBytes(QByteArray("\x12\x04\x1a\x02\x12\x00", 6)), &text)); // an empty text
    QVERIFY(text.empty());
    // A small blob inflating to more than any note: refused, not held in memory.
    QVERIFY(!DecodeNoteBody(GzipBytes(QByteArray(40 * 1024 * 1024, 'a')), &text));
    QVERIFY(IsLockedNoteData(QByteArray("bplist00rest")));
    QVERIFY(!IsLockedNoteData(good));

    // A store whose data rows are damaged or hostile in type: snippets, no crash.
    const QString path = m_dir.filePath("damaged store.sqlite");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ZICCLOUDSYNCINGOBJECT (Z_PK INTEGER PRIMARY KEY, ZCREATIONDATE3 TIMESTAMP, "
        "ZISPASSWORDPROTECTED INTEGER, ZSNIPPET VARCHAR, ZTITLE1 VARCHAR)",
        "CREATE TABLE ZICNOTEDATA (Z_PK INTEGER PRIMARY KEY, ZNOTE INTEGER, ZDATA BLOB)",
        "INSERT INTO ZICCLOUDSYNCINGOBJECT VALUES (1, 600000000, 0, 's1', 't1'), (2, 600000001, 0, 's2', 't2'), "
        "(3, 600000002, NULL, 's3', 't3'), (4, 600000003, 0, NULL, 't4')",
        "INSERT INTO ZICNOTEDATA VALUES (1, 1, x'1f8b0800'), (2, 2, 'text, not a blob'), (3, 3, 42), "
        "(4, 4, x'62706c6973743030ff')",
    }));
    NotesVec notes;
    CIPhoneNotes().GetNotesStoreInfo(path.toUtf8().constData(), notes);
    QCOMPARE(int(notes.size()), 4);
    QCOMPARE(Titled(notes, "t1")->strBody, Utf8("s1"));
    QCOMPARE(Titled(notes, "t2")->strBody, Utf8("s2"));
    QCOMPARE(Titled(notes, "t3")->strBody, Utf8("s3"));
    // Encrypted data without the flag is still a locked note.
    QCOMPARE(Titled(notes, "t4")->strBody, Utf8("[Locked note]"));
}

void TestCIPhoneNotes::bothStoresTogether()
{
    NotesVec notes;
    QCOMPARE(CIPhoneNotes().GetAllNotesInfo(m_strBeside.toUtf8().constData(), m_strStore.toUtf8().constData(),
                                            notes),
             0);
    // 7 of the newer store, 4 of the older one less the note both hold.
    QCOMPARE(int(notes.size()), PhoneDataScaleFor(SampleOptions::Scale::Tiny).nNotes - 1 + 3);
    int shopping = 0;
    for (const auto& n : notes)
        shopping += n.strTitle == "Shopping, list" ? 1 : 0;
    QCOMPARE(shopping, 1);
    // The copy kept is the newer store's, with the whole text.
    QVERIFY(Titled(notes, "Shopping, list")->strBody.find("A second paragraph") != std::string::npos);
    // Same second, another title: a different note.
    QVERIFY(Titled(notes, "Tom's list"));
    QVERIFY(Titled(notes, "First note"));
    QVERIFY(Titled(notes, "Locked note"));
    for (size_t i = 1; i < notes.size(); ++i)
        QVERIFY(notes[i - 1].strDate >= notes[i].strDate);

    // Either store missing: the other's notes alone.
    notes.clear();
    CIPhoneNotes().GetAllNotesInfo(m_dir.filePath("none").toUtf8().constData(), m_strStore.toUtf8().constData(), notes);
    QCOMPARE(int(notes.size()), PhoneDataScaleFor(SampleOptions::Scale::Tiny).nNotes - 1);
    notes.clear();
    CIPhoneNotes().GetAllNotesInfo(m_strBeside.toUtf8().constData(), "", notes);
    QCOMPARE(int(notes.size()), 4);
}

QTEST_GUILESS_MAIN(TestCIPhoneNotes)
#include "tst_ciphonenotes.moc"
