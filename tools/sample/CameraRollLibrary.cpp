#include "tools/sample/CameraRollLibrary.h"

#include <algorithm>
#include <map>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include "tools/sample/MediaContent.h"
#include "tools/sample/SampleSqlite.h"

namespace {

using K = SampleMediaKind;

const char kDomain[] = "CameraRollDomain";

struct LibraryPlan {
    int cloudOriginals;
    int editEvery;    // DCIM originals 0, n, 2n ... get an edit render
    int trashEvery;   // DCIM originals 2, n + 2 ... and cloud ones 2, n + 2 ... are trashed
    int renameEvery;  // DCIM originals 1, n + 1 ... were imported under another name
    int thumbnails;
};

LibraryPlan PlanFor(SampleOptions::Scale scale)
{
    switch (scale) {
    case SampleOptions::Scale::Small:
        return { 13, 40, 30, 10, 20 };
    case SampleOptions::Scale::Large:
        return { 1000, 200, 100, 25, 500 };
    case SampleOptions::Scale::Tiny:
        break;
    }
    return { 4, 1000, 1000, 1000, 2 };
}

QString Folder(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

QString Last(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString Stem(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString Extension(const QString& name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot) : QString();
}

QString Guid(SampleRandom& r)
{
    QString text = r.hex(32).toUpper();
    for (int at : { 20, 16, 12, 8 })
        text.insert(at, QLatin1Char('-'));
    return text;
}

class LibraryWriter {
public:
    LibraryWriter(SampleBackup& backup, quint64 seed)
        : m_backup(backup)
        , r(seed ^ 0x70686f746f73ull)
    {
    }

    // Stores a file; when listed, records it as the camera roll shows it.
    void add(const QString& path, K kind, const QString& shownName, bool deleted, bool listed = true)
    {
        const QByteArray bytes = MakeSampleMedia(kind, r, 50000 + int(m_backup.entries.size()));
        const SampleEntry& entry = m_backup.addFile(QLatin1String(kDomain), path, bytes);
        if (!listed || SampleMediaExtension(kind).isEmpty() || bytes.size() < 512)
            return;
        SampleMedia media;
        media.kind = SampleMedia::CameraRoll;
        media.manifestName = entry.manifestName();
        media.displayName = shownName;
        media.size = bytes.size();
        media.deleted = deleted;
        m_backup.media.push_back(media);
    }

    SampleBackup& m_backup;
    SampleRandom r;
    std::vector<SamplePhotoAsset> assets;
};

// A later one of two equal names (case ignored, in manifest-name order) gets "(2)".
void MakeShownNamesUnique(std::vector<SampleMedia>& media)
{
    std::map<QString, std::vector<SampleMedia*>> byName;
    for (SampleMedia& m : media) {
        if (m.kind == SampleMedia::CameraRoll)
            byName[m.displayName.toLower()].push_back(&m);
    }
    for (auto& group : byName) {
        std::vector<SampleMedia*>& same = group.second;
        std::sort(same.begin(), same.end(), [](const SampleMedia* a, const SampleMedia* b) {
            return a->manifestName.toUtf8() < b->manifestName.toUtf8();
        });
        for (size_t k = 1; k < same.size(); ++k)
            same[k]->displayName = QStringLiteral("%1 (%2)%3")
                                       .arg(Stem(same[k]->displayName))
                                       .arg(k + 1)
                                       .arg(Extension(same[k]->displayName));
    }
}

void AddDcimRows(LibraryWriter& w, const LibraryPlan& plan, bool unusualNames)
{
    std::vector<SampleMedia*> dcim;
    for (SampleMedia& m : w.m_backup.media) {
        if (m.kind == SampleMedia::CameraRoll)
            dcim.push_back(&m);
    }
    const QString prefix = QStringLiteral("CameraRollDomain-");
    for (size_t i = 0; i < dcim.size(); ++i) {
        SampleMedia& m = *dcim[i];
        const QString path = m.manifestName.mid(prefix.size());  // Media/DCIM/100APPLE/IMG_0001.JPG
        const bool video = m.displayName.endsWith(QLatin1String(".MOV"));
        if (i + 1 == dcim.size() && i > 0)
            continue;  // the phone has not catalogued its newest picture yet: no row
        SamplePhotoAsset asset;
        asset.directory = Folder(path).mid(6);
        asset.fileName = Last(path);
        asset.video = video;
        asset.trashed = int(i) % plan.trashEvery == 2;
        // Taken on the phone: the original name is the file's own; some rows have
        // no attributes row at all, and an imported picture kept its old name.
        if (int(i) % plan.renameEvery == 1)
            asset.originalName = (unusualNames ? QStringLiteral("Sommerfest am See %1 🌅") : QStringLiteral("Imported %1"))
                                     .arg(i) + Extension(asset.fileName);
        else if (i % 7 != 3)
            asset.originalName = asset.fileName;
        if (!asset.originalName.isEmpty())
            m.displayName = asset.originalName;
        m.deleted = asset.trashed;
        w.assets.push_back(asset);

        if (int(i) % plan.editEvery == 0) {
            const QString render = video ? QStringLiteral("FullSizeRender.mov") : QStringLiteral("FullSizeRender.jpg");
            const QString folder = QStringLiteral("Media/PhotoData/Mutations/%1/%2/Adjustments/")
                                       .arg(Folder(path).mid(6), Stem(asset.fileName));
            w.add(folder + render, video ? K::QuickTime : K::JpegExif,
                  Stem(m.displayName) + QStringLiteral(" (edited)") + Extension(render), asset.trashed);
            w.add(folder + QStringLiteral("Adjustments.plist"), K::Text, QString(), false, false);
        }
        if (int(i) < plan.thumbnails)
            w.add(QStringLiteral("Media/PhotoData/Thumbnails/V2/%1/%2/5003.JPG").arg(Folder(path).mid(6), asset.fileName),
                  K::JpegJfif, QString(), false, false);
    }
    // A row whose file the backup does not hold.
    w.assets.push_back({ QStringLiteral("DCIM/100APPLE"), QStringLiteral("IMG_9990.JPG"),
                         QStringLiteral("IMG_9990.JPG"), false, false });
}

void AddCloudOriginals(LibraryWriter& w, const LibraryPlan& plan, bool unusualNames)
{
    for (int j = 0; j < plan.cloudOriginals; ++j) {
        const bool heic = j % 3 == 2;
        const QString extension = heic ? QStringLiteral(".HEIC") : QStringLiteral(".JPG");
        SamplePhotoAsset asset;
        asset.directory = QStringLiteral("PhotoData/CPLAssets/group%1").arg(j % 8 + 1);
        asset.fileName = Guid(w.r) + extension;
        asset.trashed = j % plan.trashEvery == 2;
        // Two pictures imported from different cameras under the same name.
        if (j < 2)
            asset.originalName = QStringLiteral("IMG_1234.JPG");
        else if (j == 3 && unusualNames)
            asset.originalName = QStringLiteral("../Urlaub/Strand\\Tag 1.JPG");
        else
            asset.originalName = QStringLiteral("IMG_%1").arg(6000 + j) + extension;
        QString shown = asset.originalName;
        shown.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
        for (int i = 0; i < shown.size() && shown[i] == QLatin1Char('.'); ++i)
            shown[i] = QLatin1Char('_');
        w.add(QStringLiteral("Media/") + asset.directory + QLatin1Char('/') + asset.fileName,
              heic ? K::Heic : K::JpegExif, shown, asset.trashed);
        w.assets.push_back(asset);
    }
    w.assets.push_back({ QStringLiteral("PhotoData/CPLAssets/group9"), Guid(w.r) + QStringLiteral(".JPG"),
                         QStringLiteral("IMG_9991.JPG"), false, false });
}

void AddThumbnailFiles(LibraryWriter& w, const LibraryPlan& plan)
{
    // Real .ithmb files hold raw pixels; a picture's bytes make sure only their
    // place keeps them out.
    const int count = qMax(1, plan.thumbnails / 10);
    for (int i = 0; i < count; ++i)
        w.add(QStringLiteral("Media/PhotoData/Thumbnails/%1.ithmb").arg(3303 + i), K::JpegJfif, QString(), false, false);
}

} // namespace

bool WritePhotosDatabase(const QString& path, const std::vector<SamplePhotoAsset>& assets, bool genericAssetTable,
                         QString* error)
{
    const QString table = genericAssetTable ? QStringLiteral("ZGENERICASSET") : QStringLiteral("ZASSET");
    CSampleSqlite db(path);
    db.ExecAll({
        QStringLiteral("CREATE TABLE %1 (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZKIND INTEGER, "
                       "ZTRASHEDSTATE INTEGER, ZHIDDEN INTEGER, ZFAVORITE INTEGER, ZDATECREATED TIMESTAMP, "
                       "ZTRASHEDDATE TIMESTAMP, ZDIRECTORY VARCHAR, ZFILENAME VARCHAR, ZUUID VARCHAR)")
            .arg(table),
        QStringLiteral("CREATE TABLE ZADDITIONALASSETATTRIBUTES (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, "
                       "Z_OPT INTEGER, ZASSET INTEGER, ZORIGINALFILENAME VARCHAR)"),
    });
    QSqlQuery asset = db.Prepare(
        QStringLiteral("INSERT INTO %1 VALUES (?, 3, 1, ?, ?, 0, 0, ?, ?, ?, ?, ?)").arg(table));
    QSqlQuery attributes = db.Prepare(QStringLiteral("INSERT INTO ZADDITIONALASSETATTRIBUTES VALUES (?, 1, 1, ?, ?)"));
    qlonglong pk = 0;
    for (const SamplePhotoAsset& a : assets) {
        ++pk;
        const double created = 600000000.0 + double(pk) * 3600.0;
        db.Insert(asset, { pk, a.video ? 1 : 0, a.trashed ? 1 : 0, created,
                           a.trashed ? QVariant(created + 86400.0) : QVariant(), a.directory, a.fileName,
                           QStringLiteral("%1").arg(pk, 8, 16, QLatin1Char('0')).toUpper() });
        if (!a.originalName.isEmpty())
            db.Insert(attributes, { pk, pk, a.originalName });
    }
    const bool ok = db.Finish();
    if (!ok && error)
        *error = db.Error();
    return ok;
}

void AddCameraRollLibrary(SampleBackup& backup, const SampleOptions& options)
{
    const LibraryPlan plan = PlanFor(options.scale);
    LibraryWriter w(backup, options.seed);
    AddDcimRows(w, plan, options.unusualNames);
    AddCloudOriginals(w, plan, options.unusualNames);
    AddThumbnailFiles(w, plan);
    MakeShownNamesUnique(backup.media);

    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Photos.sqlite"));
    QFile file(path);
    if (!scratch.isValid() ||
        !WritePhotosDatabase(path, w.assets, options.layout == SampleOptions::Layout::Old, nullptr) ||
        !file.open(QIODevice::ReadOnly))
        return;  // a sample without a photo library is still a usable sample
    backup.addFile(QLatin1String(kDomain), QStringLiteral("Media/PhotoData/Photos.sqlite"), file.readAll());
}
