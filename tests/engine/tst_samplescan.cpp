// A generated backup of each layout scans to exactly the media the generator wrote.
#include <algorithm>

#include <QTemporaryDir>
#include <QtTest>

#include "ScanFixtures.h"
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

// Every field a conversation shows, one line per message, in the map's order.
QStringList MessageLines(const MessageMap& conversations)
{
    QStringList lines;
    for (const auto& conversation : conversations)
        for (const __MESSAGE_INFO__& m : conversation.second) {
            QStringList files;
            for (const _MESSAGE_ATTACHMENT_& a : m.vecAttachments)
                files << QString::fromStdString(a.strName) + "=" + QString::fromStdWString(a.wstrFullPath);
            lines << QStringList{QString::number(conversation.first), QString::number(m.nRowId),
                                 QString::number(m.nIsFromMe), QString::fromStdString(m.strDate),
                                 QString::fromStdString(m.strSender), QString::fromStdString(m.strContactName),
                                 QString::fromStdString(m.strText), QString::fromStdString(m.strChatName),
                                 QString::fromStdString(m.strChatNumbers), files.join(',')}
                         .join('|');
        }
    return lines;
}

QStringList ChatLines(const WhatsAppMessageMap& chats)
{
    QStringList lines;
    for (const auto& chat : chats)
        for (const __WHATSAPP_MESSAGE__& m : chat.second)
            lines << QStringList{QString::number(chat.first), QString::fromStdString(m.strDate),
                                 QString::fromStdString(m.strSenderName), QString::fromStdString(m.strText),
                                 QString::fromStdString(m.strExtra3), QString::number(m.vecAttachments.size())}
                         .join('|');
    return lines;
}

} // namespace

class TestSampleScan : public QObject {
    Q_OBJECT
private slots:
    void scansWhatWasWritten_data();
    void scansWhatWasWritten();
    void engineScanHandsOverTheSameRecords();
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
    std::unique_ptr<IPhoneRecoveryParse> parse = SelectBackup(engine, dir);
    QVERIFY(parse);
    SCAN_FETCH_DATA data;
    SCAN_FETCH_TARGETS targets = data.Targets();
    int scanned = -1;
    QCOMPARE(RunBackupScan(parse.get(), QString(), targets, nullptr, &scanned), 0);
    QCOMPARE(scanned, 0);

    QCOMPARE(Lines(data.vecCamera), expected[SampleMedia::CameraRoll]);
    QCOMPARE(Lines(data.vecPhotoStream), expected[SampleMedia::PhotoStream]);
    QCOMPARE(Lines(data.vecAttachments), expected[SampleMedia::Attachment]);
    QCOMPARE(Lines(data.vecWhatsappAttach), expected[SampleMedia::WhatsApp]);
    QStringList appLines;
    for (const _IPHONE_APP_FILE_INFO_& f : data.vecAppFile)
        appLines << Line(f.strFileName, f.strAppName, f.nSize);
    appLines.sort();
    QCOMPARE(appLines, expected[SampleMedia::AppFile]);
    QCOMPARE(data.nAppPhotoCount + data.nAppVideoCount, unsigned(data.vecAppFile.size()));

    // Each list comes out in name order, case ignored; the camera roll's pictures from
    // Recently Deleted come first.
    QVERIFY(std::is_partitioned(data.vecCamera.begin(), data.vecCamera.end(),
                                [](const _IPHONE_CAMERA_INFO_& c) { return c.nDeleted != 0; }));
    for (size_t i = 1; i < data.vecCamera.size(); ++i)
        QVERIFY(data.vecCamera[i - 1].nDeleted != data.vecCamera[i].nDeleted ||
                strcasecmp(data.vecCamera[i - 1].strFileName.c_str(), data.vecCamera[i].strFileName.c_str()) <= 0);
    for (size_t i = 1; i < data.vecPhotoStream.size(); ++i)
        QVERIFY(strcasecmp(data.vecPhotoStream[i - 1].strFileName.c_str(), data.vecPhotoStream[i].strFileName.c_str()) <= 0);
}

void TestSampleScan::engineScanHandsOverTheSameRecords()
{
    SampleOptions options;
    options.seed = 11;
    QTemporaryDir root;
    QString dir, error;
    SampleBackup backup = BuildSampleBackup(options);
    QVERIFY2(WriteSampleBackup(backup, root.path(), &dir, &error), qPrintable(error));

    struct Run {
        CIphoneBackupFile engine;
        SCAN_FETCH_DATA data;
        QStringList told;  // what the listener heard, in order
        int result = -1;
    };
    Run shared, own;
    for (Run* run : {&shared, &own}) {
        std::unique_ptr<IPhoneRecoveryParse> parse = SelectBackup(run->engine, dir);
        QVERIFY(parse);
        auto listen = [run](int category, unsigned long long count) {
            run->told << QStringLiteral("%1=%2").arg(category).arg(count);
        };
        if (run == &shared) {
            run->result = RunEngineScan(run->engine, parse.get(), QString(), run->data, listen);
        } else {
            SCAN_FETCH_TARGETS targets = run->data.Targets();
            run->result = RunBackupScan(parse.get(), QString(), targets, listen);
        }
    }
    QCOMPARE(shared.result, 0);
    QCOMPARE(own.result, 0);
    QCOMPARE(shared.told, own.told);
    QCOMPARE(shared.told.size(), int(CATEGORY_COUNT));
    QVERIFY(!shared.data.mapMessage.empty() && !shared.data.mapWhatsapp.empty());
    QCOMPARE(MessageLines(shared.data.mapMessage), MessageLines(own.data.mapMessage));
    QCOMPARE(ChatLines(shared.data.mapWhatsapp), ChatLines(own.data.mapWhatsapp));
    // Handed over, not copied: the engine that read them holds them no more.
    QVERIFY(shared.engine.m_mapMessages.empty());
    QVERIFY(shared.engine.m_mapWhatsApp.empty());
    QCOMPARE(MessageLines(own.engine.m_mapMessages), MessageLines(own.data.mapMessage));
}

QTEST_GUILESS_MAIN(TestSampleScan)
#include "tst_samplescan.moc"
