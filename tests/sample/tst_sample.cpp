#include <QtTest>

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "support/Plist.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

class TestSample : public QObject {
    Q_OBJECT
private slots:
    void deterministicForSeed();
    void modelParentsAndKinds();
    void infoPlistForms();
    void newLayoutFolder();
    void oldLayoutFolder();
    void refusesExistingFolder();

private:
    QTemporaryDir m_dir;
};

static QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestSample::deterministicForSeed()
{
    SampleOptions options;
    options.scale = SampleOptions::Scale::Small;
    options.seed = 42;
    const SampleBackup a = BuildSampleBackup(options);
    const SampleBackup b = BuildSampleBackup(options);
    QCOMPARE(BuildManifestMbdb(a), BuildManifestMbdb(b));
    QCOMPARE(BuildInfoPlistXml(SampleInfoPlistValues(a)), BuildInfoPlistXml(SampleInfoPlistValues(b)));
    QVERIFY(int(a.entries.size()) >= SampleTargetEntryCount(SampleOptions::Scale::Small));

    options.seed = 43;
    const SampleBackup c = BuildSampleBackup(options);
    QVERIFY(c.device.targetIdentifier != a.device.targetIdentifier);
    QVERIFY(BuildManifestMbdb(c) != BuildManifestMbdb(a));
    QCOMPARE(a.device.targetIdentifier.size(), 40);
}

void TestSample::modelParentsAndKinds()
{
    SampleBackup backup;
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "db");
    backup.addSymlink(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/link"), QStringLiteral("/x"));
    // Domain root, Library, Library/SMS, the file, the link.
    QCOMPARE(int(backup.entries.size()), 5);
    QCOMPARE(backup.entries[0].relativePath, QString());
    QCOMPARE(backup.entries[0].flags, int(SampleEntry::Directory));
    QCOMPARE(backup.entries[2].relativePath, QStringLiteral("Library/SMS"));
    QCOMPARE(backup.entries[3].fileId(), QStringLiteral("3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
    QCOMPARE(backup.entries[4].mode & 0xE000, 0xA000);
    QCOMPARE(backup.entries[2].mode & 0xE000, 0x4000);
    // The same name again replaces, never duplicates.
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "newer");
    QCOMPARE(int(backup.entries.size()), 5);
    QCOMPARE(backup.entries[size_t(backup.find(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db")))].content,
             QByteArray("newer"));
}

void TestSample::infoPlistForms()
{
    SampleBackup backup;
    const QByteArray xml = BuildInfoPlistXml(SampleInfoPlistValues(backup));
    // One element per line: every key line is followed by its value line.
    const QList<QByteArray> lines = xml.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].contains("<key>Serial Number</key>"))
            QCOMPARE(lines[i + 1].trimmed(), "<string>" + backup.device.serialNumber.toUtf8() + "</string>");
        if (lines[i].contains("<key>Last Backup Date</key>"))
            QVERIFY(lines[i + 1].contains(backup.device.lastBackupDate.toString(Qt::ISODate).toUtf8()));
    }
    // The hostile device name is escaped, and the XML still parses back.
    QVERIFY(backup.device.displayName.contains(QLatin1Char('&')));
    const QVariantMap parsed = ParsePlist(xml).toMap();
    QCOMPARE(parsed.value(QStringLiteral("Display Name")).toString(), backup.device.displayName);
    QCOMPARE(parsed.value(QStringLiteral("Last Backup Date")).toDateTime(), backup.device.lastBackupDate);
}

void TestSample::newLayoutFolder()
{
    SampleOptions options;
    options.seed = 7;
    options.binaryInfo = true;
    QString folder, error;
    QVERIFY2(GenerateSampleBackup(options, m_dir.filePath(QStringLiteral("new")), &folder, &error), qPrintable(error));
    QVERIFY(QFileInfo(folder).fileName().contains(QRegularExpression(QStringLiteral("^[0-9a-f]{40}$"))));
    QVERIFY(ReadAll(folder + QStringLiteral("/Info.plist")).startsWith("bplist00"));
    const QVariantMap status = ParsePlist(ReadAll(folder + QStringLiteral("/Status.plist"))).toMap();
    QCOMPARE(status.value(QStringLiteral("SnapshotState")).toString(), QStringLiteral("finished"));
    const QVariantMap manifest = ParsePlist(ReadAll(folder + QStringLiteral("/Manifest.plist"))).toMap();
    QCOMPARE(manifest.value(QStringLiteral("IsEncrypted")).toBool(), false);
    QVERIFY(manifest.value(QStringLiteral("Lockdown")).toMap().contains(QStringLiteral("ProductVersion")));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(folder + QStringLiteral("/Manifest.db"));
    QVERIFY(db.open());
    int files = 0;
    {
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("SELECT fileID, domain, relativePath, flags, file FROM Files")));
        while (q.next()) {
            const QString id = q.value(0).toString();
            const QString name = q.value(1).toString() + QLatin1Char('-') + q.value(2).toString();
            QCOMPARE(id, QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex()));
            const int flags = q.value(3).toInt();
            QVERIFY(flags == 1 || flags == 2 || flags == 4);
            // The blob is a keyed archive whose root is an MBFile.
            const QVariantMap archive = ParsePlist(q.value(4).toByteArray()).toMap();
            QCOMPARE(archive.value(QStringLiteral("$archiver")).toString(), QStringLiteral("NSKeyedArchiver"));
            qlonglong root = -1;
            QVERIFY(IsPlistUid(archive.value(QStringLiteral("$top")).toMap().value(QStringLiteral("root")), &root));
            const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
            const QVariantMap file = objects.value(int(root)).toMap();
            qlonglong cls = -1, rel = -1;
            QVERIFY(IsPlistUid(file.value(QStringLiteral("$class")), &cls));
            QCOMPARE(objects.value(int(cls)).toMap().value(QStringLiteral("$classname")).toString(), QStringLiteral("MBFile"));
            QVERIFY(IsPlistUid(file.value(QStringLiteral("RelativePath")), &rel));
            QCOMPARE(objects.value(int(rel)).toString(), q.value(2).toString());
            const int typeBits = int(file.value(QStringLiteral("Mode")).toLongLong()) & 0xE000;
            QCOMPARE(typeBits, flags == 1 ? 0x8000 : flags == 2 ? 0x4000 : 0xA000);
            if (flags == 1) {
                ++files;
                const QString stored = folder + QLatin1Char('/') + id.left(2) + QLatin1Char('/') + id;
                QCOMPARE(QFileInfo(stored).size(), file.value(QStringLiteral("Size")).toLongLong());
            } else {
                QVERIFY(!QFile::exists(folder + QLatin1Char('/') + id.left(2) + QLatin1Char('/') + id));
            }
        }
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    QVERIFY(files > 0);
}

