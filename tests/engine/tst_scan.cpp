#include <QtTest>

#include <QTemporaryDir>

#include "EngineFixtures.h"
#include "engine/IphoneBackupFile.h"
#include "engine/ManifestReader.h"
#include "tools/sample/SampleBackup.h"
#include "tools/sample/SampleWriter.h"

using namespace EngineFixtures;

namespace {

struct Recorder {
    QList<int> positions;
    int answer = 0;
};

int Record(void* context, int percent)
{
    auto* recorder = static_cast<Recorder*>(context);
    recorder->positions << percent;
    return recorder->answer;
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void plainManifestDb();
    void missingManifests();
    void encryptedReadsDecryptedCopy();
    void encryptedWithoutWorkFolder();
    void generatedBackupsScanBack_data();
    void generatedBackupsScanBack();
    void clearingWorkFolder();

private:
    QString writeSample(SampleBackup& backup);
    QTemporaryDir m_dir;
    QString m_work;
};

void TestScan::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString support = m_dir.filePath(QStringLiteral("support")) + QLatin1Char('/');
    qputenv("QUILLMERE_SUPPORT_DIR", support.toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", m_dir.filePath(QStringLiteral("no-root/")).toUtf8());
    m_work = support + QStringLiteral("QuillmereBackupPath");
    QVERIFY(QDir().mkpath(m_work));
}

QString TestScan::writeSample(SampleBackup& backup)
{
    static int count = 0;
    QString folder;
    QString error;
    const QString root = m_dir.filePath(QStringLiteral("backups%1").arg(++count));
    if (!WriteSampleBackup(backup, root, &folder, &error))
        qWarning("%s", qPrintable(error));
    return folder;
}

void TestScan::plainManifestDb()
{
    SampleBackup backup;
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "SQLite format 3");
    const QString folder = writeSample(backup);
    QVERIFY(!folder.isEmpty());

    CIphoneBackupFile engine;
    Recorder recorder;
    recorder.answer = 1;  // the scan ignores a stop request
    engine.InitCallback(Record, &recorder);
    __BACK_FILE_INFO__ info;
    info.strBackupPath = folder.toStdString();
    engine.Init(&info);
    QCOMPARE(engine.Scan(QString()), 0);
    QCOMPARE(recorder.positions, QList<int>({1, 12}));
    QCOMPARE(engine.m_nProgressPos, 12);
    QCOMPARE(engine.m_nProgressStep, 11);
    QVERIFY(engine.m_bManifestDb);
    QCOMPARE(int(engine.m_vecManifest.size()), int(backup.entries.size()));
    QVERIFY(engine.m_vecBackupFolders.empty());
    QCOMPARE(engine.m_strBackupDir, folder.toStdString());
    QCOMPARE(engine.GetStoredFilePath(g_szSmsDbFileId),
             (folder + QStringLiteral("/3d/") + QLatin1String(g_szSmsDbFileId)).toStdString());
}

void TestScan::missingManifests()
{
    CIphoneBackupFile engine;
    Recorder recorder;
    engine.InitCallback(Record, &recorder);
    const QString empty = m_dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    __BACK_FILE_INFO__ info;
    info.strBackupPath = empty.toStdString();
    engine.Init(&info);
    engine.m_vecManifest.push_back({"stale", "0000"});
    QCOMPARE(engine.Scan(QString()), 87);
    QCOMPARE(recorder.positions, QList<int>({1, 12}));
    QVERIFY(engine.m_vecManifest.empty());

    // The decrypted copy alone does not make a manifest: the plain one must exist.
    const QString onlyCopy = m_dir.filePath(QStringLiteral("onlycopy"));
    SampleBackup backup;
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("a"), "a");
    QDir().mkpath(onlyCopy);
    QString error;
    QVERIFY(WriteManifestDb(backup, onlyCopy + QStringLiteral("/Manifest.db-decypted"), &error));
    info.strBackupPath = onlyCopy.toStdString();
    engine.Init(&info);
    QCOMPARE(engine.Scan(QString()), 87);
    QVERIFY(engine.m_vecManifest.empty());
}

