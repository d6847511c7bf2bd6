// Backups planted to stall whoever lists or scans them (Info.plist a FIFO or a link
// to /dev/zero, the address book a FIFO, a stored-file folder a link out of the
// backup): listing their root, scanning and exporting each return promptly, and
// nothing is read through a link. The command line runs under a watchdog.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/cli/CliProcess.h"
#include "tools/sample/SampleGenerator.h"

namespace {
const int kWatchdogMs = 60000;
}

class TestPlantedBackups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void listReturns();
    void scanAndExportReturn();

private:
    QString Generate(SampleOptions::Planted planted, quint64 seed);
    QTemporaryDir m_tmp;
    QString m_root;
    QString m_plain, m_infoFifo, m_infoDevice, m_storedLinks;
};

QString TestPlantedBackups::Generate(SampleOptions::Planted planted, quint64 seed)
{
    SampleOptions options;
    options.seed = seed;
    options.planted = planted;
    QString dir, error;
    if (!GenerateSampleBackup(options, m_root, &dir, &error))
        qFatal("%s", qPrintable(error));
    return dir;
}

void TestPlantedBackups::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_root = m_tmp.filePath("root");
    m_plain = Generate(SampleOptions::Planted::None, 41);
    m_infoFifo = Generate(SampleOptions::Planted::InfoFifo, 42);
    m_infoDevice = Generate(SampleOptions::Planted::InfoDevice, 43);
    m_storedLinks = Generate(SampleOptions::Planted::StoredLinks, 44);
    QVERIFY(QFileInfo(m_infoFifo + "/Info.plist").isSymLink() == false);
    QVERIFY(QFileInfo(m_infoDevice + "/Info.plist").isSymLink());
    QVERIFY(QFileInfo(m_storedLinks + "/3d").isSymLink());
}

void TestPlantedBackups::listReturns()
{
    const CliRun run = RunCli({"list", "--root", m_root, "--json"}, QByteArray(), m_tmp.filePath("support"), kWatchdogMs);
    QVERIFY2(run.bFinished, "list blocked on a planted backup");
    QCOMPARE(run.nExit, 0);
    QStringList listed;
    for (const QJsonValue& v : QJsonDocument::fromJson(run.out).array())
        listed << v.toObject().value("path").toString();
    listed.sort();
    QStringList expected = {m_plain, m_storedLinks};
    expected.sort();
    QCOMPARE(listed, expected);
    // The address book a FIFO: the backup is still listed, and not taken for encrypted.
    for (const QJsonValue& v : QJsonDocument::fromJson(run.out).array())
        QVERIFY(!v.toObject().value("encrypted").toBool());
}

void TestPlantedBackups::scanAndExportReturn()
{
    const QString support = m_tmp.filePath("support");
    for (const QString& folder : {m_infoFifo, m_infoDevice}) {
        const CliRun scan = RunCli({"scan", folder, "--json"}, QByteArray(), support, kWatchdogMs);
        QVERIFY2(scan.bFinished, qPrintable(folder));
        QCOMPARE(scan.nExit, 2);
        QVERIFY(scan.err.contains("not a backup"));
        const CliRun exported = RunCli({"export", folder, m_tmp.filePath("out-info")}, QByteArray(), support, kWatchdogMs);
        QVERIFY(exported.bFinished);
        QCOMPARE(exported.nExit, 2);
    }
    QVERIFY(!QFileInfo::exists(m_tmp.filePath("out-info")));

    // The message database sits in a linked folder, the address book is a FIFO: both
    // are refused, the rest of the backup is read.
    const CliRun plain = RunCli({"scan", m_plain, "--json"}, QByteArray(), support, kWatchdogMs);
    QCOMPARE(plain.nExit, 0);
    const QJsonObject plainCounts = QJsonDocument::fromJson(plain.out).object().value("categories").toObject();
    QVERIFY(plainCounts.value("messages").toInt() > 0);
    QVERIFY(plainCounts.value("contacts").toInt() > 0);
    const CliRun scan = RunCli({"scan", m_storedLinks, "--json"}, QByteArray(), support, kWatchdogMs);
    QVERIFY2(scan.bFinished, "scan blocked on a planted backup");
    QCOMPARE(scan.nExit, 0);
    const QJsonObject counts = QJsonDocument::fromJson(scan.out).object().value("categories").toObject();
    QCOMPARE(counts.value("messages").toInt(), 0);
    QCOMPARE(counts.value("message_conversations").toInt(), 0);
    QCOMPARE(counts.value("contacts").toInt(), 0);
    QCOMPARE(counts.value("notes"), plainCounts.value("notes"));

    const QString dest = m_tmp.filePath("out-links");
    const CliRun exported = RunCli({"export", m_storedLinks, dest, "--json"}, QByteArray(), support, kWatchdogMs);
    QVERIFY2(exported.bFinished, "export blocked on a planted backup");
    QVERIFY2(exported.nExit == 0 || exported.nExit == 1, exported.err.constData());
    QVERIFY(QFileInfo(dest).isDir());
    QVERIFY(!QFileInfo::exists(dest + "/Message/sms.db"));
}

QTEST_GUILESS_MAIN(TestPlantedBackups)
#include "tst_plantedbackups.moc"
