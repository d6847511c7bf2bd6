// The engine's scan of the large sample: each media catalogue and the message
// reader alone, then the whole fetch sequence (manifest read and all nine
// fetches) in both layouts, each against its floor (bench/ScanFloor.h) measured
// in the same run.
#include <QElapsedTimer>
#include <QFileInfo>

#include <ctime>

#include "bench/Bench.h"
#include "bench/ScanFloor.h"
#include "engine/IphoneBackupFile.h"
#include "engine/IphoneRecoveryFactory.h"
#include "engine/ScanFetch.h"

namespace {

QString MissingBackup(const QString& backup)
{
    return QFileInfo::exists(backup) ? QString() : QStringLiteral("no sample at %1 (run the generate steps)").arg(backup);
}

bool SelectAndScan(CIphoneBackupFile& engine, const QString& backup, QString* note)
{
    __BACK_FILE_INFO__ info;
    QByteArray folder = backup.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0) {
        *note = QStringLiteral("not a backup: %1").arg(backup);
        return false;
    }
    engine.Init(&info);
    return engine.Scan(QString()) == 0;
}

// Times one catalogue after an untimed manifest read; the note carries its own time.
bool Catalogue(const QString& backup, const std::function<size_t(CIphoneBackupFile&)>& walk, QString* note)
{
    CIphoneBackupFile engine;
    if (!SelectAndScan(engine, backup, note))
        return false;
    QElapsedTimer timer;
    timer.start();
    const size_t found = walk(engine);
    *note = QStringLiteral("%1 files; walk alone %2 s").arg(found).arg(timer.nsecsElapsed() / 1e9, 0, 'f', 3);
    return found > 0;
}

double ProcessCpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

bool WholeScan(const QString& backup, QString* note, ScanFloorPlan* record = nullptr)
{
    CIphoneBackupFile engine;
    __BACK_FILE_INFO__ info;
    QByteArray folder = backup.toUtf8();
    if (engine.GetBackFileInfo(folder.data(), &info) != 0)
        return false;
    engine.Init(&info);
    std::unique_ptr<IPhoneRecoveryParse> parse(
        CIphoneRecoveryFactory::getInstance()->CreateRecoveryParse(&engine, RECOVERY_TYPE_LOCAL_BACKUP));
    SCAN_FETCH_DATA data;
    if (record)
        StartFloorRecording(record);
    // Wall and CPU time up to each fetch's turn, taken when the listener hears of its
    // first category (the fetches run on two threads: a turn ends when the fetch and
    // every one before it have finished).
    QElapsedTimer timer, whole;
    timer.start();
    whole.start();
    double cpu = ProcessCpuSeconds();
    const double cpuAtStart = cpu;
    QStringList walls, cpus;
    const int result = RunEngineScan(engine, parse.get(), QString(), data, [&](int category, unsigned long long) {
        if (category == CATEGORY_PHOTO_STREAM || category == CATEGORY_APP_VIDEOS)
            return;
        const double cpuNow = ProcessCpuSeconds();
        walls << QString::number(timer.nsecsElapsed() / 1e9, 'f', 2);
        cpus << QString::number(cpuNow - cpu, 'f', 2);
        cpu = cpuNow;
        timer.restart();
    });
    // Every scan of this process: a later scan of the same backup must be no slower.
    static QStringList s_scans;
    if (!record)
        s_scans << QStringLiteral("%1 (cpu %2)")
                       .arg(whole.nsecsElapsed() / 1e9, 0, 'f', 3)
                       .arg(ProcessCpuSeconds() - cpuAtStart, 0, 'f', 3);
    if (record) {
        StopFloorRecording();
        AddFloorFiles(engine, record);
    }
    QStringList counts;
    for (int c = 0; c < CATEGORY_COUNT; ++c)
        counts << QString::number(ScanCategoryCount(data, c));
    *note = QStringLiteral("%1 entries; counts %2; per turn (manifest+camera, messages, attachments, contacts, "
                           "calls, notes, apps, WhatsApp, WhatsApp files) wall s %3, cpu s %4; "
                           "scans in this process, wall s: %5")
                .arg(engine.m_vecManifest.size())
                .arg(counts.join(QLatin1Char('/')), walls.join(QLatin1Char('/')), cpus.join(QLatin1Char('/')),
                     s_scans.join(QStringLiteral(", ")));
    return result == 0;
}

