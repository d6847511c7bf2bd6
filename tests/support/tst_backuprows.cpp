// Rows read straight from SQLite give what the same values give through QSqlQuery,
// for every storage class and for text that is not valid UTF-8; the database is
// refused where OpenBackupDatabase refuses it.
#include <QtTest>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "extractors/ExtractorSql.h"
#include "support/BackupRows.h"

namespace {

// One value per row, written as SQL so that its storage class is exact.
const char* const kValues[] = {
    "'plain'", "''", "'h\xC3\xA9llo \xE2\x9C\x93'", "'\xF0\x9F\x98\x80 smile'",
    "CAST(X'EFBBBF61' AS TEXT)", "CAST(X'610062' AS TEXT)", "CAST(X'C0AF' AS TEXT)",
    "CAST(X'EDA080' AS TEXT)", "CAST(X'E282' AS TEXT)", "CAST(X'F4908080' AS TEXT)", "CAST(X'FF61' AS TEXT)",
    "X'616263'", "X'C0AF'", "X'EFBBBF61'", "X''", "X'00'", "X'E282AC'",
    "0", "-5", "9223372036854775807", "-9223372036854775807 - 1", "12345678901234", "123456789012345",
    "0.5", "1e20", "0.1 + 0.2", "-2.75", "123456789012.5",
    "NULL", "'42'", "' 7'", "'abc'", "'12345678901234567890'",
};

// Writes `statements` into a new database at `path`; the first that fails, or
// nothing when all ran.
QString WriteDatabase(const QString& path, const QStringList& statements)
{
    QString failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(path);
        if (!db.open())
            failed = path;
        QSqlQuery q(db);
        for (const QString& statement : statements) {
            if (failed.isEmpty() && !q.exec(statement))
                failed = statement;
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("writer");
    return failed;
}

} // namespace

class TestBackupRows : public QObject {
    Q_OBJECT
private slots:
    void sameAsTheQtDriver();
    void refusedLikeOpenBackupDatabase();
    void wellFormedUtf8();
};

void TestBackupRows::sameAsTheQtDriver()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("values.db");
    QStringList statements {"CREATE TABLE t (n INTEGER PRIMARY KEY, v)"};
    int n = 0;
    for (const char* value : kValues)
        statements << QString("INSERT INTO t VALUES (%1, %2)").arg(++n).arg(QString::fromLatin1(value));
    const QString failed = WriteDatabase(path, statements);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));

    CBackupConnection conn("reader", path);
    QVERIFY(conn.IsOpen());
    QSqlQuery query(conn.Database());
    query.setForwardOnly(true);
    QVERIFY(query.exec("SELECT v, n FROM t ORDER BY n"));
    CBackupRows rows(path, "SELECT v, n FROM t ORDER BY n");
    QVERIFY(rows.IsReady());
    int count = 0;
    while (query.next()) {
        QVERIFY(rows.Next());
        const QVariant v = query.value(0);
        const char* what = kValues[count++];
        QVERIFY2(rows.Text(0) == ValueText(v), what);
        QVERIFY2(rows.IsNull(0) == v.isNull(), what);
        QVERIFY2(rows.Int(0) == v.toInt(), what);
        QVERIFY2(rows.Int64(0) == v.toLongLong(), what);
        QVERIFY2(rows.Double(0) == v.toDouble(), what);
        QVERIFY2(rows.Bytes(0) == v.toByteArray(), what);
        QVERIFY2(rows.TextLength(0) == v.toString().size(), what);
        QVERIFY2(rows.Value(0) == v, what);
        QCOMPARE(rows.Int64(1), query.value(1).toLongLong());
    }
    QCOMPARE(count, int(sizeof kValues / sizeof kValues[0]));
    QVERIFY(!rows.Next());
}

void TestBackupRows::refusedLikeOpenBackupDatabase()
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.db");
    QCOMPARE(WriteDatabase(good, {"CREATE TABLE t (v)"}), QString());
    QVERIFY(CBackupRows(good, "SELECT v FROM t").IsReady());
    // No such table, no database at all, nothing there.
    QVERIFY(!CBackupRows(good, "SELECT v FROM missing").IsReady());
    QFile junk(dir.filePath("junk.db"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'j'));
    junk.close();
    QVERIFY(!CBackupRows(junk.fileName(), "SELECT 1 FROM t").IsReady());
    QVERIFY(!CBackupRows(dir.filePath("absent.db"), "SELECT 1").IsReady());
    // A link to a good database and a FIFO are never opened.
    QVERIFY(QFile::link(good, dir.filePath("link.db")));
    QVERIFY(!CBackupRows(dir.filePath("link.db"), "SELECT v FROM t").IsReady());
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.db")).constData(), 0644), 0);
    QVERIFY(!CBackupRows(dir.filePath("fifo.db"), "SELECT 1").IsReady());
    // Read-only and immutable: nothing appears beside the database.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 4);
}

void TestBackupRows::wellFormedUtf8()
{
    struct Case {
        QByteArray bytes;
        bool ok;
    };
    const Case cases[] = {
        {"", true}, {"ascii", true}, {"\xC3\xA9", true}, {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
        {"\xF4\x8F\xBF\xBF", true}, {QByteArray("a\0b", 3), true},
        {"\xC0\xAF", false},          // overlong
        {"\xE0\x80\xAF", false},      // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE2\x82", false},          // cut short
        {"\x80", false}, {"\xFF", false}, {"\xC3(", false},
    };
    for (const Case& c : cases)
        QVERIFY2(IsWellFormedUtf8(c.bytes.constData(), size_t(c.bytes.size())) == c.ok, c.bytes.toHex().constData());
}

QTEST_GUILESS_MAIN(TestBackupRows)
#include "tst_backuprows.moc"
