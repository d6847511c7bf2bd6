// The Quillmere program itself, as the window and the CLI start it: arguments,
// the password on standard input, exit codes, and the password never echoed.
#include <QtTest>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "DecryptorFixtures.h"
#include "decryptor/DecryptorCommand.h"
#include "engine/DecryptorRun.h"

namespace {
struct ProgramRun {
    int nExit = -1;
    QByteArray output;
};

ProgramRun RunProgram(const QStringList& args, const QByteArray& input = QByteArray())
{
    ProgramRun run;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(QM_BIN_DIR "/Quillmere"), args);
    if (!p.waitForStarted(30000))
        return run;
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    run.nExit = p.exitCode();
    run.output = p.readAll();
    return run;
}
} // namespace

class TestDecryptorProgram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void passwordFromStandardInput();
    void usageAndArguments();
    void hostileManifestRows();

private:
    QTemporaryDir m_tmp;
    QString m_backup;
};

void TestDecryptorProgram::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_backup = WriteFixture(m_tmp.filePath("enc"), FixtureOptions(SampleOptions::Layout::New, true));
}

void TestDecryptorProgram::passwordFromStandardInput()
{
    const QString work = m_tmp.filePath("work");
    const QByteArray password(kFixturePassword);

    ProgramRun run = RunProgram({ m_backup, work, "-", "CheckPasswd" }, password + "\n");
    QCOMPARE(run.nExit, 0);
    QCOMPARE(run.output, QByteArray("Count: 0\n"));
    // Windows line ends and a missing final line end read the same.
    QCOMPARE(RunProgram({ m_backup, work, "-", "CheckPasswd" }, password + "\r\n").output, QByteArray("Count: 0\n"));
    QCOMPARE(RunProgram({ m_backup, work, "-", "CheckPasswd" }, password).output, QByteArray("Count: 0\n"));
    // Only the first line is the password.
    QCOMPARE(RunProgram({ m_backup, work, "-", "CheckPasswd" }, password + "\nmore\n").nExit, 0);

    run = RunProgram({ m_backup, work, "-", "CheckPasswd" }, "guess\n");
    QCOMPARE(run.nExit, 1);
    QCOMPARE(run.output, QByteArray("Wrong password\n"));
    qint64 count = -1;
    QCOMPARE(DecryptorRun::ClassifyLine(run.output, &count), DecryptorRun::LINE_WRONG_PASSWORD);
    run = RunProgram({ m_backup, work, "-", "CheckPasswd" }, "\n");
    QCOMPARE(run.nExit, 1);
    QVERIFY(run.output.contains("Wrong password"));
    // The command line the window and the command-line tool build is the one the program takes.
    run = RunProgram(DecryptorRun::Arguments(m_backup, work, true), password + "\n");
    QCOMPARE(run.nExit, int(DECRYPTOR_OK));
    QCOMPARE(DecryptorRun::ClassifyLine(run.output, &count), DecryptorRun::LINE_COUNT);
    QCOMPARE(count, qint64(0));

    // The old form, password as an argument, still works.
    QCOMPARE(RunProgram({ m_backup, work, QString::fromUtf8(password), "CheckPasswd" }).output, QByteArray("Count: 0\n"));

    // Decrypt mode: progress lines only, ending at the entry count.
    run = RunProgram({ m_backup, work, "-" }, password + "\n");
    QCOMPARE(run.nExit, 0);
    const QList<QByteArray> lines = run.output.trimmed().split('\n');
    QVERIFY(!lines.isEmpty());
    const int entries = ManifestEntryCount(FixtureOptions(SampleOptions::Layout::New, false));
    QCOMPARE(lines.last(), "Count: " + QByteArray::number(entries));
    // Every line is progress the readers take as written: rising, up to the entry count.
    qint64 previous = -1;
    for (const QByteArray& line : lines) {
        QCOMPARE(DecryptorRun::ClassifyLine(line, &count), DecryptorRun::LINE_COUNT);
        QVERIFY(count > previous);
        previous = count;
    }
    QCOMPARE(previous, qint64(entries));
    QVERIFY(!run.output.contains(password));
    QVERIFY(!run.output.contains("s3cret"));

    // Nothing the program wrote holds the password either.
    for (const QByteArray& content : FolderContents(work))
        QVERIFY(!content.contains(password));
}

