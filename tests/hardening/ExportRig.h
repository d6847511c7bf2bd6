// A scanned sample backup and a full selection of it, for the tests that export
// under faults and stops; and a way to run an export in a child process whose
// limits (file size, user) the test sets.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "cli/ExportSelection.h"
#include "engine/IphoneBackupFile.h"
#include "export/RecoveryRun.h"
#include "tools/sample/SampleOptions.h"

struct ExportRig {
    QString strBackup;  // the backup folder
    std::unique_ptr<CIphoneBackupFile> engine;
    ExportScanData data;
    RecoverySelection selection;
    int nScanResult = -1;

    // Writes the sample under `root` and scans it; false with *error on failure.
    bool Build(const SampleOptions& options, const QString& root, QString* error);
    // Rescans the same backup into fresh containers with this progress callback,
    // with a new engine or the one that scanned before (as the window keeps it).
    int Rescan(int (*progress)(void*, int), void* context, bool newEngine = true);
    RecoveryOutcome Export(const QString& dest, const RecoveryReportFn& report = RecoveryReportFn(),
                           const std::atomic<bool>* stop = nullptr);
};

// What a child process's export came to. `ok` is false when the child crashed or
// did not report.
struct ChildOutcome {
    bool ok = false;
    RecoveryOutcome outcome;
};

// Forks; the child runs `limit` (setrlimit, setuid ...), exports `rig`'s selection
// into `dest` and reports the outcome back through a pipe.
ChildOutcome ExportInChild(ExportRig& rig, const QString& dest, const std::function<void()>& limit);

// Regular files under `root`, relative, with the run stamp `stamp` (when given)
// written as "STAMP", so two runs' trees compare.
QStringList StampFreeFiles(const QString& root, const QString& stamp);
