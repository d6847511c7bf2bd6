// quillmere-cli on encrypted backups: the password on standard input, the
// decryptor run with the window's protocol, and the working folder left empty.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliProcess.h"
#include "cli/EncryptedBackup.h"
#include "support/WorkFolder.h"
#include "tools/sample/SampleContent.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

namespace {
const char kPassword[] = "correct horse battery";

// The tiny sample plus a contacts database (whose first bytes tell the engine
// whether a backup is encrypted), plain or encrypted.
QString WriteSample(const QString& root, bool encrypted)
{
    SampleOptions options;
    options.seed = 11;
    options.iterations = 10;
    SampleBackup backup = BuildSampleBackup(options);
    if (backup.find("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb") < 0)
        backup.addFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                       QByteArray("SQLite format 3", 16) + QByteArray(1008, '\0'));
    if (encrypted) {
        backup.options.password = QString::fromUtf8(kPassword);
    }
    QDir().mkpath(root);
    QString dir, error;
    if (!WriteSampleBackup(backup, root, &dir, &error))
        qFatal("%s", qPrintable(error));
    return dir;
}

} // namespace

class TestEncryptedCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void scanMatchesPlainTwin();
    void wrongOrMissingPassword();
    void exportMatchesPlainTwin();
    void decryptorProtocol();

private:
    QTemporaryDir m_tmp;
    QString m_plain;
    QString m_encrypted;
    QString m_support;
};

void TestEncryptedCli::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_plain = WriteSample(m_tmp.filePath("plain"), false);
    m_encrypted = WriteSample(m_tmp.filePath("enc"), true);
    m_support = m_tmp.filePath("support") + "/";
}

void TestEncryptedCli::scanMatchesPlainTwin()
{
    const CliRun plain = RunCli({ "scan", m_plain, "--json" }, QByteArray(), m_support);
    QCOMPARE(plain.nExit, 0);
    const CliRun enc = RunCli({ "scan", m_encrypted, "--password-stdin", "--json" }, QByteArray(kPassword) + "\n",
                              m_support);
    QVERIFY2(enc.nExit == 0, enc.err.constData());
    const QJsonObject p = QJsonDocument::fromJson(plain.out).object();
    const QJsonObject e = QJsonDocument::fromJson(enc.out).object();
    QVERIFY(e.value("backup").toObject().value("encrypted").toBool());
    QVERIFY(!p.value("backup").toObject().value("encrypted").toBool());
    QCOMPARE(e.value("backup").toObject().value("manifest_entries"), p.value("backup").toObject().value("manifest_entries"));
    QCOMPARE(e.value("categories"), p.value("categories"));
    QVERIFY(!enc.out.contains(kPassword) && !enc.err.contains(kPassword));
    // The decrypted files are gone again; the working folder itself is private.
    const QString work = m_support + "QuillmereBackupPath";
    QVERIFY(QFileInfo(work).isDir());
    QCOMPARE(QDir(work).entryList(QDir::Files | QDir::Hidden).size(), 0);
    QCOMPARE(int(QFileInfo(work).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther)), 0);
}

void TestEncryptedCli::wrongOrMissingPassword()
{
    CliRun run = RunCli({ "scan", m_encrypted, "--password-stdin", "--json" }, "guess\n", m_support);
    QCOMPARE(run.nExit, 1);
    QVERIFY(run.err.contains("wrong password"));
    QVERIFY(run.out.isEmpty());

    run = RunCli({ "scan", m_encrypted, "--password-stdin" }, QByteArray(), m_support);
    QCOMPARE(run.nExit, 2);
    QVERIFY(run.err.contains("no password"));

    // Without the flag the scan still describes the backup and says what is missing.
    run = RunCli({ "scan", m_encrypted, "--json" }, QByteArray(), m_support);
    QCOMPARE(run.nExit, 0);
    QVERIFY(run.err.contains("--password-stdin"));
}

// Exported files and their contents, with the export's own time stamps blanked.
QMap<QString, QByteArray> ExportTree(const QString& dir)
{
    static const QRegularExpression stamp(QStringLiteral("\\d{14}"));
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QString rel = QDir(dir).relativeFilePath(path);
        rel.replace(stamp, QStringLiteral("T"));
        out.insert(rel, QString::fromUtf8(f.readAll()).replace(stamp, QStringLiteral("T")).toUtf8());
    }
    return out;
}

