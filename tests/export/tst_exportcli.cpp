#include <QtTest>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "tools/sample/SampleGenerator.h"

// quillmere-cli export on generated backups, end to end.
class TestExportCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exportsEverything_data();
    void exportsEverything();
    void onlyNamedCategories();
    void badArgumentsAndFailures();
    void encryptedBackup();

private:
    struct Result {
        int code = -1;
        QByteArray out, err;
    };
    Result Cli(const QStringList& args, const QByteArray& input = QByteArray());
    QTemporaryDir m_root;
    QTemporaryDir m_support;
};

TestExportCli::Result TestExportCli::Cli(const QStringList& args, const QByteArray& input)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLMERE_SUPPORT_DIR", m_support.path() + "/");
    env.insert("QUILLMERE_BACKUP_ROOT", m_root.path() + "/");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QM_BIN_DIR) + "/quillmere-cli", args);
    p.write(input);
    p.closeWriteChannel();
    Result r;
    if (!p.waitForFinished(300000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

void TestExportCli::initTestCase()
{
    QVERIFY(QFileInfo::exists(QStringLiteral(QM_BIN_DIR) + "/quillmere-cli"));
}

void TestExportCli::exportsEverything_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("Manifest.db") << int(SampleOptions::Layout::New);
    QTest::newRow("Manifest.mbdb") << int(SampleOptions::Layout::Old);
}

namespace {
// Files under `dir`; `attachments` counts only those in the chat pages' "attachments"
// folders, otherwise those are left out.
int CountFiles(const QString& dir, bool attachments = false)
{
    int n = 0;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        n += it.next().contains("/attachments/") == attachments ? 1 : 0;
    return n;
}

QStringList SubDirs(const QString& dir)
{
    return QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}
}

void TestExportCli::exportsEverything()
{
    QFETCH(int, layout);
    SampleOptions options;
    options.layout = SampleOptions::Layout(layout);
    options.scale = SampleOptions::Scale::Tiny;
    options.seed = 7 + quint64(layout);
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, m_root.path(), &backup, &error), qPrintable(error));

    const Result scan = Cli({"scan", backup, "--json"});
    QCOMPARE(scan.code, 0);
    const QJsonObject counts = QJsonDocument::fromJson(scan.out).object().value("categories").toObject();
    QVERIFY(!counts.isEmpty());

    QTemporaryDir out;
    const QString dest = out.path() + "/export here";
    const Result r = Cli({"export", backup, dest, "--json"});
    QVERIFY2(r.code == 0, r.err.constData());
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(doc.value("destination").toString(), dest);
    QCOMPARE(doc.value("failed").toInt(), 0);
    QVERIFY(doc.value("failures").toArray().isEmpty());

    // Media: one file per record of each category.
    const struct { const char* key; const char* folder; } media[] = {
        {"camera_roll", "Camera Roll"}, {"photo_stream", "Photo Stream"}, {"app_photos", "App Photos"},
        {"app_videos", "App Video"}, {"message_attachments", "Message Attachments"},
        {"whatsapp_attachments", "WhatsApp Attachments"}};
    int written = 0;
    for (const auto& m : media) {
        const int expected = counts.value(m.key).toInt();
        QCOMPARE(CountFiles(dest + "/" + m.folder), expected);
        written += expected;
    }

    // Conversations: a folder per name, a text file and a page per conversation, the
    // database beside them.
    const int conversations = counts.value("message_conversations").toInt();
    if (conversations) {
        QCOMPARE(CountFiles(dest + "/Message"), 2 * conversations + 1);
        QVERIFY(QFileInfo(dest + "/Message/sms.db").size() > 0);
        written += conversations + 1;
    }
    const QString contactsDir = dest + "/Contacts/" + SubDirs(dest + "/Contacts").value(0);
    if (counts.value("contacts").toInt()) {
        QCOMPARE(SubDirs(dest + "/Contacts").size(), 1);
        QVERIFY(QFileInfo::exists(contactsDir + "/Contacts.db"));
        const std::string html = ReadAll(contactsDir + "/Contacts.html");
        QCOMPARE(int(QString::fromStdString(html).count("\t<tr>")), counts.value("contacts").toInt());
        const std::string vcf = ReadAll(contactsDir + "/Contacts.vcf");
        QCOMPARE(int(QString::fromStdString(vcf).count("BEGIN:VCARD")), counts.value("contacts").toInt());
        written += 3;
    }
    if (counts.value("call_history").toInt()) {
        QCOMPARE(CountFiles(dest + "/CallHistory"), 1);
        written += 1;
    }
    if (counts.value("notes").toInt()) {
        const QString notes = dest + "/Notes/" + QDir(dest + "/Notes").entryList(QDir::Files).value(0);
        QCOMPARE(int(QString::fromStdString(ReadAll(notes)).count("\t<tr>")), counts.value("notes").toInt());
        written += 1;
    }
    const int chats = counts.value("whatsapp_chats").toInt();
    QCOMPARE(CountFiles(dest + "/WhatsApp Message"), 3 * chats);
    written += chats;
    // The files the chat pages show are copied beside them and count as written.
    const int chatFiles = CountFiles(dest + "/Message", true) + CountFiles(dest + "/WhatsApp Message", true);
    QVERIFY(chatFiles > 10);
    written += chatFiles;
    QCOMPARE(doc.value("written").toInt(), written);
    QVERIFY(counts.value("contacts").toInt() > 0 && counts.value("message_conversations").toInt() > 0);

    // Copied media are byte for byte the stored files: every exported camera file's
    // content is one of the backup's stored files.
    QSet<QByteArray> stored;
    QDirIterator all(backup, QDir::Files, QDirIterator::Subdirectories);
    while (all.hasNext())
        stored.insert(QCryptographicHash::hash(QByteArray::fromStdString(ReadAll(all.next())), QCryptographicHash::Sha1));
    QDirIterator cam(dest + "/Camera Roll", QDir::Files);
    while (cam.hasNext())
        QVERIFY(stored.contains(QCryptographicHash::hash(QByteArray::fromStdString(ReadAll(cam.next())), QCryptographicHash::Sha1)));

    // Everything stayed below the destination, whatever the names in the backup.
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"export here"}));

    // Human-readable summary, and a second export beside the first keeps both.
    const Result again = Cli({"export", backup, dest});
    QCOMPARE(again.code, 0);
    QVERIFY(again.out.contains("Written: " + QByteArray::number(written) + ", failed: 0"));
    QCOMPARE(CountFiles(dest + "/Camera Roll"), 2 * counts.value("camera_roll").toInt());
}

