#include <QtTest>

#include <QProcess>

#include "UiTestBase.h"

// Runs the real program: with other than one argument it only relaunches
// itself through pkexec (a fake one here) and shows nothing.
class TestAppEntry : public QObject, public UiTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void relaunchWithoutOneArgument_data();
    void relaunchWithoutOneArgument();
    void noPkexecEndsQuietly();
    void oneArgumentOpensTheWindow();

private:
    QProcessEnvironment Environment(const QString& path) const;
    QString m_app;
    QTemporaryDir m_bin;
    QString m_log;
};

void TestAppEntry::initTestCase()
{
    SetUpFolders();
    m_app = QString(QM_BIN_DIR) + "/quillmere-app";
    QVERIFY2(QFileInfo(m_app).isExecutable(), qPrintable(m_app));
    m_log = m_bin.path() + "/pkexec.log";
    QFile fake(m_bin.path() + "/pkexec");
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_PKEXEC_LOG\"\n");
    fake.close();
    QVERIFY(fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QProcessEnvironment TestAppEntry::Environment(const QString& path) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", path);
    env.insert("FAKE_PKEXEC_LOG", m_log);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DISPLAY", ":77");
    return env;
}

void TestAppEntry::relaunchWithoutOneArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList();
    QTest::newRow("two") << QStringList{"start", "again"};
    QTest::newRow("three") << QStringList{"a", "b", "c"};
}

void TestAppEntry::relaunchWithoutOneArgument()
{
    QFETCH(QStringList, arguments);
    QFile::remove(m_log);
    QProcess app;
    app.setProcessEnvironment(Environment(m_bin.path() + ":/usr/bin:/bin"));
    app.start(m_app, arguments);
    QVERIFY(app.waitForFinished(60000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), 0);
    // Nothing on standard error: the launcher prints no diagnostics.
    QCOMPARE(app.readAllStandardError(), QByteArray());

    // pkexec is started detached: wait for its log.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_log).size() > 0, 20000);
    QFile log(m_log);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(args.size() >= 3);
    QCOMPARE(args.first(), QString("env"));
    QCOMPARE(args.last(), QString("start"));
    QCOMPARE(QFileInfo(args[args.size() - 2]).canonicalFilePath(), QFileInfo(m_app).canonicalFilePath());
    // The display and our folders reach the privileged copy.
    QVERIFY(args.contains("DISPLAY=:77"));
    QVERIFY(args.contains("QUILLMERE_BACKUP_ROOT=" + BackupRoot()));
    QVERIFY(args.contains("QUILLMERE_SUPPORT_DIR=" + SupportDir()));
    // The launcher made no folder: it never built the window.
    QVERIFY(!QFileInfo::exists(SupportDir()));
}

void TestAppEntry::noPkexecEndsQuietly()
{
    QFile::remove(m_log);
    QTemporaryDir emptyBin;
    QProcess app;
    app.setProcessEnvironment(Environment(emptyBin.path()));
    app.start(m_app, QStringList());
    QVERIFY(app.waitForFinished(60000));
    QCOMPARE(app.exitCode(), 0);
    QCOMPARE(app.readAllStandardError(), QByteArray());
    QVERIFY(!QFileInfo::exists(m_log));
}

void TestAppEntry::oneArgumentOpensTheWindow()
{
    QFile::remove(m_log);
    QProcess app;
    app.setProcessEnvironment(Environment(m_bin.path() + ":/usr/bin:/bin"));
    // Any text works as the one argument, not only "start".
    app.start(m_app, QStringList{"anything"});
    QVERIFY(app.waitForStarted(30000));
    // The window's Init makes the working folder: the window road was taken.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(SupportDir() + "QuillmereBackupPath").isDir(), 60000);
    QCOMPARE(app.state(), QProcess::Running);
    QVERIFY(!QFileInfo::exists(m_log));
    app.kill();
    app.waitForFinished(30000);
    // Qt's diagnostics (the offscreen plugin warns about window features it
    // lacks) are swallowed.
    QCOMPARE(app.readAllStandardError(), QByteArray());
}

QTEST_MAIN(TestAppEntry)
#include "tst_app_entry.moc"
