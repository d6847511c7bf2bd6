#include <QtTest>

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <ctime>

#include "ExportTestUtil.h"
#include "engine/ManifestReader.h"
#include "export/RecoveryDateFilter.h"
#include "export/RecoveryDateRange.h"
#include "export/StoredFileDates.h"
#include "tests/cli/CliProcess.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

class TestRecoveryDateRange : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeLocalDaysBothEndsInclusive();
    void narrowsEveryCategoryByItsOwnDate();
    void mediaDatedByTheManifest_data();
    void mediaDatedByTheManifest();
    void commandLineKeepsOnlyTheRange();
    void commandLineRefusesBadDates();
};

void TestRecoveryDateRange::initTestCase()
{
    // Days are local: fix the zone so the expected days below are the program's too.
    qputenv("TZ", "UTC");
    ::tzset();
}

void TestRecoveryDateRange::wholeLocalDaysBothEndsInclusive()
{
    const QDate may1(2024, 5, 1), may3(2024, 5, 3);
    const auto local = [](int d, int h, int m, int s) { return QDateTime(QDate(2024, 5, d), QTime(h, m, s)); };

    RecoveryDateRange open;
    QVERIFY(open.IsOpen());
    QVERIFY(open.Contains(local(2, 12, 0, 0)));
    QVERIFY(open.Contains(QDateTime()));   // undated items pass only an open range

    RecoveryDateRange both{may1, may3};
    QVERIFY(!both.IsOpen());
    QVERIFY(both.Contains(local(1, 0, 0, 0)));      // first moment of the first day
    QVERIFY(both.Contains(local(3, 23, 59, 59)));   // last second of the last day
    QVERIFY(!both.Contains(local(4, 0, 0, 0)));
    QVERIFY(!both.Contains(QDateTime(QDate(2024, 4, 30), QTime(23, 59, 59))));
    QVERIFY(!both.Contains(QDateTime()));

    // A UTC moment is judged by the local calendar day it falls on.
    const QDateTime utc = local(3, 23, 30, 0).toUTC();
    QVERIFY(both.Contains(utc));

    RecoveryDateRange fromOnly{may3, QDate()};
    QVERIFY(!fromOnly.IsOpen());
    QVERIFY(fromOnly.Contains(QDateTime(QDate(2031, 1, 1), QTime(0, 0))));
    QVERIFY(!fromOnly.Contains(local(2, 23, 59, 59)));

    RecoveryDateRange untilOnly{QDate(), may1};
    QVERIFY(untilOnly.Contains(QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
    QVERIFY(!untilOnly.Contains(local(2, 0, 0, 0)));
}

namespace {
__MESSAGE_INFO__ Message(const char* date, const char* text, const char* file = nullptr)
{
    __MESSAGE_INFO__ m;
    m.strDate = date;
    m.strText = text;
    if (file) {
        _MESSAGE_ATTACHMENT_ a;
        a.strName = file;
        m.vecAttachments.push_back(a);
    }
    return m;
}

template <typename Record>
Record Media(const char* storedName)
{
    Record r;
    r.strFileName = storedName;
    r.wstrFullPath = QString("/backup/%1/%2").arg(QString(storedName).left(2), storedName).toStdWString();
    return r;
}
}

void TestRecoveryDateRange::narrowsEveryCategoryByItsOwnDate()
{
    const std::string inside(40, 'a'), before(40, 'b'), undated(40, 'c');
    MessageMap messages;
    messages[1] = {Message("2024-05-01 00:00:00", "first day", "in.jpg"), Message("2024-04-30 23:59:59", "day before", "out.jpg"),
                   Message("2024-05-03 23:59:59", "last second")};
    messages[2] = {Message("2024-06-01 10:00:00", "after")};
    messages[3] = {Message("not a date", "undated")};
    WhatsAppMessageMap chats;
    chats[7].resize(2);
    chats[7][0].strDate = "2024-05-02 12:00:00";
    chats[7][1].strDate = "2023-05-02 12:00:00";

    RecoverySelection in;
    in.dateRange = {QDate(2024, 5, 1), QDate(2024, 5, 3)};
    in.pMessages = &messages;
    in.vecMessageKeys = {1, 2, 3, 99};   // 99: not in the map
    in.pWhatsApp = &chats;
    in.vecWhatsAppKeys = {7};
    in.vecCamera = {Media<_IPHONE_CAMERA_INFO_>(inside.c_str()), Media<_IPHONE_CAMERA_INFO_>(before.c_str()),
                    Media<_IPHONE_CAMERA_INFO_>(undated.c_str())};
    in.mapAppPhotos["app"] = {Media<_IPHONE_APP_FILE_INFO_>(before.c_str())};
    in.vecMessageAttach = {Media<_IPHONE_ATTACHMENTS_>(inside.c_str())};
    in.vecContacts.resize(2);
    in.vecCalls.resize(2);
    in.vecCalls[0].strDate = "2024-05-02 08:00:00";
    in.vecCalls[1].strDate = "2024-05-04 00:00:00";
    in.vecNotes.resize(1);
    in.vecNotes[0].strDate = "2024-04-01 08:00:00";
    in.bSkipIdentical = true;

    const std::map<std::string, QDateTime> dates = {
        {inside, QDateTime(QDate(2024, 5, 2), QTime(1, 0), Qt::UTC)},
        {before, QDateTime(QDate(2024, 4, 30), QTime(23, 0), Qt::UTC)}};
    QCOMPARE(SelectedStoredNames(in), std::set<std::string>({inside, before, undated}));

    NarrowedSelection out;
    NarrowToDateRange(in, dates, &out);
    const RecoverySelection& s = out.selection;
    // A conversation keeps only its messages in range (and with them only their files);
    // one with none in range is left out.
    QCOMPARE(s.vecMessageKeys, std::vector<unsigned int>({1}));
    const auto& kept = s.pMessages->at(1);
    QCOMPARE(int(kept.size()), 2);
    QCOMPARE(kept[0].strText, std::string("first day"));
    QCOMPARE(kept[0].vecAttachments.size(), std::size_t(1));
    QCOMPARE(kept[1].strText, std::string("last second"));
    QCOMPARE(s.pMessages->count(2), std::size_t(0));
    QCOMPARE(s.vecWhatsAppKeys, std::vector<unsigned int>({7}));
    QCOMPARE(s.pWhatsApp->at(7).size(), std::size_t(1));
    // The caller's maps are untouched.
    QCOMPARE(messages[1].size(), std::size_t(3));

    // Media by their manifest dates; a file the manifest does not date is left out.
    QCOMPARE(s.vecCamera.size(), std::size_t(1));
    QCOMPARE(s.vecCamera[0].strFileName, inside);
    QCOMPARE(s.mapAppPhotos.count("app"), std::size_t(1));
    QVERIFY(s.mapAppPhotos.at("app").empty());
    QCOMPARE(s.vecMessageAttach.size(), std::size_t(1));
    QCOMPARE(s.vecContacts.size(), std::size_t(2));   // contacts have no date
    QCOMPARE(s.vecCalls.size(), std::size_t(1));
    QVERIFY(s.vecNotes.empty());
    QVERIFY(s.bSkipIdentical);
}

void TestRecoveryDateRange::mediaDatedByTheManifest_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("Manifest.db") << int(SampleOptions::Layout::New);
    QTest::newRow("Manifest.mbdb") << int(SampleOptions::Layout::Old);
}

void TestRecoveryDateRange::mediaDatedByTheManifest()
{
    QFETCH(int, layout);
    SampleOptions options;
    options.layout = SampleOptions::Layout(layout);
    options.seed = 31;
    SampleBackup backup = BuildSampleBackup(options);
    QTemporaryDir root;
    QString dir, error;
    QVERIFY2(WriteSampleBackup(backup, root.path(), &dir, &error), qPrintable(error));

    std::map<std::string, qint64> expected;
    for (const SampleMedia& m : backup.media) {
        for (const SampleEntry& e : backup.entries) {
            if (e.manifestName() == m.manifestName)
                expected[e.fileId().toStdString()] = e.modified;
        }
    }
    QVERIFY(expected.size() > 10);
    std::set<std::string> names;
    for (const auto& e : expected)
        names.insert(e.first);
    names.insert(std::string(40, 'f'));   // not in the manifest
    const std::map<std::string, QDateTime> dates = ReadStoredFileDates(dir, names);
    QCOMPARE(dates.size(), expected.size());
    for (const auto& e : expected)
        QCOMPARE(dates.at(e.first).toSecsSinceEpoch(), e.second);

    QCOMPARE(StoredNameOfPath(dir.toStdString() + "/ab/" + expected.begin()->first), expected.begin()->first);
    QCOMPARE(StoredNameOfPath("/x/" + expected.begin()->first + ".mddata"), expected.begin()->first);
    QCOMPARE(StoredNameOfPath("/x/../etc/passwd"), std::string());
    // No manifest at all: nothing is dated.
    QVERIFY(ReadStoredFileDates(root.path(), names).empty());
}

void TestRecoveryDateRange::commandLineKeepsOnlyTheRange()
{
    SampleOptions options;
    options.seed = 37;
    SampleBackup backup = BuildSampleBackup(options);
    QTemporaryDir root, out;
    QString dir, error;
    QVERIFY2(WriteSampleBackup(backup, root.path(), &dir, &error), qPrintable(error));

    // The range starts on the day the middle camera file was last changed.
    std::vector<qint64> cameraTimes;
    for (const SampleMedia& m : backup.media) {
        for (const SampleEntry& e : backup.entries) {
            if (m.kind == SampleMedia::CameraRoll && e.manifestName() == m.manifestName)
                cameraTimes.push_back(e.modified);
        }
    }
    std::sort(cameraTimes.begin(), cameraTimes.end());
    QVERIFY(cameraTimes.size() > 4);
    const QDate since = QDateTime::fromSecsSinceEpoch(cameraTimes[cameraTimes.size() / 2], Qt::UTC).date();
    const QDate until(2019, 12, 31);
    int expectedCamera = 0;
    for (qint64 t : cameraTimes) {
        const QDate day = QDateTime::fromSecsSinceEpoch(t, Qt::UTC).date();
        expectedCamera += day >= since && day <= until ? 1 : 0;
    }

    const QString dest = out.path() + "/d";
    const CliRun all = RunCli({"export", dir, out.path() + "/all", "--only", "camera_roll,messages"});
    QCOMPARE(all.nExit, 0);
    const CliRun r = RunCli({"export", dir, dest, "--since", since.toString(Qt::ISODate), "--until",
                             until.toString(Qt::ISODate), "--json"});
    QVERIFY2(r.nExit == 0, r.err.constData());
    QCOMPARE(QDir(dest + "/Camera Roll").entryList(QDir::Files).size(), expectedCamera);
    QVERIFY(expectedCamera < int(cameraTimes.size()));

    // Every message shown lies in the range, and fewer than the whole export shows.
    static const QRegularExpression dated("Data: (\\d{4}-\\d{2}-\\d{2}) ");
    const auto shownDays = [](const QString& folder) {
        QList<QDate> days;
        QDirIterator it(folder, {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.contains("/attachments/"))
                continue;
            auto m = dated.globalMatch(QString::fromStdString(ReadAll(path)));
            while (m.hasNext())
                days << QDate::fromString(m.next().captured(1), Qt::ISODate);
        }
        return days;
    };
    const QList<QDate> kept = shownDays(dest + "/Message");
    const QList<QDate> whole = shownDays(out.path() + "/all/Message");
    QVERIFY(!kept.isEmpty());
    QVERIFY(kept.size() < whole.size());
    int inRange = 0;
    for (const QDate& day : whole)
        inRange += day >= since && day <= until ? 1 : 0;
    QCOMPARE(kept.size(), inRange);
    for (const QDate& day : kept)
        QVERIFY2(day >= since && day <= until, qPrintable(day.toString(Qt::ISODate)));

    // The manifest records the range it was made with.
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    const QJsonObject manifest =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadAll(doc.value("manifest").toString()))).object();
    QCOMPARE(manifest.value("selection").toObject().value("since").toString(), since.toString(Qt::ISODate));
    QCOMPARE(manifest.value("selection").toObject().value("until").toString(), until.toString(Qt::ISODate));
}

void TestRecoveryDateRange::commandLineRefusesBadDates()
{
    QTemporaryDir out;
    SampleOptions options;
    options.seed = 41;
    QString dir, error;
    QVERIFY2(GenerateSampleBackup(options, out.path(), &dir, &error), qPrintable(error));
    const QString dest = out.path() + "/d";
    for (const QStringList& bad : {QStringList{"--since", "2024-13-01"}, QStringList{"--until", "yesterday"},
                                   QStringList{"--since", "2024-2-1"}, QStringList{"--until", "2023-02-29"},
                                   QStringList{"--since", "2024-05-02", "--until", "2024-05-01"}}) {
        const CliRun r = RunCli(QStringList{"export", dir, dest} + bad);
        QCOMPARE(r.nExit, 2);
        QVERIFY(!r.err.isEmpty());
    }
    QVERIFY(!QFileInfo::exists(dest));   // nothing written for a refused command
    // One day is a valid range.
    QCOMPARE(RunCli({"export", dir, dest, "--since", "2019-01-01", "--until", "2019-01-01"}).nExit, 0);
}

QTEST_GUILESS_MAIN(TestRecoveryDateRange)
#include "tst_recoverydaterange.moc"
