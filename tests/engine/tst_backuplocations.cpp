#include <QtTest>

#include <QTemporaryDir>

#include "EngineFixtures.h"
#include "engine/BackupLocations.h"
#include "engine/IphoneBackupFile.h"

using namespace EngineFixtures;

// Backups outside the backup root: a folder that is one backup, a folder of
// several (an idevicebackup2 target, <dir>/<UDID>/), folders listed together.
class TestBackupLocations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void oneOrSeveral();
    void severalFoldersEachBackupOnce();

private:
    QString MakeBackup(const QString& folder, const char* name);
    QTemporaryDir m_dir;
};

void TestBackupLocations::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", (m_dir.path() + QStringLiteral("/support/")).toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", (m_dir.path() + QStringLiteral("/root/")).toUtf8());
}

QString TestBackupLocations::MakeBackup(const QString& folder, const char* name)
{
    QDir().mkpath(folder);
    WriteBytes(folder + QStringLiteral("/Info.plist"), InfoPlistXml(KeyString("Display Name", name)));
    return folder;
}

static QStringList Names(const BackFileInfoVec& backups)
{
    QStringList names;
    for (const __BACK_FILE_INFO__& info : backups)
        names << QString::fromStdString(info.strDisplayName);
    return names;
}

void TestBackupLocations::oneOrSeveral()
{
    CIphoneBackupFile engine;
    // One backup chosen directly, with or without a trailing slash.
    const QString single = MakeBackup(m_dir.filePath("single/00008030-001A"), "Solo");
    BackFileInfoVec found = ListBackupsIn(engine, single + "/");
    QCOMPARE(Names(found), QStringList{"Solo"});
    QCOMPARE(QString::fromStdString(found.front().strBackupPath), single);

    // idevicebackup2's target: one folder per device, listed by name; a
    // folder without Info.plist and a plain file are left out.
    const QString target = m_dir.filePath("idevice");
    MakeBackup(target + "/b-udid", "Second phone");
    MakeBackup(target + "/A-udid", "First phone");
    QDir().mkpath(target + "/not-a-backup");
    WriteBytes(target + "/notes.txt", "a file");
    QCOMPARE(Names(ListBackupsIn(engine, target)), (QStringList{"First phone", "Second phone"}));

    // Nothing there: an empty folder, a missing one, a file, an empty path.
    QDir().mkpath(m_dir.filePath("empty"));
    QVERIFY(ListBackupsIn(engine, m_dir.filePath("empty")).empty());
    QVERIFY(ListBackupsIn(engine, m_dir.filePath("missing")).empty());
    QVERIFY(ListBackupsIn(engine, target + "/notes.txt").empty());
    QVERIFY(ListBackupsIn(engine, QString()).empty());
}

void TestBackupLocations::severalFoldersEachBackupOnce()
{
    CIphoneBackupFile engine;
    const QString mobileSync = m_dir.filePath("Library/Application Support/MobileSync/Backup");
    MakeBackup(mobileSync + "/1111", "Mac copy");
    const QString picked = MakeBackup(m_dir.filePath("picked/2222"), "Picked");
    // The same folder reached through a link, and the picked backup also
    // inside a folder picked earlier.
    QVERIFY(QFile::link(mobileSync, m_dir.filePath("linked")));
    const BackFileInfoVec all =
        ListBackupsInAll(engine, {mobileSync, picked, m_dir.filePath("linked"), m_dir.filePath("picked")});
    QCOMPARE(Names(all), (QStringList{"Mac copy", "Picked"}));
}

QTEST_MAIN(TestBackupLocations)
#include "tst_backuplocations.moc"
