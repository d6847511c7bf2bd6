#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include "support/Version.h"

// Runs the real program as a plain user (the tests drop to one when they run
// as root), with a fake pkexec first on PATH that records every call.
class TestAppEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startedByTheUserOpensDirectly_data();
    void startedByTheUserOpensDirectly();
    void oneArgumentOpensTheWindow();
    void versionAndHelp();

private:
    // A folder everybody may write: the plain user's home, support folder and logs.
    QString OpenFolder(const QString& name);
    void Start(QProcess& app, const QStringList& arguments);
    QTemporaryDir m_dir;
    QString m_app;
    QString m_log;
    QString m_root;
    QString m_support;
};

void TestAppEntry::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    m_app = QString(QM_BIN_DIR) + "/quillmere-app";
    QVERIFY2(QFileInfo(m_app).isExecutable(), qPrintable(m_app));
    const QString bin = OpenFolder("bin");
    m_log = OpenFolder("logs") + "/pkexec.log";
    QFile fake(bin + "/pkexec");
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_PKEXEC_LOG\"\n");
    fake.close();
    QVERIFY(chmod(QFile::encodeName(fake.fileName()).constData(), 0755) == 0);
    m_root = OpenFolder("root");
    OpenFolder("home");
    OpenFolder("support");
}

QString TestAppEntry::OpenFolder(const QString& name)
{
    const QString path = m_dir.filePath(name);
    QDir().mkpath(path);
    chmod(QFile::encodeName(path).constData(), 0777);
    return path;
}

void TestAppEntry::Start(QProcess& app, const QStringList& arguments)
{
    static int run = 0;
    m_support = m_dir.filePath(QStringLiteral("support/run-%1/").arg(++run));
    QFile::remove(m_log);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", m_dir.filePath("bin") + ":/usr/bin:/bin");
    env.insert("FAKE_PKEXEC_LOG", m_log);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DISPLAY", ":77");
    env.insert("HOME", m_dir.filePath("home"));
    env.insert("XDG_CONFIG_HOME", m_dir.filePath("home/.config"));
    env.insert("QUILLMERE_BACKUP_ROOT", m_root + "/");
    env.insert("QUILLMERE_SUPPORT_DIR", m_support);
    env.remove("PKEXEC_UID");
    env.remove("SUDO_UID");
    app.setProcessEnvironment(env);
    if (geteuid() == 0) {
        app.setChildProcessModifier([]() {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
                _exit(120);
        });
    }
    app.start(m_app, arguments);
}

void TestAppEntry::startedByTheUserOpensDirectly_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList();
    QTest::newRow("two") << QStringList{"start", "again"};
}

void TestAppEntry::startedByTheUserOpensDirectly()
{
    QFETCH(QStringList, arguments);
    QProcess app;
    Start(app, arguments);
    QVERIFY(app.waitForStarted(30000));
    // The window's Init makes the working folder: the window road was taken,
    // with the user's own rights.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_support + "QuillmereBackupPath").isDir(), 60000);
    QCOMPARE(app.state(), QProcess::Running);
    if (geteuid() == 0)
        QCOMPARE(QFileInfo(m_support).ownerId(), uint(65534));
    // The backup root is readable: nobody was asked for a password.
    QTest::qWait(500);
    QVERIFY(!QFileInfo::exists(m_log));
    app.kill();
    app.waitForFinished(30000);
    // Qt's diagnostics (the offscreen plugin warns about window features it
    // lacks) are swallowed.
    QCOMPARE(app.readAllStandardError(), QByteArray());
}

void TestAppEntry::oneArgumentOpensTheWindow()
{
    QProcess app;
    // Any text works as the one argument, not only "start".
    Start(app, QStringList{"anything"});
    QVERIFY(app.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_support + "QuillmereBackupPath").isDir(), 60000);
    QCOMPARE(app.state(), QProcess::Running);
    QVERIFY(!QFileInfo::exists(m_log));
    app.kill();
    app.waitForFinished(30000);
    QCOMPARE(app.readAllStandardError(), QByteArray());
}

void TestAppEntry::versionAndHelp()
{
    QProcess app;
    Start(app, QStringList{"--version"});
    QVERIFY(app.waitForFinished(30000));
    QCOMPARE(app.exitCode(), 0);
    QCOMPARE(app.readAllStandardOutput(), "quillmere-app " + QuillmereVersion().toUtf8() + "\n");
    // Printed without building the window.
    QVERIFY(!QFileInfo::exists(m_support));

    QProcess help;
    Start(help, QStringList{"--help"});
    QVERIFY(help.waitForFinished(30000));
    QCOMPARE(help.exitCode(), 0);
    QVERIFY(help.readAllStandardOutput().startsWith("usage: quillmere-app"));
    QVERIFY(!QFileInfo::exists(m_support));
}

QTEST_MAIN(TestAppEntry)
#include "tst_app_entry.moc"
