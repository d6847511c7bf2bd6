// The decryptor on generated encrypted backups: password checks, byte-identical
// round trips against the plain twin of the same seed, and damaged backups.
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "DecryptorFixtures.h"
#include "support/Plist.h"

namespace {
int Mode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

QStringList ManifestRows(const QString& dbPath)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows");
        db.setDatabaseName(dbPath);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q("SELECT fileID, domain, relativePath, flags FROM Files ORDER BY fileID", db);
            while (q.next())
                rows << QStringList{ q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                     q.value(3).toString() }.join('|');
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("rows");
    return rows;
}

void RewritePlist(const QString& path, const std::function<void(QVariantMap&)>& edit)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVariantMap map = ParsePlist(f.readAll()).toMap();
    f.close();
    edit(map);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(WritePlist(map, true));
}

void FlipLastByte(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.size() > 0);
    f.seek(f.size() - 1);
    char c = 0;
    f.getChar(&c);
    f.seek(f.size() - 1);
    f.putChar(char(c ^ 0x5a));
}

// The backup folder as it is, but for the one file the decryptor may write there.
QMap<QString, QByteArray> BackupSnapshot(const QString& dir)
{
    QMap<QString, QByteArray> all = FolderContents(dir);
    all.remove(QString::fromLatin1(g_szDecryptedManifestName));
    return all;
}
} // namespace

class TestBackupDecryptor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void checkMode();
    void roundTripBothGenerations();
    void onlyWhatTheEngineReads();
    void plainManifestGeneration();
    void skippedFiles();
    void plantedStoredFiles();
    void damagedBackups();

private:
    QTemporaryDir m_tmp;
    QString m_plain[2];
    QString m_encrypted[2];
};

void TestBackupDecryptor::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    const SampleOptions::Layout layouts[] = { SampleOptions::Layout::New, SampleOptions::Layout::Old };
    for (int i = 0; i < 2; ++i) {
        m_plain[i] = WriteFixture(m_tmp.filePath(QString("plain%1").arg(i)), FixtureOptions(layouts[i], false));
        m_encrypted[i] = WriteFixture(m_tmp.filePath(QString("enc%1").arg(i)), FixtureOptions(layouts[i], true));
    }
}

void TestBackupDecryptor::checkMode()
{
    for (const QString& backup : m_encrypted) {
        const QMap<QString, QByteArray> before = FolderContents(backup);
        const QString work = m_tmp.filePath("check-work");

        DecryptRun run = RunDecrypt(backup, work, kFixturePassword, true);
        QCOMPARE(run.nExit, int(DECRYPTOR_OK));
        QCOMPARE(run.lines, QStringList{ "Count: 0" });

        for (const QByteArray& wrong : { QByteArray("s3cret passwörd"), QByteArray(), QByteArray(kFixturePassword) + " " }) {
            run = RunDecrypt(backup, work, wrong, true);
            QCOMPARE(run.nExit, int(DECRYPTOR_WRONG_PASSWORD));
            QCOMPARE(run.lines, QStringList{ "Wrong password" });
        }
        // A wrong password in decrypt mode stops before anything is written.
        run = RunDecrypt(backup, work, "nope", false);
        QCOMPARE(run.nExit, int(DECRYPTOR_WRONG_PASSWORD));
        QVERIFY(run.lines.contains("Wrong password"));
        QCOMPARE(run.CountLines(), 0);

        QVERIFY(!QFileInfo::exists(work));
        QCOMPARE(FolderContents(backup), before);
    }
}

void TestBackupDecryptor::roundTripBothGenerations()
{
    for (int i = 0; i < 2; ++i) {
        const QString work = m_tmp.filePath(QString("rt-work%1").arg(i));
        const DecryptRun run = RunDecrypt(m_encrypted[i], work, kFixturePassword, false, true);
        QVERIFY2(run.nExit == DECRYPTOR_OK, qPrintable(run.lines.join('\n')));
        // Nothing but progress: no skips, no warnings.
        QCOMPARE(run.CountLines(), run.lines.size());
        // One count per manifest entry, rising to the total.
        const int entries = ManifestEntryCount(FixtureOptions(i == 0 ? SampleOptions::Layout::New
                                                                     : SampleOptions::Layout::Old, false));
        QCOMPARE(run.LastCount(), qint64(entries));
        QCOMPARE(run.CountLines(), entries);

        const QMap<QString, QByteArray> out = FolderContents(work);
        QVERIFY(out.size() > 5);
        for (auto it = out.constBegin(); it != out.constEnd(); ++it) {
            QVERIFY(IsStoredFileId(it.key()));
            QCOMPARE(it.value(), PlainStoredFile(m_plain[i], it.key()));
            QCOMPARE(Mode(work + "/" + it.key()), 0600);
        }
        // Every stored file of the plain twin came out.
        const QMap<QString, QByteArray> plain = FolderContents(m_plain[i]);
        int stored = 0;
        for (const QString& rel : plain.keys())
            stored += IsStoredFileId(QFileInfo(rel).fileName()) ? 1 : 0;
        QCOMPARE(out.size(), stored);
        QCOMPARE(Mode(work), 0700);

        const QString decrypted = m_encrypted[i] + "/Manifest.db-decypted";
        if (i == 0) {
            QCOMPARE(Mode(decrypted), 0600);
            QCOMPARE(ManifestRows(decrypted), ManifestRows(m_plain[i] + "/Manifest.db"));
            QVERIFY(!ManifestRows(decrypted).isEmpty());
        } else {
            QVERIFY(!QFileInfo::exists(decrypted));  // Manifest.mbdb is never encrypted
        }
        // No temporary files are left beside the backup.
        QCOMPARE(QDir(m_encrypted[i]).entryList({ "Manifest.db-decypted.*" }, QDir::Files).size(), 0);
    }
}

