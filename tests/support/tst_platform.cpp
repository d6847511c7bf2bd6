#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "export/ExportFile.h"
#include "support/BackupDatabase.h"
#include "support/ExportTree.h"
#include "support/Platform.h"
#include "support/SafePath.h"

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void folderOverrides();
    void privateAndExportDirs();
    void exportTreeRefusesLinks();
    void safeComponents();
    void backupDatabasesStayUntouched();
};

static mode_t modeOf(const QString& p)
{
    struct stat st;
    stat(QFile::encodeName(p).constData(), &st);
    return st.st_mode & 07777;
}

void TestPlatform::folderOverrides()
{
    qunsetenv("QUILLMERE_BACKUP_ROOT");
    qunsetenv("QUILLMERE_SUPPORT_DIR");
    QCOMPARE(QmPlatform::BackupRootDir(), QString("/Library/Application Support/MobileSync/Backup/"));
    // Root keeps the shared folder; a user's is his own (tst_platformsession).
    if (geteuid() == 0)
        QCOMPARE(QmPlatform::WorkDir(), QString("/Library/Application Support/Quillmere/QuillmereBackupPath/"));
    qputenv("QUILLMERE_BACKUP_ROOT", "/tmp/roots");
    qputenv("QUILLMERE_SUPPORT_DIR", "/tmp/support/");
    QCOMPARE(QmPlatform::BackupRootDir(), QString("/tmp/roots/"));
    QCOMPARE(QmPlatform::WorkDir(), QString("/tmp/support/QuillmereBackupPath/"));
    qunsetenv("QUILLMERE_BACKUP_ROOT");
    qunsetenv("QUILLMERE_SUPPORT_DIR");
}

void TestPlatform::privateAndExportDirs()
{
    QTemporaryDir tmp;
    QString priv = tmp.path() + "/support/QuillmereBackupPath";
    QVERIFY(QmPlatform::MakePrivateDir(priv));
    QCOMPARE(modeOf(priv), mode_t(0700));
    QCOMPARE(modeOf(tmp.path() + "/support"), mode_t(0700));
    QVERIFY(QmPlatform::MakePrivateDir(priv)); // again: already there

    QString out = tmp.path() + "/out/Message";
    QVERIFY(QmPlatform::MakeExportDir(out));
    QCOMPARE(modeOf(out), mode_t(0755));
    QString file = out + "/a.txt";
    QFile(file).open(QIODevice::WriteOnly);
    QFile(file).setPermissions(QFileDevice::Permissions(0x7777));
    QmPlatform::SetExportFileMode(file);
    QCOMPARE(modeOf(file), mode_t(0644));

    // A file standing where a folder is wanted is not a folder.
    QVERIFY(!QmPlatform::MakeExportDir(file + "/sub"));
}

void TestPlatform::exportTreeRefusesLinks()
{
    QTemporaryDir tmp;
    const QString real = tmp.path() + "/real";
    const QString outside = tmp.path() + "/outside";
    QVERIFY(QDir().mkpath(real + "/Kept") && QDir().mkpath(outside));
    QVERIFY(::chmod(QFile::encodeName(real + "/Kept").constData(), 0700) == 0);
    QVERIFY(::chmod(QFile::encodeName(outside).constData(), 0700) == 0);
    QVERIFY(QFile::link(outside, real + "/Notes"));
    QVERIFY(QFile::link(real, tmp.path() + "/chosen"));
    const QString dest = tmp.path() + "/chosen";
    {
        CExportRootScope scope(QFile::encodeName(dest + "/").toStdString());
        // The chosen folder's own path may hold a link; what is below it may not.
        QVERIFY(QmPlatform::MakeExportDir(dest + "/Kept/a/b"));
        QCOMPARE(modeOf(real + "/Kept"), mode_t(0700));
        QCOMPARE(modeOf(real + "/Kept/a"), mode_t(0755));
        errno = 0;
        QVERIFY(!QmPlatform::MakeExportDir(dest + "/Notes/sub"));
        QCOMPARE(errno, ELOOP);
        QCOMPARE(WriteExportFile((dest + "/Notes/n.html").toStdString(), "x", false), ELOOP);
        QCOMPARE(WriteExportFile((dest + "/Notes/n.html").toStdString(), "x", true), ELOOP);
        QCOMPARE(WriteExportFile((dest + "/Kept/a/../../Notes/n.html").toStdString(), "x", true), EINVAL);
        QCOMPARE(WriteExportFile((dest + "/Kept/a/b/r.html").toStdString(), "report", false), 0);
        QCOMPARE(WriteExportFile((dest + "/Kept/a/b/r.html").toStdString(), "again", false), 0);
        QCOMPARE(WriteExportFile((dest + "/Kept/a/b/r.html").toStdString(), "x", true), EEXIST);
        // Nor is anything removed through a link.
        QFile victim(outside + "/victim.db");
        QVERIFY(victim.open(QIODevice::WriteOnly));
        victim.close();
        QCOMPARE(RemoveExportFile((dest + "/Notes/victim.db").toStdString()), ELOOP);
        QVERIFY(victim.exists());
        QVERIFY(victim.remove());
        QCOMPARE(RemoveExportFile((dest + "/Kept/gone.db").toStdString()), 0);
    }
    QCOMPARE(modeOf(real + "/Kept/a/b/r.html"), mode_t(0644));
    QFile report(real + "/Kept/a/b/r.html");
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), QByteArray("again"));
    QCOMPARE(QDir(real + "/Kept/a/b").entryList(QDir::Files | QDir::Hidden).size(), 1);
    QVERIFY(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    QCOMPARE(modeOf(outside), mode_t(0700));

    // Without a scope every component must be a real folder.
    QVERIFY(!QmPlatform::MakeExportDir(dest + "/Kept/c"));
    QVERIFY(QmPlatform::MakeExportDir(real + "/Kept/c"));

    // A private folder's mode is never set through a link.
    QVERIFY(QFile::link(outside, tmp.path() + "/private"));
    QmPlatform::MakePrivateDir(tmp.path() + "/private");
    QCOMPARE(modeOf(outside), mode_t(0700));
    QVERIFY(::chmod(QFile::encodeName(outside).constData(), 0755) == 0);
    QmPlatform::MakePrivateDir(tmp.path() + "/private");
    QCOMPARE(modeOf(outside), mode_t(0755));
}