void TestExportCli::onlyNamedCategories()
{
    SampleOptions options;
    options.seed = 11;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, m_root.path(), &backup, &error), qPrintable(error));
    QTemporaryDir out;
    const Result r = Cli({"export", backup, out.path(), "--only", "contacts,notes", "--json"});
    QCOMPARE(r.code, 0);
    QCOMPARE(SubDirs(out.path()), QStringList({"Contacts", "Notes"}));
}

void TestExportCli::badArgumentsAndFailures()
{
    QTemporaryDir out;
    QCOMPARE(Cli({"export"}).code, 2);
    QCOMPARE(Cli({"export", out.path()}).code, 2);
    QCOMPARE(Cli({"export", out.path(), out.path() + "/d"}).code, 2); // not a backup
    SampleOptions options;
    options.seed = 13;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, m_root.path(), &backup, &error), qPrintable(error));
    QCOMPARE(Cli({"export", backup, out.path(), "--only", "camera_roll,bogus"}).code, 2);
    QCOMPARE(Cli({"export", backup, out.path(), "--frobnicate"}).code, 2);

    // A destination that cannot be made: every item fails, exit 1, nothing claimed.
    WriteText(out.path() + "/plain", "x");
    const Result r = Cli({"export", backup, out.path() + "/plain/sub", "--json"});
    QCOMPARE(r.code, 1);
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(doc.value("written").toInt(), 0);
    QVERIFY(doc.value("failed").toInt() > 0);
    QCOMPARE(doc.value("failures").toArray().size(), doc.value("failed").toInt());
    QVERIFY(!doc.value("failures").toArray().first().toObject().value("reason").toString().isEmpty());
    QCOMPARE(FilesUnder(out.path()), QStringList({"plain"}));
}

void TestExportCli::encryptedBackup()
{
    SampleOptions options;
    options.seed = 17;
    options.password = QStringLiteral("s3cret pw");
    options.iterations = 10;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, m_root.path(), &backup, &error), qPrintable(error));
    QTemporaryDir out;

    const Result noPassword = Cli({"export", backup, out.path() + "/a"});
    QCOMPARE(noPassword.code, 2);
    QVERIFY(noPassword.err.contains("--password-stdin"));

    const Result wrong = Cli({"export", backup, out.path() + "/b", "--password-stdin"}, "nope\n");
    if (wrong.code == 2 && wrong.err.contains("cannot be read by this build yet"))
        QSKIP("the decryption step is not in this build");
    QCOMPARE(wrong.code, 1);
    QVERIFY(!wrong.err.contains("nope"));

    const Result r = Cli({"export", backup, out.path() + "/c", "--password-stdin", "--json"}, "s3cret pw\n");
    QVERIFY2(r.code == 0, r.err.constData());
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(doc.value("failed").toInt(), 0);
    QVERIFY(doc.value("written").toInt() > 0);
    const QString contacts = out.path() + "/c/Contacts/" + SubDirs(out.path() + "/c/Contacts").value(0) + "/Contacts.html";
    QVERIFY(QString::fromStdString(ReadAll(contacts)).count("\t<tr>") > 0);
    // Nothing but the export exists: no files for the wrong password, and the decrypted
    // files do not outlive the command.
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"c"}));
    QVERIFY(FilesUnder(m_support.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
