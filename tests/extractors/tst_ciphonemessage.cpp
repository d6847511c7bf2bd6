#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneMessage.h"

class TestCIPhoneMessage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsGeneratedDatabase();
    void namesFromEitherAddressBookNumbering();
    void keysAscendingAndNewestFirst();
    void progressAndEarlyStop();
    void badDatabasesGiveNothing();
    void copiesDatabaseWithoutOverwriting();

private:
    QTemporaryDir m_dir;
    QString m_strSms, m_strOldSms, m_strBook, m_strOldBook;
};

namespace {
std::vector<int> g_reports;
int g_stopAt = -1;
int Record(void*, int position)
{
    g_reports.push_back(position);
    return position == g_stopAt ? 3 : 0;
}

const __MESSAGE_INFO__* ByRowId(const MessageMap& map, int rowId, int* count = nullptr)
{
    const __MESSAGE_INFO__* found = nullptr;
    int n = 0;
    for (const auto& conv : map)
        for (const auto& m : conv.second)
            if (m.nRowId == rowId) {
                found = &m;
                ++n;
            }
    if (count)
        *count = n;
    return found;
}
} // namespace

void TestCIPhoneMessage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Small);
    m_strSms = m_dir.filePath("sms.db");
    m_strOldSms = m_dir.filePath("old sms #1.db");
    m_strBook = m_dir.filePath("ab.sqlitedb");
    m_strOldBook = m_dir.filePath("ab9.sqlitedb");
    QString error;
    QVERIFY2(WriteSmsDatabase(m_strSms, scale, 11, true, &error), qPrintable(error));
    QVERIFY2(WriteSmsDatabase(m_strOldSms, scale, 11, false, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strBook, scale, 11, true, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strOldBook, scale, 11, false, &error), qPrintable(error));
}

void TestCIPhoneMessage::readsGeneratedDatabase()
{
    const QStringList before = FilesIn(m_dir.path());
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader(0, true);
    QCOMPARE(reader.GetSMSInfo(m_strSms.toUtf8().constData(), m_strBook.toUtf8().constData(), map,
                               maxRowId),
             0);
    // Reading never writes beside the databases (no journal, -wal or -shm files).
    QCOMPARE(FilesIn(m_dir.path()), before);

    // Row 7 has no text at all: dropped, but it still counts for the largest row id.
    QCOMPARE(maxRowId, 2000ULL);
    QVERIFY(!ByRowId(map, 7));

    // A message joined to two chats is listed once.
    int count = 0;
    const __MESSAGE_INFO__* m1 = ByRowId(map, 1, &count);
    QVERIFY(m1);
    QCOMPARE(count, 1);
    QCOMPARE(m1->strText, Utf8("Hi, it's Ann 😀 \"quotes\" & <b>tags</b>\nsecond line"));
    QCOMPARE(m1->strSender, Utf8("+15551234567"));
    QCOMPARE(m1->strContactName, Utf8("AnnLee")); // Ann comes before Zed, who has the number too
    QCOMPARE(m1->nIsFromMe, 0);
    QCOMPARE(m1->nHandleId, 1);
    QCOMPARE(m1->nDeleted, 0);
    QVERIFY(m1->strSpare.empty());

    // Text only in attributedBody.
    const __MESSAGE_INFO__* m2 = ByRowId(map, 2);
    QVERIFY(m2);
    QCOMPARE(m2->strText, Utf8("Sent from attributedBody ✓"));
    QCOMPARE(m2->nIsFromMe, 1);

    // Attachment placeholders are dropped; a message made of one alone has no text.
    QCOMPARE(ByRowId(map, 3)->strText, Utf8("Look at this"));
    QVERIFY(!ByRowId(map, 10));

    // Seconds-era and nanosecond-era dates give the same text.
    QCOMPARE(ByRowId(map, 4)->strDate, Utf8("2020-01-06 10:40:00"));
    QCOMPARE(ByRowId(map, 11)->strDate, Utf8("2020-01-06 10:40:00"));

    // Your own message in a group chat (handle_id 0) is kept under key 0.
    QVERIFY(map.count(0));
    const __MESSAGE_INFO__* m5 = ByRowId(map, 5);
    QVERIFY(m5);
    QCOMPARE(m5->nHandleId, 0);
    QVERIFY(m5->strSender.empty());
    QVERIFY(m5->strContactName.empty());
    for (const auto& m : map.at(0))
        QCOMPARE(m.nIsFromMe, 1);

    // Substring matching: a shorter form of Ann's number still names her; an
    // e-mail address matches nobody's phone text; a stranger stays unnamed.
    QCOMPARE(ByRowId(map, 8)->strContactName, Utf8("AnnLee"));
    QVERIFY(ByRowId(map, 9)->strContactName.empty());
    QCOMPARE(ByRowId(map, 6)->strContactName, Utf8("JoséMüller 😀"));

    // Every record is filed under its own handle and has text.
    size_t total = 0;
    for (const auto& conv : map) {
        for (const auto& m : conv.second) {
            QCOMPARE((unsigned int)m.nHandleId, conv.first);
            QVERIFY(!m.strText.empty());
            QVERIFY(m.strText.find("\xEF\xBF\xBC") == std::string::npos);
            QCOMPARE(int(m.strDate.size()), 19);
        }
        total += conv.second.size();
    }
    QVERIFY(total > 1800);
}