void TestSample::oldLayoutFolder()
{
    SampleOptions options;
    options.seed = 8;
    options.layout = SampleOptions::Layout::Old;
    SampleBackup backup = BuildSampleBackup(options);
    SampleEntry& missing = backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("interrupted.txt"), "x");
    missing.writeData = false;
    QString folder, error;
    QVERIFY2(WriteSampleBackup(backup, m_dir.filePath(QStringLiteral("old")), &folder, &error), qPrintable(error));
    QVERIFY(!QFile::exists(folder + QStringLiteral("/Manifest.db")));
    QCOMPARE(ReadAll(folder + QStringLiteral("/Manifest.mbdb")), BuildManifestMbdb(backup));
    QVERIFY(ReadAll(folder + QStringLiteral("/Info.plist")).startsWith("<?xml"));
    // Stored files lie flat, no sub-folders.
    QVERIFY(QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    for (const SampleEntry& e : backup.entries) {
        const bool stored = QFile::exists(folder + QLatin1Char('/') + e.fileId());
        QCOMPARE(stored, e.flags == SampleEntry::File && e.writeData);
    }
}

void TestSample::refusesExistingFolder()
{
    SampleOptions options;
    options.seed = 9;
    QString folder, error;
    const QString root = m_dir.filePath(QStringLiteral("twice"));
    QVERIFY(GenerateSampleBackup(options, root, &folder, &error));
    QFile marker(folder + QStringLiteral("/user-data"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    QVERIFY(!GenerateSampleBackup(options, root, &folder, &error));
    QVERIFY(error.contains(QStringLiteral("exists")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/user-data")));

    // Encryption is refused cleanly while no encryptor is linked in, or works.
    options.seed = 10;
    options.password = QStringLiteral("pw");
    QString encFolder;
    if (!GenerateSampleBackup(options, root, &encFolder, &error))
        QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestSample)
#include "tst_sample.moc"
