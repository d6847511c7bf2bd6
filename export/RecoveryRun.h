// The recovery run shared by the window and the command line: copies the selected
// media out of the backup and writes the reports, into one output tree, reporting every
// item as it goes.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include <QString>

#include "export/RecoverySelection.h"

class CIphoneBackupFile;

// fine and coarse progress (percent = fine / 100 + coarse, capped at 100; coarse 1000
// marks the last report), failure flag (0 written, 1 failed) and the item's name (empty
// for a mere progress step).
using RecoveryReportFn = std::function<void(int fine, int coarse, int failed, const QString& name)>;

struct RecoveryFailure {
    QString strName;
    QString strReason;
};

struct RecoveryOutcome {
    int nWritten = 0;   // files and reports written
    int nFailed = 0;    // items that could not be written
    int nSkipped = 0;   // media not copied because an identical copy was in place
    std::vector<RecoveryFailure> vecFailures;
    QString strStamp;   // run stamp used in the folder and report names
    QString strManifestPath;   // absolute path of the manifest written, empty if none
};

// Exports `selection` into `saveDir`. A media file that cannot be copied is reported
// failed and the run goes on; a step report carries the failure flag when any of its
// files could not be written. Once *stop is set no further report is made, but the run
// still completes its work (a half-written export would be worse than a late one).
// `templateRoot` is the folder holding "template/" (empty: the application's folder).
RecoveryOutcome RunRecovery(const RecoverySelection& selection, const QString& saveDir, CIphoneBackupFile* engine,
                            const RecoveryReportFn& report, const std::atomic<bool>* stop = nullptr,
                            const QString& templateRoot = QString());
