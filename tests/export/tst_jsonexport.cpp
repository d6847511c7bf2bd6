#include <QtTest>

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "ExportTestUtil.h"
#include "tests/cli/CliProcess.h"
#include "tools/sample/SampleGenerator.h"

// quillmere-cli export --format json: JSON beside every chat page and table report,
// read back by standard parsers and matching what the HTML shows.
class TestJsonExport : public QObject {
    Q_OBJECT
private slots:
    void jsonMatchesTheReports();
    void refusesOtherFormats();
};

namespace {
QJsonObject Parse(const QString& path)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(path)), &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << path << error.errorString();
    return doc.object();
}

int Count(const QString& path, const char* marker)
{
    return int(QString::fromStdString(ReadAll(path)).count(QString::fromUtf8(marker)));
}

QString Only(const QString& dir, const QString& pattern)
{
    QDirIterator it(dir, {pattern}, QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}
}

void TestJsonExport::jsonMatchesTheReports()
{
    QTemporaryDir root;
    SampleOptions options;
    options.seed = 47;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, root.path(), &backup, &error), qPrintable(error));
    const QString dest = root.path() + "/json export";
    const CliRun r = RunCli({"export", backup, dest, "--format", "json", "--json"});
    QVERIFY2(r.nExit == 0, r.err.constData());

    QStringList jsonFiles;
    QDirIterator all(dest, {"*.json"}, QDir::Files, QDirIterator::Subdirectories);
    while (all.hasNext())
        jsonFiles << all.next();

    // A standard parser outside Qt reads every one as UTF-8 JSON.
    QProcess python;
    python.start("python3", QStringList{"-c", "import json,sys\nfor p in sys.argv[1:]:\n    json.load(open(p, encoding='utf-8'))\n"} +
                                jsonFiles);
    QVERIFY(python.waitForFinished(60000));
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());

    // Every chat page has its JSON under the same name, with the same messages and files.
    int pages = 0;
    for (const char* folder : {"Message", "WhatsApp Message"}) {
        QDirIterator it(dest + "/" + folder, {"*.html"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString html = it.next();
            const QString json = html.chopped(5) + ".json";
            QVERIFY2(QFileInfo::exists(json), qPrintable(json));
            const QJsonObject chat = Parse(json);
            const QJsonArray messages = chat.value("messages").toArray();
            QCOMPARE(messages.size(), Count(html, "<div class=\"date\">"));
            QCOMPARE(chat.value("count").toInt(), messages.size());
            int files = 0;
            for (const QJsonValue& m : messages) {
                for (const QJsonValue& a : m.toObject().value("attachments").toArray()) {
                    ++files;
                    const QJsonObject file = a.toObject();
                    QVERIFY(file.contains("path") != file.contains("missing"));
                    if (file.contains("path"))
                        QVERIFY2(QFileInfo(QFileInfo(json).absolutePath() + "/" + file.value("path").toString()).isFile(),
                                 qPrintable(file.value("path").toString()));
                }
            }
            QCOMPARE(files, Count(html, "<div class=\"att\">"));
            ++pages;
        }
    }
    QVERIFY(pages > 3);

    // The tables: one object per row of the HTML.
    const struct { const char* html; const char* json; const char* key; } tables[] = {
        {"Contacts.html", "Contacts.json", "contacts"},
        {"CallHistory_*.html", "CallHistory_*.json", "calls"},
        {"Notes_*.html", "Notes_*.json", "notes"}};
    for (const auto& t : tables) {
        const QString html = Only(dest, t.html);
        const QString json = Only(dest, t.json);
        QVERIFY2(!html.isEmpty() && !json.isEmpty(), t.json);
        QCOMPARE(QFileInfo(json).absolutePath(), QFileInfo(html).absolutePath());
        const QJsonArray rows = Parse(json).value(t.key).toArray();
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows.size(), Count(html, "\t<tr>"));
    }
    const QJsonObject call = Parse(Only(dest, "CallHistory_*.json")).value("calls").toArray().first().toObject();
    for (const char* field : {"name", "number", "date", "type", "duration"})
        QVERIFY2(call.contains(field), field);

    // The manifest lists the JSON files as well.
    const QJsonObject manifest = Parse(QJsonDocument::fromJson(r.out).object().value("manifest").toString());
    QStringList listed;
    for (const QJsonValue& v : manifest.value("files").toArray())
        listed << dest + "/" + v.toObject().value("path").toString();
    for (const QString& json : jsonFiles) {
        if (!QFileInfo(json).fileName().startsWith("manifest-"))
            QVERIFY2(listed.contains(json), qPrintable(json));
    }
}

void TestJsonExport::refusesOtherFormats()
{
    QTemporaryDir root;
    SampleOptions options;
    options.seed = 53;
    QString backup, error;
    QVERIFY2(GenerateSampleBackup(options, root.path(), &backup, &error), qPrintable(error));
    const CliRun r = RunCli({"export", backup, root.path() + "/d", "--format", "xml"});
    QCOMPARE(r.nExit, 2);
    QVERIFY(r.err.contains("--format"));
    QVERIFY(!QFileInfo::exists(root.path() + "/d"));
    // Without the option no JSON report is written.
    QCOMPARE(RunCli({"export", backup, root.path() + "/plain", "--only", "notes,messages"}).nExit, 0);
    QCOMPARE(ExportedFiles(root.path() + "/plain").filter(QRegularExpression("\\.json$")), QStringList());
}

QTEST_GUILESS_MAIN(TestJsonExport)
#include "tst_jsonexport.moc"
