// The camera roll as a current phone keeps it: DCIM and CPLAssets originals under
// the names Photos.sqlite remembers, Recently Deleted first and flagged, edit renders
// beside their originals, thumbnails never; and the same files, under their own
// names, whatever state the photo library is in.
#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <set>
#include <strings.h>

#include "engine/CameraRollPlaces.h"
#include "engine/IphoneBackupFile.h"
#include "engine/MediaNames.h"
#include "export/RecoveryRun.h"
#include "tests/engine/EngineFixtures.h"
#include "tools/sample/CameraRollLibrary.h"
#include "tools/sample/SampleGenerator.h"
#include "tools/sample/SampleWriter.h"

namespace {

// A written tiny sample and its engine, scanned up to the manifest.
struct Written {
    explicit Written(SampleOptions::Layout layout = SampleOptions::Layout::New)
    {
        options.layout = layout;
        options.seed = 11;
        backup = BuildSampleBackup(options);
        QString error;
        ok = WriteSampleBackup(backup, root.path(), &dir, &error);
    }

    // Path of a stored file by its manifest name, or empty.
    QString StoredPath(const QString& manifestName) const
    {
        for (const SampleEntry& e : backup.entries) {
            if (e.manifestName() == manifestName) {
                const QString id = e.fileId();
                return options.layout == SampleOptions::Layout::New ? dir + "/" + id.left(2) + "/" + id : dir + "/" + id;
            }
        }
        return QString();
    }

    CameraInfoVec Scan()
    {
        CIphoneBackupFile engine;
        __BACK_FILE_INFO__ info;
        QByteArray folder = dir.toUtf8();
        CameraInfoVec camera, stream;
        if (engine.GetBackFileInfo(folder.data(), &info) != 0)
            return camera;
        engine.Init(&info);
        if (engine.Scan(QString()) != 0)
            return camera;
        engine.GetBackupCameraFile(camera, stream);
        return camera;
    }

