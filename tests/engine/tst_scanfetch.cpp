// The recovery factory, the local reader and the shared fetch sequence: order of
// the fetches, what the listener is told, and how a stop or a failed scan ends it.
#include <QTemporaryDir>
#include <QtTest>

#include "ScanFixtures.h"
#include "engine/ScanFetch.h"

namespace {

// Records the calls it gets; `stopAt` names the fetch that answers 1.
class FakeParse : public StubParse {
public:
    QStringList calls;
    QString stopAt;
    int scanResult = 0;

    int Fetch(const char* name)
    {
        calls << name;
        return stopAt == name ? 1 : 0;
    }
    int Scan(QString) override
    {
        calls << "Scan";
        return scanResult;
    }
    int GetIPhoneMessageInfo(MessageMap& out) override
    {
        out[7].resize(3);
        out[9].resize(1);
        return Fetch("messages");
    }
    int GetAttachmentsFilePath(AttachmentVec& out) override
    {
        out.resize(4);
        return Fetch("attachments");
    }
    int GetIPhonePersonContent(PersonContentVec& out) override
    {
        out.resize(5);
        return Fetch("contacts");
    }
    int GetIPhoneNotes(NotesVec&) override { return Fetch("notes"); }
    int GetIPhoneHistoryCallInfo(CallHistoryVec&) override { return Fetch("calls"); }
    int GetCameraFilePath(CameraInfoVec& camera, CameraInfoVec& stream) override
    {
        camera.resize(2);
        stream.resize(1);
        return Fetch("camera");
    }
    int GetWhatsAppAttachment(WhatsAppAttachmentVec&) override { return Fetch("whatsappFiles"); }
    int GetAppFilePath(AppFileInfoVec& out) override
    {
        for (const char* name : {"a.JPG", "b.mov", "c.mp3", "d.xyz"}) {
            _IPHONE_APP_FILE_INFO_ file;
            file.strAppName = "app";
            file.strFileName = name;
            out.push_back(file);
        }
        return Fetch("apps");
    }
    int GetWhatsappMessageInfo(WhatsAppMessageMap&) override { return Fetch("whatsapp"); }
};

struct Containers {
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
    SCAN_FETCH_TARGETS targets{camera, stream,    messages,      attachments,   contacts, calls,   notes,
                               apps,   appPhotos, appVideos,     appPhotoCount, appVideoCount, whatsapp,
                               whatsappFiles};
};

typedef QList<QPair<int, unsigned long long>> Told;

} // namespace

class TestScanFetch : public QObject {
    Q_OBJECT
private slots:
    void factoryAndLocalReader();
    void fetchOrderAndListener();
    void stopsAndScanResults();
    void categoryTable();
};

// Every program names the categories from one table: each row must answer for
// its own number, and no key, label or folder may name two categories.
void TestScanFetch::categoryTable()
{
    QSet<QString> keys, labels, folders;
    for (int c = 0; c < CATEGORY_COUNT; ++c) {
        const CATEGORY_INFO* info = CategoryInfo(c);
        QVERIFY(info);
        QCOMPARE(int(info->nCategory), c);
        QCOMPARE(CategoryOfKey(QString::fromLatin1(info->szKey)), c);
        keys << QString::fromLatin1(info->szKey);
        if (info->szMessageKey) {
            QCOMPARE(CategoryOfKey(QString::fromLatin1(info->szMessageKey)), c);
            QCOMPARE(int(info->kind), int(KIND_CONVERSATIONS));
            keys << QString::fromLatin1(info->szMessageKey);
        }
        labels << QString::fromLatin1(info->szLabel);
        folders << CategoryFolder(c);
        QVERIFY(!CategoryFolder(c).contains(QLatin1Char('/')));
    }
    QCOMPARE(keys.size(), CATEGORY_COUNT + 2);
    QCOMPARE(labels.size(), int(CATEGORY_COUNT));
    QCOMPARE(folders.size(), int(CATEGORY_COUNT));
    QVERIFY(!CategoryInfo(-1) && !CategoryInfo(CATEGORY_COUNT));
    QVERIFY(CategoryFolder(CATEGORY_COUNT).isEmpty());
    QCOMPARE(CategoryOfKey(QStringLiteral("Camera Roll")), -1);
    QCOMPARE(CategoryOfKey(QString()), -1);
}

