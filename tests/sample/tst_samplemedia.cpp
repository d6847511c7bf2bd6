#include <QtTest>

#include <QImage>
#include <QMap>
#include <QTemporaryDir>

#include "engine/CameraRollPlaces.h"
#include "engine/UsedEntries.h"
#include "support/FileTypeJudge.h"
#include "tools/sample/MediaContent.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

#ifdef QM_HAVE_HEIF
#include <libheif/heif.h>
#endif

class TestSampleMedia : public QObject {
    Q_OBJECT
private slots:
    void judgeAgreesWithEveryKind();
    void picturesDecode();
    void movieBoxesAddUp();
    void recordMatchesTheModel();
    void namesTheCataloguesShow();
    void hostileSampleKeepsTheListTrue();
    void deterministicForSeed();
    void storedFilesRecognised();

private:
    QTemporaryDir m_dir;
};

namespace {

const SampleMediaKind kAllKinds[] = {
    SampleMediaKind::JpegJfif, SampleMediaKind::JpegExif, SampleMediaKind::Png, SampleMediaKind::Gif,
    SampleMediaKind::Bmp,      SampleMediaKind::QuickTime, SampleMediaKind::Mp4, SampleMediaKind::Heic,
    SampleMediaKind::Mp3,      SampleMediaKind::M4a,      SampleMediaKind::Opus, SampleMediaKind::Short,
    SampleMediaKind::Text,     SampleMediaKind::Caf,      SampleMediaKind::Amr,  SampleMediaKind::Pdf,
    SampleMediaKind::VCard,    SampleMediaKind::Docx,
};

// Extension the judge gives the first 512 bytes, as the catalogues read them;
// empty when too short or not recognised.
QString JudgedExtension(const QByteArray& content)
{
    if (content.size() < FILE_TYPE_HEAD_SIZE)
        return QString();
    QByteArray head = content.left(FILE_TYPE_HEAD_SIZE);
    const int type = CFileTypeJudge::GetDataBufType(reinterpret_cast<unsigned char*>(head.data()), head.size());
    const char* extension = CFileTypeJudge::GetTypeExtendName(type);
    return type == FILE_TYPE_UNKNOWN || !extension ? QString() : QString::fromLatin1(extension);
}

quint32 Be32(const QByteArray& data, int at)
{
    return (quint32(quint8(data[at])) << 24) | (quint32(quint8(data[at + 1])) << 16)
        | (quint32(quint8(data[at + 2])) << 8) | quint8(data[at + 3]);
}

// Top-level box types, or empty when the sizes do not add up to the file.
QStringList TopLevelBoxes(const QByteArray& data)
{
    QStringList types;
    int at = 0;
    while (at + 8 <= data.size()) {
        const quint32 size = Be32(data, at);
        if (size < 8 || at + qint64(size) > data.size())
            return QStringList();
        types.append(QString::fromLatin1(data.mid(at + 4, 4)));
        at += int(size);
    }
    return at == data.size() ? types : QStringList();
}

bool MatchesCatalogue(const std::string& name, SampleMedia::Kind* kind)
{
    auto has = [&](const char* pattern) { return name.find(pattern) != std::string::npos; };
    if (CameraRollPlaceOf(name) != CameraRollPlace::None)
        *kind = SampleMedia::CameraRoll;
    else if (has(g_szPhotoStreamPattern))
        *kind = SampleMedia::PhotoStream;
    else if (has(g_szAttachmentPattern))
        *kind = SampleMedia::Attachment;
    else if (has(g_szAppFilePattern) || IsWhatsAppSharedMedia(name))
        *kind = has(g_szWhatsAppPattern) ? SampleMedia::WhatsApp : SampleMedia::AppFile;
    else
        return false;
    return true;
}

// Where every file is listed, recognised or not.
bool ListsEveryFile(const std::string& name, SampleMedia::Kind kind)
{
    return kind == SampleMedia::Attachment || IsWhatsAppSharedMedia(name);
}

SampleOptions Options(SampleOptions::Scale scale, quint64 seed, SampleOptions::Layout layout = SampleOptions::Layout::New)
{
    SampleOptions options;
    options.scale = scale;
    options.seed = seed;
    options.layout = layout;
    return options;
}

} // namespace

