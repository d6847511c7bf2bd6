#include <QtTest>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "ExportTestUtil.h"
#include "export/ManifestVerify.h"
#include "tests/cli/CliProcess.h"
#include "tools/sample/SampleGenerator.h"

// manifest-<stamp>.json, `verify` and --skip-identical, end to end through quillmere-cli.
class TestExportManifest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void manifestProvesWhatWasWritten();
    void verifyRefusesHostileManifests();
    void skipIdenticalWritesNothingNew();

private:
    QTemporaryDir m_root;
    QString m_strBackup;
};

namespace {
QJsonObject JsonOf(const QByteArray& bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

QByteArray Sha256Of(const QString& path)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(ReadAll(path)), QCryptographicHash::Sha256).toHex();
}

// Relative path -> SHA-256 of the files a run did not name with its stamp (media, sms.db).
QMap<QString, QByteArray> UnstampedFiles(const QString& dest)
{
    static const QRegularExpression stamp("\\d{14}");
    QMap<QString, QByteArray> files;
    for (const QString& rel : FilesUnder(dest)) {
        if (!stamp.match(rel).hasMatch())
            files[rel] = Sha256Of(dest + "/" + rel);
    }
    return files;
}

QJsonObject Entry(const QString& path, const QByteArray& content)
{
    QJsonObject o;
    o.insert("path", path);
    o.insert("size", content.size());
    o.insert("sha256", QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));
    return o;
}
}

void TestExportManifest::initTestCase()
{
    SampleOptions options;
    options.seed = 43;
    QString error;
    QVERIFY2(GenerateSampleBackup(options, m_root.path(), &m_strBackup, &error), qPrintable(error));
}

void TestExportManifest::manifestProvesWhatWasWritten()
{
    QTemporaryDir out;
    const QString dest = out.path() + "/export";
    const CliRun r = RunCli({"export", m_strBackup, dest, "--json"});
    QVERIFY2(r.nExit == 0, r.err.constData());
    const QString manifestPath = JsonOf(r.out).value("manifest").toString();
    QCOMPARE(QFileInfo(manifestPath).absolutePath(), dest);
    QVERIFY(QRegularExpression("^manifest-\\d{14}\\.json$").match(QFileInfo(manifestPath).fileName()).hasMatch());

    // Exactly the files written, each with its size and hash, parsed by a standard reader.
    const QJsonObject manifest = JsonOf(QByteArray::fromStdString(ReadAll(manifestPath)));
    QStringList listed;
    for (const QJsonValue& v : manifest.value("files").toArray()) {
        const QJsonObject f = v.toObject();
        const QString path = dest + "/" + f.value("path").toString();
        listed << f.value("path").toString();
        QCOMPARE(qint64(f.value("size").toDouble()), QFileInfo(path).size());
        QCOMPARE(f.value("sha256").toString().toLatin1(), Sha256Of(path));
    }
    listed.sort();
    QStringList onDisk = FilesUnder(dest);
    onDisk.removeAll(QFileInfo(manifestPath).fileName());
    QCOMPARE(listed, onDisk);
    QVERIFY(listed.contains("Message/sms.db"));
    QVERIFY(manifest.value("kept").toArray().isEmpty());

    const QJsonObject backup = manifest.value("backup").toObject();
    QCOMPARE(backup.value("path").toString(), m_strBackup);
    QVERIFY(!backup.value("serial").toString().isEmpty());
    QVERIFY(!backup.value("name").toString().isEmpty());
    QVERIFY(!manifest.value("program").toObject().value("version").toString().isEmpty());
    const QJsonObject selection = manifest.value("selection").toObject();
    QVERIFY(selection.value("categories").toArray().contains(QJsonValue("camera_roll")));
    QVERIFY(selection.value("since").isNull() && selection.value("until").isNull());
    QCOMPARE(selection.value("skip_identical").toBool(), false);

    const CliRun intact = RunCli({"verify", manifestPath});
    QCOMPARE(intact.nExit, 0);
    QVERIFY(intact.out.contains("intact: " + QByteArray::number(listed.size())));

    // One file changed (same size), one gone: both named, exit 1.
    const QString changed = listed.filter(QRegularExpression("^Camera Roll/")).value(0);
    const QString missing = listed.filter(QRegularExpression("\\.html$")).value(0);
    QVERIFY(!changed.isEmpty() && !missing.isEmpty());
    std::string bytes = ReadAll(dest + "/" + changed);
    bytes[bytes.size() / 2] ^= 1;
    QVERIFY(WriteText(dest + "/" + changed, QByteArray::fromStdString(bytes)));
    QVERIFY(QFile::remove(dest + "/" + missing));
    const CliRun broken = RunCli({"verify", manifestPath, "--json"});
    QCOMPARE(broken.nExit, 1);
    const QJsonObject report = JsonOf(broken.out);
    QCOMPARE(report.value("changed").toInt(), 1);
    QCOMPARE(report.value("missing").toInt(), 1);
    QCOMPARE(report.value("intact").toInt(), listed.size() - 2);
    QStringList named;
    for (const QJsonValue& v : report.value("problems").toArray())
        named << v.toObject().value("problem").toString() + ":" + v.toObject().value("path").toString();
    named.sort();
    QCOMPARE(named, QStringList({"changed:" + changed, "missing:" + missing}));

    // A second export into the same folder keeps the first manifest.
    QCOMPARE(RunCli({"export", m_strBackup, dest, "--only", "notes"}).nExit, 0);
    QCOMPARE(QDir(dest).entryList({"manifest-*.json"}, QDir::Files).size(), 2);
    QCOMPARE(JsonOf(QByteArray::fromStdString(ReadAll(manifestPath))), manifest);
}

