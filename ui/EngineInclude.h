// The window holds the backup engine by value. Until the engine's header is on
// main, a minimal stand-in keeps the window building; it finds no backups.
#pragma once

#if __has_include("engine/IphoneBackupFile.h")
#include "engine/IphoneBackupFile.h"
#else
#include <vector>

#include "engine/BackupRecords.h"

class CIphoneBackupFile {
public:
    long GetBackFileInfo(std::vector<__BACK_FILE_INFO__>& out)
    {
        out.clear();
        return 0;
    }
};
#endif