    SampleOptions options;
    SampleBackup backup;
    QTemporaryDir root;
    QString dir;
    bool ok = false;
};

QString Line(const std::string& name, long long size, bool deleted)
{
    return QString::fromStdString(name) + "|" + QString::number(size) + (deleted ? "|deleted" : "");
}

QStringList ScannedLines(const CameraInfoVec& camera)
{
    QStringList lines;
    for (const _IPHONE_CAMERA_INFO_& c : camera)
        lines << Line(c.strFileName, c.nSize, c.nDeleted != 0);
    lines.sort();
    return lines;
}

// The camera roll the generator wrote, as shown with (or, `plain`, without) its library.
QStringList ExpectedLines(const SampleBackup& backup, bool plain)
{
    QStringList lines;
    for (const SampleMedia& m : backup.media) {
        if (m.kind != SampleMedia::CameraRoll)
            continue;
        QString name = m.displayName;
        if (plain) {
            name = m.manifestName.mid(m.manifestName.lastIndexOf('/') + 1);
            // Without the library an edit is named after its folder.
            if (m.manifestName.contains("/Mutations/")) {
                const QStringList parts = m.manifestName.split('/');
                name = parts[parts.size() - 3] + " (edited)" + name.mid(name.lastIndexOf('.'));
            }
        }
        lines << Line(name.toStdString(), m.size, m.deleted && !plain);
    }
    lines.sort();
    return lines;
}

const _IPHONE_CAMERA_INFO_* Named(const CameraInfoVec& camera, const std::string& name)
{
    for (const _IPHONE_CAMERA_INFO_& c : camera) {
        if (c.strFileName == name)
            return &c;
    }
    return nullptr;
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCameraRoll : public QObject {
    Q_OBJECT
private slots:
    void placesAndNames();
    void libraryNamesAndFlags_data();
    void libraryNamesAndFlags();
    void libraryMissingEmptyOrDamaged();
    void recoveryKeepsEveryPicture();
};

void TestCameraRoll::placesAndNames()
{
    const std::string cpl = "CameraRollDomain-Media/PhotoData/CPLAssets/";
    QCOMPARE(CameraRollPlaceOf("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG"), CameraRollPlace::Original);
    QCOMPARE(CameraRollPlaceOf(cpl + "group3/0A1B-2C.HEIC"), CameraRollPlace::Original);
    QCOMPARE(CameraRollPlaceOf("CameraRollDomain-Media/PhotoData/Mutations/DCIM/100APPLE/IMG_0001/Adjustments/"
                               "FullSizeRender.jpg"),
             CameraRollPlace::Edit);
    // Thumbnails, the library's bookkeeping and anything off the known shapes stay out.
    for (const std::string& name :
         {std::string("CameraRollDomain-Media/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_0024.PNG/5003.JPG"),
          std::string("CameraRollDomain-Media/PhotoData/Thumbnails/3304.ithmb"),
          std::string("CameraRollDomain-Media/DCIM/100APPLE/3305.ITHMB"), cpl + "group3/x.ithmb",
          cpl + "group3/deeper/x.JPG", cpl + "loose.JPG",
          std::string("CameraRollDomain-Media/PhotoData/Photos.sqlite"),
          std::string("CameraRollDomain-Media/PhotoData/Mutations/DCIM/100APPLE/IMG_0001/Adjustments/Adjustments.plist"),
          std::string("CameraRollDomain-Media/PhotoData/Mutations/DCIM/100APPLE/IMG_0001/FullSizeRender.jpg"),
          std::string("MediaDomain-Media/PhotoData/CPLAssets/group1/x.JPG")})
        QVERIFY2(CameraRollPlaceOf(name) == CameraRollPlace::None, name.c_str());

    QCOMPARE(CameraRollLibraryPath(cpl + "group3/A.HEIC"), std::string("Media/PhotoData/CPLAssets/group3/A.HEIC"));
    QCOMPARE(CameraRollStemKey("CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG"),
             std::string("Media/DCIM/100APPLE/IMG_0001"));
    QCOMPARE(CameraRollStemKey("CameraRollDomain-Media/PhotoData/Mutations/DCIM/100APPLE/IMG_0001/Adjustments/"
                               "FullSizeRender.mov"),
             std::string("Media/DCIM/100APPLE/IMG_0001"));

    // A remembered name is one safe component; none or blank keeps the stored name.
    QCOMPARE(CameraRollOriginalName("../a/b\\c.JPG", "U.JPG"), std::string("___a_b_c.JPG"));
    QCOMPARE(CameraRollOriginalName("line\nbreak", "U.HEIC"), std::string("line_break.HEIC"));
    QCOMPARE(CameraRollOriginalName("", "U.HEIC"), std::string("U.HEIC"));
    QCOMPARE(CameraRollOriginalName("  ", "U.HEIC"), std::string("U.HEIC"));
    const std::string longName = CameraRollOriginalName(std::string(400, 'a') + ".HEIC", "U.HEIC");
    QVERIFY(longName.size() <= kMediaNameMax);
    QVERIFY(QByteArray::fromStdString(longName).endsWith(".HEIC"));
    QCOMPARE(CameraRollEditedName("Beach.HEIC", "FullSizeRender.jpg"), std::string("Beach (edited).jpg"));

    // Equal names (case ignored) become distinct, never taking a name already listed.
    std::vector<std::string> names = {"a.JPG", "A.jpg", "a (2).JPG", "a.JPG", "b"};
    MakeCameraRollNamesUnique(names, {0, 1, 2, 3, 4});
    QCOMPARE(names, (std::vector<std::string>{"a.JPG", "A (3).jpg", "a (2).JPG", "a (4).JPG", "b"}));
    // Names at the length limit still come out different (and within it).
    std::vector<std::string> full(3, std::string(250, 'x') + ".JPG");
    full.push_back("y." + std::string(250, 'e'));
    full.push_back(full.back());
    MakeCameraRollNamesUnique(full, {0, 1, 2, 3, 4});
    QCOMPARE(std::set<std::string>(full.begin(), full.end()).size(), size_t(5));
    for (const std::string& name : full)
        QVERIFY(name.size() <= kMediaNameMax);
}

void TestCameraRoll::libraryNamesAndFlags_data()
{
    QTest::addColumn<int>("layout");
    QTest::newRow("ZASSET") << int(SampleOptions::Layout::New);
    QTest::newRow("ZGENERICASSET") << int(SampleOptions::Layout::Old);
}

void TestCameraRoll::libraryNamesAndFlags()
{
    QFETCH(int, layout);
    Written w{SampleOptions::Layout(layout)};
    QVERIFY(w.ok);
    const CameraInfoVec camera = w.Scan();
    QCOMPARE(ScannedLines(camera), ExpectedLines(w.backup, false));

    // CPLAssets originals under their original names; two of the same name stay two.
    const _IPHONE_CAMERA_INFO_* first = Named(camera, "IMG_1234.JPG");
    const _IPHONE_CAMERA_INFO_* second = Named(camera, "IMG_1234 (2).JPG");
    QVERIFY(first && second);
    QVERIFY(first->wstrFullPath != second->wstrFullPath);
    QVERIFY(Named(camera, "___Urlaub_Strand_Tag 1.JPG"));
    QVERIFY(Named(camera, "Sommerfest am See 1 🌅.JPG"));
    // The newest DCIM picture has no library row and keeps its own name.
    QVERIFY(Named(camera, "IMG_0005.PNG"));
    for (const _IPHONE_CAMERA_INFO_& c : camera) {
        const QString name = QString::fromStdString(c.strFileName);
        QVERIFY2(!name.contains(QRegularExpression("^[0-9A-F]{8}-")), qPrintable(name));  // no bare UUID
        QVERIFY2(!name.endsWith(".ithmb", Qt::CaseInsensitive) && name != "5003.JPG", qPrintable(name));
    }
    // Rows naming files the backup does not hold add nothing.
    QVERIFY(!Named(camera, "IMG_9990.JPG") && !Named(camera, "IMG_9991.JPG"));

    // Recently Deleted first (the DCIM and the CPLAssets picture), flagged; the rest by name.
    QVERIFY(camera.size() > 3);
    QCOMPARE(camera[0].nDeleted + camera[1].nDeleted, 2);
    QCOMPARE(QSet<std::string>({camera[0].strFileName, camera[1].strFileName}),
             QSet<std::string>({"IMG_0003.HEIC", "IMG_6002.HEIC"}));
    for (size_t i = 3; i < camera.size(); ++i) {
        QCOMPARE(camera[i].nDeleted, 0);
        QVERIFY(strcasecmp(camera[i - 1].strFileName.c_str(), camera[i].strFileName.c_str()) < 0);
    }

    // The edit sits beside its original.
    const _IPHONE_CAMERA_INFO_* edit = Named(camera, "IMG_0001 (edited).jpg");
    QVERIFY(edit);
    QCOMPARE((edit + 1)->strFileName, std::string("IMG_0001.JPG"));
}

void TestCameraRoll::libraryMissingEmptyOrDamaged()
{
    Written w;
    QVERIFY(w.ok);
    const QString library = w.StoredPath("CameraRollDomain-Media/PhotoData/Photos.sqlite");
    QVERIFY(QFile::exists(library));
    const QStringList plain = ExpectedLines(w.backup, true);

    // A library without our tables, a library whose columns hold the wrong types.
    QTemporaryDir scratch;
    const QString other = scratch.filePath("other.sqlite");
    {
        std::vector<SamplePhotoAsset> assets(1);
        assets[0].directory = "DCIM/100APPLE";
        assets[0].fileName = "IMG_0001.JPG";
        assets[0].originalName = "Renamed.JPG";
        QVERIFY(WritePhotosDatabase(other, assets, false, nullptr));
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "alter");
        db.setDatabaseName(other);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("ALTER TABLE ZASSET RENAME TO ZSOMETHING"));
        db.close();
    }
    const QByteArray unknownTables = ReadBytes(other);
    QByteArray truncated = ReadBytes(library);
    truncated.truncate(truncated.size() / 2);
    const QByteArray states[] = {QByteArray(), QByteArray(4096, '\x5a'), truncated, unknownTables};
    for (const QByteArray& bytes : states) {
        QVERIFY(EngineFixtures::WriteBytes(library, bytes));
        const CameraInfoVec camera = w.Scan();
        QCOMPARE(ScannedLines(camera), plain);
    }
    // No stored file at all.
    QVERIFY(QFile::remove(library));
    QCOMPARE(ScannedLines(w.Scan()), plain);
    // A link in the library's place is never followed.
    QVERIFY(QFile::link(other, library));
    QCOMPARE(ScannedLines(w.Scan()), plain);
}

