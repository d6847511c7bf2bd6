// Where the window finds backups beyond the backup root: a folder that is one
// backup, or a folder holding several (a copied MobileSync folder, an
// idevicebackup2 target whose backups are <dir>/<UDID>/).
#pragma once

#include <QString>
#include <QStringList>

#include "engine/BackupRecords.h"

class CIphoneBackupFile;

// The backups in `folder`: the folder itself when it holds one, otherwise its
// sub-folders that do, by name. Described through the engine's discovery.
BackFileInfoVec ListBackupsIn(CIphoneBackupFile& engine, const QString& folder);

// Every backup of `folders`, in that order, each backup once (the same folder
// reached through two paths included).
BackFileInfoVec ListBackupsInAll(CIphoneBackupFile& engine, const QStringList& folders);
