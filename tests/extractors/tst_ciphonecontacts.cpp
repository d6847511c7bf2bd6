#include <QtTest>

#include <algorithm>

#include "ExtractorFixtures.h"
#include "engine/ContactText.h"
#include "extractors/CIPhoneContacts.h"

class TestCIPhoneContacts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void readsTheBookAsThePhoneShowsIt();
    void everyCardAsGenerated();
    void fullTextOnlyWhereTheOwnTablesAreMissing();
    void namesSortWithoutCase();
    void badDatabasesGiveNothing();
    void damagedOwnTables();

private:
    QTemporaryDir m_dir;
    QString m_strBook, m_strOldBook, m_strTextOnly, m_strOldTextOnly;
    std::vector<SamplePerson> m_vecExpected;
};

static const PhoneDataScale& Scale()
{
    static const PhoneDataScale scale = PhoneDataScaleFor(SampleOptions::Scale::Small);
    return scale;
}

static const __PERSON_CONTENT__* Named(const PersonContentVec& people, const std::string& name)
{
    for (const auto& p : people)
        if (p.strName == name)
            return &p;
    return nullptr;
}

static PersonContentVec Read(const QString& path, bool layout = true, unsigned long long* maxId = nullptr)
{
    PersonContentVec people;
    unsigned long long id = 0;
    CIPhoneContacts(0, layout).GetContactsInfo(path.toUtf8().constData(), people, id);
    if (maxId)
        *maxId = id;
    return people;
}

// Everything a card shows, as one comparable line.
static QString Signature(const __PERSON_CONTENT__& p)
{
    QStringList phones, mails, urls, places;
    for (const auto& v : p.vecPhones)
        phones << QString::fromStdString(v.strLabel + "=" + v.strValue);
    for (const auto& v : p.vecEmails)
        mails << QString::fromStdString(v.strLabel + "=" + v.strValue);
    for (const auto& v : p.vecUrls)
        urls << QString::fromStdString(v.strLabel + "=" + v.strValue);
    for (const auto& a : p.vecAddresses)
        places << QString::fromStdString(a.strLabel + "=" + ContactAddressText(a) + "/" + a.strCountryCode);
    return QStringList({QString::fromStdString(p.strName), phones.join(';'), mails.join(';'), urls.join(';'),
                        places.join(';'), QString::fromStdString(p.strCompany), QString::fromStdString(p.strTitle),
                        QString::fromStdString(p.strBirthday), QString::fromStdString(p.strNote),
                        QString::fromStdString(p.strPrefix + "/" + p.strSuffix)})
        .join('|');
}

static QString Signature(const SamplePerson& s)
{
    __PERSON_CONTENT__ p;
    p.strName = SampleDisplayName(s).toStdString();
    for (int k = 0; k < s.vecNumbers.size(); ++k)
        p.vecPhones.push_back({s.vecNumberLabels.value(k).toStdString(), s.vecStoredNumbers.value(k).toStdString()});
    if (!s.strEmail.isEmpty())
        p.vecEmails.push_back({s.strEmailLabel.toStdString(), s.strEmail.toStdString()});
    if (!s.strUrl.isEmpty())
        p.vecUrls.push_back({s.strUrlLabel.toStdString(), s.strUrl.toStdString()});
    for (const SampleAddress& a : s.vecAddresses)
        p.vecAddresses.push_back({a.strLabel.toStdString(), a.strStreet.toStdString(), a.strCity.toStdString(),
                                  a.strState.toStdString(), a.strZip.toStdString(), a.strCountry.toStdString(),
                                  a.strCountryCode.toStdString()});
    p.strCompany = s.strOrganization.toStdString();
    p.strTitle = s.strJobTitle.toStdString();
    p.strBirthday = s.strBirthday.toStdString();
    p.strNote = s.strNote.toStdString();
    p.strPrefix = s.strPrefix.toStdString();
    p.strSuffix = s.strSuffix.toStdString();
    return Signature(p);
}

