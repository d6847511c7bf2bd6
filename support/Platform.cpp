#include "support/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "support/ExportTree.h"

namespace QmPlatform {

namespace {

// chmod without following a final link.
void setFolderMode(const QByteArray& path, mode_t mode)
{
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (fchmod(fd, mode) != 0) {
        // Left as it is; the folder is usable either way.
    }
    close(fd);
}

QString withSlash(QString p)
{
    if (!p.endsWith('/'))
        p += '/';
    return p;
}

QString envOr(const char* name, const char* fallback)
{
    QByteArray v = qgetenv(name);
    return withSlash(v.isEmpty() ? QString::fromUtf8(fallback) : QString::fromUtf8(v));
}

// mkdir -p for private folders: the folders it creates and the last one get `mode`. An
// existing link is followed (an administrator may have moved the folder), but no mode
// is ever set through one.
bool makePrivateDirs(const QString& path, mode_t mode)
{
    QString clean = QDir::cleanPath(path);
    if (clean.isEmpty())
        return false;
    QStringList parts = clean.split('/');
    QString cur = clean.startsWith('/') ? QString("/") : QString();
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        cur += part;
        QByteArray c = QFile::encodeName(cur);
        struct stat st;
        if (lstat(c.constData(), &st) != 0) {
            if (mkdir(c.constData(), mode) != 0 && errno != EEXIST)
                return false;
            setFolderMode(c, mode);
        } else if (!S_ISDIR(st.st_mode) && !QFileInfo(cur).isDir()) {
            return false;
        }
        cur += '/';
    }
    setFolderMode(QFile::encodeName(clean), mode);
    return QFileInfo(clean).isDir();
}

} // namespace

QString BackupRootDir()
{
    return envOr("QUILLMERE_BACKUP_ROOT", "/Library/Application Support/MobileSync/Backup/");
}

QString AppSupportDir()
{
    const QByteArray chosen = qgetenv("QUILLMERE_SUPPORT_DIR");
    if (!chosen.isEmpty())
        return withSlash(QString::fromUtf8(chosen));
    const QString shared = QStringLiteral("/Library/Application Support/Quillmere/");
    if (geteuid() == 0)
        return shared;
    // A user cannot create the system-wide folder: decrypted backups then go
    // to his own private data folder, unless the shared one is open to him.
    const QByteArray s = QFile::encodeName(shared);
    if (faccessat(AT_FDCWD, s.constData(), R_OK | W_OK | X_OK, AT_EACCESS) == 0)
        return shared;
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QString base = data.startsWith('/') ? QString::fromUtf8(data) : QDir::homePath() + "/.local/share";
    return withSlash(base + "/Quillmere");
}

QString WorkDir()
{
    return AppSupportDir() + "QuillmereBackupPath/";
}

QString ProgramDataDir()
{
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own + "/template").isDir() || QFileInfo(own + "/style.html").isFile())
        return own;
    const QString installed = QDir::cleanPath(own + "/../share/quillmere");
    if (QFileInfo(installed).isDir())
        return installed;
    return own;
}

QString DecryptorProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + "/Quillmere";
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../libexec/quillmere/Quillmere");
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

bool MakePrivateDir(const QString& path)
{
    return makePrivateDirs(path, 0700);
}

bool MakeExportDir(const QString& path)
{
    const int fd = OpenExportFolder(QFile::encodeName(path).toStdString(), true);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

void SetExportFileMode(const QString& file)
{
    // Through a descriptor of the file itself: a link put in its place is not followed.
    const int fd = open(QFile::encodeName(file).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        SetExportOwnership(fd, 0644);
    close(fd);
}

bool InvokingUser(uid_t* uid, gid_t* gid)
{
    if (geteuid() != 0)
        return false;
    QByteArray v = qgetenv("PKEXEC_UID");
    if (v.isEmpty())
        v = qgetenv("SUDO_UID");
    if (v.isEmpty())
        return false;
    bool ok = false;
    unsigned long n = v.toULong(&ok);
    if (!ok || n == 0)
        return false;
    uid_t u = static_cast<uid_t>(n);
    gid_t g = static_cast<gid_t>(n);
    QByteArray sg = qgetenv("SUDO_GID");
    if (!sg.isEmpty() && qgetenv("PKEXEC_UID").isEmpty()) {
        unsigned long gn = sg.toULong(&ok);
        if (ok)
            g = static_cast<gid_t>(gn);
    } else if (struct passwd* pw = getpwuid(u)) {
        g = pw->pw_gid;
    }
    if (uid)
        *uid = u;
    if (gid)
        *gid = g;
    return true;
}

bool BackupRootUnreadable()
{
    const QByteArray root = QFile::encodeName(QDir::cleanPath(BackupRootDir()));
    struct stat st;
    if (stat(root.constData(), &st) != 0)
        return errno == EACCES; // a folder on the way is closed: it may well exist
    if (!S_ISDIR(st.st_mode))
        return false;
    // Listing a folder needs read and search rights, judged for the effective user.
    return faccessat(AT_FDCWD, root.constData(), R_OK | X_OK, AT_EACCESS) != 0;
}

QString UserHomeDir()
{
    uid_t uid;
    if (InvokingUser(&uid, nullptr)) {
        if (struct passwd* pw = getpwuid(uid)) {
            if (pw->pw_dir && *pw->pw_dir)
                return QFile::decodeName(pw->pw_dir);
        }
    }
    return QDir::homePath();
}

QStringList BackupSearchFolders()
{
    QStringList folders{BackupRootDir()};
    const QString macHome = withSlash(UserHomeDir() + "/Library/Application Support/MobileSync/Backup");
    const QFileInfo mac(macHome);
    if (mac.isDir() && mac.canonicalFilePath() != QFileInfo(folders.first()).canonicalFilePath())
        folders << macHome;
    return folders;
}

} // namespace QmPlatform
