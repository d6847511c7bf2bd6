// Everything that differs between the desktop platforms: the fixed folders,
// ownership of exported files, the administrator relaunch and opening
// things in the user's desktop session.
#pragma once

#include <sys/types.h>

#include <QString>
#include <QStringList>

namespace QmPlatform {

// Folder whose sub-folders are backups; ends in "/". QUILLMERE_BACKUP_ROOT overrides it.
QString BackupRootDir();
// Application-support folder; ends in "/". QUILLMERE_SUPPORT_DIR overrides it.
QString AppSupportDir();
// Working folder for decrypted files, inside the application-support folder; ends in "/".
QString WorkDir();

// Folder holding what is installed with the programs (template/, style.html),
// without a trailing "/": the running program's own folder when it holds them
// (the build folder), else <prefix>/share/quillmere of an installed layout.
QString ProgramDataDir();
// The decryptor "Quillmere": beside the running program, else in
// <prefix>/libexec/quillmere/ of an installed layout.
QString DecryptorProgram();

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

// The backup root exists but this process cannot list it (another user's
// folder): the one case where starting again with administrator rights helps.
bool BackupRootUnreadable();
// pkexec on PATH, or empty when there is none.
QString PkexecPath();
// Starts the program again through pkexec, detached, as
// "env DISPLAY=... XAUTHORITY=... WAYLAND_DISPLAY=... XDG_RUNTIME_DIR=...
// QUILLMERE_...=... <own executable> start". False with *error when pkexec is
// missing or cannot be started.
bool RelaunchThroughPkexec(QString* error);

// The home folder of the person at the desk: the invoking user's when run as
// root for one, else $HOME.
QString UserHomeDir();
// Folders whose sub-folders are listed as backups: the backup root, then a
// copied Mac home's "~/Library/Application Support/MobileSync/Backup/" when it
// exists. Each ends in "/", none twice.
QStringList BackupSearchFolders();

// Starts `program` (looked up on PATH) with `args` detached, in the user's
// session: as this process's user, or, when running as root for a user
// (PKEXEC_UID, SUDO_UID), as that user. Root without one starts nothing:
// a browser or file manager never runs as root. False when nothing started.
bool StartInUserSession(const QString& program, const QStringList& args);

} // namespace QmPlatform
