// The scan behind `quillmere-cli scan` and `export`: the backup's manifest and every
// category, fetched through the engine's shared fetch sequence.
#pragma once

#include <QJsonObject>
#include <QString>

#include "cli/ExportSelection.h"

class CIphoneBackupFile;

// Scans the selected backup of `engine` (reading its files from `scanFolder` when that
// is not empty, as for a decrypted backup) and fills `data` in the window's fetch
// order. `progress` gets the percent and returns 0. Returns the fetch sequence's
// result: 0, or non-zero when the backup could not be read at all. `scanResult`, when
// given, receives the manifest read's own result (87: missing or damaged).
int ScanForExport(CIphoneBackupFile& engine, const QString& scanFolder, ExportScanData& data,
                  int (*progress)(void*, int), void* context, int* scanResult = nullptr);

// True when the manifest read found nothing in a manifest that is there: it cannot
// be opened (a FIFO or link in its place, not a database), so the backup cannot be
// read, which is not the same as an empty one.
bool ManifestUnreadable(const CIphoneBackupFile& engine, int scanResult);

// One count per category (keys as in the scan JSON: "camera_roll", "photo_stream",
// "app_photos", ...), in the window's order.
QJsonObject ScanCategoryCounts(const ExportScanData& data);

// The category keys of ScanCategoryCounts in the window's order, for text output.
const QStringList& ScanCategoryKeys();
