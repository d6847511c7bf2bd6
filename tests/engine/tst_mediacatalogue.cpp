// The media catalogues on hand-made manifests: what is kept, the names it gets,
// the order, the progress reports and stopping.
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/IphoneBackupFile.h"
#include "engine/MediaNames.h"
#include "support/TextEncoding.h"
#include "tests/engine/EngineFixtures.h"

using EngineFixtures::WriteBytes;

namespace {

QByteArray Padded(QByteArray head, int size)
{
    head.append(QByteArray(qMax(0, size - int(head.size())), 'x'));
    return head.left(size);
}

QByteArray Jpeg(int size = 1000)
{
    return Padded(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), size);
}

QByteArray QuickTime(int size = 1000)
{
    return Padded(QByteArray("\x00\x00\x00\x14" "ftypqt  \x00\x00\x00\x00", 16), size);
}

QByteArray Png(int size = 800)
{
    return Padded(QByteArray("\x89PNG\r\n\x1a\n", 8), size);
}

struct ProgressLog {
    QList<int> positions;
    int stopAfter = -1;  // answer 1 from this report on
};

int Record(void* data, int position)
{
    auto* log = static_cast<ProgressLog*>(data);
    log->positions.append(position);
    return log->stopAfter >= 0 && log->positions.size() > log->stopAfter ? 1 : 0;
}

// An engine over a flat folder of stored files, as an older or decrypted backup has.
class Fixture {
public:
    Fixture()
    {
        engine.m_strBackupDir = dir.path().toStdString();
        engine.m_bManifestDb = false;
        engine.m_selected.bEncrypted = false;
    }
    // Adds a manifest entry; with content, also its stored file.
    void Add(const std::string& name, const QByteArray& content = QByteArray(), bool write = true)
    {
        const std::string id = QByteArray::number(qulonglong(engine.m_vecManifest.size() + 1)).rightJustified(40, '0').toStdString();
        engine.m_vecManifest.push_back({name, id});
        if (write)
            WriteBytes(QString::fromStdString(engine.GetStoredFilePath(id)), content);
    }
    std::string PathOf(size_t index) const { return engine.GetStoredFilePath(engine.m_vecManifest[index].strFileId); }

    QTemporaryDir dir;
    CIphoneBackupFile engine;
};

} // namespace

class TestMediaCatalogue : public QObject {
    Q_OBJECT
private slots:
    void names();
    void cameraRollAndPhotoStream();
    void cameraProgressAndStop();
    void attachments();
    void appFilesAndWhatsApp();
    void nonRegularStoredFiles();
};

void TestMediaCatalogue::names()
{
    QCOMPARE(MediaDisplayName("MediaDomain-Library/SMS/Attachments/a/IMG_0042.jpeg", "0.jpg"), std::string("IMG_0042.JPG"));
    QCOMPARE(MediaDisplayName("x/IMG_0042.jpeg", "3.mov"), std::string("IMG_0042.MOV"));
    QCOMPARE(MediaDisplayName("x/photo", "1.png"), std::string("photo.PNG"));
    QCOMPARE(MediaDisplayName("x/a.b.c", "noext"), std::string("a.b.JPG"));
    QCOMPARE(MediaDisplayName("plain", "2.gif"), std::string("plain.GIF"));
    // A long last component is cut on a character boundary and keeps its extension.
    std::string longName = "x/";
    for (int i = 0; i < 200; ++i)
        longName += "\xC3\xA9";  // é
    longName += ".jpeg";
    const std::string shown = MediaDisplayName(longName, "0.jpg");
    QVERIFY(shown.size() <= kMediaNameMax);
    QVERIFY(QByteArray::fromStdString(shown).endsWith(".JPG"));
    QVERIFY(QString::fromUtf8(shown.c_str()).toUtf8() == QByteArray::fromStdString(shown));
    QVERIFY(MediaLastComponent("a/" + std::string(1000, 'z')).size() == kMediaNameMax);

    QCOMPARE(MediaAppName("AppDomain-com.example.camera-Documents/a.jpg"), std::string("example.camera"));
    QCOMPARE(MediaAppName("AppDomain-net.example.tool-Documents/a.jpg"), std::string("example.tool"));
    QCOMPARE(MediaAppName("AppDomain-org.nothing.app-Documents/a.jpg"), std::string("other"));
    // "com." is looked for first, anywhere in the name.
    QCOMPARE(MediaAppName("AppDomain-net.a-com.b-x"), std::string("b"));
    // No "-" after the identifier: "other".
    QCOMPARE(MediaAppName("AppDomain-org.x-Documents/com.photo"), std::string("other"));
    QVERIFY(MediaAppName("AppDomain-com." + std::string(600, 'q') + "-a").size() <= kMediaNameMax);
}