void TestCIPhoneMessage::namesFromEitherAddressBookNumbering()
{
    // An iOS 9 address book (c15Phone) read by a backup of either layout, and a
    // newer one read by an old-layout backup: the other numbering is tried.
    const std::pair<QString, bool> cases[] = {
        {m_strOldBook, false}, {m_strOldBook, true}, {m_strBook, false}};
    for (const auto& c : cases) {
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader(0, c.second);
        reader.GetSMSInfo(m_strOldSms.toUtf8().constData(), c.first.toUtf8().constData(), map, maxRowId);
        const __MESSAGE_INFO__* m1 = ByRowId(map, 1);
        QVERIFY(m1);
        QCOMPARE(m1->strContactName, Utf8("AnnLee"));
        // The older database keeps seconds: still the right date text.
        QCOMPARE(ByRowId(map, 11)->strDate, Utf8("2020-01-06 10:40:00"));
    }
}

void TestCIPhoneMessage::keysAscendingAndNewestFirst()
{
    const QString path = m_dir.filePath("order.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, "
        "date INTEGER, is_from_me INTEGER)",
        "CREATE TABLE chat_message_join (chat_id INTEGER, message_id INTEGER)",
        "INSERT INTO handle VALUES (3, 'three'), (7, 'seven')",
        "INSERT INTO message VALUES (1, 'a', 7, 600000000, 0), (2, 'b', 3, 600000100, 1), "
        "(3, 'c', 7, 600000200, 0), (4, '', 3, 600000300, 0), (5, 'd', 3, 500000000, 0)",
        "INSERT INTO chat_message_join VALUES (1, 1), (1, 2), (1, 3), (1, 4), (1, 5)",
    }));
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader;
    reader.GetSMSInfo(path.toUtf8().constData(), "", map, maxRowId);
    QCOMPARE(maxRowId, 5ULL);
    QCOMPARE(int(map.size()), 2);
    QCOMPARE(map.begin()->first, 3u);
    QCOMPARE(map.rbegin()->first, 7u);
    QCOMPARE(int(map[3].size()), 2); // the empty text is dropped
    QCOMPARE(map[3][0].strText, Utf8("b"));
    QCOMPARE(map[3][1].strText, Utf8("d"));
    QCOMPARE(map[7][0].strText, Utf8("c"));
    QCOMPARE(map[7][1].strText, Utf8("a"));
    // No address book: names stay empty.
    QVERIFY(map[7][0].strContactName.empty());
}