void TestPlatform::safeComponents()
{
    QCOMPARE(SafePathComponent(std::string("../../etc/passwd")), std::string(".._.._etc_passwd"));
    QCOMPARE(SafePathComponent(std::string("a\\b")), std::string("a_b"));
    QCOMPARE(SafePathComponent(std::string("a\0b", 3)), std::string("a_b"));
    for (const char* bad : {"", ".", ".."}) {
        std::string s = SafePathComponent(std::string(bad));
        QVERIFY(!s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos);
    }
    // 300 bytes of two-byte characters are cut on a character boundary within 255 bytes.
    std::string accents;
    for (int i = 0; i < 150; ++i)
        accents += "é";
    std::string cut = SafePathComponent(accents);
    QVERIFY(cut.size() <= 255);
    QCOMPARE(cut.size(), size_t(254));
    QVERIFY(QString::fromUtf8(cut.c_str()).toUtf8().toStdString() == cut);
    QCOMPARE(SafePathComponent(QStringLiteral("Anna/Ben 😀")), QStringLiteral("Anna_Ben 😀"));
    // Bytes that are not UTF-8 (a lone lead byte, 0xFF) do not reach a file name.
    QCOMPARE(SafePathComponent(std::string("a\xC3(b\xFF")), std::string("a\xEF\xBF\xBD(b\xEF\xBF\xBD"));
    std::string invalidLong(300, '\xFF');
    cut = SafePathComponent(invalidLong);
    QVERIFY(cut.size() <= 255);
    QVERIFY(QString::fromUtf8(cut.c_str()).toUtf8().toStdString() == cut);
}

void TestPlatform::backupDatabasesStayUntouched()
{
    QTemporaryDir tmp;
    QString folder = tmp.path() + "/odd # name ? 100%";
    QDir().mkpath(folder);
    QString path = folder + "/Manifest.db";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("PRAGMA journal_mode=WAL"));
        QVERIFY(q.exec("CREATE TABLE Files (fileID TEXT)"));
        QVERIFY(q.exec("INSERT INTO Files VALUES ('abc')"));
        db.close();
    }
    QSqlDatabase::removeDatabase("writer");
    QStringList before = QDir(folder).entryList(QDir::Files);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        QVERIFY(OpenBackupDatabase(db, path));
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT fileID FROM Files"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("abc"));
        QVERIFY(!q.exec("INSERT INTO Files VALUES ('x')"));
        db.close();
    }
    QSqlDatabase::removeDatabase("reader");
    QCOMPARE(QDir(folder).entryList(QDir::Files), before);

    // Missing files and non-files are refused without creating anything.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "missing");
        QVERIFY(!OpenBackupDatabase(db, folder + "/absent.db"));
        QVERIFY(!OpenBackupDatabase(db, folder));
        QVERIFY(QFile::link(path, folder + "/linked.db"));
        QVERIFY(!OpenBackupDatabase(db, folder + "/linked.db"));
    }
    QSqlDatabase::removeDatabase("missing");
    QVERIFY(!QFile::exists(folder + "/absent.db"));
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