void TestBackupDecryptor::onlyWhatTheEngineReads()
{
    const QString work = m_tmp.filePath("engine-work");
    const DecryptRun run = RunDecrypt(m_encrypted[0], work, kFixturePassword, false);
    QCOMPARE(run.nExit, int(DECRYPTOR_OK));
    QCOMPARE(run.LastCount(), qint64(ManifestEntryCount(FixtureOptions(SampleOptions::Layout::New, false))));
    const QMap<QString, QByteArray> out = FolderContents(work);
    const QMap<QString, QByteArray> all = FolderContents(m_tmp.filePath("rt-work0"));
    QVERIFY(out.size() < all.size());
    for (auto it = out.constBegin(); it != out.constEnd(); ++it)
        QCOMPARE(it.value(), all.value(it.key()));
}

void TestBackupDecryptor::plainManifestGeneration()
{
    // iOS 10.0/10.1: PBKDF2-SHA1 keybag, Manifest.db left plain, no ManifestKey.
    SampleEncryptPlan plan;
    plan.doubleProtection = false;
    plan.encryptManifestDb = false;
    plan.iterations = 10;
    const QString backup = WriteFixtureWith(m_tmp.filePath("ios101"), FixtureOptions(SampleOptions::Layout::New, true),
                                            plan);
    const QString work = m_tmp.filePath("ios101-work");
    const DecryptRun run = RunDecrypt(backup, work, kFixturePassword, false, true);
    QVERIFY2(run.nExit == DECRYPTOR_OK, qPrintable(run.lines.join('\n')));
    QVERIFY(!QFileInfo::exists(backup + "/Manifest.db-decypted"));
    const QMap<QString, QByteArray> out = FolderContents(work);
    QVERIFY(out.size() > 5);
    for (auto it = out.constBegin(); it != out.constEnd(); ++it)
        QCOMPARE(it.value(), PlainStoredFile(m_plain[0], it.key()));
    QCOMPARE(RunDecrypt(backup, work, "nope", true).lines, QStringList{ "Wrong password" });
}

void TestBackupDecryptor::skippedFiles()
{
    // Class 3 wrapped with the device key too; then one file gone and one with a damaged pad.
    SampleEncryptPlan plan = SampleEncryptPlanFor(FixtureOptions(SampleOptions::Layout::New, true));
    plan.deviceBoundClasses = { 3 };
    const QString backup = WriteFixtureWith(m_tmp.filePath("skips"), FixtureOptions(SampleOptions::Layout::New, true),
                                            plan);
    const QMap<QString, QByteArray> reference = FolderContents(m_tmp.filePath("rt-work0"));
    const QString work = m_tmp.filePath("skips-work");
    DecryptRun run = RunDecrypt(backup, work, kFixturePassword, false, true);
    QCOMPARE(run.nExit, int(DECRYPTOR_OK));
    const QStringList deviceBound = run.Matching("bound to the device");
    QVERIFY(!deviceBound.isEmpty());
    QMap<QString, QByteArray> out = FolderContents(work);
    for (const QString& line : deviceBound) {
        QVERIFY(line.startsWith("Skipped "));
        QVERIFY(!out.contains(line.mid(8, 40)));
    }
    QCOMPARE(out.size() + deviceBound.size(), reference.size());
    QVERIFY(out.size() >= 2);

    const QString missing = out.firstKey();
    const QString badPad = out.lastKey();
    QVERIFY(QFile::remove(backup + "/" + missing.left(2) + "/" + missing));
    FlipLastByte(backup + "/" + badPad.left(2) + "/" + badPad);
    QVERIFY(QDir(work).removeRecursively());
    run = RunDecrypt(backup, work, kFixturePassword, false, true);
    QVERIFY2(run.nExit == DECRYPTOR_OK, qPrintable(run.lines.join('\n')));
    // Every entry is still counted as done.
    QCOMPARE(run.LastCount(), qint64(ManifestEntryCount(FixtureOptions(SampleOptions::Layout::New, false))));
    QCOMPARE(run.Matching("Skipped " + missing + ": stored file is missing").size(), 1);
    QCOMPARE(run.Matching("Warning " + badPad + ": bad padding").size(), 1);
    out = FolderContents(work);
    QVERIFY(!out.contains(missing));
    // The file with the bad pad is kept whole, its last block as it decrypted.
    QVERIFY(out.contains(badPad));
    const QByteArray plain = reference.value(badPad);
    QCOMPARE(out.value(badPad).left(plain.size() / 16 * 16), plain.left(plain.size() / 16 * 16));
    QCOMPARE(out.value(badPad).size(), (plain.size() / 16 + 1) * 16);
    // The others are intact.
    for (auto it = out.constBegin(); it != out.constEnd(); ++it) {
        if (it.key() != badPad)
            QCOMPARE(it.value(), reference.value(it.key()));
    }
}