void TestSampleMedia::judgeAgreesWithEveryKind()
{
    SampleRandom random(5);
    for (SampleMediaKind kind : kAllKinds) {
        const QString intended = SampleMediaExtension(kind);
        for (int i = 0; i < 12; ++i) {
            const QByteArray content = MakeSampleMedia(kind, random, i);
            const QString judged = JudgedExtension(content);
            QVERIFY2(judged == intended, qPrintable(QStringLiteral("kind %1: judged '%2', meant '%3'")
                                                        .arg(int(kind)).arg(judged, intended)));
            if (kind == SampleMediaKind::Short) {
                QVERIFY(content.size() < FILE_TYPE_HEAD_SIZE);
                // A real picture start: only its length keeps it off the lists.
                QVERIFY(content.startsWith("\xFF\xD8\xFF\xE0"));
            } else if (kind == SampleMediaKind::VCard) {
                // Contact cards are small; listed for their place, not their content.
                QVERIFY(content.startsWith("BEGIN:VCARD"));
            } else {
                // Long enough to be judged by content, small enough for a large sample.
                QVERIFY(content.size() >= (intended.isEmpty() ? FILE_TYPE_HEAD_SIZE : 1024));
                QVERIFY(content.size() <= 8192 + 1024);
            }
        }
    }
    // The two JPEG forms start the way their names say.
    const QByteArray jfif = MakeSampleMedia(SampleMediaKind::JpegJfif, random, 1);
    const QByteArray exif = MakeSampleMedia(SampleMediaKind::JpegExif, random, 1);
    QCOMPARE(jfif.mid(6, 4), QByteArray("JFIF"));
    QCOMPARE(exif.mid(6, 4), QByteArray("Exif"));
    QCOMPARE(MakeSampleMedia(SampleMediaKind::QuickTime, random, 1).mid(4, 8), QByteArray("ftypqt  "));
    QCOMPARE(MakeSampleMedia(SampleMediaKind::Heic, random, 1).mid(4, 8), QByteArray("ftypheic"));
}

void TestSampleMedia::picturesDecode()
{
    SampleRandom random(6);
    const QPair<SampleMediaKind, const char*> pictures[] = {
        { SampleMediaKind::JpegJfif, "JPEG" }, { SampleMediaKind::JpegExif, "JPEG" },
        { SampleMediaKind::Png, "PNG" },       { SampleMediaKind::Gif, "GIF" },
        { SampleMediaKind::Bmp, "BMP" },
    };
    for (const auto& p : pictures) {
        for (int i = 0; i < 6; ++i) {
            const QByteArray content = MakeSampleMedia(p.first, random, 900 + i);
            QImage image;
            QVERIFY2(image.loadFromData(content, p.second), p.second);
            QVERIFY(image.width() >= 16 && image.height() >= 12);
            // The comment that makes each file unique is read back, not skipped as damage.
            if (p.first == SampleMediaKind::Png)
                QVERIFY(image.text(QStringLiteral("Comment")).startsWith(QStringLiteral("Quillmere sample #%1").arg(900 + i)));
            if (p.first == SampleMediaKind::Gif) {
                // Not a flat picture: the LZW stream carried the pixels.
                QVERIFY(image.pixel(0, 0) != image.pixel(image.width() - 1, image.height() - 1));
            }
        }
    }
#ifdef QM_HAVE_HEIF
    if (!SampleHeicIsEncoded())
        QSKIP("this libheif cannot encode HEVC: HEIC files are headers only");
    heif_init(nullptr);
    for (int i = 0; i < 4; ++i) {
        const QByteArray content = MakeSampleMedia(SampleMediaKind::Heic, random, i);
        heif_context* context = heif_context_alloc();
        QCOMPARE(heif_context_read_from_memory_without_copy(context, content.constData(), size_t(content.size()), nullptr).code,
                 heif_error_Ok);
        heif_image_handle* handle = nullptr;
        QCOMPARE(heif_context_get_primary_image_handle(context, &handle).code, heif_error_Ok);
        heif_image* image = nullptr;
        QCOMPARE(heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code,
                 heif_error_Ok);
        QCOMPARE(heif_image_get_width(image, heif_channel_interleaved), 64);
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(context);
    }
    heif_deinit();
#endif
}

