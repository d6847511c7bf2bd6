#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "CliProcess.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void listRoot();
    void scanEach();
    void badArguments();
    void damagedManifest();
    void unreadableManifest();
    void helpAndVersion();

private:
    QTemporaryDir m_dir;
    QString m_root;
    QList<SampleBackup> m_backups;
    QStringList m_folders;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("QUILLMERE_SUPPORT_DIR", m_dir.filePath(QStringLiteral("support/")).toUtf8());
    qputenv("QUILLMERE_BACKUP_ROOT", m_dir.filePath(QStringLiteral("default-root/")).toUtf8());
    m_root = m_dir.filePath(QStringLiteral("root"));
    for (int i = 0; i < 3; ++i) {
        SampleOptions options;
        options.seed = quint64(100 + i);
        options.layout = i == 1 ? SampleOptions::Layout::Old : SampleOptions::Layout::New;
        options.binaryInfo = i == 2;
        SampleBackup backup = BuildSampleBackup(options);
        QString folder, error;
        QVERIFY2(WriteSampleBackup(backup, m_root, &folder, &error), qPrintable(error));
        m_backups << backup;
        m_folders << folder;
    }
    QDir().mkpath(m_root + QStringLiteral("/not-a-backup"));
}

void TestCli::listRoot()
{
    const CommandRun json = Call(RunListCommand, {QStringLiteral("--root"), m_root, QStringLiteral("--json")});
    QCOMPARE(json.code, 0);
    const QJsonArray list = QJsonDocument::fromJson(json.out.toUtf8()).array();
    QCOMPARE(list.size(), 3);
    // Descending folder names.
    QStringList paths;
    for (const QJsonValue& v : list)
        paths << v.toObject().value(QStringLiteral("path")).toString();
    QStringList sorted = m_folders;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a > b; });
    QCOMPARE(paths, sorted);
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        const int i = m_folders.indexOf(o.value(QStringLiteral("path")).toString());
        const SampleDevice& d = m_backups[i].device;
        QCOMPARE(o.value(QStringLiteral("name")).toString(), d.displayName);
        QCOMPARE(o.value(QStringLiteral("serial")).toString(), d.serialNumber);
        QCOMPARE(o.value(QStringLiteral("phone")).toString(), d.phoneNumber);
        QCOMPARE(o.value(QStringLiteral("date")).toString(), d.lastBackupDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        QCOMPARE(o.value(QStringLiteral("encrypted")).toBool(), false);
        QCOMPARE(o.value(QStringLiteral("version_above_11")).toBool(), i != 1);
    }

    const CommandRun text = Call(RunListCommand, {QStringLiteral("--root"), m_root});
    QCOMPARE(text.code, 0);
    for (const SampleBackup& b : m_backups) {
        QVERIFY(text.out.contains(b.device.displayName));
        QVERIFY(text.out.contains(b.device.serialNumber));
    }
    QVERIFY(text.out.contains(QStringLiteral("encrypted:    no")));
}

void TestCli::scanEach()
{
    for (int i = 0; i < m_folders.size(); ++i) {
        const CommandRun json = Call(RunScanCommand, {m_folders[i], QStringLiteral("--json")});
        QCOMPARE(json.code, 0);
        const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8()).object();
        const QJsonObject backup = doc.value(QStringLiteral("backup")).toObject();
        QCOMPARE(backup.value(QStringLiteral("path")).toString(), m_folders[i]);
        QCOMPARE(backup.value(QStringLiteral("name")).toString(), m_backups[i].device.displayName);
        QCOMPARE(backup.value(QStringLiteral("serial")).toString(), m_backups[i].device.serialNumber);
        QCOMPARE(backup.value(QStringLiteral("layout")).toString(),
                 i == 1 ? QStringLiteral("Manifest.mbdb") : QStringLiteral("Manifest.db"));
        int expected = 0;
        for (const SampleEntry& e : m_backups[i].entries) {
            if (i != 1 || (!e.relativePath.isEmpty() && e.flags != SampleEntry::Directory))
                ++expected;
        }
        QCOMPARE(backup.value(QStringLiteral("manifest_entries")).toInt(), expected);
        QVERIFY(doc.value(QStringLiteral("categories")).isObject());

        const CommandRun text = Call(RunScanCommand, {m_folders[i] + QLatin1Char('/')});
        QCOMPARE(text.code, 0);
        QVERIFY(text.out.contains(m_backups[i].device.displayName));
        QVERIFY(text.out.contains(QStringLiteral("manifest entries: %1").arg(expected)));
    }
}

void TestCli::badArguments()
{
    QCOMPARE(Call(RunListCommand, {QStringLiteral("--bogus")}).code, 2);
    QCOMPARE(Call(RunListCommand, {QStringLiteral("--root")}).code, 2);
    QCOMPARE(Call(RunListCommand, {QStringLiteral("--root"), m_dir.filePath(QStringLiteral("nowhere"))}).code, 2);
    QCOMPARE(Call(RunScanCommand, {}).code, 2);
    QCOMPARE(Call(RunScanCommand, {m_folders[0], m_folders[1]}).code, 2);
    const CommandRun notBackup = Call(RunScanCommand, {m_root + QStringLiteral("/not-a-backup")});
    QCOMPARE(notBackup.code, 2);
    QVERIFY(notBackup.err.contains(QStringLiteral("not a backup")));
    QVERIFY(notBackup.out.isEmpty());

    // Info.plist alone, no manifest: not a backup either.
    const QString bare = m_dir.filePath(QStringLiteral("bare"));
    QDir().mkpath(bare);
    QFile::copy(m_folders[0] + QStringLiteral("/Info.plist"), bare + QStringLiteral("/Info.plist"));
    QCOMPARE(Call(RunScanCommand, {bare}).code, 2);

    // An empty root lists nothing, successfully.
    const QString emptyRoot = m_dir.filePath(QStringLiteral("empty-root"));
    QDir().mkpath(emptyRoot);
    const CommandRun empty = Call(RunListCommand, {QStringLiteral("--root"), emptyRoot, QStringLiteral("--json")});
    QCOMPARE(empty.code, 0);
    QCOMPARE(QJsonDocument::fromJson(empty.out.toUtf8()).array().size(), 0);
}