// Where a stored file may lie, and what may lie there instead: the first place that
// holds anything is the file's, so a link, FIFO or linked folder there is refused
// (never followed, never waited on) and not passed over for another place, while a
// place that leads nowhere (a dangling link) counts as empty.
void TestBackupDecryptor::plantedStoredFiles()
{
    const QString backup = WriteFixture(m_tmp.filePath("planted"), FixtureOptions(SampleOptions::Layout::New, true));
    const QMap<QString, QByteArray> reference = FolderContents(m_tmp.filePath("rt-work0"));
    QVERIFY(reference.size() >= 6);
    const QStringList ids = reference.keys();
    const auto nested = [&](const QString& id) { return backup + "/" + id.left(2) + "/" + id; };
    const auto flat = [&](const QString& id) { return backup + "/" + id; };

    // Moved out of its folder: found in the flat place.
    const QString moved = ids.at(0);
    QVERIFY(QFile::rename(nested(moved), flat(moved)));
    // Flat and with the old ending.
    const QString mddata = ids.at(1);
    QVERIFY(QFile::rename(nested(mddata), flat(mddata) + ".mddata"));
    // A link to another stored file, with the real file in the flat place: refused.
    const QString linked = ids.at(2);
    QVERIFY(QFile::rename(nested(linked), flat(linked)));
    QVERIFY(QFile::link(nested(ids.at(5)), nested(linked)));
    // A dangling link, the real file in the flat place: the link leads nowhere.
    const QString dangling = ids.at(3);
    QVERIFY(QFile::rename(nested(dangling), flat(dangling)));
    QVERIFY(QFile::link(m_tmp.filePath("nowhere"), nested(dangling)));
    // A FIFO: refused at once, never read from.
    const QString fifo = ids.at(4);
    QVERIFY(QFile::remove(nested(fifo)));
    QCOMPARE(::mkfifo(QFile::encodeName(nested(fifo)).constData(), 0600), 0);

    const QString work = m_tmp.filePath("planted-work");
    const DecryptRun run = RunDecrypt(backup, work, kFixturePassword, false, true);
    QVERIFY2(run.nExit == DECRYPTOR_OK, qPrintable(run.lines.join('\n')));
    const QMap<QString, QByteArray> out = FolderContents(work);
    for (const QString& id : {moved, mddata, dangling})
        QCOMPARE(out.value(id), reference.value(id));
    QCOMPARE(run.Matching("Failed " + linked + ": cannot open stored file").size(), 1);
    QCOMPARE(run.Matching("Failed " + fifo + ": stored file is not a regular file").size(), 1);
    QVERIFY(!out.contains(linked));
    QVERIFY(!out.contains(fifo));
    QCOMPARE(out.size(), reference.size() - 2);
    for (const QString& line : run.lines)
        QVERIFY2(line.startsWith("Count: ") || line.startsWith("Failed "), qPrintable(line));

    // A two-character folder that is a link to a real one: none of its files is read.
    const QString shard = ids.at(5).left(2);
    QVERIFY(QFile::rename(backup + "/" + shard, backup + "/real-" + shard));
    QVERIFY(QFile::link(backup + "/real-" + shard, backup + "/" + shard));
    QVERIFY(QDir(work).removeRecursively());
    const DecryptRun second = RunDecrypt(backup, work, kFixturePassword, false, true);
    QCOMPARE(second.nExit, int(DECRYPTOR_OK));
    QCOMPARE(second.Matching("Failed " + ids.at(5) + ": cannot open stored file").size(), 1);
    QVERIFY(!FolderContents(work).contains(ids.at(5)));
}