void TestSampleMedia::movieBoxesAddUp()
{
    SampleRandom random(7);
    for (SampleMediaKind kind : { SampleMediaKind::QuickTime, SampleMediaKind::Mp4, SampleMediaKind::M4a,
                                  SampleMediaKind::Heic }) {
        for (int i = 0; i < 6; ++i) {
            const QStringList boxes = TopLevelBoxes(MakeSampleMedia(kind, random, i));
            QVERIFY2(!boxes.isEmpty(), "box sizes do not add up to the file");
            QCOMPARE(boxes.first(), QStringLiteral("ftyp"));
            if (kind == SampleMediaKind::QuickTime || kind == SampleMediaKind::Mp4) {
                QVERIFY(boxes.contains(QStringLiteral("moov")));
                QVERIFY(boxes.contains(QStringLiteral("mdat")));
            }
            if (kind == SampleMediaKind::Heic)
                QVERIFY(boxes.contains(QStringLiteral("meta")));
        }
    }
}

void TestSampleMedia::recordMatchesTheModel()
{
    for (auto scale : { SampleOptions::Scale::Tiny, SampleOptions::Scale::Small }) {
        const SampleBackup backup = BuildSampleBackup(Options(scale, 11));
        // What the catalogues would list, worked out from the entries alone.
        QMap<QString, SampleMedia> expected;
        int unlisted[5] = {};
        for (const SampleEntry& e : backup.entries) {
            SampleMedia::Kind kind;
            if (e.flags != SampleEntry::File || !MatchesCatalogue(e.manifestName().toStdString(), &kind))
                continue;
            const QString extension = JudgedExtension(e.content);
            const bool everyFile = ListsEveryFile(e.manifestName().toStdString(), kind);
            if ((extension.isEmpty() && !everyFile) || e.content.isEmpty()) {
                ++unlisted[kind];
                continue;
            }
            SampleMedia m;
            m.kind = kind;
            m.manifestName = e.manifestName();
            m.size = e.content.size();
            const QFileInfo last(m.manifestName);
            m.displayName = kind == SampleMedia::CameraRoll || kind == SampleMedia::PhotoStream || extension.isEmpty()
                ? last.fileName()
                : last.completeBaseName() + QLatin1Char('.') + extension.toUpper();
            expected.insert(m.manifestName, m);
        }
        QMap<QString, SampleMedia> recorded;
        int perKind[5] = {};
        for (const SampleMedia& m : backup.media) {
            QVERIFY2(!recorded.contains(m.manifestName), qPrintable(m.manifestName));
            recorded.insert(m.manifestName, m);
            ++perKind[m.kind];
        }
        QCOMPARE(recorded.keys(), expected.keys());
        for (const SampleMedia& m : backup.media) {
            const SampleMedia& e = expected[m.manifestName];
            QCOMPARE(int(m.kind), int(e.kind));
            // Camera-roll names come from Photos.sqlite (checked against a scan elsewhere).
            if (m.kind != SampleMedia::CameraRoll)
                QCOMPARE(m.displayName, e.displayName);
            QCOMPARE(m.size, e.size);
            QVERIFY(m.size > 0);
            QCOMPARE(m.appName.isEmpty(), m.kind != SampleMedia::AppFile);
        }
        // Every category has listed files and files it must pass over.
        for (int k = 0; k < 5; ++k) {
            QVERIFY2(perKind[k] > 0, qPrintable(QString::number(k)));
            QVERIFY2(unlisted[k] > 0, qPrintable(QString::number(k)));
        }
        if (scale == SampleOptions::Scale::Small) {
            QVERIFY(backup.media.size() >= 300);
            QVERIFY(backup.media.size() <= 500);
        } else {
            QVERIFY(backup.media.size() <= 50);
        }
    }
}