void TestEncryptedCli::exportMatchesPlainTwin()
{
    const QString plainOut = m_tmp.filePath("export-plain");
    const QString encOut = m_tmp.filePath("export-enc");
    const CliRun plain = RunCli({ "export", m_plain, plainOut, "--json" }, QByteArray(), m_support);
    QCOMPARE(plain.nExit, 0);
    const CliRun enc = RunCli({ "export", m_encrypted, encOut, "--password-stdin", "--json" },
                              QByteArray(kPassword) + "\n", m_support);
    QVERIFY2(enc.nExit == 0, enc.err.constData());
    const QMap<QString, QByteArray> p = ExportTree(plainOut);
    QVERIFY(p.size() > 3);
    const QMap<QString, QByteArray> e = ExportTree(encOut);
    QCOMPARE(e.keys(), p.keys());
    for (auto it = p.constBegin(); it != p.constEnd(); ++it) {
        if (it.key().startsWith(QStringLiteral("manifest-"))) {
            // The manifests name their own backup and moment; what they list
            // (every written file with its size and hash) must agree.
            const QJsonValue plainFiles = QJsonDocument::fromJson(it.value()).object().value("files");
            QVERIFY(plainFiles.isArray() && !plainFiles.toArray().isEmpty());
            QCOMPARE(QJsonDocument::fromJson(e.value(it.key())).object().value("files"), plainFiles);
            continue;
        }
        QVERIFY2(e.value(it.key()) == it.value(), qPrintable(it.key()));
    }
    QCOMPARE(QDir(m_support + "QuillmereBackupPath").entryList(QDir::Files | QDir::Hidden).size(), 0);

    const CliRun wrong = RunCli({ "export", m_encrypted, m_tmp.filePath("export-wrong"), "--password-stdin" },
                                "guess\n", m_support);
    QCOMPARE(wrong.nExit, 1);
    QVERIFY(!QFileInfo::exists(m_tmp.filePath("export-wrong")) || QDir(m_tmp.filePath("export-wrong")).isEmpty());
}

void TestEncryptedCli::decryptorProtocol()
{
    const QString decryptor = QStringLiteral(QM_BIN_DIR "/Quillmere");
    const QString work = m_tmp.filePath("protocol-work");
    QList<qint64> counts;
    QStringList messages;
    const auto progress = [&counts](qint64 n) { counts << n; };
    const auto message = [&messages](const QString& text) { messages << text; };

    QCOMPARE(RunDecryptorProcess(decryptor, m_encrypted, work, kPassword, true, progress, message), 0);
    QCOMPARE(counts, QList<qint64>{ 0 });
    counts.clear();
    QCOMPARE(RunDecryptorProcess(decryptor, m_encrypted, work, "nope", true, progress, message), 1);
    QCOMPARE(RunDecryptorProcess(decryptor, m_encrypted, work, "nope", false, progress, message), 1);
    QVERIFY(counts.isEmpty());

    QCOMPARE(RunDecryptorProcess(decryptor, m_encrypted, work, kPassword, false, progress, message), 0);
    QVERIFY(counts.size() > 10);
    for (int i = 0; i < counts.size(); ++i)
        QCOMPARE(counts.at(i), qint64(i + 1));
    QVERIFY(messages.isEmpty());
    QVERIFY(!QDir(work).entryList(QDir::Files).isEmpty());
    WorkFolder::Clear(work);
    QVERIFY(QDir(work).entryList(QDir::Files).isEmpty());

    // A decryptor that is not there, and a folder that is not a backup.
    QCOMPARE(RunDecryptorProcess(m_tmp.filePath("missing"), m_encrypted, work, kPassword, true, progress, message), 2);
    messages.clear();
    QCOMPARE(RunDecryptorProcess(decryptor, m_tmp.path(), work, kPassword, true, progress, message), 2);
    QVERIFY(!messages.isEmpty());
}

QTEST_MAIN(TestEncryptedCli)
#include "tst_encryptedcli.moc"