void TestBackupDecryptor::damagedBackups()
{
    struct Case {
        const char* name;
        int layout;  // index into m_encrypted
        std::function<void(const QString&)> damage;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        { "no Manifest.plist", 0, [](const QString& d) { QFile::remove(d + "/Manifest.plist"); },
          DECRYPTOR_BAD_BACKUP, "cannot read Manifest.plist" },
        { "garbage Manifest.plist", 0,
          [](const QString& d) {
              QFile f(d + "/Manifest.plist");
              QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
              f.write("bplist00\x01\x02garbage");
          },
          DECRYPTOR_BAD_BACKUP, "damaged" },
        { "truncated keybag", 0,
          [](const QString& d) {
              RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) {
                  m["BackupKeyBag"] = m["BackupKeyBag"].toByteArray().chopped(30);
              });
          },
          DECRYPTOR_BAD_BACKUP, "damaged keybag" },
        { "no keybag", 1,
          [](const QString& d) { RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) { m.remove("BackupKeyBag"); }); },
          DECRYPTOR_BAD_BACKUP, "no BackupKeyBag" },
        { "not encrypted", 1,
          [](const QString& d) {
              RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) {
                  m.remove("BackupKeyBag");
                  m["IsEncrypted"] = false;
              });
          },
          DECRYPTOR_BAD_BACKUP, "not encrypted" },
        { "no ManifestKey", 0,
          [](const QString& d) { RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) { m.remove("ManifestKey"); }); },
          DECRYPTOR_BAD_BACKUP, "no ManifestKey" },
        { "damaged ManifestKey", 0,
          [](const QString& d) {
              RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) {
                  QByteArray k = m["ManifestKey"].toByteArray();
                  k[20] = char(k[20] ^ 1);
                  m["ManifestKey"] = k;
              });
          },
          DECRYPTOR_BAD_BACKUP, "ManifestKey does not open" },
        { "short ManifestKey", 0,
          [](const QString& d) {
              RewritePlist(d + "/Manifest.plist", [](QVariantMap& m) { m["ManifestKey"] = QByteArray("abc"); });
          },
          DECRYPTOR_BAD_BACKUP, "ManifestKey is damaged" },
        { "damaged Manifest.db", 0, [](const QString& d) { FlipLastByte(d + "/Manifest.db"); },
          DECRYPTOR_OK, "Warning Manifest.db" },
        { "no manifest", 0, [](const QString& d) { QFile::remove(d + "/Manifest.db"); },
          DECRYPTOR_BAD_BACKUP, "neither Manifest.db nor Manifest.mbdb" },
        { "Manifest.mbdb without magic", 1,
          [](const QString& d) {
              QFile f(d + "/Manifest.mbdb");
              QVERIFY(f.open(QIODevice::ReadWrite));
              f.write("xxxx");
          },
          DECRYPTOR_BAD_BACKUP, "mbdb header" },
        { "truncated Manifest.mbdb", 1,
          [](const QString& d) { QVERIFY(QFile::resize(d + "/Manifest.mbdb", QFileInfo(d + "/Manifest.mbdb").size() - 9)); },
          DECRYPTOR_OK, "runs past the end" },
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString copyRoot = m_tmp.filePath(QString("damaged%1").arg(n++));
        const QString source = m_encrypted[c.layout];
        const QString backup = copyRoot + "/" + QFileInfo(source).fileName();
        QDir().mkpath(backup);
        const QMap<QString, QByteArray> files = FolderContents(source);
        for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
            if (it.key() == QLatin1String(g_szDecryptedManifestName))
                continue;
            QDir().mkpath(QFileInfo(backup + "/" + it.key()).path());
            QFile f(backup + "/" + it.key());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(it.value());
        }
        c.damage(backup);
        const QMap<QString, QByteArray> before = BackupSnapshot(backup);
        const QString work = copyRoot + "/work";
        const DecryptRun run = RunDecrypt(backup, work, kFixturePassword, false);
        QVERIFY2(run.nExit == c.exitCode, qPrintable(QString("%1: %2").arg(c.name, run.lines.join('\n'))));
        QVERIFY2(!run.Matching(c.message).isEmpty(), qPrintable(QString("%1: %2").arg(c.name, run.lines.join('\n'))));
        // Nothing in the backup changed, and nothing appeared beside it but the work folder.
        QCOMPARE(BackupSnapshot(backup), before);
        QStringList beside = QDir(copyRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        beside.removeAll("work");
        QCOMPARE(beside, QStringList{ QFileInfo(source).fileName() });
    }
}

QTEST_MAIN(TestBackupDecryptor)
#include "tst_backupdecryptor.moc"
