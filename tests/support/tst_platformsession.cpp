#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "support/Platform.h"

// The platform unit and the desktop session: when the backup root calls for
// administrator rights, the pkexec relaunch, where a user's private folders
// and backups are, and helpers started as the user even from a root run.
class TestPlatformSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void unreadableRoot();
    void foldersOfAUser();
    void relaunchThroughPkexec();
    void startInUserSession();

private:
    QString Script(const QString& name, const QByteArray& body);
    QString ReadLog(const QString& path);
    QTemporaryDir m_dir;
    QString m_bin;
    QString m_logs;
    QByteArray m_path;
};

// The effective user for a block: an unprivileged one when the tests run as
// root (root reads every folder), nobody changed otherwise.
class AsPlainUser {
public:
    AsPlainUser()
    {
        if (geteuid() == 0)
            m_dropped = seteuid(65534) == 0;
    }
    ~AsPlainUser()
    {
        if (m_dropped && seteuid(0) != 0)
            qFatal("could not return to root");
    }

private:
    bool m_dropped = false;
};

void TestPlatformSession::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Open to the unprivileged user the tests switch to.
    QVERIFY(chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    m_bin = m_dir.filePath("bin");
    m_logs = m_dir.filePath("logs");
    QVERIFY(QDir().mkpath(m_bin) && QDir().mkpath(m_logs));
    QVERIFY(chmod(QFile::encodeName(m_logs).constData(), 0777) == 0);
    m_path = qgetenv("PATH");
    qunsetenv("PKEXEC_UID");
    qunsetenv("SUDO_UID");
}

QString TestPlatformSession::Script(const QString& name, const QByteArray& body)
{
    const QString path = m_bin + "/" + name;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write("#!/bin/sh\n" + body);
        f.close();
    }
    chmod(QFile::encodeName(path).constData(), 0755);
    return path;
}

