// Generating the large sample and reading both manifest layouts.
#include <QDir>
#include <QFileInfo>

#include "bench/Bench.h"
#include "engine/ManifestReader.h"
#include "support/TextEncoding.h"
#include "tools/sample/SampleGenerator.h"

namespace {

bool Generate(const QString& backup, SampleOptions::Layout layout, QString* note)
{
    // Regenerating: the old copy is the bench's own.
    if (QFileInfo::exists(backup))
        QDir(backup).removeRecursively();
    SampleOptions options;
    options.layout = layout;
    options.scale = SampleOptions::Scale::Large;
    options.seed = 1;
    QString written;
    if (!GenerateSampleBackup(options, QFileInfo(backup).absolutePath(), &written, note))
        return false;
    if (written != backup) {
        *note = QStringLiteral("wrote %1, expected %2").arg(written, backup);
        return false;
    }
    return true;
}

QString Reuse(const QString& backup, const BenchContext& context)
{
    if (!context.regenerate && QFileInfo::exists(backup))
        return QStringLiteral("reused %1 (--regenerate to time it)").arg(backup);
    return QString();
}

bool ReadManifest(const QString& path, bool database, QString* note)
{
    std::vector<__MBDB_FILE__> entries;
    std::wstring wide = WideFromQString(path);
    const int result = database ? process_db_file(wide.data(), entries) : process_mbdb_file(wide.data(), entries);
    *note = QStringLiteral("%1 entries").arg(entries.size());
    return result == 0 && !entries.empty();
}

BenchRegistration generateNew({
    10, QStringLiteral("generate large sample (Manifest.db)"), QStringLiteral("<= 60 s"),
    [](const BenchContext& c, QString* note) { return Generate(c.largeNewBackup, SampleOptions::Layout::New, note); },
    nullptr,
    [](const BenchContext& c) { return Reuse(c.largeNewBackup, c); },
    1, nullptr,
});

BenchRegistration generateOld({
    11, QStringLiteral("generate large sample (Manifest.mbdb)"), QStringLiteral("<= 60 s"),
    [](const BenchContext& c, QString* note) { return Generate(c.largeOldBackup, SampleOptions::Layout::Old, note); },
    nullptr,
    [](const BenchContext& c) { return Reuse(c.largeOldBackup, c); },
    1, nullptr,
});

BenchRegistration readDb({
    20, QStringLiteral("read large Manifest.db"), QStringLiteral("<= 0.4 s"),
    [](const BenchContext& c, QString* note) {
        return ReadManifest(c.largeNewBackup + QStringLiteral("/Manifest.db"), true, note);
    },
    nullptr, nullptr, 0, nullptr,
});

BenchRegistration readMbdb({
    21, QStringLiteral("read large Manifest.mbdb"), QStringLiteral("<= 0.4 s"),
    [](const BenchContext& c, QString* note) {
        return ReadManifest(c.largeOldBackup + QStringLiteral("/Manifest.mbdb"), false, note);
    },
    nullptr, nullptr, 0, nullptr,
});

} // namespace
