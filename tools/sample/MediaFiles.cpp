// Where the sample's media files go: camera roll, photo stream, message
// attachments, app files and WhatsApp media, under the manifest names a phone
// uses. Each category also gets files that must not be listed (too short,
// unknown content, empty) so the catalogues' filters are exercised.
#include "tools/sample/CameraRollLibrary.h"
#include "tools/sample/MediaContent.h"
#include "tools/sample/SampleContent.h"

namespace {

using K = SampleMediaKind;

// Recognisable files per category; each also gets about one unlisted file per 50.
struct MediaPlan {
    int cameraRoll;
    int photoStream;
    int albums;
    int attachments;
    int appFiles;  // WhatsApp's not included
    int apps;      // WhatsApp not included
    int whatsApp;
};

MediaPlan PlanFor(SampleOptions::Scale scale)
{
    switch (scale) {
    case SampleOptions::Scale::Tiny:
        return { 5, 3, 1, 4, 6, 3, 4 };
    case SampleOptions::Scale::Small:
        return { 120, 40, 3, 60, 80, 8, 40 };
    case SampleOptions::Scale::Large:
        return { 20000, 5000, 25, 10000, 17000, 39, 3000 };
    }
    return { 5, 3, 1, 4, 6, 3, 4 };
}

QString LastComponent(const QString& name)
{
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

// Where the attachment catalogues list every file, not only pictures and videos:
// message attachments, and the media WhatsApp (or WhatsApp Business) keeps in
// its shared app group.
bool IsAttachmentPath(SampleMedia::Kind kind, const QString& domain, const QString& path)
{
    if (kind == SampleMedia::Attachment)
        return true;
    return kind == SampleMedia::WhatsApp && domain.startsWith(QLatin1String("AppDomainGroup-group.net.whatsapp."))
        && path.startsWith(QLatin1String("Message/Media/"));
}

QString AppNameOf(const QString& manifestName)
{
    int at = manifestName.indexOf(QLatin1String("com."));
    if (at < 0)
        at = manifestName.indexOf(QLatin1String("net."));
    const int dash = at < 0 ? -1 : manifestName.indexOf(QLatin1Char('-'), at + 4);
    return dash < 0 ? QStringLiteral("other") : manifestName.mid(at + 4, dash - at - 4);
}

class MediaWriter {
public:
    explicit MediaWriter(SampleBackup& backup)
        : m_backup(backup)
        , r(backup.random)
    {
    }

    // Writes one file and records it when the catalogue will list it.
    void add(SampleMedia::Kind kind, const QString& domain, const QString& path, K content)
    {
        const QByteArray bytes = MakeSampleMedia(content, r, ++m_serial);
        const SampleEntry& entry = m_backup.addFile(domain, path, bytes);
        const QString extension = SampleMediaExtension(content);
        const bool recognised = !extension.isEmpty() && bytes.size() >= 512;
        if (!recognised && (bytes.isEmpty() || !IsAttachmentPath(kind, domain, path)))
            return;
        SampleMedia media;
        media.kind = kind;
        media.manifestName = entry.manifestName();
        media.size = bytes.size();
        const QString last = LastComponent(media.manifestName);
        if (kind == SampleMedia::CameraRoll || kind == SampleMedia::PhotoStream || !recognised) {
            media.displayName = last;
        } else {
            const int dot = last.lastIndexOf(QLatin1Char('.'));
            media.displayName = (dot < 0 ? last : last.left(dot)) + QLatin1Char('.') + extension.toUpper();
        }
        if (kind == SampleMedia::AppFile)
            media.appName = AppNameOf(media.manifestName);
        m_backup.media.push_back(media);
    }

    void addEmpty(const QString& domain, const QString& path) { m_backup.addFile(domain, path, QByteArray()); }

    // Unlisted files of a category: about one per 50 listed ones, at least `least`.
    static int ExtraCount(int listed, int least) { return qMax(least, listed / 50); }

    K pick(std::initializer_list<QPair<K, int>> weights)
    {
        int total = 0;
        for (const auto& w : weights)
            total += w.second;
        int roll = int(r.range(0, total - 1));
        for (const auto& w : weights) {
            if (roll < w.second)
                return w.first;
            roll -= w.second;
        }
        return weights.begin()->first;
    }

    // Upper-case hex digits in 8-4-4-4-12 groups; one draw per statement, as
    // argument order is unspecified.
    QString guid()
    {
        QString text = r.hex(32);
        for (int at : { 20, 16, 12, 8 })
            text.insert(at, QLatin1Char('-'));
        return text;
    }

    SampleBackup& m_backup;
    SampleRandom& r;
    int m_serial = 0;
};

// Name extension a phone gives each kind in the camera roll and photo stream.
QString CameraExtension(K kind)
{
    switch (kind) {
    case K::Heic:
        return QStringLiteral("HEIC");
    case K::QuickTime:
        return QStringLiteral("MOV");
    case K::Png:
        return QStringLiteral("PNG");
    default:
        return QStringLiteral("JPG");
    }
}

void AddCameraRoll(MediaWriter& w, int count)
{
    const QString domain = QStringLiteral("CameraRollDomain");
    // Every kind early, so the tiny sample holds each one.
    const K first[] = { K::JpegJfif, K::JpegExif, K::Heic, K::QuickTime, K::Png };
    for (int i = 0; i < count; ++i) {
        const K kind = i < 5 ? first[i]
                             : w.pick({ { K::JpegJfif, 30 }, { K::JpegExif, 25 }, { K::Heic, 30 }, { K::QuickTime, 15 } });
        const QString path = QStringLiteral("Media/DCIM/%1APPLE/IMG_%2.%3")
                                 .arg(100 + i / 1000)
                                 .arg(i + 1, 4, 10, QLatin1Char('0'))
                                 .arg(CameraExtension(kind));
        w.add(SampleMedia::CameraRoll, domain, path, kind);
    }
    // Thumbnails too short to recognise, and the folder's own bookkeeping.
    const int extras = MediaWriter::ExtraCount(count, 2);
    for (int i = 0; i < extras; ++i) {
        if (i % 2 == 0)
            w.add(SampleMedia::CameraRoll, domain, QStringLiteral("Media/DCIM/100APPLE/.thumb_%1.JPG").arg(i + 1), K::Short);
        else
            w.add(SampleMedia::CameraRoll, domain, QStringLiteral("Media/DCIM/.MISC/Info%1.plist").arg(i), K::Text);
    }
}

void AddPhotoStream(MediaWriter& w, int count, int albums)
{
    const QString domain = QStringLiteral("MediaDomain");
    int number = 0;
    for (int a = 0; a < albums; ++a) {
        const QString album = QString::number(w.r.range(100000000, 999999999));
        const int inAlbum = count / albums + (a < count % albums ? 1 : 0);
        const int firstNumber = number + 1;
        number += inAlbum;
        // Newest first, as a phone lists them: the catalogue has to sort.
        for (int n = number; n >= firstNumber; --n) {
            const K kind = w.pick({ { K::JpegJfif, 45 }, { K::JpegExif, 45 }, { K::Png, 5 }, { K::QuickTime, 5 } });
            w.add(SampleMedia::PhotoStream, domain,
                  QStringLiteral("Media/PhotoStreamsData/%1/100APPLE/IMG_%2.%3")
                      .arg(album)
                      .arg(n, 4, 10, QLatin1Char('0'))
                      .arg(CameraExtension(kind)),
                  kind);
        }
        if (a == 0) {
            for (int i = 0; i < MediaWriter::ExtraCount(count, 1); ++i)
                w.add(SampleMedia::PhotoStream, domain,
                      QStringLiteral("Media/PhotoStreamsData/%1/100APPLE/.thumb_%2.JPG").arg(album).arg(i + 1), K::Short);
        }
    }
}

QString AttachmentFolder(MediaWriter& w)
{
    const qint64 hash = w.r.range(0, 255);
    const qint64 sub = w.r.range(0, 15);
    return QStringLiteral("Library/SMS/Attachments/%1/%2/%3/")
        .arg(hash, 2, 16, QLatin1Char('0'))
        .arg(sub, 2, 10, QLatin1Char('0'))
        .arg(w.guid().toUpper());
}

void AddAttachments(MediaWriter& w, int count, bool unusualNames)
{
    const QString domain = QStringLiteral("MediaDomain");
    // The same name holding a picture and a movie, a name without an extension,
    // and one a careless export would mangle.
    const QPair<QString, K> fixed[] = {
        { QStringLiteral("IMG_0042.jpeg"), K::JpegExif },
        { QStringLiteral("IMG_0042.jpeg"), K::QuickTime },
        { QStringLiteral("photo"), K::Png },
        { unusualNames ? QStringLiteral("Café été 🎉 \"best\".gif") : QStringLiteral("animation.gif"), K::Gif },
    };
    int written = 0;
    for (const auto& f : fixed) {
        w.add(SampleMedia::Attachment, domain, AttachmentFolder(w) + f.first, f.second);
        ++written;
    }
    for (; written < count; ++written) {
        const K kind = w.pick({ { K::JpegJfif, 25 }, { K::JpegExif, 25 }, { K::Heic, 15 }, { K::QuickTime, 15 },
                                { K::Mp4, 5 }, { K::Png, 10 }, { K::Gif, 5 } });
        const QString extension = kind == K::Heic        ? QStringLiteral("HEIC")
                                  : kind == K::QuickTime ? QStringLiteral("MOV")
                                  : kind == K::Mp4       ? QStringLiteral("mp4")
                                  : kind == K::Png       ? QStringLiteral("png")
                                  : kind == K::Gif       ? QStringLiteral("gif")
                                                         : QStringLiteral("jpeg");
        w.add(SampleMedia::Attachment, domain,
              AttachmentFolder(w) + QStringLiteral("IMG_%1.%2").arg(1000 + written).arg(extension), kind);
    }
    const int extras = MediaWriter::ExtraCount(count, 3);
    for (int i = 0; i < extras; ++i) {
        const QString folder = AttachmentFolder(w);
        switch (i % 3) {
        case 0:
            w.addEmpty(domain, folder + QStringLiteral("empty.jpeg"));
            break;
        case 1:
            w.add(SampleMedia::Attachment, domain, folder + QStringLiteral("preview.jpeg"), K::Short);
            break;
        default:
            w.add(SampleMedia::Attachment, domain, folder + QStringLiteral("Audio Message.opus"), K::Opus);
            w.add(SampleMedia::Attachment, domain, folder + QStringLiteral("contact.vcf"), K::Text);
            break;
        }
    }
}

QStringList AppIdentifiers(int count)
{
    // A com. one, a net. one, and one with neither (listed as app "other").
    QStringList ids = { QStringLiteral("com.example.camera"), QStringLiteral("net.example.notes"),
                        QStringLiteral("org.nothing.app") };
    for (int k = ids.size(); k < count; ++k) {
        if (k % 7 == 0)
            ids.append(QStringLiteral("io.sample.kit%1").arg(k));
        else if (k % 2 == 0)
            ids.append(QStringLiteral("net.example.tool%1").arg(k));
        else
            ids.append(QStringLiteral("com.example.app%1").arg(k));
    }
    return ids.mid(0, count);
}

QString AppPath(MediaWriter& w, K kind, int serial)
{
    switch (kind) {
    case K::Png:
        return w.r.chance(0.5) ? QStringLiteral("Documents/screenshot_%1.png").arg(serial)
                               : QStringLiteral("Library/Caches/icon_%1.png").arg(serial);
    case K::QuickTime:
        return w.r.chance(0.5) ? QStringLiteral("Library/Caches/x%1.mov").arg(serial)
                               : QStringLiteral("Documents/clip_%1.MOV").arg(serial);
    case K::Mp4:
        return QStringLiteral("Documents/video_%1.mp4").arg(serial);
    case K::Heic:
        return QStringLiteral("Documents/IMG_%1.HEIC").arg(serial);
    case K::Gif:
        return QStringLiteral("tmp/sticker_%1.gif").arg(serial);
    case K::Bmp:
        return QStringLiteral("Documents/scan_%1.bmp").arg(serial);
    default:
        return w.r.chance(0.5) ? QStringLiteral("Documents/IMG_%1.jpg").arg(serial)
                               : QStringLiteral("Library/Caches/thumb_%1.jpeg").arg(serial);
    }
}

void AddAppFiles(MediaWriter& w, int count, int appCount, bool unusualNames)
{
    const QStringList apps = AppIdentifiers(appCount);
    for (const QString& id : apps)
        w.m_backup.addApplication(id);
    auto domainOf = [](const QString& id) { return QStringLiteral("AppDomain-") + id; };
    const struct {
        int app;
        const char* path;
        K kind;
    } fixed[] = {
        { 0, "Documents/a.jpg", K::JpegJfif },    { 0, "Library/Caches/x.mov", K::QuickTime },
        { 1, "Documents/scan.bmp", K::Bmp },       { 2, "Documents/b.png", K::Png },
        { 0, "Documents/clip.mp4", K::Mp4 },       { 1, "Documents/cover", K::Heic },
    };
    int written = 0;
    for (const auto& f : fixed) {
        w.add(SampleMedia::AppFile, domainOf(apps.at(f.app % apps.size())), QString::fromLatin1(f.path), f.kind);
        ++written;
    }
    if (unusualNames) {
        // Quotes, a backslash, markup and emoji: all legal in a phone's file name.
        w.add(SampleMedia::AppFile, domainOf(apps.at(0)),
              QStringLiteral("Documents/back\\slash \"quoted\" <b>été &amp; 🌅.jpg"), K::JpegExif);
        ++written;
    }
    for (; written < count; ++written) {
        const K kind = w.pick({ { K::JpegJfif, 20 }, { K::JpegExif, 20 }, { K::Png, 15 }, { K::QuickTime, 15 },
                                { K::Mp4, 10 }, { K::Heic, 10 }, { K::Gif, 5 }, { K::Bmp, 5 } });
        const QString& app = w.r.pick(apps);
        w.add(SampleMedia::AppFile, domainOf(app), AppPath(w, kind, written), kind);
    }
    // Sound, text and a cut-off picture: app files the catalogue must pass over.
    const int extras = MediaWriter::ExtraCount(count, 4);
    for (int i = 0; i < extras; ++i) {
        const QString domain = domainOf(apps.at(i % apps.size()));
        switch (i % 4) {
        case 0:
            w.add(SampleMedia::AppFile, domain, QStringLiteral("Documents/song_%1.mp3").arg(i), K::Mp3);
            break;
        case 1:
            w.add(SampleMedia::AppFile, domain, QStringLiteral("Documents/voice_%1.m4a").arg(i), K::M4a);
            break;
        case 2:
            w.add(SampleMedia::AppFile, domain, QStringLiteral("Documents/readme_%1.txt").arg(i), K::Text);
            break;
        default:
            w.add(SampleMedia::AppFile, domain, QStringLiteral("Library/Caches/t_%1.jpg").arg(i), K::Short);
            break;
        }
    }
}

void AddWhatsAppMedia(MediaWriter& w, int count)
{
    // Older phones keep the media in the app's own folder, current ones in the
    // shared app group.
    const QString oldDomain = QStringLiteral("AppDomain-net.whatsapp.WhatsApp");
    const QString newDomain = QStringLiteral("AppDomainGroup-group.net.whatsapp.WhatsApp.shared");
    w.m_backup.addApplication(QStringLiteral("net.whatsapp.WhatsApp"));
    const QStringList chats = { QStringLiteral("4915112345678@s.whatsapp.net"),
                                QStringLiteral("447700900112@s.whatsapp.net"),
                                QStringLiteral("120363025246125486@g.us") };
    auto path = [&](bool old, const QString& extension) {
        const QString chat = w.r.pick(chats);
        const QString folders = w.r.hex(2);
        const QString name = w.guid();
        return QStringLiteral("%1/%2/%3/%4/%5.%6")
            .arg(old ? QStringLiteral("Library/Media") : QStringLiteral("Message/Media"), chat, folders.left(1),
                 folders.right(1), name, extension);
    };
    const int oldCount = qMax(2, count / 3);
    for (int i = 0; i < count; ++i) {
        const bool old = i < oldCount;
        // Each location starts with a picture and a video.
        const int local = old ? i : i - oldCount;
        const K kind = local == 0   ? K::JpegJfif
                       : local == 1 ? K::Mp4
                                    : w.pick({ { K::JpegJfif, 35 }, { K::JpegExif, 30 }, { K::Mp4, 25 }, { K::QuickTime, 10 } });
        const QString extension = kind == K::Mp4 || kind == K::QuickTime ? QStringLiteral("mp4") : QStringLiteral("jpg");
        w.add(SampleMedia::WhatsApp, old ? oldDomain : newDomain, path(old, extension), kind);
    }
    const int extras = MediaWriter::ExtraCount(count, 3);
    for (int i = 0; i < extras; ++i) {
        const bool old = i % 2 == 1;
        const QString domain = old ? oldDomain : newDomain;
        switch (i % 3) {
        case 0:
            w.add(SampleMedia::WhatsApp, domain, path(old, QStringLiteral("opus")), K::Opus);
            break;
        case 1:
            w.add(SampleMedia::WhatsApp, domain, path(old, QStringLiteral("thumb")), K::Short);
            break;
        default:
            w.addEmpty(domain, path(old, QStringLiteral("jpg")));
            break;
        }
    }
}

// The files the message and WhatsApp databases name; returns how many went to
// messages and to WhatsApp.
QPair<int, int> AddLinkedFiles(MediaWriter& w, const std::vector<SampleLinkedFile>& files)
{
    QPair<int, int> written(0, 0);
    for (const SampleLinkedFile& f : files) {
        if (!f.stored || w.m_backup.find(f.domain, f.relativePath) >= 0)
            continue;
        const bool message = f.domain == QLatin1String("MediaDomain");
        w.add(message ? SampleMedia::Attachment : SampleMedia::WhatsApp, f.domain, f.relativePath, f.content);
        ++(message ? written.first : written.second);
    }
    return written;
}

} // namespace

void AddMediaFiles(SampleBackup& backup, const SampleOptions& options)
{
    const MediaPlan plan = PlanFor(options.scale);
    MediaWriter writer(backup);
    AddCameraRoll(writer, plan.cameraRoll);
    AddPhotoStream(writer, plan.photoStream, plan.albums);
    // Files the databases name count towards the plan; loose ones make up the rest.
    const QPair<int, int> linked = AddLinkedFiles(writer, backup.linkedFiles);
    AddAttachments(writer, qMax(4, plan.attachments - linked.first), options.unusualNames);
    AddAppFiles(writer, plan.appFiles, plan.apps, options.unusualNames);
    AddWhatsAppMedia(writer, qMax(4, plan.whatsApp - linked.second));
    AddCameraRollLibrary(backup, options);
}