QString TestPlatformSession::ReadLog(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void TestPlatformSession::unreadableRoot()
{
    const QString readable = m_dir.filePath("readable");
    const QString closed = m_dir.filePath("closed");
    QVERIFY(QDir().mkpath(readable) && QDir().mkpath(closed + "/inside"));
    QVERIFY(chmod(QFile::encodeName(closed).constData(), 0700) == 0);
    const QString file = m_dir.filePath("file");
    QFile(file).open(QIODevice::WriteOnly);

    auto unreadable = [](const QString& root) {
        qputenv("QUILLMERE_BACKUP_ROOT", root.toUtf8());
        AsPlainUser user;
        return QmPlatform::BackupRootUnreadable();
    };
    // Missing, readable, or not a folder: nothing to ask for.
    QVERIFY(!unreadable(m_dir.filePath("missing")));
    QVERIFY(!unreadable(readable));
    QVERIFY(!unreadable(file));
    if (geteuid() != 0 && getuid() != 0) {
        // Closed folders only exist for a plain user; as root the drop above
        // stands in for one, and the folders belong to root.
        QVERIFY(chmod(QFile::encodeName(closed).constData(), 0000) == 0);
        QVERIFY(unreadable(closed));
        QVERIFY(chmod(QFile::encodeName(closed).constData(), 0700) == 0);
    } else {
        // Another user's folder, and a folder inside it.
        QVERIFY(unreadable(closed));
        QVERIFY(unreadable(closed + "/inside"));
    }
    qunsetenv("QUILLMERE_BACKUP_ROOT");
}

void TestPlatformSession::foldersOfAUser()
{
    // The working folder of a user who cannot write the shared one is his own.
    qunsetenv("QUILLMERE_SUPPORT_DIR");
    qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
    {
        AsPlainUser user;
        if (geteuid() != 0)
            QCOMPARE(QmPlatform::WorkDir(), m_dir.filePath("data") + "/Quillmere/QuillmereBackupPath/");
    }
    qputenv("QUILLMERE_SUPPORT_DIR", "/tmp/chosen");
    QCOMPARE(QmPlatform::AppSupportDir(), QString("/tmp/chosen/"));
    qunsetenv("QUILLMERE_SUPPORT_DIR");
    qunsetenv("XDG_DATA_HOME");

    // Backups: the root, plus a copied Mac home's MobileSync folder when there.
    const QByteArray home = qgetenv("HOME");
    const QString fakeHome = m_dir.filePath("home");
    QVERIFY(QDir().mkpath(fakeHome));
    qputenv("HOME", fakeHome.toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", m_dir.filePath("root").toUtf8());
    QCOMPARE(QmPlatform::BackupSearchFolders(), QStringList{m_dir.filePath("root") + "/"});
    const QString mac = fakeHome + "/Library/Application Support/MobileSync/Backup";
    QVERIFY(QDir().mkpath(mac));
    QCOMPARE(QmPlatform::BackupSearchFolders(), (QStringList{m_dir.filePath("root") + "/", mac + "/"}));
    // The root pointing at that same folder lists it once.
    qputenv("QUILLMERE_BACKUP_ROOT", mac.toUtf8());
    QCOMPARE(QmPlatform::BackupSearchFolders().size(), 1);
    if (geteuid() == 0) {
        // Run as root for a user, the user's own home counts.
        qputenv("PKEXEC_UID", "65534");
        struct passwd* nobody = getpwuid(65534);
        if (nobody)
            QCOMPARE(QmPlatform::UserHomeDir(), QString::fromUtf8(nobody->pw_dir));
        qunsetenv("PKEXEC_UID");
    }
    qputenv("HOME", home);
    qunsetenv("QUILLMERE_BACKUP_ROOT");
}

void TestPlatformSession::relaunchThroughPkexec()
{
    const QString log = m_logs + "/pkexec.log";
    Script("pkexec", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + log.toUtf8() + "\"\n");
    const QString home = m_dir.filePath("xhome");
    QVERIFY(QDir().mkpath(home));
    QFile(home + "/.Xauthority").open(QIODevice::WriteOnly);
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("PATH", m_bin.toUtf8() + ":" + m_path);
    qputenv("DISPLAY", ":5");
    qunsetenv("XAUTHORITY");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    qputenv("QUILLMERE_BACKUP_ROOT", "/srv/backups with space/");

    QString error;
    QVERIFY(QmPlatform::RelaunchThroughPkexec(&error));
    QTRY_VERIFY_WITH_TIMEOUT(ReadLog(log).endsWith("start\n"), 20000);
    const QStringList args = ReadLog(log).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(args.first(), QString("env"));
    QCOMPARE(args.last(), QString("start"));
    QCOMPARE(args[args.size() - 2], QCoreApplication::applicationFilePath());
    QVERIFY(args.contains("DISPLAY=:5"));
    QVERIFY(args.contains("WAYLAND_DISPLAY=wayland-1"));
    // Root's home has no cookie for this display: the user's goes along.
    QVERIFY(args.contains("XAUTHORITY=" + home + "/.Xauthority"));
    QVERIFY(args.contains("QUILLMERE_BACKUP_ROOT=/srv/backups with space/"));

    // No pkexec: refused with a reason.
    qputenv("PATH", m_dir.filePath("nowhere").toUtf8());
    QVERIFY(!QmPlatform::RelaunchThroughPkexec(&error));
    QVERIFY(error.contains("pkexec"));
    QVERIFY(QmPlatform::PkexecPath().isEmpty());

    qputenv("PATH", m_path);
    qputenv("HOME", oldHome);
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("QUILLMERE_BACKUP_ROOT");
}

void TestPlatformSession::startInUserSession()
{
    const QString log = m_logs + "/open.log";
    Script("qm-fake-open", "printf '%s|%s|%s\\n' \"$(id -u)\" \"$1\" \"$HOME\" > \"" + log.toUtf8() + "\"\n");
    qputenv("PATH", m_bin.toUtf8() + ":" + m_path);
    const QString url = "https://quillmere.example/guide/?a=1&b=2";

    QVERIFY(!QmPlatform::StartInUserSession("qm-no-such-program", {url}));
    if (geteuid() == 0) {
        // Root without a user behind it opens nothing: no browser as root.
        QVERIFY(!QmPlatform::StartInUserSession("qm-fake-open", {url}));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(log));
        // Root for a user: the helper runs as that user, in his home.
        qputenv("PKEXEC_UID", "65534");
        QVERIFY(QmPlatform::StartInUserSession("qm-fake-open", {url}));
        qunsetenv("PKEXEC_UID");
        struct passwd* nobody = getpwuid(65534);
        const QString home = nobody ? QString::fromUtf8(nobody->pw_dir) : QString();
        QTRY_COMPARE_WITH_TIMEOUT(ReadLog(log), "65534|" + url + "|" + home + "\n", 20000);
    } else {
        QVERIFY(QmPlatform::StartInUserSession("qm-fake-open", {url}));
        QTRY_VERIFY_WITH_TIMEOUT(ReadLog(log).startsWith(QString::number(geteuid()) + "|" + url + "|"), 20000);
    }
    qputenv("PATH", m_path);
}

QTEST_GUILESS_MAIN(TestPlatformSession)
#include "tst_platformsession.moc"