// The floor of a whole scan, learnt from one untimed scan in the same child.
ScanFloorPlan& FloorPlan()
{
    static ScanFloorPlan plan;
    return plan;
}

bool PrepareFloor(const QString& backup, QString* note)
{
    FloorPlan() = ScanFloorPlan();
    return WholeScan(backup, note, &FloorPlan());
}

BenchRegistration cameraWalk({
    30, QStringLiteral("catalogue: camera roll + photo stream"), QStringLiteral("(part of scan)"),
    [](const BenchContext& c, QString* note) {
        return Catalogue(c.largeNewBackup, [](CIphoneBackupFile& e) {
            CameraInfoVec camera, stream;
            e.GetBackupCameraFile(camera, stream);
            return camera.size() + stream.size();
        }, note);
    },
    nullptr, [](const BenchContext& c) { return MissingBackup(c.largeNewBackup); }, 0, nullptr,
});

BenchRegistration attachmentWalk({
    31, QStringLiteral("catalogue: message attachments"), QStringLiteral("(part of scan)"),
    [](const BenchContext& c, QString* note) {
        return Catalogue(c.largeNewBackup, [](CIphoneBackupFile& e) {
            AttachmentVec out;
            e.GetBackupMsgAttachments(out);
            return out.size();
        }, note);
    },
    nullptr, [](const BenchContext& c) { return MissingBackup(c.largeNewBackup); }, 0, nullptr,
});

BenchRegistration messageRead({
    33, QStringLiteral("messages: read and group sms.db"), QStringLiteral("(part of scan)"),
    [](const BenchContext& c, QString* note) {
        return Catalogue(c.largeNewBackup, [](CIphoneBackupFile& e) {
            MessageMap out;
            e.GetBackupFileMessageInfo(out);
            size_t messages = 0;
            for (const auto& conversation : out)
                messages += conversation.second.size();
            return messages;
        }, note);
    },
    nullptr, [](const BenchContext& c) { return MissingBackup(c.largeNewBackup); }, 0, nullptr,
});

BenchRegistration appWalk({
    32, QStringLiteral("catalogue: app files + WhatsApp files"), QStringLiteral("(part of scan)"),
    [](const BenchContext& c, QString* note) {
        return Catalogue(c.largeNewBackup, [](CIphoneBackupFile& e) {
            AppFileInfoVec out;
            WhatsAppAttachmentVec whatsapp;
            e.GetAppFileInfo(out);
            e.GetWhatsAppAttachment(whatsapp);
            return out.size() + whatsapp.size();
        }, note);
    },
    nullptr, [](const BenchContext& c) { return MissingBackup(c.largeNewBackup); }, 0, nullptr,
});

BenchRegistration wholeScanNew({
    40, QStringLiteral("whole engine scan (Manifest.db)"), QStringLiteral("2.0s 1.5x 300MB"),
    [](const BenchContext& c, QString* note) { return WholeScan(c.largeNewBackup, note); },
    [](const BenchContext&, QString* note) { return StepScanFloor(FloorPlan(), note); },
    [](const BenchContext& c) { return MissingBackup(c.largeNewBackup); }, 0,
    [](const BenchContext& c, QString* note) { return PrepareFloor(c.largeNewBackup, note); },
});

BenchRegistration wholeScanOld({
    41, QStringLiteral("whole engine scan (Manifest.mbdb)"), QStringLiteral("2.0s 1.5x 300MB"),
    [](const BenchContext& c, QString* note) { return WholeScan(c.largeOldBackup, note); },
    [](const BenchContext&, QString* note) { return StepScanFloor(FloorPlan(), note); },
    [](const BenchContext& c) { return MissingBackup(c.largeOldBackup); }, 0,
    [](const BenchContext& c, QString* note) { return PrepareFloor(c.largeOldBackup, note); },
});

} // namespace