void TestScanFetch::factoryAndLocalReader()
{
    CIphoneRecoveryFactory* factory = CIphoneRecoveryFactory::getInstance();
    QVERIFY(factory == CIphoneRecoveryFactory::getInstance());
    CIphoneBackupFile engine;
    QVERIFY(!factory->CreateRecoveryParse(&engine, RECOVERY_TYPE(0)));
    QVERIFY(!factory->CreateRecoveryParse(&engine, RECOVERY_TYPE(2)));

    std::unique_ptr<IPhoneRecoveryParse> parse(factory->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    QVERIFY(parse);
    bool flag = true;
    QCOMPARE(parse->IsEncrypt(flag), 0);
    QVERIFY(flag);
    flag = false;
    parse->IsEncrypt(flag);
    QVERIFY(!flag);
    char empty[] = "";
    QCOMPARE(parse->CheckPassword(empty), 1);

    // Scan reaches the given engine: a folder without a manifest answers 87.
    QTemporaryDir dir;
    __BACK_FILE_INFO__ info;
    info.strBackupPath = dir.path().toStdString();
    engine.Init(&info);
    QCOMPARE(parse->Scan(QString()), 87);
    QVERIFY(engine.m_vecManifest.empty());

    // A missing manifest still lets the fetches run (each finds nothing).
    Containers c;
    int scanned = 0;
    Told told;
    QCOMPARE(RunBackupScan(parse.get(), QString(), c.targets,
                           [&](int category, unsigned long long n) { told.append({category, n}); }, &scanned),
             0);
    QCOMPARE(scanned, 87);
    QCOMPARE(told.size(), 11);
}

void TestScanFetch::fetchOrderAndListener()
{
    FakeParse parse;
    Containers c;
    // Stale application maps from an earlier scan are replaced, not added to.
    c.appPhotos["old"].resize(9);
    c.appPhotoCount = 9;
    Told told;
    QCOMPARE(RunBackupScan(&parse, QString(), c.targets,
                           [&](int category, unsigned long long n) { told.append({category, n}); }),
             0);
    QCOMPARE(parse.calls, (QStringList{"Scan", "camera", "messages", "attachments", "contacts", "calls", "notes",
                                       "apps", "whatsapp", "whatsappFiles"}));
    const Told expected = {{CATEGORY_CAMERA_ROLL, 2},   {CATEGORY_PHOTO_STREAM, 1}, {CATEGORY_MESSAGE, 2},
                           {CATEGORY_MESSAGE_ATTACHMENTS, 4}, {CATEGORY_CONTACTS, 5}, {CATEGORY_CALL_HISTORY, 0},
                           {CATEGORY_NOTES, 0},         {CATEGORY_APP_PHOTOS, 2},   {CATEGORY_APP_VIDEOS, 2},
                           {CATEGORY_WHATSAPP, 0},      {CATEGORY_WHATSAPP_ATTACHMENTS, 0}};
    QCOMPARE(told, expected);
    QCOMPARE(c.appPhotos.size(), size_t(1));
    QCOMPARE(c.appPhotos["app"].size(), size_t(2));  // a.JPG and the unknown d.xyz
    QCOMPARE(c.appVideos["app"].size(), size_t(2));  // b.mov and c.mp3
    QCOMPARE(ScanCategoryCount(c.targets, CATEGORY_COUNT), 0ull);
    QCOMPARE(ScanCategoryCount(c.targets, -1), 0ull);
}

void TestScanFetch::stopsAndScanResults()
{
    // A stop at the contacts fetch: the earlier categories were told, the rest never fetched.
    FakeParse parse;
    parse.stopAt = "contacts";
    Containers c;
    Told told;
    QCOMPARE(RunBackupScan(&parse, QString(), c.targets,
                           [&](int category, unsigned long long n) { told.append({category, n}); }),
             1);
    QCOMPARE(parse.calls.last(), QString("contacts"));
    QCOMPARE(told.size(), 4);
    QCOMPARE(told.last().first, int(CATEGORY_MESSAGE_ATTACHMENTS));

    const QList<QPair<int, int>> scans = {{-110, -110}, {-1, 2}, {2, 2}};
    for (const auto& scan : scans) {
        FakeParse failing;
        failing.scanResult = scan.first;
        Containers d;
        QCOMPARE(RunBackupScan(&failing, QString(), d.targets, nullptr), scan.second);
        QCOMPARE(failing.calls, QStringList{"Scan"});
    }
    Containers e;
    QCOMPARE(RunBackupScan(nullptr, QString(), e.targets, nullptr), -1);
}

QTEST_GUILESS_MAIN(TestScanFetch)
#include "tst_scanfetch.moc"
