#include <ctime>
#include <cstdlib>

#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneNotes.h"

class TestCIPhoneNotes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanUpText();
    void olderStoreDatesAndText();
    void newerStore();
    void newerStoreOfOlderVersions();
    void badDatabasesGiveNothing();

private:
    QTemporaryDir m_dir;
    QString m_strOld, m_strStore;
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
    QVERIFY2(WriteOldNotesDatabase(m_strOld, scale, 4, &e), qPrintable(e));
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
    QCOMPARE(shopping->strBody, Utf8("eggs, milk 🥚"));
    QCOMPARE(shopping->nDeleted, 0);
    const __NOTES__* older = Titled(notes, "iOS 14 note");
    QVERIFY(older);
    QCOMPARE(older->strDate, Utf8("2016-11-05 00:53:20")); // only ZCREATIONDATE1 set
    QCOMPARE(older->strBody, Utf8("Tom's \"list\" &amp;"));
    const __NOTES__* deleted = Titled(notes, "Deleted note");
    QVERIFY(deleted);
    QCOMPARE(deleted->nDeleted, 1);
    const __NOTES__* locked = Titled(notes, "Locked note");
    QVERIFY(locked);
    QVERIFY(locked->strBody.empty());
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

QTEST_GUILESS_MAIN(TestCIPhoneNotes)
#include "tst_ciphonenotes.moc"