void TestCIPhoneContacts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_strBook = m_dir.filePath("AddressBook.sqlitedb");
    m_strOldBook = m_dir.filePath("AddressBook iOS 9.sqlitedb");
    m_strTextOnly = m_dir.filePath("text only.sqlitedb");
    m_strOldTextOnly = m_dir.filePath("text only iOS 9.sqlitedb");
    QString error;
    QVERIFY2(WriteAddressBookDatabase(m_strBook, Scale(), 5, true, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strOldBook, Scale(), 5, false, &error), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strTextOnly, Scale(), 5, true, &error, false), qPrintable(error));
    QVERIFY2(WriteAddressBookDatabase(m_strOldTextOnly, Scale(), 5, false, &error, false), qPrintable(error));
    m_vecExpected = SampleAddressBook(Scale(), 5);
}

void TestCIPhoneContacts::readsTheBookAsThePhoneShowsIt()
{
    unsigned long long maxId = 0;
    PersonContentVec people = Read(m_strBook, true, &maxId);
    // Everyone is kept: e-mail only, company only and name only cards too.
    QCOMPARE(people.size(), m_vecExpected.size());
    QCOMPARE(maxId, (unsigned long long)m_vecExpected.size());

    // Each number once, as stored, never its search variants.
    const __PERSON_CONTENT__* ann = Named(people, "Ann Lee");
    QVERIFY(ann);
    QCOMPARE(ann->strPhone, Utf8("(555) 123-4567"));
    QCOMPARE(int(ann->vecPhones.size()), 1);
    QCOMPARE(ann->vecPhones[0].strLabel, Utf8("_$!<Mobile>!$_"));
    QCOMPARE(ann->strEmail, Utf8("ann@example.com"));
    QCOMPARE(ann->vecEmails[0].strLabel, Utf8("_$!<Home>!$_"));
    QCOMPARE(ann->strGiven + "/" + ann->strFamily + "/" + ann->strPrefix + "/" + ann->strSuffix,
             Utf8("Ann/Lee/Dr./PhD"));
    QCOMPARE(ann->strTitle, Utf8("Engineer"));
    QCOMPARE(ann->strBirthday, Utf8("1985-04-12"));
    QCOMPARE(ann->strNote, Utf8("Likes \"tea\"; met at C:\\conf, Oslo\nSecond line ☕"));
    QCOMPARE(int(ann->vecAddresses.size()), 1);
    QCOMPARE(ann->vecAddresses[0].strStreet, Utf8("1 Main St\nApt 2"));
    QCOMPARE(ann->vecAddresses[0].strZip + " " + ann->vecAddresses[0].strCountryCode, Utf8("62701 us"));
    QCOMPARE(ann->nDeleted, 0);
    QVERIFY(ann->strSpare1.empty() && ann->strSpare2.empty());

    // Two labelled numbers, one under the user's own label, in the phone's order.
    const __PERSON_CONTENT__* zed = Named(people, "Zed Twin");
    QVERIFY(zed);
    QCOMPARE(zed->strPhone, Utf8("+1 (555) 765-4321\n(555) 123-4567"));
    QCOMPARE(zed->vecPhones[0].strLabel, Utf8("iPhone"));
    QCOMPARE(zed->vecPhones[1].strLabel, Utf8("TextNow"));

    const __PERSON_CONTENT__* jose = Named(people, "José Müller 😀");
    QVERIFY(jose);
    QCOMPARE(jose->strPhone, Utf8("+49 151 12345678\n+49 30 12345678"));
    QCOMPARE(jose->strBirthday, Utf8("--12-24"));  // no year
    QCOMPARE(jose->strCompany, Utf8("Bäckerei Köhler"));

    // Names as the phone shows them; the e-mail-only card is kept.
    QVERIFY(Named(people, "山田太郎"));
    QVERIFY(Named(people, "김민준"));
    QVERIFY(Named(people, "Anna Berg"));
    QVERIFY(Named(people, "No Name"));
    QVERIFY(Named(people, "Émilie Dupont\n<i>&amp;</i>"));
    const __PERSON_CONTENT__* bob = Named(people, "Bob <b> O'Neil, \"Jr\"");
    QVERIFY(bob && bob->strPhone.empty());
    QCOMPARE(bob->strEmail, Utf8("bob@example.org"));
    const __PERSON_CONTENT__* company = Named(people, "Northwind Traders");
    QVERIFY(company && company->strGiven.empty() && company->strCompany == "Northwind Traders");
    QCOMPARE(company->vecPhones[1].strLabel, Utf8("_$!<WorkFAX>!$_"));
    QCOMPARE(company->strUrl, Utf8("https://northwind.example.com/"));

    for (size_t i = 1; i < people.size(); ++i)
        QVERIFY(strcasecmp(people[i - 1].strName.c_str(), people[i].strName.c_str()) <= 0);

    // A second call appends to what the vector holds and sorts it all.
    unsigned long long again = 0;
    CIPhoneContacts().GetContactsInfo(m_strBook.toUtf8().constData(), people, again);
    QCOMPARE(people.size(), 2 * m_vecExpected.size());
    QCOMPARE(int(std::count_if(people.begin(), people.end(), [](const auto& p) { return p.strName == "Ann Lee"; })), 2);
}

