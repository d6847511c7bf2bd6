// Backup folders the user chose with Select, kept between runs (QSettings of
// organisation and application "Quillmere", key "backupFolders").
#pragma once

#include <QString>
#include <QStringList>

namespace RememberedFolders {

constexpr int kMaxFolders = 10;

// The folders chosen before, newest first. Folders that no longer exist are
// dropped, also from the settings.
QStringList Load();

// Puts `folder` first (once), keeps the newest kMaxFolders.
void Remember(const QString& folder);

} // namespace RememberedFolders