void TestCli::damagedManifest()
{
    // Cut the old-layout manifest in half: the entries before the cut are
    // counted and the damage is said, not hidden.
    const QString folder = m_dir.filePath(QStringLiteral("damaged"));
    QDir().mkpath(folder);
    QFile::copy(m_folders[1] + QStringLiteral("/Info.plist"), folder + QStringLiteral("/Info.plist"));
    const QByteArray whole = BuildManifestMbdb(m_backups[1]);
    QFile cut(folder + QStringLiteral("/Manifest.mbdb"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(whole.left(whole.size() / 2));
    cut.close();
    const CommandRun run = Call(RunScanCommand, {folder, QStringLiteral("--json")});
    QCOMPARE(run.code, 0);
    QVERIFY(run.err.contains(QStringLiteral("damaged")));
    const QJsonObject backup = QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("backup")).toObject();
    QCOMPARE(backup.value(QStringLiteral("manifest_complete")).toBool(), false);
    QVERIFY(backup.value(QStringLiteral("manifest_entries")).toInt() > 0);
}

void TestCli::unreadableManifest()
{
    // A manifest that is there but cannot be opened is a backup that cannot be read
    // (exit 2), never an empty one; a FIFO in its place is not waited on.
    const QString info = m_folders[0] + QStringLiteral("/Info.plist");
    const QString oldInfo = m_folders[1] + QStringLiteral("/Info.plist");
    struct Case {
        const char* name;
        const QString& info;
        const char* manifest;
        bool fifo;
    } cases[] = {
        {"garbage", info, "Manifest.db", false},
        {"db-fifo", info, "Manifest.db", true},
        {"mbdb-fifo", oldInfo, "Manifest.mbdb", true},
    };
    for (const Case& c : cases) {
        const QString folder = m_dir.filePath(QString::fromLatin1(c.name));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(c.info, folder + QStringLiteral("/Info.plist")));
        const QByteArray manifest = QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(c.manifest));
        if (c.fifo) {
            QVERIFY(::mkfifo(manifest.constData(), 0644) == 0);
        } else {
            QFile junk(QString::fromLocal8Bit(manifest));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write(QByteArray(4096, 'j'));
        }
        for (const QStringList& args : {QStringList{"scan", folder, "--json"},
                                        QStringList{"export", folder, m_dir.filePath(QStringLiteral("out-%1").arg(c.name))}}) {
            const CliRun run = RunCli(args, QByteArray(), QString(), 60000);
            QVERIFY2(run.bFinished, c.name);
            QCOMPARE(run.nExit, 2);
            QVERIFY2(run.out.isEmpty(), c.name);
            QVERIFY2(run.err.contains("be read"), run.err.constData());
        }
    }
}

void TestCli::helpAndVersion()
{
    const QByteArray usage = CliUsage().toUtf8();
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"-h"}, QStringList{"help"}}) {
        const CliRun run = RunCli(args);
        QCOMPARE(run.nExit, 0);
        QCOMPARE(run.out, usage);
        QVERIFY(run.err.isEmpty());
    }
    for (const CliCommand& command : CliCommands()) {
        const QString name = QString::fromLatin1(command.name);
        const QByteArray help = CliCommandHelp(command).toUtf8();
        for (const QStringList& args : {QStringList{"help", name}, QStringList{name, "--help"}, QStringList{name, "-h"}}) {
            const CliRun run = RunCli(args);
            QCOMPARE(run.nExit, 0);
            QCOMPARE(run.out, help);
        }
        // Every option the parser knows is in the command's help and usage line.
        for (const QCommandLineOption& option : command.options) {
            QVERIFY(help.contains("--" + option.names().last().toUtf8()));
            QVERIFY(usage.contains("--" + option.names().last().toUtf8()));
        }
    }
    // Unknown options, commands and help topics: exit 2 and the usage on standard error.
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"scan", m_folders[0], "--bogus"},
                                    QStringList{"list", "-j"}, QStringList{"frobnicate"}, QStringList{"help", "frobnicate"},
                                    QStringList{}}) {
        const CliRun run = RunCli(args);
        QCOMPARE(run.nExit, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.endsWith(usage), qPrintable(args.join(' ')));
    }
    // Options take "--name=value" as well, and a value is required.
    QCOMPARE(Call(RunListCommand, {QStringLiteral("--root=") + m_root, QStringLiteral("--json")}).code, 0);
    QCOMPARE(Call(RunListCommand, {QStringLiteral("--json"), QStringLiteral("--root")}).code, 2);

    const QStringList programs = {"quillmere-cli", "Quillmere", "quillmere-sample", "quillmere-bench", "quillmere-app",
                                  "quillmere-bench-ui", "quillmere-bench-scan"};
    for (const QString& program : programs) {
        if (!QFileInfo::exists(QStringLiteral(QM_BIN_DIR "/") + program))
            continue; // the window programs are not built with the core alone
        const CliRun run = RunProgram(program, {"--version"}, QByteArray(), QString(), 60000);
        QCOMPARE(run.nExit, 0);
        QVERIFY2(run.out.startsWith(program.toUtf8() + ' '), qPrintable(program));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
