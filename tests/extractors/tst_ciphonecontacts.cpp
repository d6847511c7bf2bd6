#include <QtTest>

#include "ExtractorFixtures.h"
#include "extractors/CIPhoneContacts.h"

class TestCIPhoneContacts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsGeneratedAddressBook();
    void columnNumberingFollowsTheDatabase();
    void namesSortWithoutCase();
    void badDatabasesGiveNothing();

private:
    QTemporaryDir m_dir;
    QString m_strBook, m_strOldBook;
    int m_nWithPhone = 0;
};

static const __PERSON_CONTENT__* Named(const PersonContentVec& people, const std::string& name)
{
    for (const auto& p : people)
        if (p.strName == name)
            return &p;
    return nullptr;
}

void TestCIPhoneContacts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Small);
    m_strBook = m_dir.filePath("AddressBook.sqlitedb");
    m_strOldBook = m_dir.filePath("AddressBook iOS 9.sqlitedb");
    QString error;
    QVERIFY2(WriteAddressBookDatabase(m_strBook, scale, 5, true, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strOldBook, scale, 5, false, &error), qPrintable(error));
    for (const SamplePerson& p : SamplePeople(scale, 5))
        m_nWithPhone += p.vecNumbers.isEmpty() ? 0 : 1;
}

void TestCIPhoneContacts::readsGeneratedAddressBook()
{
    PersonContentVec people;
    unsigned long long maxDocId = 0;
    CIPhoneContacts reader(0, true);
    QCOMPARE(reader.GetContactsInfo(m_strBook.toUtf8().constData(), people, maxDocId), 0);
    QCOMPARE(int(people.size()), m_nWithPhone);
    QCOMPARE(maxDocId, 200ULL); // the e-mail-only people count too

    const __PERSON_CONTENT__* ann = Named(people, "AnnLee");
    QVERIFY(ann);
    QVERIFY(ann->strPhone.find("+15551234567") != std::string::npos);
    QCOMPARE(ann->strEmail, Utf8("ann@example.com"));
    QCOMPARE(ann->nDeleted, 0);
    QVERIFY(ann->strSpare1.empty() && ann->strSpare2.empty());

    // Both numbers of one person in one phone text; accents and emoji kept.
    const __PERSON_CONTENT__* jose = Named(people, "JoséMüller 😀");
    QVERIFY(jose);
    QVERIFY(jose->strPhone.find("+4915112345678") != std::string::npos);
    QVERIFY(jose->strPhone.find("+493012345678") != std::string::npos);
    QCOMPARE(jose->strCompany, Utf8("Bäckerei Köhler"));

    // A number without a name is "No Name"; e-mail without a number is left out.
    QVERIFY(Named(people, "No Name"));
    QVERIFY(!Named(people, "Bob <b>O'Neil, \"Jr\""));
    QVERIFY(Named(people, "ÉmilieDupont\n<i>&amp;</i>"));

    for (size_t i = 1; i < people.size(); ++i)
        QVERIFY(strcasecmp(people[i - 1].strName.c_str(), people[i].strName.c_str()) <= 0);

    // A second call appends to what the vector holds and sorts it all.
    reader.GetContactsInfo(m_strBook.toUtf8().constData(), people, maxDocId);
    QCOMPARE(int(people.size()), 2 * m_nWithPhone);
    int anns = 0;
    for (const auto& p : people)
        anns += p.strName == "AnnLee";
    QCOMPARE(anns, 2);
}

void TestCIPhoneContacts::columnNumberingFollowsTheDatabase()
{
    // Either numbering read with either layout flag gives the same people.
    for (const QString& path : {m_strBook, m_strOldBook}) {
        for (bool layout : {true, false}) {
            PersonContentVec people;
            unsigned long long maxDocId = 0;
            CIPhoneContacts reader(0, layout);
            reader.GetContactsInfo(path.toUtf8().constData(), people, maxDocId);
            QCOMPARE(int(people.size()), m_nWithPhone);
            const __PERSON_CONTENT__* ann = Named(people, "AnnLee");
            QVERIFY(ann);
            QCOMPARE(ann->strEmail, Utf8("ann@example.com"));
            QVERIFY(ann->strPhone.find("(555) 123-4567") == 0);
        }
    }
    // The iOS 9 columns: c15Phone, c16Email, c19URL.
    const QString path = m_dir.filePath("nine.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, c0First, c1Last, "
        "c6Organization, c15Phone, c16Email, c17Address, c19URL)",
        "INSERT INTO ABPersonFullTextSearch_content VALUES (4, 'Ann', 'Lee', 'Org', '555 ', "
        "'a@b.c', 'addr', 'http://x')",
    }));
    PersonContentVec people;
    unsigned long long maxDocId = 0;
    CIPhoneContacts(0, false).GetContactsInfo(path.toUtf8().constData(), people, maxDocId);
    QCOMPARE(int(people.size()), 1);
    QCOMPARE(people[0].strName, Utf8("AnnLee"));
    QCOMPARE(people[0].strPhone, Utf8("555 "));
    QCOMPARE(people[0].strEmail, Utf8("a@b.c"));
    QCOMPARE(people[0].strUrl, Utf8("http://x"));
    QCOMPARE(people[0].strCompany, Utf8("Org"));
    QCOMPARE(maxDocId, 4ULL);
}

void TestCIPhoneContacts::namesSortWithoutCase()
{
    const QString path = m_dir.filePath("names.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, c0First, c1Last, "
        "c6Organization, c16Phone, c17Email, c18Address, c20URL)",
        "INSERT INTO ABPersonFullTextSearch_content (docid, c0First, c16Phone) VALUES "
        "(1, 'carl', '1'), (2, 'bob', '2'), (3, 'Alice', '3'), (9, NULL, '')",
    }));
    PersonContentVec people;
    unsigned long long maxDocId = 0;
    CIPhoneContacts().GetContactsInfo(path.toUtf8().constData(), people, maxDocId);
    QCOMPARE(int(people.size()), 3);
    QCOMPARE(people[0].strName, Utf8("Alice"));
    QCOMPARE(people[1].strName, Utf8("bob"));
    QCOMPARE(people[2].strName, Utf8("carl"));
    QCOMPARE(maxDocId, 9ULL);
}

void TestCIPhoneContacts::badDatabasesGiveNothing()
{
    const QString garbage = m_dir.filePath("garbage");
    const QString wrong = m_dir.filePath("wrong.db");
    QVERIFY(WriteBytes(garbage, QByteArray(3000, '\x01')));
    QVERIFY(MakeDatabase(wrong, {"CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First TEXT)"}));
    for (const QString& path : {m_dir.filePath("none"), garbage, wrong}) {
        PersonContentVec people(1);
        unsigned long long maxDocId = 5;
        QCOMPARE(CIPhoneContacts().GetContactsInfo(path.toUtf8().constData(), people, maxDocId), 0);
        QCOMPARE(int(people.size()), 1);
        QCOMPARE(maxDocId, 0ULL);
    }
}

QTEST_GUILESS_MAIN(TestCIPhoneContacts)
#include "tst_ciphonecontacts.moc"
