// A generated backup of each layout scans to exactly the media the generator wrote.
#include <QTemporaryDir>
#include <QtTest>

#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

namespace {

QString Line(const std::string& name, const std::string& app, long long size)
{
    return QString::fromStdString(name) + "|" + QString::fromStdString(app) + "|" + QString::number(size);
}

template <typename Vec>
QStringList Lines(const Vec& records)
{
    QStringList lines;
    for (const auto& r : records)
        lines << Line(r.strFileName, std::string(), r.nSize);
    lines.sort();
    return lines;
}

} // namespace

class TestSampleScan : public QObject {
    Q_OBJECT
private slots:
    void scansWhatWasWritten_data();
    void scansWhatWasWritten();
};

void TestSampleScan::scansWhatWasWritten_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("Manifest.db") << int(SampleOptions::Layout::New);
    QTest::newRow("Manifest.mbdb") << int(SampleOptions::Layout::Old);
}

void TestSampleScan::scansWhatWasWritten()
{
    QFETCH(int, layout);
    SampleOptions options;
    options.layout = SampleOptions::Layout(layout);
    options.seed = 5;
    SampleBackup backup = BuildSampleBackup(options);

    QStringList expected[5];
    bool heic = false;
    for (const SampleMedia& m : backup.media) {
        const QString app = m.kind == SampleMedia::AppFile ? m.appName : QString();
        expected[m.kind] << Line(m.displayName.toStdString(), app.toStdString(), m.size);
        heic = heic || m.displayName.endsWith(".HEIC", Qt::CaseInsensitive);
    }
    for (QStringList& list : expected)
        list.sort();
    QVERIFY(heic);
    for (const QStringList& list : expected)
        QVERIFY(!list.isEmpty());

    QTemporaryDir root;
    QString dir, error;
    QVERIFY2(WriteSampleBackup(backup, root.path(), &dir, &error), qPrintable(error));

    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray folder = dir.toUtf8();
    QCOMPARE(engine.GetBackFileInfo(folder.data(), &info), 0);
    engine.Init(&info);
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    CameraInfoVec camera, stream;
    MessageMap messages;
    AttachmentVec attachments;
    PersonContentVec contacts;
    CallHistoryVec calls;
    NotesVec notes;
    AppFileInfoVec apps;
    AppFileMap appPhotos, appVideos;
    unsigned appPhotoCount = 0, appVideoCount = 0;
    WhatsAppMessageMap whatsapp;
    WhatsAppAttachmentVec whatsappFiles;
    SCAN_FETCH_TARGETS targets{camera, stream,    messages,  attachments,   contacts,      calls,    notes,
                               apps,   appPhotos, appVideos, appPhotoCount, appVideoCount, whatsapp, whatsappFiles};
    int scanned = -1;
    QCOMPARE(RunBackupScan(parse.get(), QString(), targets, nullptr, &scanned), 0);
    QCOMPARE(scanned, 0);

    QCOMPARE(Lines(camera), expected[SampleMedia::CameraRoll]);
    QCOMPARE(Lines(stream), expected[SampleMedia::PhotoStream]);
    QCOMPARE(Lines(attachments), expected[SampleMedia::Attachment]);
    QCOMPARE(Lines(whatsappFiles), expected[SampleMedia::WhatsApp]);
    QStringList appLines;
    for (const _IPHONE_APP_FILE_INFO_& f : apps)
        appLines << Line(f.strFileName, f.strAppName, f.nSize);
    appLines.sort();
    QCOMPARE(appLines, expected[SampleMedia::AppFile]);
    QCOMPARE(appPhotoCount + appVideoCount, unsigned(apps.size()));

    // Each list comes out in name order, case ignored.
    for (size_t i = 1; i < camera.size(); ++i)
        QVERIFY(strcasecmp(camera[i - 1].strFileName.c_str(), camera[i].strFileName.c_str()) <= 0);
    for (size_t i = 1; i < stream.size(); ++i)
        QVERIFY(strcasecmp(stream[i - 1].strFileName.c_str(), stream[i].strFileName.c_str()) <= 0);
}

QTEST_GUILESS_MAIN(TestSampleScan)
#include "tst_samplescan.moc"
