// Export of the large sample: every conversation as text + HTML (messages per second),
// and every media file copied out, against `cp` of the same files.
#include <algorithm>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include "bench/Bench.h"
#include "cli/ExportSelection.h"
#include "engine/IphoneBackupFile.h"
#include "export/RecoveryRun.h"

namespace {

// The scan, once per child process: the first repeat pays for it, the median does not.
struct ScannedSample {
    bool ok = false;
    CIphoneBackupFile engine;
    ExportScanData data;
    QStringList mediaSources;
    qint64 mediaBytes = 0;
    long long messages = 0;
};

template <typename Vec>
void AddSources(const Vec& items, ScannedSample& s)
{
    for (const auto& item : items) {
        s.mediaSources << QString::fromStdWString(item.wstrFullPath);
        s.mediaBytes += QFileInfo(s.mediaSources.last()).size();
    }
}

ScannedSample& Sample(const BenchContext& c)
{
    static ScannedSample* s = nullptr;
    if (s)
        return *s;
    s = new ScannedSample;
    // Output of earlier bench runs goes first.
    QDir(c.workDir + QStringLiteral("/export")).removeRecursively();
    __BACK_FILE_INFO__ info;
    std::string narrow = c.largeNewBackup.toStdString();
    std::vector<char> path(narrow.begin(), narrow.end());
    path.push_back('\0');
    if (s->engine.GetBackFileInfo(path.data(), &info) != 0)
        return *s;
    s->engine.Init(&info);
    s->engine.Scan(QString());
    ExportScanData& d = s->data;
    s->engine.GetBackupCameraFile(d.vecCamera, d.vecPhotoStream);
    s->engine.GetBackupFileMessageInfo(d.mapMessage);
    s->engine.GetBackupMsgAttachments(d.vecAttachments);
    s->engine.GetAppFileInfo(d.vecAppFile);
    s->engine.GetWhatsAppAttachment(d.vecWhatsappAttach);
    // Photos or videos makes no difference to a copy: all app files go in one map.
    for (const _IPHONE_APP_FILE_INFO_& f : d.vecAppFile)
        d.mapAppPhotos[f.strAppName].push_back(f);
    for (const auto& conversation : d.mapMessage)
        s->messages += static_cast<long long>(conversation.second.size());
    AddSources(d.vecCamera, *s);
    AddSources(d.vecPhotoStream, *s);
    AddSources(d.vecAppFile, *s);
    AddSources(d.vecAttachments, *s);
    AddSources(d.vecWhatsappAttach, *s);
    s->ok = true;
    return *s;
}

// Each repeat writes into a folder of its own; removing the last one would be timed too.
QString FreshFolder(const BenchContext& c, const char* what)
{
    static int n = 0;
    const QString dir = QStringLiteral("%1/export/%2-%3-%4").arg(c.workDir, QLatin1String(what)).arg(::getpid()).arg(++n);
    QDir().mkpath(dir);
    return dir;
}

QString MissingSample(const BenchContext& c)
{
    return QFileInfo::exists(c.largeNewBackup) ? QString() : QStringLiteral("no large sample (run the generate step)");
}

bool ExportConversations(const BenchContext& c, QString* note)
{
    ScannedSample& s = Sample(c);
    if (!s.ok || s.data.mapMessage.empty()) {
        *note = QStringLiteral("no conversations in the sample");
        return false;
    }
    std::vector<bool> wanted(11, false);
    wanted[4] = true;
    const RecoverySelection selection = SelectForExport(s.data, wanted);
    const QString dest = FreshFolder(c, "conversations");
    QElapsedTimer t;
    t.start();
    const RecoveryOutcome o = RunRecovery(selection, dest, &s.engine, RecoveryReportFn());
    const double seconds = t.nsecsElapsed() / 1e9;
    static std::vector<double> rates;
    rates.push_back(s.messages / seconds);
    std::vector<double> sorted = rates;
    std::sort(sorted.begin(), sorted.end());
    *note = QStringLiteral("%1 messages in %2 conversations; export alone: median %3 messages/s (target >= 100000)")
                .arg(s.messages)
                .arg(s.data.mapMessage.size())
                .arg(qRound64(sorted[sorted.size() / 2]));
    return o.nFailed == 0;
}

bool CopyMedia(const BenchContext& c, QString* note)
{
    ScannedSample& s = Sample(c);
    if (!s.ok || s.mediaSources.isEmpty()) {
        *note = QStringLiteral("no media in the sample");
        return false;
    }
    std::vector<bool> wanted(11, false);
    for (int category : {0, 1, 2, 5, 10})
        wanted[category] = true;
    const RecoverySelection selection = SelectForExport(s.data, wanted);
    const RecoveryOutcome o = RunRecovery(selection, FreshFolder(c, "media"), &s.engine, RecoveryReportFn());
    *note = QStringLiteral("%1 files, %2 MB").arg(s.mediaSources.size()).arg(s.mediaBytes / 1048576.0, 0, 'f', 1);
    return o.nFailed == 0 && o.nWritten == s.mediaSources.size();
}

// The same files with cp, batched by xargs as a shell user would copy them.
bool CopyMediaWithCp(const BenchContext& c, QString* note)
{
    ScannedSample& s = Sample(c);
    QByteArray list;
    for (const QString& source : s.mediaSources)
        list += source.toUtf8() + '\0';
    struct rusage before;
    getrusage(RUSAGE_CHILDREN, &before);
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("xargs -0 cp -t \"$1\""), QStringLiteral("sh"),
                                   FreshFolder(c, "cp")});
    if (!p.waitForStarted())
        return false;
    p.write(list);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    // The bench's CPU column counts only its own process; cp's is said here.
    struct rusage after;
    getrusage(RUSAGE_CHILDREN, &after);
    const auto seconds = [](const struct rusage& u) {
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    *note = QStringLiteral("cp, %1 s CPU").arg(seconds(after) - seconds(before), 0, 'f', 2);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The whole export of every category, with and without the manifest that hashes each
// file as it is written.
bool ExportAll(const BenchContext& c, bool manifest, QString* note)
{
    ScannedSample& s = Sample(c);
    if (!s.ok) {
        *note = QStringLiteral("the sample could not be scanned");
        return false;
    }
    std::vector<bool> wanted(11, false);
    for (int category : {0, 1, 2, 4, 5, 10})
        wanted[category] = true;
    RecoverySelection selection = SelectForExport(s.data, wanted);
    selection.bManifest = manifest;
    const RecoveryOutcome o = RunRecovery(selection, FreshFolder(c, manifest ? "proof" : "plain"), &s.engine, RecoveryReportFn());
    *note = QStringLiteral("%1 files written, %2 MB of media").arg(o.nWritten).arg(s.mediaBytes / 1048576.0, 0, 'f', 1);
    return o.nFailed == 0 && manifest == !o.strManifestPath.isEmpty();
}

BenchRegistration exportConversations({
    60, QStringLiteral("export all conversations (text + HTML)"), QStringLiteral(">= 1e5 msg/s"),
    ExportConversations, nullptr, MissingSample, 0, nullptr,
});

BenchRegistration exportMedia({
    61, QStringLiteral("export media copy (ratio: time / cp)"), QStringLiteral("<= 1.25"),
    CopyMedia, CopyMediaWithCp, MissingSample, 0, nullptr,
});

BenchRegistration exportWithManifest({
    62, QStringLiteral("export with its manifest (ratio: time / without)"), QStringLiteral("<= 1.15"),
    [](const BenchContext& c, QString* note) { return ExportAll(c, true, note); },
    [](const BenchContext& c, QString* note) { return ExportAll(c, false, note); }, MissingSample, 0, nullptr,
});

} // namespace
