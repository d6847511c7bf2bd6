// The proof of one recovery: manifest-<stamp>.json in the destination, naming the
// backup, the program, the selection and every file the run wrote (relative path,
// size, SHA-256), so whoever receives the folder can check it is whole and unaltered.
#pragma once

#include <map>
#include <string>

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "engine/BackupRecords.h"
#include "export/RecoverySelection.h"
#include "support/WrittenFiles.h"

// The scan's category keys of the parts of `selection` that hold records.
QStringList SelectedCategoryKeys(const RecoverySelection& selection);

struct RecoveryManifestInput {
    __BACK_FILE_INFO__ backup;
    QString strBackupFolder;          // the backup's own folder
    const RecoverySelection* pSelection = nullptr;
    QString strStamp;                 // the run's stamp, yyyyMMddhhmmss
    // Absolute paths below the destination.
    const std::map<std::string, WrittenFile>* pWritten = nullptr;
    // Files not written because an identical copy was already in place.
    const std::map<std::string, WrittenFile>* pKept = nullptr;
};

// The manifest's JSON object; paths relative to `destination`.
QJsonObject RecoveryManifestJson(const RecoveryManifestInput& input, const QString& destination);

// Writes manifest-<stamp>.json into `destination` under a free name (an existing
// manifest is never replaced). Returns the absolute path, or empty with *error.
QString WriteRecoveryManifest(const RecoveryManifestInput& input, const QString& destination, QString* error);