void TestCIPhoneMessage::progressAndEarlyStop()
{
    const QByteArray sms = m_strSms.toUtf8(), book = m_strBook.toUtf8();
    {
        g_reports.clear();
        g_stopAt = -1;
        MessageMap map;
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.InitCallback(Record, nullptr, 20, 11);
        QCOMPARE(reader.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 0);
        QCOMPARE(g_reports, std::vector<int>({22, 22, 31}));
        QVERIFY(!map.empty());
    }
    {
        // Stopped after the message query: the caller's map is left as it was.
        g_reports.clear();
        g_stopAt = 12;
        MessageMap map;
        map[99].push_back(__MESSAGE_INFO__());
        unsigned long long maxRowId = 0;
        CIPhoneMessage reader;
        reader.InitCallback(Record, nullptr, 10, 10);
        QCOMPARE(reader.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 0);
        QCOMPARE(g_reports, std::vector<int>({12, 20}));
        QCOMPARE(int(map.size()), 1);
        QVERIFY(map.count(99));
        QCOMPARE(maxRowId, 2000ULL);

        g_reports.clear();
        g_stopAt = 20;
        CIPhoneMessage second;
        second.InitCallback(Record, nullptr, 10, 10);
        QCOMPARE(second.GetSMSInfo(sms.constData(), book.constData(), map, maxRowId), 3);
    }
    g_stopAt = -1;
}

void TestCIPhoneMessage::badDatabasesGiveNothing()
{
    const QString empty = m_dir.filePath("empty.db");
    const QString garbage = m_dir.filePath("garbage.db");
    const QString stripped = m_dir.filePath("stripped.db");
    QVERIFY(WriteBytes(empty, QByteArray()));
    QVERIFY(WriteBytes(garbage, QByteArray(5000, 'x')));
    // A stripped database without chat_message_join, as some tools leave it.
    QVERIFY(MakeDatabase(stripped, {
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id TEXT)",
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, handle_id INTEGER, date INTEGER)",
        "INSERT INTO message VALUES (1, 'x', 0, 1)",
    }));
    for (const QString& path : {m_dir.filePath("missing.db"), empty, garbage, stripped}) {
        MessageMap map;
        unsigned long long maxRowId = 77;
        CIPhoneMessage reader;
        QCOMPARE(reader.GetSMSInfo(path.toUtf8().constData(), garbage.toUtf8().constData(), map, maxRowId), 0);
        QVERIFY(map.empty());
        QCOMPARE(maxRowId, 0ULL);
    }
    MessageMap map;
    unsigned long long maxRowId = 0;
    CIPhoneMessage reader;
    QCOMPARE(reader.GetSMSInfo(nullptr, nullptr, map, maxRowId), 0);
    QVERIFY(map.empty());
}

void TestCIPhoneMessage::copiesDatabaseWithoutOverwriting()
{
    const QString target = m_dir.filePath("out/sms copy.db");
    QVERIFY(QDir().mkpath(m_dir.filePath("out")));
    CIPhoneMessage reader;
    QCOMPARE(reader.SaveSMSCsvFile(m_strSms.toUtf8().constData(), target.toUtf8().constData(), 0), 0);
    QCOMPARE(QFileInfo(target).size(), QFileInfo(m_strSms).size());
    // Not world-writable.
    QVERIFY(!(QFile::permissions(target) & QFileDevice::WriteOther));
    QVERIFY(QFile::permissions(target) & QFileDevice::ReadOwner);
    // An existing file is kept as it is.
    QVERIFY(WriteBytes(target, "mine"));
    QCOMPARE(reader.SaveSMSCsvFile(m_strSms.toUtf8().constData(), target.toUtf8().constData(), 0), 0);
    QCOMPARE(QFileInfo(target).size(), 4);
}

QTEST_GUILESS_MAIN(TestCIPhoneMessage)
#include "tst_ciphonemessage.moc"
