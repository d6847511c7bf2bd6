#include "ExportRig.h"

#include <QDirIterator>
#include <QFileInfo>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/ExportScan.h"
#include "tools/sample/SampleGenerator.h"

bool ExportRig::Build(const SampleOptions& options, const QString& root, QString* error)
{
    if (!GenerateSampleBackup(options, root, &strBackup, error))
        return false;
    nScanResult = Rescan(nullptr, nullptr);
    std::vector<bool> all;
    QString unused;
    ParseExportCategories(QString(), &all, &unused);
    selection = SelectForExport(data, all);
    return true;
}

int ExportRig::Rescan(int (*progress)(void*, int), void* context, bool newEngine)
{
    if (newEngine || !engine)
        engine = std::make_unique<CIphoneBackupFile>();
    data = ExportScanData();
    __BACK_FILE_INFO__ info;
    QByteArray path = QFile::encodeName(strBackup);
    if (engine->GetBackFileInfo(path.data(), &info) != 0)
        return -1;
    engine->Init(&info);
    return ScanForExport(*engine, QString(), data, progress, context);
}

RecoveryOutcome ExportRig::Export(const QString& dest, const RecoveryReportFn& report, const std::atomic<bool>* stop)
{
    return RunRecovery(selection, dest, engine.get(), report, stop, QStringLiteral(QM_BIN_DIR));
}

namespace {
// One field per line; names and reasons never hold a line break of their own here,
// but escape them anyway so a hostile name cannot shift the fields.
QByteArray Line(const QString& text)
{
    return text.toUtf8().toPercentEncoding(" /()_-.,:") + '\n';
}
}

ChildOutcome ExportInChild(ExportRig& rig, const QString& dest, const std::function<void()>& limit)
{
    ChildOutcome result;
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        limit();
        const RecoveryOutcome o = rig.Export(dest);
        QByteArray out = Line(QString::number(o.nWritten)) + Line(QString::number(o.nFailed)) + Line(o.strStamp);
        for (const RecoveryFailure& f : o.vecFailures)
            out += Line(f.strName) + Line(f.strReason);
        for (qsizetype off = 0; off < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + off, size_t(out.size() - off));
            if (n <= 0)
                break;
            off += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        in.append(buf, int(n));
    ::close(fds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return result;
    QList<QByteArray> lines = in.split('\n');
    if (lines.size() < 4)
        return result;
    auto text = [&](int i) { return QString::fromUtf8(QByteArray::fromPercentEncoding(lines.at(i))); };
    result.outcome.nWritten = text(0).toInt();
    result.outcome.nFailed = text(1).toInt();
    result.outcome.strStamp = text(2);
    for (int i = 3; i + 1 < lines.size(); i += 2)
        result.outcome.vecFailures.push_back({text(i), text(i + 1)});
    result.ok = int(result.outcome.vecFailures.size()) == result.outcome.nFailed;
    return result;
}

QStringList StampFreeFiles(const QString& root, const QString& stamp)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString rel = QDir(root).relativeFilePath(it.next());
        if (!stamp.isEmpty())
            rel.replace(stamp, QStringLiteral("STAMP"));
        out << rel;
    }
    out.sort();
    return out;
}