void TestCameraRoll::recoveryKeepsEveryPicture()
{
    Written w;
    QVERIFY(w.ok);
    RecoverySelection sel;
    sel.vecCamera = w.Scan();
    QTemporaryDir out;
    const RecoveryOutcome outcome = RunRecovery(sel, out.path(), nullptr, RecoveryReportFn());
    QCOMPARE(outcome.nFailed, 0);
    QCOMPARE(outcome.nWritten, int(sel.vecCamera.size()));
    const QDir folder(out.path() + "/Camera Roll");
    QCOMPARE(int(folder.entryList(QDir::Files | QDir::Hidden).size()), int(sel.vecCamera.size()));
    // Each written file holds its own picture: both IMG_1234 and the edit's render.
    for (const SampleMedia& m : w.backup.media) {
        if (m.kind != SampleMedia::CameraRoll)
            continue;
        QCOMPARE(ReadBytes(folder.filePath(m.displayName)), ReadBytes(w.StoredPath(m.manifestName)));
    }
    QVERIFY(folder.exists("IMG_1234.JPG") && folder.exists("IMG_1234 (2).JPG"));
    QVERIFY(ReadBytes(folder.filePath("IMG_1234.JPG")) != ReadBytes(folder.filePath("IMG_1234 (2).JPG")));
    QVERIFY(folder.exists("IMG_0001 (edited).jpg") && folder.exists("IMG_0001.JPG"));
}

QTEST_GUILESS_MAIN(TestCameraRoll)
#include "tst_cameraroll.moc"