void TestCIPhoneContacts::everyCardAsGenerated()
{
    // Field for field, whatever the full-text numbering beside the own tables.
    QStringList expected;
    for (const SamplePerson& s : m_vecExpected)
        expected << Signature(s);
    expected.sort();
    for (const QString& path : {m_strBook, m_strOldBook}) {
        for (bool layout : {true, false}) {
            QStringList got;
            for (const __PERSON_CONTENT__& p : Read(path, layout))
                got << Signature(p);
            got.sort();
            QCOMPARE(got, expected);
        }
    }
}

void TestCIPhoneContacts::fullTextOnlyWhereTheOwnTablesAreMissing()
{
    // Either numbering read with either layout flag gives the same people.
    for (const QString& path : {m_strTextOnly, m_strOldTextOnly}) {
        for (bool layout : {true, false}) {
            unsigned long long maxId = 0;
            const PersonContentVec people = Read(path, layout, &maxId);
            QCOMPARE(people.size(), m_vecExpected.size());
            QCOMPARE(maxId, (unsigned long long)m_vecExpected.size());
            const __PERSON_CONTENT__* ann = Named(people, "Ann Lee");
            QVERIFY(ann);
            QCOMPARE(ann->strEmail, Utf8("ann@example.com"));
            // The search variants are all there is to show.
            QVERIFY(ann->strPhone.find("(555) 123-4567 +15551234567 ") == 0);
            QVERIFY(ann->vecPhones.empty());
            QVERIFY(Named(people, "Northwind Traders"));
            QVERIFY(Named(people, "Bob <b> O'Neil, \"Jr\""));
        }
    }
    // The iOS 9 columns: c15Phone, c16Email, c19URL.
    const QString path = m_dir.filePath("nine.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, c0First, c1Last, c2Middle, "
        "c6Organization, c15Phone, c16Email, c17Address, c19URL)",
        "INSERT INTO ABPersonFullTextSearch_content VALUES (4, 'Ann', 'Lee', 'May', 'Org', '555 ', "
        "'a@b.c', 'addr', 'http://x')",
        // Only a person's own tables count: ABPerson without ABMultiValue is not enough.
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First TEXT)",
        "INSERT INTO ABPerson VALUES (4, 'Someone')",
    }));
    unsigned long long maxId = 0;
    const PersonContentVec people = Read(path, false, &maxId);
    QCOMPARE(int(people.size()), 1);
    QCOMPARE(people[0].strName, Utf8("Ann May Lee"));
    QCOMPARE(people[0].strPhone, Utf8("555 "));
    QCOMPARE(people[0].strEmail, Utf8("a@b.c"));
    QCOMPARE(people[0].strUrl, Utf8("http://x"));
    QCOMPARE(people[0].strCompany, Utf8("Org"));
    QCOMPARE(maxId, 4ULL);
}

