// Call logs of a sample backup: CallHistory.storedata (Core Data, ZADDRESS kept
// as a BLOB) for newer phones and call_history.db with its `call` table for old ones.
//
// Fixed rows, the same in both logs (ZDATE in seconds since 2001; the old log
// stores the same moment in seconds since 1970):
//   1 "+15551234567" (Ann Lee), answered, 65 s, date 600000000 (2020-01-06 10:40:00 UTC)
//   2 "1234" (a 4-byte short code, also part of Ann's number), not answered
//   3 ""  (no address: not listed)
//   4 "12345" (5 bytes, part of Ann's number: named Ann Lee)
//   5 "+4915112345678" (José), answered, 3600 s
//   6 "<script>x</script>" (hostile text as a caller id)
#include "tools/sample/PhoneDatabases.h"

#include <QByteArray>

#include "tools/sample/SampleSqlite.h"

namespace {

struct SampleCall {
    QString strAddress;
    bool bAnswered;
    bool bOutgoing;
    int nDuration;
    qlonglong nDate; // seconds since 2001
};

std::vector<SampleCall> SampleCalls(const PhoneDataScale& scale, uint64_t seed)
{
    std::vector<SampleCall> calls = {
        {"+15551234567", true, false, 65, 600000000},
        {"1234", false, false, 0, 600000100},
        {"", true, true, 12, 600000200},
        {"12345", true, true, 30, 600000300},
        {"+4915112345678", true, true, 3600, 600000400},
        {"<script>x</script>", false, false, 0, 600000500},
    };
    const std::vector<SamplePerson> people = SamplePeople(scale, seed);
    PhoneRandom rnd(seed ^ 0xCA11ULL);
    const qlonglong base = 567993600;
    for (int i = int(calls.size()); i < scale.nCalls; ++i) {
        SampleCall c;
        const SamplePerson& p = people[size_t(rnd.Below(int(people.size())))];
        c.strAddress = !p.vecNumbers.isEmpty() && !rnd.Chance(10)
                           ? p.vecNumbers.first()
                           : QString("+1999%1").arg(rnd.Below(10000000), 7, 10, QChar('0'));
        c.bOutgoing = rnd.Chance(45);
        c.bAnswered = c.bOutgoing || rnd.Chance(75);
        c.nDuration = c.bAnswered ? rnd.Below(1800) : 0;
        c.nDate = base + qlonglong(i) * 3000 + rnd.Below(2000);
        calls.push_back(c);
    }
    return calls;
}

} // namespace

bool WriteCallHistoryDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                              QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZANSWERED INTEGER, ZCALLTYPE INTEGER, ZDISCONNECTED_CAUSE INTEGER, "
        "ZFACE_TIME_DATA INTEGER, ZNUMBER_AVAILABILITY INTEGER, ZORIGINATED INTEGER, "
        "ZREAD INTEGER, ZCALL_CATEGORY INTEGER, ZHANDLE_TYPE INTEGER, ZDATE TIMESTAMP, "
        "ZDURATION FLOAT, ZDEVICE_ID VARCHAR, ZISO_COUNTRY_CODE VARCHAR, ZLOCATION VARCHAR, "
        "ZNAME VARCHAR, ZSERVICE_PROVIDER VARCHAR, ZUNIQUE_ID VARCHAR UNIQUE, ZADDRESS BLOB)",
        "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, "
        "Z_MAX INTEGER)",
        "CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB)",
        "CREATE INDEX ZCALLRECORD_ZDATE_INDEX ON ZCALLRECORD (ZDATE)",
    });
    const std::vector<SampleCall> calls = SampleCalls(scale, seed);
    QSqlQuery ins = db.Prepare(
        "INSERT INTO ZCALLRECORD (Z_PK, Z_ENT, Z_OPT, ZANSWERED, ZCALLTYPE, ZORIGINATED, ZREAD, "
        "ZCALL_CATEGORY, ZHANDLE_TYPE, ZDATE, ZDURATION, ZISO_COUNTRY_CODE, ZLOCATION, "
        "ZSERVICE_PROVIDER, ZUNIQUE_ID, ZADDRESS) VALUES (?, 2, 1, ?, 1, ?, 1, 1, 2, ?, ?, 'us', "
        "?, 'com.apple.Telephony', ?, ?)");
    for (size_t i = 0; i < calls.size(); ++i) {
        const SampleCall& c = calls[i];
        // Real phones store fractional seconds in both ZDATE and ZDURATION.
        db.Insert(ins, {qlonglong(i) + 1, c.bAnswered ? 1 : 0, c.bOutgoing ? 1 : 0,
                        double(c.nDate) + (i < 6 ? 0.0 : 0.25), double(c.nDuration) + (c.nDuration ? 0.4 : 0.0),
                        i % 3 == 0 ? QVariant("California") : QVariant(),
                        QString("CALL-%1").arg(i + 1, 8, 10, QChar('0')),
                        BlobValue(c.strAddress.toUtf8())});
    }
    db.Exec(QString("INSERT INTO Z_PRIMARYKEY VALUES (2, 'CallRecord', 0, %1)").arg(calls.size()));
    if (!db.Finish()) {
        if (error)
            *error = "CallHistory.storedata: " + db.Error();
        return false;
    }
    return true;
}

bool WriteOldCallHistoryDatabase(const QString& path, const PhoneDataScale& scale, uint64_t seed,
                                 QString* error)
{
    CSampleSqlite db(path);
    db.ExecAll({
        "CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key))",
        "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER, "
        "duration INTEGER, flags INTEGER, id INTEGER, name TEXT, country_code TEXT, "
        "network_code TEXT, read INTEGER, assisted INTEGER, face_time_data BLOB, "
        "originalAddress TEXT, answered INTEGER DEFAULT '1')",
        "CREATE INDEX date_index on call(date)",
    });
    const std::vector<SampleCall> calls = SampleCalls(scale, seed);
    QSqlQuery ins = db.Prepare(
        "INSERT INTO call (ROWID, address, date, duration, flags, id, country_code, network_code, "
        "read, assisted, originalAddress, answered) VALUES (?, ?, ?, ?, ?, -1, '310', '410', 1, 0, ?, ?)");
    for (size_t i = 0; i < calls.size(); ++i) {
        const SampleCall& c = calls[i];
        db.Insert(ins, {qlonglong(i) + 1, c.strAddress, c.nDate + 978307200LL, c.nDuration,
                        (c.bOutgoing ? 1 : 0) | 4, c.strAddress, c.bAnswered ? 1 : 0});
    }
    if (!db.Finish()) {
        if (error)
            *error = "call_history.db: " + db.Error();
        return false;
    }
    return true;
}
