// AddressBook.sqlitedb of a sample backup: ABPerson, ABMultiValue (with its labels
// and the parts of postal addresses) as the phone keeps them, and the shadow table
// of the full-text index with every number in its search variants.
// docid = ABPerson.ROWID = position in SampleAddressBook() + 1.
#include "tools/sample/PhoneDatabases.h"

#include <memory>

#include <QDateTime>
#include <QHash>

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

// Seconds since 2001-01-01 UTC as text, the way ABPerson.Birthday holds a date; a
// birthday without a year is stored in the year 1604.
QString StoredBirthday(const QString& shown)
{
    if (shown.isEmpty())
        return QString();
    const QString date = shown.startsWith("--") ? "1604" + shown.mid(1) : shown;
    const QDateTime midnight(QDate::fromString(date, Qt::ISODate), QTime(0, 0), Qt::UTC);
    const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return QString::number(double(epoch.secsTo(midnight)), 'f', 1);
}

// The full-text address column: street, zip, state, country, country code and city.
QString FullTextAddress(const std::vector<SampleAddress>& addresses)
{
    QStringList parts;
    for (const SampleAddress& a : addresses)
        parts << a.strStreet << a.strZip << a.strState << a.strCountry << a.strCountryCode << a.strCity;
    return parts.join(' ').simplified();
}

// ABMultiValueLabel rows, added on first use; the label column holds their rowid.
class LabelTable {
public:
    explicit LabelTable(CSampleSqlite& db) : m_db(db), m_insert(db.Prepare("INSERT INTO ABMultiValueLabel VALUES (?)")) {}
    QVariant Id(const QString& label)
    {
        if (label.isEmpty())
            return QVariant();
        if (!m_ids.contains(label)) {
            m_db.Insert(m_insert, {label});
            m_ids.insert(label, m_ids.size() + 1);
        }
        return m_ids.value(label);
    }

private:
    CSampleSqlite& m_db;
    QSqlQuery m_insert;
    QHash<QString, int> m_ids;
};

} // namespace

bool WriteAddressBookDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              bool newNumbering, QString* error, bool ownTables)
{
    CSampleSqlite db(path);
    const QStringList ftColumns = FullTextColumns(newNumbering);
    db.ExecAll({
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, " +
            ftColumns.join(", ") + ")",
        "CREATE TABLE ABPersonFullTextSearch_segments (blockid INTEGER PRIMARY KEY, block BLOB)",
    });
    if (ownTables) {
        db.ExecAll({
            "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
            "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, "
            "Organization TEXT, Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, "
            "JobTitle TEXT, Nickname TEXT, Prefix TEXT, Suffix TEXT, FirstSort TEXT, LastSort TEXT, "
            "CreationDate INTEGER, ModificationDate INTEGER, CompositeNameFallback TEXT, "
            "ExternalIdentifier TEXT, StoreID INTEGER, DisplayName TEXT, guid TEXT)",
            "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
            "identifier INTEGER, label INTEGER, value TEXT, guid TEXT)",
            "CREATE INDEX ABMultiValueRecordIDIndex ON ABMultiValue(record_id)",
            "CREATE TABLE ABMultiValueLabel (value TEXT, UNIQUE(value))",
            "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT, "
            "UNIQUE(parent_id, key))",
            "CREATE TABLE ABMultiValueEntryKey (value TEXT, UNIQUE(value))",
            "INSERT INTO ABMultiValueEntryKey VALUES ('Street'), ('City'), ('State'), ('ZIP'), "
            "('Country'), ('CountryCode')",
        });
    }

    const std::vector<SamplePerson> people = SampleAddressBook(scale, seed);
    PhoneRandom rnd(seed ^ 0xAB00ABULL);
    std::unique_ptr<LabelTable> labels;
    if (ownTables)
        labels = std::make_unique<LabelTable>(db);
    QSqlQuery insPerson, insValue, insEntry;
    if (ownTables) {
        insPerson = db.Prepare(
            "INSERT INTO ABPerson (ROWID, First, Last, Middle, Organization, Note, Kind, Birthday, JobTitle, "
            "Prefix, Suffix, CreationDate, ModificationDate, StoreID, DisplayName, guid) "
            "VALUES (?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?, 0, ?, ?)");
        insValue = db.Prepare("INSERT INTO ABMultiValue (UID, record_id, property, identifier, label, value) "
                              "VALUES (?, ?, ?, ?, ?, ?)");
        insEntry = db.Prepare("INSERT INTO ABMultiValueEntry (parent_id, key, value) VALUES (?, ?, ?)");
    }
    const int phoneCol = newNumbering ? 16 : 15;
    QString ftSql = "INSERT INTO ABPersonFullTextSearch_content (docid, c0First, c1Last, c2Middle, "
                    "c6Organization, " + ftColumns[phoneCol] + ", " + ftColumns[phoneCol + 1] +
                    ", " + ftColumns[phoneCol + 2] + ", " + ftColumns[phoneCol + 4] +
                    ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
    QSqlQuery insText = db.Prepare(ftSql);

    auto orNull = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
    qlonglong uid = 0;
    for (size_t i = 0; i < people.size(); ++i) {
        const SamplePerson& p = people[i];
        const qlonglong id = qlonglong(i) + 1;
        const qlonglong created = 500000000 + rnd.Below(200000000);
        const qlonglong modified = created + rnd.Below(1000000);
        if (ownTables) {
            db.Insert(insPerson, {id, orNull(p.strFirst), orNull(p.strLast), orNull(p.strMiddle),
                                  orNull(p.strOrganization), orNull(p.strNote), orNull(StoredBirthday(p.strBirthday)),
                                  orNull(p.strJobTitle), orNull(p.strPrefix), orNull(p.strSuffix), created,
                                  modified, QVariant(), QString("AB-%1").arg(id)});
            int ident = 0;
            auto addValue = [&](int property, const QString& label, const QVariant& value) {
                db.Insert(insValue, {++uid, id, property, ident++, labels->Id(label), value});
            };
            for (int k = 0; k < p.vecNumbers.size(); ++k)
                addValue(3, p.vecNumberLabels.value(k), p.vecStoredNumbers.value(k, p.vecNumbers[k]));
            if (!p.strEmail.isEmpty())
                addValue(4, p.strEmailLabel, p.strEmail);
            for (const SampleAddress& a : p.vecAddresses) {
                // The parts live in ABMultiValueEntry; the value itself stays NULL.
                addValue(5, a.strLabel, QVariant());
                const QString parts[] = {a.strStreet, a.strCity, a.strState, a.strZip, a.strCountry, a.strCountryCode};
                for (int key = 0; key < 6; ++key) {
                    if (!parts[key].isEmpty())
                        db.Insert(insEntry, {uid, key + 1, parts[key]});
                }
            }
            if (!p.strUrl.isEmpty())
                addValue(22, p.strUrlLabel, p.strUrl);
        }
        db.Insert(insText, {id, orNull(p.strFirst), orNull(p.strLast), orNull(p.strMiddle), orNull(p.strOrganization),
                            orNull(FullTextPhone(p.vecNumbers, p.vecStoredNumbers)), orNull(p.strEmail),
                            orNull(FullTextAddress(p.vecAddresses)), orNull(p.strUrl)});
    }

    if (!db.Finish()) {
        if (error)
            *error = "AddressBook.sqlitedb: " + db.Error();
        return false;
    }
    return true;
}
