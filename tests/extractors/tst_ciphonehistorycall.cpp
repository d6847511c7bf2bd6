#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneHistoryCall.h"

class TestCIPhoneHistoryCall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsBothCallLogs();
    void fullTextBookBySubstring();
    void appendsAndSortsTogether();
    void badDatabasesGiveNothing();

private:
    QTemporaryDir m_dir;
    QString m_strNew, m_strOld, m_strBook, m_strOldBook;
};

static const __CALLHISTORY__* At(const CallHistoryVec& calls, const std::string& address)
{
    for (const auto& c : calls)
        if (c.strAddress == address)
            return &c;
    return nullptr;
}

void TestCIPhoneHistoryCall::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Tiny);
    m_strNew = m_dir.filePath("CallHistory.storedata");
    m_strOld = m_dir.filePath("call_history.db");
    m_strBook = m_dir.filePath("ab");
    m_strOldBook = m_dir.filePath("ab9");
    QString e;
    QVERIFY2(WriteCallHistoryDatabase(m_strNew, scale, 2, &e), qPrintable(e));
    QVERIFY2(WriteOldCallHistoryDatabase(m_strOld, scale, 2, &e), qPrintable(e));
    QVERIFY2(WriteAddressBookDatabase(m_strBook, scale, 2, true, &e), qPrintable(e));
    QVERIFY2(WriteAddressBookDatabase(m_strOldBook, scale, 2, false, &e), qPrintable(e));
}

void TestCIPhoneHistoryCall::readsBothCallLogs()
{
    // The newer log (ZADDRESS as a BLOB) and the old `call` table give the same
    // fixed calls; the names come from either address-book numbering.
    const std::pair<QString, QString> cases[] = {{m_strNew, m_strBook}, {m_strOld, m_strOldBook}};
    for (const auto& c : cases) {
        CallHistoryVec calls;
        QCOMPARE(CIPhoneHistoryCall().GetHistoryCallInfo(c.first.toUtf8().constData(),
                                                         c.second.toUtf8().constData(), calls),
                 0);
        QCOMPARE(int(calls.size()), 15); // 16 rows, one without an address

        const __CALLHISTORY__* ann = At(calls, "+15551234567");
        QVERIFY(ann);
        QCOMPARE(ann->strContactName, Utf8("Ann Lee"));
        QCOMPARE(ann->strDate, Utf8("2020-01-06 10:40:00"));
        QCOMPARE(ann->nDuration, 65);
        QCOMPARE(ann->nAnswered, 1);
        QCOMPARE(ann->nDeleted, 0);

        // 4 bytes never get a name; 5 digits are no stored number's whole nor
        // long enough to match its ending.
        QVERIFY(At(calls, "1234"));
        QVERIFY(At(calls, "1234")->strContactName.empty());
        QCOMPARE(At(calls, "1234")->nAnswered, 0);
        QVERIFY(At(calls, "12345")->strContactName.empty());
        QVERIFY(!At(calls, ""));
        QCOMPARE(At(calls, "+4915112345678")->strContactName, Utf8("José Müller 😀"));
        QCOMPARE(At(calls, "+4915112345678")->nDuration, 3600);
        QVERIFY(At(calls, "<script>x</script>"));

        for (size_t i = 1; i < calls.size(); ++i)
            QVERIFY(calls[i - 1].strDate >= calls[i].strDate);
    }
}

void TestCIPhoneHistoryCall::fullTextBookBySubstring()
{
    // Where the address book has only its full-text index, its phone text is
    // searched: 4 bytes never get a name, even though Ann's number holds "1234"; 5 can.
    const QString book = m_dir.filePath("ab text only");
    QString e;
    QVERIFY2(WriteAddressBookDatabase(book, PhoneDataScaleFor(SampleOptions::Scale::Tiny), 2, true, &e, false),
             qPrintable(e));
    CallHistoryVec calls;
    CIPhoneHistoryCall().GetHistoryCallInfo(m_strNew.toUtf8().constData(), book.toUtf8().constData(), calls);
    QVERIFY(At(calls, "1234")->strContactName.empty());
    QCOMPARE(At(calls, "12345")->strContactName, Utf8("Ann Lee"));
    QCOMPARE(At(calls, "+15551234567")->strContactName, Utf8("Ann Lee"));
    QCOMPARE(At(calls, "+4915112345678")->strContactName, Utf8("José Müller 😀"));
}

void TestCIPhoneHistoryCall::appendsAndSortsTogether()
{
    CallHistoryVec calls;
    __CALLHISTORY__ mine;
    mine.strAddress = "+15551234567";
    mine.strDate = "2030-01-01 00:00:00";
    mine.strContactName = "stale";
    calls.push_back(mine);
    CIPhoneHistoryCall reader;
    reader.GetHistoryCallInfo(m_strNew.toUtf8().constData(), m_strBook.toUtf8().constData(), calls);
    reader.GetHistoryCallInfo(m_strNew.toUtf8().constData(), m_strBook.toUtf8().constData(), calls);
    QCOMPARE(int(calls.size()), 31);
    // Records already held are named again and sorted with the rest.
    QCOMPARE(calls[0].strDate, Utf8("2030-01-01 00:00:00"));
    QCOMPARE(calls[0].strContactName, Utf8("Ann Lee"));
    int anns = 0;
    for (const auto& c : calls)
        anns += c.strDate == "2020-01-06 10:40:00";
    QCOMPARE(anns, 2);
}

void TestCIPhoneHistoryCall::badDatabasesGiveNothing()
{
    const QString garbage = m_dir.filePath("garbage");
    const QString wrong = m_dir.filePath("wrong.db");
    QVERIFY(WriteBytes(garbage, QByteArray("SQLite format 3\0garbage", 23)));
    QVERIFY(MakeDatabase(wrong, {"CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, ZDATE)"}));
    for (const QString& path : {m_dir.filePath("none"), garbage, wrong}) {
        CallHistoryVec calls;
        QCOMPARE(CIPhoneHistoryCall().GetHistoryCallInfo(path.toUtf8().constData(),
                                                         garbage.toUtf8().constData(), calls),
                 0);
        QVERIFY(calls.empty());
    }
    // Calls read without an address book stay unnamed.
    CallHistoryVec calls;
    CIPhoneHistoryCall().GetHistoryCallInfo(m_strNew.toUtf8().constData(), nullptr, calls);
    QCOMPARE(int(calls.size()), 15);
    for (const auto& c : calls)
        QVERIFY(c.strContactName.empty());
}

QTEST_GUILESS_MAIN(TestCIPhoneHistoryCall)
#include "tst_ciphonehistorycall.moc"