void TestScan::encryptedReadsDecryptedCopy()
{
    // The plain Manifest.db holds one entry, the decrypted copy two: the copy wins.
    const QString folder = m_dir.filePath(QStringLiteral("encrypted"));
    QDir().mkpath(folder);
    SampleBackup plain;
    plain.addFile(QStringLiteral("HomeDomain"), QStringLiteral("plain.txt"), "p");
    SampleBackup copy;
    copy.addFile(QStringLiteral("HomeDomain"), QStringLiteral("one.txt"), "1");
    copy.addFile(QStringLiteral("HomeDomain"), QStringLiteral("two.txt"), "2");
    QString error;
    QVERIFY(WriteManifestDb(plain, folder + QStringLiteral("/Manifest.db"), &error));
    QVERIFY(WriteManifestDb(copy, folder + QStringLiteral("/Manifest.db-decypted"), &error));

    WriteBytes(m_work + QStringLiteral("/a-file"), "a");
    WriteBytes(m_work + QStringLiteral("/B-file"), "b");
    WriteBytes(m_work + QStringLiteral("/sub/inner"), "kept");

    CIphoneBackupFile engine;  // clears the working folder's files
    WriteBytes(m_work + QStringLiteral("/a-file"), "a");
    WriteBytes(m_work + QStringLiteral("/B-file"), "b");
    Recorder recorder;
    engine.InitCallback(Record, &recorder);
    __BACK_FILE_INFO__ info;
    info.bEncrypted = true;
    info.strBackupPath = folder.toStdString();
    engine.Init(&info);
    QCOMPARE(engine.Scan(m_work), 0);
    QCOMPARE(recorder.positions, QList<int>({11}));
    QCOMPARE(int(engine.m_vecManifest.size()), int(copy.entries.size()));
    QCOMPARE(engine.m_strBackupDir, m_work.toStdString());
    QCOMPARE(engine.m_selected.strBackupPath, m_work.toStdString());
    // Files only, descending by name ignoring case; the sub-folder is not listed.
    QCOMPARE(int(engine.m_vecTempFiles.size()), 2);
    QCOMPARE(engine.m_vecTempFiles[0], (m_work + QStringLiteral("/B-file")).toStdString());
    QCOMPARE(engine.m_vecTempFiles[1], (m_work + QStringLiteral("/a-file")).toStdString());
    // Decrypted files lie flat in the working folder.
    QCOMPARE(engine.GetStoredFilePath(g_szSmsDbFileId), (m_work + QLatin1Char('/') + QLatin1String(g_szSmsDbFileId)).toStdString());

    engine.ClearTempDir();
    QVERIFY(!QFile::exists(m_work + QStringLiteral("/a-file")));
    QVERIFY(!QFile::exists(m_work + QStringLiteral("/B-file")));
    QVERIFY(QFile::exists(m_work + QStringLiteral("/sub/inner")));
    QVERIFY(engine.m_vecTempFiles.empty());
}

// Scanned without a working folder, an encrypted backup keeps its own folder
// and nothing is marked for deletion (listing "" would mean listing "/").
void TestScan::encryptedWithoutWorkFolder()
{
    SampleBackup backup;
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("a"), "a");
    const QString folder = writeSample(backup);
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    info.bEncrypted = true;
    info.strBackupPath = folder.toStdString();
    engine.Init(&info);
    QCOMPARE(engine.Scan(QString()), 0);
    QVERIFY(engine.m_vecTempFiles.empty());
    QCOMPARE(engine.m_strBackupDir, folder.toStdString());
    QCOMPARE(engine.m_nProgressPos, 11);
}

void TestScan::generatedBackupsScanBack_data()
{
    QTest::addColumn<bool>("newLayout");
    QTest::newRow("Manifest.db") << true;
    QTest::newRow("Manifest.mbdb") << false;
}

