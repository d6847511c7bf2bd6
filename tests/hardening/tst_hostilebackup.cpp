#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "HostileCheck.h"
#include "cli/CliCommands.h"
#include "tests/cli/CliProcess.h"
#include "tools/sample/SampleGenerator.h"

// quillmere-cli scan and export of a backup built to break its reader: the run ends,
// writes only inside the destination, never reads through a link or from a FIFO, and
// names every item it could not write.
class TestHostileBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void scanAndExport_data();
    void scanAndExport();
    void programs();

private:
    QTemporaryDir m_support;
};

void TestHostileBackup::initTestCase()
{
    QVERIFY(m_support.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", m_support.filePath(QStringLiteral("support/")).toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", m_support.filePath(QStringLiteral("root/")).toUtf8());
}

void TestHostileBackup::scanAndExport_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("Manifest.db") << int(SampleOptions::Layout::New);
    QTest::newRow("Manifest.mbdb") << int(SampleOptions::Layout::Old);
}

void TestHostileBackup::scanAndExport()
{
    QFETCH(int, layout);
    QTemporaryDir tmp;
    SampleOptions options;
    options.hostile = true;
    options.layout = SampleOptions::Layout(layout);
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, tmp.filePath("root"), &backup, &error), qPrintable(error));
    const QString dest = tmp.filePath("out/dest");
    const QStringList before = HostileCheck::Tree(tmp.path());

    const CommandRun scan = Call(RunScanCommand, {backup, "--json"});
    QVERIFY2(scan.code == 0, qPrintable(scan.err));
    const QJsonObject categories = QJsonDocument::fromJson(scan.out.toUtf8()).object().value("categories").toObject();
    QVERIFY(!categories.isEmpty());
    // The call log is a link to a database outside the backup: not read.
    QCOMPARE(categories.value("call_history").toInt(), 0);
    // What is sound is still found, hostile names and all.
    QVERIFY(categories.value("contacts").toInt() > 0);
    QVERIFY(categories.value("messages").toInt() > 0);
    QVERIFY(categories.value("whatsapp_messages").toInt() > 0);
    for (const char* media : {"camera_roll", "photo_stream", "message_attachments", "app_photos", "whatsapp_attachments"})
        QVERIFY2(categories.value(media).toInt() > 0, media);

    const CommandRun exported = Call(RunExportCommand, {backup, dest, "--json"});
    const QJsonObject doc = QJsonDocument::fromJson(exported.out.toUtf8()).object();
    QVERIFY2(exported.code == (doc.value("failed").toInt() ? 1 : 0), qPrintable(exported.err));
    QVERIFY(doc.value("written").toInt() > 0);
    const QJsonArray failures = doc.value("failures").toArray();
    QCOMPARE(failures.size(), doc.value("failed").toInt());
    for (const QJsonValue& f : failures) {
        const QJsonObject o = f.toObject();
        QVERIFY2(o.value("name").toString().startsWith(dest + "/"), qPrintable(o.value("name").toString()));
        QVERIFY(!o.value("reason").toString().isEmpty());
    }

    const QString problem = HostileCheck::ExportProblem(dest);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // Nothing appeared or went away outside the destination (the backup included).
    QCOMPARE(HostileCheck::Tree(tmp.path(), tmp.filePath("out")), before);
    QVERIFY(!QFileInfo::exists("/tmp/quillmere-escape.JPG"));
    // Conversations named after hostile contacts and chats are there, each in one folder.
    QVERIFY(QDir(dest + "/Message").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() > 1);
    QVERIFY(QDir(dest + "/WhatsApp Message").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() > 1);
    // Apps named by hostile identifiers each get a folder of their own inside "App Photos".
    QVERIFY(QDir(dest + "/App Photos").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() > 5);

    // A second export beside the first neither fails on the first's names nor touches them.
    const QStringList first = HostileCheck::Tree(dest);
    const CommandRun again = Call(RunExportCommand, {backup, dest + "2", "--json"});
    QCOMPARE(again.code, exported.code);
    QCOMPARE(HostileCheck::Tree(dest), first);
}

void TestHostileBackup::programs()
{
    const QString bin = QStringLiteral(QM_BIN_DIR);
    if (!QFileInfo::exists(bin + "/quillmere-sample") || !QFileInfo::exists(bin + "/quillmere-cli"))
        QSKIP("the programs are not built");
    QTemporaryDir tmp;
    QProcess sample;
    sample.start(bin + "/quillmere-sample", {tmp.filePath("root"), "--hostile", "--seed", "5"});
    QVERIFY(sample.waitForFinished(300000));
    QCOMPARE(sample.exitCode(), 0);
    const QString backup = QString::fromUtf8(sample.readAllStandardOutput()).trimmed();
    QVERIFY(QFileInfo::exists(backup + "/Manifest.db"));

    QProcess cli;
    cli.start(bin + "/quillmere-cli", {"export", backup, tmp.filePath("dest"), "--json"});
    QVERIFY(cli.waitForFinished(300000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QVERIFY2(cli.exitCode() <= 1, cli.readAllStandardError().constData());
    const QJsonObject doc = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    QVERIFY(doc.value("written").toInt() > 0);
    const QString problem = HostileCheck::ExportProblem(tmp.filePath("dest"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestHostileBackup)
#include "tst_hostilebackup.moc"
