// AddressBook.sqlitedb of a sample backup: ABPerson and ABMultiValue as the phone
// keeps them, and the shadow table of the full-text index the readers use.
// docid = ABPerson.ROWID = position in SamplePeople() + 1.
#include "tools/sample/PhoneDatabases.h"

#include "tools/sample/SampleSqlite.h"

namespace {

// Column names of ABPersonFullTextSearch_content from c7 on: iOS 10+ has
// c7OrganizationPhonetic, iOS 9 does not and numbers everything after it one lower.
QStringList FullTextColumns(bool newNumbering)
{
    QStringList tail = {"Department", "Note", "Birthday", "JobTitle", "Nickname", "Prefix",
                        "Suffix", "DisplayName", "Phone", "Email", "Address", "SocialProfile",
                        "URL", "RelatedNames", "IM", "Date", "SupplementalCompositeNameTerms"};
    if (newNumbering)
        tail.prepend("OrganizationPhonetic");
    QStringList columns = {"c0First", "c1Last", "c2Middle", "c3FirstPhonetic",
                           "c4MiddlePhonetic", "c5LastPhonetic", "c6Organization"};
    for (int i = 0; i < tail.size(); ++i)
        columns << QString("c%1%2").arg(7 + i).arg(tail[i]);
    return columns;
}

} // namespace

bool WriteAddressBookDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              bool newNumbering, QString* error)
{
    CSampleSqlite db(path);
    const QStringList ftColumns = FullTextColumns(newNumbering);
    db.ExecAll({
        "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
        "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, "
        "Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, "
        "JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, FirstSort TEXT, LastSort TEXT, "
        "CreationDate INTEGER, ModificationDate INTEGER, CompositeNameFallback TEXT, "
        "ExternalIdentifier TEXT, StoreID INTEGER, DisplayName TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
        "identifier INTEGER, label INTEGER, value TEXT, guid TEXT)",
        "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))",
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, " +
            ftColumns.join(", ") + ")",
        "CREATE TABLE ABPersonFullTextSearch_segments (blockid INTEGER PRIMARY KEY, block BLOB)",
        "INSERT INTO ABMultiValueLabel VALUES ('_$!<Mobile>!$_')",
        "INSERT INTO ABMultiValueLabel VALUES ('_$!<Home>!$_')",
        "INSERT INTO ABMultiValueLabel VALUES ('_$!<HomePage>!$_')",
    });

    const std::vector<SamplePerson> people = SamplePeople(scale, seed);
    PhoneRandom rnd(seed ^ 0xAB00ABULL);
    QSqlQuery insPerson = db.Prepare(
        "INSERT INTO ABPerson (ROWID, First, Last, Organization, Kind, CreationDate, "
        "ModificationDate, StoreID, DisplayName, guid) VALUES (?, ?, ?, ?, 0, ?, ?, 0, ?, ?)");
    QSqlQuery insValue = db.Prepare(
        "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (?, ?, ?, ?, ?)");
    const int phoneCol = newNumbering ? 16 : 15;
    QString ftSql = "INSERT INTO ABPersonFullTextSearch_content (docid, c0First, c1Last, "
                    "c6Organization, " + ftColumns[phoneCol] + ", " + ftColumns[phoneCol + 1] +
                    ", " + ftColumns[phoneCol + 2] + ", " + ftColumns[phoneCol + 4] +
                    ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
    QSqlQuery insText = db.Prepare(ftSql);

    for (size_t i = 0; i < people.size(); ++i) {
        const SamplePerson& p = people[i];
        const qlonglong id = qlonglong(i) + 1;
        const qlonglong created = 500000000 + rnd.Below(200000000);
        auto orNull = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
        db.Insert(insPerson, {id, orNull(p.strFirst), orNull(p.strLast), orNull(p.strOrganization),
                              created, created + rnd.Below(1000000), QVariant(),
                              QString("AB-%1").arg(id)});
        int ident = 0;
        for (const QString& number : p.vecNumbers)
            db.Insert(insValue, {id, 3, ident++, 1, number});
        if (!p.strEmail.isEmpty())
            db.Insert(insValue, {id, 4, ident++, 2, p.strEmail});
        if (!p.strUrl.isEmpty())
            db.Insert(insValue, {id, 22, ident++, 3, p.strUrl});
        const QString address = rnd.Chance(20) ? QString("1 Main St 12345 CA United States us Springfield")
                                               : QString();
        db.Insert(insText, {id, orNull(p.strFirst), orNull(p.strLast), orNull(p.strOrganization),
                            orNull(FullTextPhone(p.vecNumbers)), orNull(p.strEmail), orNull(address),
                            orNull(p.strUrl)});
    }

    if (!db.Finish()) {
        if (error)
            *error = "AddressBook.sqlitedb: " + db.Error();
        return false;
    }
    return true;
}