void TestSampleMedia::namesTheCataloguesShow()
{
    const SampleBackup backup = BuildSampleBackup(Options(SampleOptions::Scale::Tiny, 3));
    QMultiMap<QString, QString> attachmentNames;  // display name -> judged type
    QMap<QString, QString> appOf;                 // manifest name -> app name
    QStringList cameraTypes, photoStreamOrder;
    QSet<QString> whatsAppDomains;
    for (const SampleMedia& m : backup.media) {
        if (m.kind == SampleMedia::Attachment)
            attachmentNames.insert(m.displayName, m.manifestName);
        if (m.kind == SampleMedia::AppFile)
            appOf.insert(m.manifestName, m.appName);
        if (m.kind == SampleMedia::CameraRoll)
            cameraTypes.append(QFileInfo(m.displayName).suffix());
        if (m.kind == SampleMedia::PhotoStream)
            photoStreamOrder.append(m.displayName);
        if (m.kind == SampleMedia::WhatsApp)
            whatsAppDomains.insert(m.manifestName.left(m.manifestName.indexOf(QLatin1Char('-'), 16)));
    }
    // The same attachment name holding a picture and a movie.
    QCOMPARE(attachmentNames.count(QStringLiteral("IMG_0042.JPG")), 1);
    QCOMPARE(attachmentNames.count(QStringLiteral("IMG_0042.MOV")), 1);
    QVERIFY(attachmentNames.value(QStringLiteral("IMG_0042.JPG")).endsWith(QStringLiteral("/IMG_0042.jpeg")));
    QVERIFY(attachmentNames.value(QStringLiteral("IMG_0042.MOV")).endsWith(QStringLiteral("/IMG_0042.jpeg")));
    QVERIFY(attachmentNames.contains(QStringLiteral("photo.PNG")));
    for (const QString& name : attachmentNames.values())
        QVERIFY(name.startsWith(QStringLiteral("MediaDomain-Library/SMS/Attachments/")));

    QCOMPARE(appOf.value(QStringLiteral("AppDomain-com.example.camera-Documents/a.jpg")), QStringLiteral("example.camera"));
    QCOMPARE(appOf.value(QStringLiteral("AppDomain-net.example.notes-Documents/scan.bmp")), QStringLiteral("example.notes"));
    QCOMPARE(appOf.value(QStringLiteral("AppDomain-org.nothing.app-Documents/b.png")), QStringLiteral("other"));
    // An awkward name stays one path component and keeps its app.
    const QString awkward = QStringLiteral("AppDomain-com.example.camera-Documents/back\\slash \"quoted\" <b>été &amp; 🌅.jpg");
    QCOMPARE(appOf.value(awkward), QStringLiteral("example.camera"));

    for (const char* type : { "JPG", "HEIC", "MOV", "PNG" })
        QVERIFY2(cameraTypes.contains(QLatin1String(type)), type);
    // Written newest first, so listing them needs a sort.
    QVERIFY(photoStreamOrder.size() >= 2);
    QStringList sorted = photoStreamOrder;
    sorted.sort();
    QVERIFY(photoStreamOrder != sorted);

    // The app's own folder (older phones), the shared group, and WhatsApp Business's group.
    QCOMPARE(whatsAppDomains, (QSet<QString>{ QStringLiteral("AppDomain-net.whatsapp.WhatsApp"),
                                               QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsApp.shared"),
                                               QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsAppSMB.shared") }));
    // Voice messages, documents and contact cards are listed under their own names.
    for (const char* name : { "Audio Message.caf", "Trip plan.pdf", "Anna Berg.vcf", "Budget 2024.docx" })
        QVERIFY2(attachmentNames.contains(QLatin1String(name)), name);
    // Without unusual names the same places hold plain ones.
    SampleOptions plain = Options(SampleOptions::Scale::Tiny, 3);
    plain.unusualNames = false;
    for (const SampleMedia& m : BuildSampleBackup(plain).media) {
        QVERIFY2(!m.manifestName.contains(QLatin1Char('"')), qPrintable(m.manifestName));
        QVERIFY(!m.manifestName.contains(QStringLiteral("é")));
    }
    // The apps are installed as far as Manifest.plist is concerned.
    const QVariantMap apps = backup.manifestPlistExtra.value(QStringLiteral("Applications")).toMap();
    QVERIFY(apps.contains(QStringLiteral("com.example.camera")));
    QVERIFY(apps.contains(QStringLiteral("net.whatsapp.WhatsApp")));
}

void TestSampleMedia::hostileSampleKeepsTheListTrue()
{
    SampleOptions options = Options(SampleOptions::Scale::Tiny, 12);
    options.hostile = true;
    const SampleBackup backup = BuildSampleBackup(options);
    QVERIFY(!backup.media.empty());
    QSet<QString> listed;
    for (const SampleMedia& m : backup.media) {
        listed.insert(m.manifestName);
        // Still the very bytes the list describes, stored as a plain file.
        const int index = backup.find(m.manifestName.section(QLatin1Char('-'), 0, 0),
                                      m.manifestName.section(QLatin1Char('-'), 1));
        QVERIFY2(index >= 0, qPrintable(m.manifestName));
        const SampleEntry& e = backup.entries[size_t(index)];
        QVERIFY(e.stored == SampleEntry::Stored::Content);
        QCOMPARE(qint64(e.content.size()), m.size);
        const QString judged = JudgedExtension(e.content).toUpper();
        if (judged.isEmpty())
            QVERIFY2(m.manifestName.endsWith(QLatin1Char('/') + m.displayName), qPrintable(m.manifestName));
        else
            QCOMPARE(judged, QFileInfo(m.displayName).suffix().toUpper());
    }
    // The hostile content replaced the first camera-roll picture; it left the list.
    QVERIFY(backup.find(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG")) >= 0);
    QVERIFY(!listed.contains(QStringLiteral("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG")));
}

void TestSampleMedia::deterministicForSeed()
{
    auto contents = [](const SampleBackup& backup) {
        QMap<QString, QByteArray> out;
        for (const SampleMedia& m : backup.media)
            out.insert(m.manifestName, QByteArray());
        for (const SampleEntry& e : backup.entries) {
            if (out.contains(e.manifestName()))
                out[e.manifestName()] = e.content;
        }
        return out;
    };
    const QMap<QString, QByteArray> a = contents(BuildSampleBackup(Options(SampleOptions::Scale::Small, 21)));
    const QMap<QString, QByteArray> b = contents(BuildSampleBackup(Options(SampleOptions::Scale::Small, 21)));
    QCOMPARE(a, b);
    const QMap<QString, QByteArray> c = contents(BuildSampleBackup(Options(SampleOptions::Scale::Small, 22)));
    QVERIFY(a != c);
    // Files of one kind are not copies of a few pool images.
    QSet<QByteArray> distinct;
    for (const QByteArray& content : a)
        distinct.insert(content);
    QCOMPARE(distinct.size(), a.size());
}

void TestSampleMedia::storedFilesRecognised()
{
    for (auto layout : { SampleOptions::Layout::New, SampleOptions::Layout::Old }) {
        SampleBackup backup = BuildSampleBackup(Options(SampleOptions::Scale::Tiny, 31, layout));
        const std::vector<SampleMedia> media = backup.media;
        QString folder, error;
        QVERIFY2(WriteSampleBackup(backup, m_dir.filePath(QString::number(int(layout))), &folder, &error),
                 qPrintable(error));
        CFileTypeJudge judge;
        quint64 recognisedCount = 0;
        for (const SampleMedia& m : media) {
            QString id;
            for (const SampleEntry& e : backup.entries) {
                if (e.manifestName() == m.manifestName)
                    id = e.fileId();
            }
            const QString stored = layout == SampleOptions::Layout::New ? folder + QLatin1Char('/') + id.left(2) + QLatin1Char('/') + id
                                                                          : folder + QLatin1Char('/') + id;
            QCOMPARE(QFileInfo(stored).size(), m.size);
            QByteArray path = stored.toUtf8();
            char name[64] = {};
            const int result = judge.ParseFileBuf(path.data(), name);
            const QString recognised = QString::fromLatin1(name);
            if (recognised.isEmpty() && ListsEveryFile(m.manifestName.toStdString(), m.kind)) {
                // Any other attachment keeps its own name.
                QVERIFY(result == 0 || result == 30);
                QVERIFY(m.manifestName.endsWith(QLatin1Char('/') + m.displayName));
                continue;
            }
            QCOMPARE(result, 0);
            ++recognisedCount;
            QVERIFY2(!recognised.isEmpty(), qPrintable(m.manifestName));
            QCOMPARE(QLatin1Char('.') + recognised.section(QLatin1Char('.'), 1).toUpper(),
                     QLatin1Char('.') + QFileInfo(m.displayName).suffix().toUpper());
        }
        QCOMPARE(judge.GetCounter(), recognisedCount);
    }
}

QTEST_GUILESS_MAIN(TestSampleMedia)
#include "tst_samplemedia.moc"