void TestExportManifest::verifyRefusesHostileManifests()
{
    QTemporaryDir out;
    const QString dir = out.path() + "/proof";
    const QString outside = out.path() + "/secret";
    const QByteArray secret = "outside the folder";
    QVERIFY(WriteText(outside + "/s.txt", secret));
    QVERIFY(WriteText(dir + "/ok.txt", "fine"));
    QVERIFY(QFile::link(outside + "/s.txt", dir + "/link.txt"));
    QVERIFY(QFile::link(outside, dir + "/sub"));
    QVERIFY(::mkfifo(QFile::encodeName(dir + "/fifo").constData(), 0600) == 0);

    const auto write = [&](const QByteArray& text) {
        QVERIFY(WriteText(dir + "/manifest.json", text));
    };
    // Not a manifest at all: exit 2 with a message.
    for (const QByteArray& bad : {QByteArray("{ not json"), QByteArray("[1, 2]"), QByteArray("{\"files\": 3}"),
                                  QByteArray("{\"stamp\": \"x\"}"),
                                  QByteArray("{\"files\": [{\"path\": \"ok.txt\", \"size\": \"4\", \"sha256\": \"00\"}]}")}) {
        write(bad);
        const CliRun r = RunCli({"verify", dir + "/manifest.json"});
        QCOMPARE(r.nExit, 2);
        QVERIFY(r.err.contains("quillmere-cli verify:"));
    }
    QCOMPARE(RunCli({"verify", dir + "/absent.json"}).nExit, 2);

    // Paths that leave the folder, or links and a FIFO inside it, are refused, even
    // when what lies behind them has the listed content.
    QJsonArray files;
    files << Entry("ok.txt", "fine") << Entry("../secret/s.txt", secret) << Entry(outside + "/s.txt", secret)
          << Entry("link.txt", secret) << Entry("sub/s.txt", secret) << Entry("./ok.txt", "fine")
          << Entry("a//ok.txt", "fine") << Entry("fifo", QByteArray());
    QJsonObject doc;
    doc.insert("files", files);
    write(QJsonDocument(doc).toJson());
    const CliRun r = RunCli({"verify", dir + "/manifest.json", "--json"});
    QVERIFY(r.bFinished);
    QCOMPARE(r.nExit, 1);
    const QJsonObject report = JsonOf(r.out);
    QCOMPARE(report.value("checked").toInt(), 8);
    QCOMPARE(report.value("intact").toInt(), 1);
    QCOMPARE(report.value("refused").toInt(), 7);

    QVERIFY(IsSafeRelativePath("Camera Roll/IMG_0001.JPG"));
    QVERIFY(IsSafeRelativePath("..hidden/x"));
    for (const char* bad : {"", "/etc/passwd", "..", "a/../b", "a/./b", "a//b", "a/"})
        QVERIFY2(!IsSafeRelativePath(bad), bad);
}

void TestExportManifest::skipIdenticalWritesNothingNew()
{
    QTemporaryDir out;
    const QString dest = out.path() + "/again";
    QCOMPARE(RunCli({"export", m_strBackup, dest, "--skip-identical"}).nExit, 0);
    const QMap<QString, QByteArray> first = UnstampedFiles(dest);
    QVERIFY(first.size() > 20);

    // Second run: every media file and the message database are already there.
    const CliRun second = RunCli({"export", m_strBackup, dest, "--skip-identical", "--json"});
    QCOMPARE(second.nExit, 0);
    QCOMPARE(UnstampedFiles(dest), first);
    const QJsonObject result = JsonOf(second.out);
    QCOMPARE(result.value("skipped").toInt(), first.size());
    const QJsonObject manifest = JsonOf(QByteArray::fromStdString(ReadAll(result.value("manifest").toString())));
    QCOMPARE(manifest.value("kept").toArray().size(), first.size());
    QCOMPARE(manifest.value("selection").toObject().value("skip_identical").toBool(), true);
    for (const QJsonValue& v : manifest.value("files").toArray())
        QVERIFY2(!first.contains(v.toObject().value("path").toString()), qPrintable(v.toObject().value("path").toString()));
    QCOMPARE(RunCli({"verify", result.value("manifest").toString()}).nExit, 0);

    // A copy changed since is not the same file: the backup's is written beside it.
    const QString changed = first.keys().filter(QRegularExpression("^Camera Roll/")).value(0);
    QVERIFY(!changed.isEmpty());
    QVERIFY(WriteText(dest + "/" + changed, "edited by hand"));
    QCOMPARE(RunCli({"export", m_strBackup, dest, "--skip-identical", "--only", "camera_roll"}).nExit, 0);
    QMap<QString, QByteArray> third = UnstampedFiles(dest);
    QCOMPARE(third.size(), first.size() + 1);
    const QString dot = changed.contains('.') ? changed.left(changed.lastIndexOf('.')) : changed;
    const QString beside = dot + "(1)" + changed.mid(dot.size());
    QVERIFY2(third.contains(beside), qPrintable(beside));
    QCOMPARE(third.value(beside), first.value(changed));
}

QTEST_GUILESS_MAIN(TestExportManifest)
#include "tst_exportmanifest.moc"
