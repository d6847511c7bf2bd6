// The scan behind `quillmere-cli export`: the backup's manifest and every category.
#pragma once

#include <QString>

#include "cli/ExportSelection.h"

class CIphoneBackupFile;

// Scans the selected backup of `engine` (reading its files from `scanFolder` when that
// is not empty, as for a decrypted backup) and fills `data` in the window's fetch
// order. `progress` gets the percent and returns 0. Returns the scan's result: 0, or
// non-zero when the backup could not be read at all.
int ScanForExport(CIphoneBackupFile& engine, const QString& scanFolder, ExportScanData& data,
                  int (*progress)(void*, int), void* context);