void TestCIPhoneContacts::namesSortWithoutCase()
{
    const QString path = m_dir.filePath("names.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, c0First, c1Last, c2Middle, "
        "c6Organization, c16Phone, c17Email, c18Address, c20URL)",
        "INSERT INTO ABPersonFullTextSearch_content (docid, c0First, c16Phone) VALUES "
        "(1, 'carl', '1'), (2, 'bob', '2'), (3, 'Alice', '3'), (9, NULL, '')",
    }));
    unsigned long long maxId = 0;
    const PersonContentVec people = Read(path, true, &maxId);
    QCOMPARE(int(people.size()), 3);  // the empty row shows nothing
    QCOMPARE(people[0].strName, Utf8("Alice"));
    QCOMPARE(people[1].strName, Utf8("bob"));
    QCOMPARE(people[2].strName, Utf8("carl"));
    QCOMPARE(maxId, 9ULL);
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

void TestCIPhoneContacts::damagedOwnTables()
{
    // Wrong storage classes, values of nobody, a label that is not there, no entry
    // tables, a birthday that is no date, repeated ids: read what makes sense.
    const QString path = m_dir.filePath("damaged.db");
    QVERIFY(MakeDatabase(path, {
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First, Last, Middle, Organization, Note, "
        "Birthday, JobTitle, Nickname, Prefix, Suffix, Department)",
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id, property, identifier, label, value)",
        "CREATE TABLE ABMultiValueLabel (value TEXT)",
        "INSERT INTO ABMultiValueLabel VALUES ('_$!<Work>!$_')",
        "INSERT INTO ABPerson (ROWID, First, Last, Birthday) VALUES (1, CAST('Ann' AS BLOB), 'Berg', '1e300'), "
        "(2, NULL, NULL, 'not a date'), (3, '', NULL, '-31622400.0'), (4, NULL, NULL, NULL)",
        "INSERT INTO ABMultiValue VALUES (1, '1', 3, 0, 1, CAST('+1 555 0100' AS BLOB)), "
        "(2, 1, 3, 1, 99, '555 0101'), (3, 1, 3, 2, NULL, ''), (4, 77, 3, 0, 1, '999'), "
        "(5, 2, 4, 0, 'x', 'x@example.com'), (6, 1, 5, 3, 1, 'Old Street 1'), (7, 1, 46, 4, NULL, 'other kind')",
    }));
    const PersonContentVec people = Read(path);
    QCOMPARE(int(people.size()), 3);  // the fourth shows nothing
    const __PERSON_CONTENT__* anna = Named(people, "Ann Berg");
    QVERIFY(anna);
    QCOMPARE(anna->strPhone, Utf8("+1 555 0100\n555 0101"));
    QCOMPARE(anna->vecPhones[0].strLabel, Utf8("_$!<Work>!$_"));
    QCOMPARE(anna->vecPhones[1].strLabel, Utf8(""));
    QCOMPARE(anna->strBirthday, Utf8(""));
    QCOMPARE(int(anna->vecAddresses.size()), 1);
    QCOMPARE(anna->vecAddresses[0].strStreet, Utf8("Old Street 1"));
    // No name: one with an e-mail (its label not found), one with only a birthday.
    QCOMPARE(people[1].strName + people[2].strName, Utf8("No NameNo Name"));
    const bool mailFirst = !people[1].vecEmails.empty();
    const __PERSON_CONTENT__& mail = people[mailFirst ? 1 : 2];
    QCOMPARE(mail.strEmail, Utf8("x@example.com"));
    QCOMPARE(mail.vecEmails[0].strLabel, Utf8(""));
    QCOMPARE(mail.strBirthday, Utf8(""));
    QCOMPARE(people[mailFirst ? 2 : 1].strBirthday, Utf8("2000-01-01"));
}

QTEST_GUILESS_MAIN(TestCIPhoneContacts)
#include "tst_ciphonecontacts.moc"