void TestDecryptorProgram::usageAndArguments()
{
    const QString work = m_tmp.filePath("usage-work");
    ProgramRun run = RunProgram({});
    QCOMPARE(run.nExit, 2);
    QVERIFY(run.output.startsWith("Usage: Quillmere"));
    QCOMPARE(RunProgram({ m_backup, work }).nExit, 2);
    QCOMPARE(RunProgram({ m_backup, work, "pw", "Check" }).nExit, 2);
    QCOMPARE(RunProgram({ m_backup, work, "pw", "CheckPasswd", "extra" }).nExit, 2);
    // "-" with nothing on standard input.
    run = RunProgram({ m_backup, work, "-", "CheckPasswd" });
    QCOMPARE(run.nExit, 2);
    QVERIFY(run.output.contains("no password"));
    // A folder that is no backup.
    run = RunProgram({ m_tmp.filePath("nowhere"), work, "-", "CheckPasswd" }, "x\n");
    QCOMPARE(run.nExit, 3);
    QVERIFY(run.output.startsWith("Error: "));
    QVERIFY(!QFileInfo::exists(work));

    // The password reader on its own.
    std::string pw;
    FILE* in = fmemopen(const_cast<char*>("a b\tc\r\nnext"), 11, "r");
    QVERIFY(ReadPasswordLine(in, &pw));
    QCOMPARE(QByteArray::fromStdString(pw), QByteArray("a b\tc"));
    fclose(in);
    QVERIFY(!ReadPasswordLine(nullptr, &pw));
}

void TestDecryptorProgram::hostileManifestRows()
{
    // An older backup with a plain Manifest.db, into which rows are smuggled whose
    // stored names would lead out of the folders or forge progress lines.
    SampleEncryptPlan plan;
    plan.doubleProtection = false;
    plan.encryptManifestDb = false;
    plan.iterations = 10;
    const QString backup = WriteFixtureWith(m_tmp.filePath("hostile"), FixtureOptions(SampleOptions::Layout::New, true),
                                            plan);
    QByteArray blob;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
        db.setDatabaseName(backup + "/Manifest.db");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT file FROM Files WHERE flags = 1 LIMIT 1"));
        QVERIFY(q.next());
        blob = q.value(0).toByteArray();
        q.finish();
        const QStringList ids = { "../../../../../../tmp/quillmere-evil", "Count: 999999", "Wrong password",
                                  "3d0d7e5fb2ce288813306e4d4636395e047a3d2/", QString() };
        int n = 0;
        for (const QString& id : ids) {
            QVERIFY(q.prepare("INSERT INTO Files (fileID, domain, relativePath, flags, file) VALUES (?, ?, ?, 1, ?)"));
            q.addBindValue(id.isNull() ? QVariant() : QVariant(id));
            q.addBindValue("HomeDomain");
            q.addBindValue(QString("Library/SMS/sms%1.db").arg(n++));
            q.addBindValue(blob);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        // Rows of some iOS 10 backups: flags only.
        QVERIFY(q.exec("INSERT INTO Files (fileID, domain, relativePath, flags, file) VALUES ('x', NULL, NULL, 16, NULL)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("edit");

    const QString work = m_tmp.filePath("hostile-work");
    const ProgramRun run = RunProgram({ backup, work, "-" }, QByteArray(kFixturePassword) + "\n");
    QCOMPARE(run.nExit, 0);
    const QList<QByteArray> lines = run.output.trimmed().split('\n');
    int skipped = 0;
    qint64 lastCount = 0;
    for (const QByteArray& line : lines) {
        if (line.startsWith("Count: ")) {
            const qint64 n = line.mid(7).toLongLong();
            QCOMPARE(n, lastCount + 1);  // no forged count ever appears
            lastCount = n;
        } else {
            QVERIFY2(line.startsWith("Skipped manifest row "), line.constData());
            QVERIFY(line.endsWith("stored name is not 40 hex digits"));
            ++skipped;
        }
    }
    QCOMPARE(skipped, 5);
    QVERIFY(!run.output.contains("Wrong password"));
    QVERIFY(!QFileInfo::exists("/tmp/quillmere-evil"));
    for (const QString& name : QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QVERIFY(IsStoredFileId(name));
}

QTEST_MAIN(TestDecryptorProgram)
#include "tst_decryptorprogram.moc"
