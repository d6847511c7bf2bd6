// Everything that differs between the desktop platforms: the fixed folders,
// ownership of exported files, and the administrator relaunch.
#pragma once

#include <sys/types.h>

#include <QString>

namespace QmPlatform {

// Folder whose sub-folders are backups; ends in "/". QUILLMERE_BACKUP_ROOT overrides it.
QString BackupRootDir();
// Application-support folder; ends in "/". QUILLMERE_SUPPORT_DIR overrides it.
QString AppSupportDir();
// Working folder for decrypted files, inside the application-support folder; ends in "/".
QString WorkDir();

// mkdir -p; the folders created and the last one get mode 0700 (never through a link).
bool MakePrivateDir(const QString& path);
// mkdir -p for export output (see ExportTree.h): folders it makes get 0755 and go to the
// invoking user when run as root for one; existing folders keep their mode, and a link
// below the export destination is refused (errno ELOOP).
bool MakeExportDir(const QString& path);
// 0644, given to the invoking user when run as root for one.
void SetExportFileMode(const QString& file);
// The user who asked for a root run (PKEXEC_UID or SUDO_UID); false when not root or unknown.
bool InvokingUser(uid_t* uid, gid_t* gid);

// Starts the program again with administrator rights and the argument "start".
// Returns the exit code the caller should end with (0 also on refusal or when
// no way to elevate exists).
int RelaunchAsAdministrator(int argc, char** argv);

} // namespace QmPlatform