void TestMediaCatalogue::cameraRollAndPhotoStream()
{
    Fixture f;
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0002.JPG", Jpeg(3000));
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.MOV", QuickTime(1000));
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0003.JPG", Jpeg(300));    // too short
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/notes.txt", Padded("plain text", 900));
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0004.JPG", QByteArray(), false);  // not stored
    f.Add("MediaDomain-Media/PhotoStreamsData/1/100APPLE/b.jpg", Jpeg());
    f.Add("MediaDomain-Media/PhotoStreamsData/1/100APPLE/a.jpg", Png());
    f.Add("HomeDomain-Library/other.jpg", Jpeg());

    CameraInfoVec camera, stream;
    QCOMPARE(f.engine.GetBackupCameraFile(camera, stream), 0);
    QCOMPARE(int(camera.size()), 2);
    QCOMPARE(camera[0].strFileName, std::string("IMG_0001.MOV"));
    QCOMPARE(camera[0].nSize, 1000);
    QCOMPARE(camera[1].strFileName, std::string("IMG_0002.JPG"));
    QCOMPARE(camera[1].nSize, 3000);
    QCOMPARE(camera[1].wstrFullPath, Ansi2Unicode(f.PathOf(0).c_str()));
    QCOMPARE(int(stream.size()), 2);
    QCOMPARE(stream[0].strFileName, std::string("a.jpg"));
    QCOMPARE(stream[1].strFileName, std::string("b.jpg"));

    // The new layout keeps stored files in two-character folders.
    Fixture nested;
    nested.engine.m_bManifestDb = true;
    nested.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG", Jpeg());
    QVERIFY(QByteArray::fromStdString(nested.PathOf(0)).contains("/00/"));
    camera.clear();
    stream.clear();
    QCOMPARE(nested.engine.GetBackupCameraFile(camera, stream), 0);
    QCOMPARE(int(camera.size()), 1);
}

void TestMediaCatalogue::cameraProgressAndStop()
{
    // 100 entries, step 11, position 12: 12 + 22k/100 after each counted entry, then 34.
    Fixture f;
    for (int i = 0; i < 100; ++i) {
        if (i % 4 == 0)
            f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_" + std::to_string(1000 + i) + ".JPG", Jpeg());
        else if (i % 4 == 1)
            f.Add("CameraRollDomain-Media/DCIM/100APPLE/gone" + std::to_string(i), QByteArray(), false);
        else
            f.Add("HomeDomain-x" + std::to_string(i), QByteArray("x"));
    }
    ProgressLog log;
    f.engine.InitCallback(&Record, &log);
    f.engine.m_nProgressPos = 12;
    f.engine.m_nProgressStep = 11;
    CameraInfoVec camera, stream;
    QCOMPARE(f.engine.GetBackupCameraFile(camera, stream), 0);
    QList<int> expected;
    for (int k = 1; k <= 25; ++k)
        expected.append(12 + 22 * k / 100);
    expected.append(34);
    QCOMPARE(log.positions, expected);
    QCOMPARE(f.engine.m_nProgressPos, 34);

    // A stop keeps what was found so far, sorted, still reports the end and returns the answer.
    ProgressLog stopping;
    stopping.stopAfter = 2;
    f.engine.InitCallback(&Record, &stopping);
    f.engine.m_nProgressPos = 12;
    camera.clear();
    QCOMPARE(f.engine.GetBackupCameraFile(camera, stream), 1);
    QCOMPARE(int(camera.size()), 3);
    QCOMPARE(stopping.positions.size(), 4);
    QCOMPARE(stopping.positions.last(), 34);
}

void TestMediaCatalogue::attachments()
{
    Fixture f;
    f.Add("MediaDomain-Library/SMS/Attachments/ab/11/G1/IMG_0042.jpeg", Jpeg());
    f.Add("MediaDomain-Library/SMS/Attachments/ab/12/G2/IMG_0042.jpeg", QuickTime());
    f.Add("MediaDomain-Library/SMS/Attachments/ab/13/G3/photo", Png());
    f.Add("MediaDomain-Library/SMS/Attachments/ab/14/G4/short.jpg", Jpeg(100));
    f.Add("MediaDomain-Library/SMS/Attachments/ab/15/G5/missing.jpg", QByteArray(), false);
    // What is not a picture or a video is listed too, under its own name and extension.
    f.Add("MediaDomain-Library/SMS/Attachments/ab/16/G6/Audio Message.caf", Padded("caff\x00\x01\x00\x00desc", 2000));
    f.Add("MediaDomain-Library/SMS/Attachments/ab/17/G7/Trip plan.pdf", Padded("%PDF-1.4\n", 1500));
    f.Add("MediaDomain-Library/SMS/Attachments/ab/18/G8/blob.xyz", Padded("\x01\x02odd", 700));
    f.Add("MediaDomain-Library/SMS/Attachments/ab/19/G9/empty.vcf", QByteArray());
    ProgressLog log;
    f.engine.InitCallback(&Record, &log);
    f.engine.m_nProgressPos = 0;
    f.engine.m_nProgressStep = 10;
    AttachmentVec out;
    QCOMPARE(f.engine.GetBackupMsgAttachments(out), 0);
    QStringList names;
    for (const _IPHONE_ATTACHMENTS_& a : out)
        names << QString::fromStdString(a.strFileName);
    QCOMPARE(names, (QStringList{"Audio Message.caf", "blob.xyz", "IMG_0042.JPG", "IMG_0042.MOV", "photo.PNG",
                                 "short.jpg", "Trip plan.pdf"}));
    QCOMPARE(out[0].nSize, 2000);
    QCOMPARE(out[1].nSize, 700);
    QCOMPARE(out[4].nSize, 800);
    QCOMPARE(out[5].nSize, 100);
    QCOMPARE(out[6].nSize, 1500);
    QVERIFY(QFile::exists(QString::fromStdWString(out[0].wstrFullPath)));
    // Eight counted entries of nine (the missing one is not), then the step's end.
    QCOMPARE(log.positions, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 10}));
}