void TestScan::generatedBackupsScanBack()
{
    QFETCH(bool, newLayout);
    SampleOptions options;
    options.layout = newLayout ? SampleOptions::Layout::New : SampleOptions::Layout::Old;
    options.seed = newLayout ? 11 : 12;
    SampleBackup backup(options);
    backup.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "SQLite format 3");
    backup.addSymlink(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/alias"), QStringLiteral("/var/mobile/x"));
    SampleEntry& props = backup.addFile(QStringLiteral("MediaDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "jpg");
    props.properties = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    backup.addFile(QStringLiteral("AppDomain-com.example.app"), QStringLiteral("Documents/Résumé 🎉 \"q\".txt"), "t");
    backup.addDirectory(QStringLiteral("AppDomain-com.example.app"), QStringLiteral("Library/Caches"));
    const QString folder = writeSample(backup);
    QVERIFY(!folder.isEmpty());

    std::vector<__MBDB_FILE__> expected;
    for (const SampleEntry& e : backup.entries) {
        if (!newLayout && (e.relativePath.isEmpty() || e.flags == SampleEntry::Directory))
            continue;
        QString name = e.domain;
        if (!e.relativePath.isEmpty())
            name += QLatin1Char('-') + e.relativePath;
        expected.push_back({name.toStdString(), e.fileId().toStdString()});
    }

    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    std::string path = folder.toStdString();
    QCOMPARE(engine.GetBackFileInfo(path.data(), &info), 0);
    QVERIFY(!info.bEncrypted);
    QCOMPARE(QString::fromStdString(info.strSerialNumber), backup.device.serialNumber);
    engine.Init(&info);
    QCOMPARE(engine.Scan(QString()), 0);
    QCOMPARE(engine.m_bManifestDb, newLayout);
    QCOMPARE(int(engine.m_vecManifest.size()), int(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(engine.m_vecManifest[i].strName, expected[i].strName);
        QCOMPARE(engine.m_vecManifest[i].strFileId, expected[i].strFileId);
    }
    // Every file's stored path exists where the engine looks for it.
    for (const SampleEntry& e : backup.entries) {
        if (e.flags == SampleEntry::File)
            QVERIFY(QFile::exists(QString::fromStdString(engine.GetStoredFilePath(e.fileId().toStdString()))));
    }
}

void TestScan::clearingWorkFolder()
{
    const QString support = QString::fromUtf8(qgetenv("QUILLMERE_SUPPORT_DIR"));
    WriteBytes(m_work + QStringLiteral("/decrypted"), "x");
    WriteBytes(m_work + QStringLiteral("/.hidden"), "x");
    WriteBytes(m_work + QStringLiteral("/nested/deep"), "x");
    for (const char* name : {"tmp.jpg", "tmp.avi", "tmp.wav", "keep.txt"})
        WriteBytes(support + QLatin1String(name), "x");
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere.txt"));
    WriteBytes(elsewhere, "x");

    CIphoneBackupFile engine;  // construction clears
    QVERIFY(!QFile::exists(m_work + QStringLiteral("/decrypted")));
    QVERIFY(QFile::exists(m_work + QStringLiteral("/.hidden")));
    QVERIFY(QFile::exists(m_work + QStringLiteral("/nested/deep")));
    QVERIFY(!QFile::exists(support + QStringLiteral("tmp.jpg")));
    QVERIFY(!QFile::exists(support + QStringLiteral("tmp.avi")));
    QVERIFY(!QFile::exists(support + QStringLiteral("tmp.wav")));
    QVERIFY(QFile::exists(support + QStringLiteral("keep.txt")));

    engine.m_vecTempFiles.push_back(elsewhere.toStdString());
    engine.m_vecTempFiles.push_back(m_dir.filePath(QStringLiteral("never-existed")).toStdString());
    QCOMPARE(engine.ClearTempDir(), 0L);
    QVERIFY(!QFile::exists(elsewhere));
    QVERIFY(engine.m_vecTempFiles.empty());

    // A working folder replaced by a link to someone else's folder is not emptied.
    const QString victim = m_dir.filePath(QStringLiteral("victim"));
    WriteBytes(victim + QStringLiteral("/precious"), "x");
    const QString moved = m_work + QStringLiteral("-moved");
    QVERIFY(QDir().rename(m_work, moved));
    QVERIFY(QFile::link(victim, m_work));
    engine.ClearTempDir();
    QVERIFY(QFile::exists(victim + QStringLiteral("/precious")));
    QVERIFY(QFile::remove(m_work));
    QVERIFY(QDir().rename(moved, m_work));
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