void TestMediaCatalogue::appFilesAndWhatsApp()
{
    Fixture f;
    f.Add("AppDomain-com.example.camera-Documents/b.jpg", Jpeg());
    f.Add("AppDomain-net.example.tool-Library/clip.mp4",
          Padded(QByteArray("\x00\x00\x00\x18" "ftypmp42", 12), 900));
    f.Add("AppDomain-org.nothing.app-Documents/a.png", Png());
    f.Add("AppDomain-com.example.camera-Documents/readme.txt", Padded("text", 900));
    f.Add("AppDomain-com.example.camera-Documents/gone.jpg", QByteArray(), false);
    f.Add("AppDomain-net.whatsapp.WhatsApp-Library/Media/x/IMG_1.jpg", Jpeg());
    f.Add("AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/Media/123@s.whatsapp.net/a/b/uuid.jpg",
          QuickTime());
    f.Add("AppDomainGroup-group.net.whatsapp.WhatsApp.shared-ChatStorage.sqlite", Padded("SQLite format 3", 900));
    // Voice notes and documents in either app group's media folder are WhatsApp files too.
    f.Add("AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/Media/123@s.whatsapp.net/c/d/note.opus",
          Padded("OggS\x00\x02", 1200));
    f.Add("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared-Message/Media/9@s.whatsapp.net/e/f/menu.pdf",
          Padded("%PDF-1.4\n", 300));

    WhatsAppAttachmentVec early;
    early.resize(3);
    QCOMPARE(f.engine.GetWhatsAppAttachment(early), 0);
    QVERIFY(early.empty());  // nothing collected before the app-file walk

    ProgressLog log;
    f.engine.InitCallback(&Record, &log);
    f.engine.m_nProgressPos = 0;
    f.engine.m_nProgressStep = 4;
    AppFileInfoVec apps;
    QCOMPARE(f.engine.GetAppFileInfo(apps), 0);
    QCOMPARE(int(apps.size()), 3);
    QCOMPARE(apps[0].strFileName, std::string("a.PNG"));
    QCOMPARE(apps[0].strAppName, std::string("other"));
    QCOMPARE(apps[1].strFileName, std::string("b.JPG"));
    QCOMPARE(apps[1].strAppName, std::string("example.camera"));
    QCOMPARE(apps[2].strFileName, std::string("clip.MP4"));
    QCOMPARE(apps[2].strAppName, std::string("example.tool"));
    // Every entry reports, matching or not: 8i/10, then the step's end.
    QCOMPARE(log.positions, (QList<int>{0, 1, 2, 3, 4, 4, 5, 6, 7, 8, 4}));

    WhatsAppAttachmentVec whatsapp;
    QCOMPARE(f.engine.GetWhatsAppAttachment(whatsapp), 0);
    QStringList names;
    for (const _WHATSAPP_ATTACHMENTS_& a : whatsapp)
        names << QString::fromStdString(a.strFileName);
    QCOMPARE(names, (QStringList{"IMG_1.JPG", "menu.pdf", "note.opus", "uuid.MOV"}));
    QCOMPARE(whatsapp[2].nSize, 1200);

    // A second walk refills the WhatsApp list instead of adding to it.
    apps.clear();
    QCOMPARE(f.engine.GetAppFileInfo(apps), 0);
    QCOMPARE(int(f.engine.m_vecWhatsAppAttachments.size()), 4);
}

void TestMediaCatalogue::nonRegularStoredFiles()
{
    // A link out of the backup and a FIFO where stored files belong: neither is
    // read nor waited on.
    Fixture f;
    QTemporaryDir outside;
    const QString secret = outside.filePath("secret.jpg");
    QVERIFY(WriteBytes(secret, Jpeg()));
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG", QByteArray(), false);
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0002.JPG", QByteArray(), false);
    f.Add("CameraRollDomain-Media/DCIM/100APPLE/IMG_0003.JPG", QByteArray(), false);
    QVERIFY(symlink(secret.toUtf8().constData(), f.PathOf(0).c_str()) == 0);
    QVERIFY(mkfifo(f.PathOf(1).c_str(), 0600) == 0);
    QVERIFY(mkdir(f.PathOf(2).c_str(), 0700) == 0);
    CameraInfoVec camera, stream;
    QCOMPARE(f.engine.GetBackupCameraFile(camera, stream), 0);
    QVERIFY(camera.empty());
}

QTEST_GUILESS_MAIN(TestMediaCatalogue)
#include "tst_mediacatalogue.moc"
