#include "support/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
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
    return envOr("QUILLMERE_SUPPORT_DIR", "/Library/Application Support/Quillmere/");
}

QString WorkDir()
{
    return AppSupportDir() + "QuillmereBackupPath/";
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

int RelaunchAsAdministrator(int argc, char** argv)
{
    QString self;
    if (QCoreApplication::instance())
        self = QCoreApplication::applicationFilePath();
    if (self.isEmpty()) {
        self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        if (self.isEmpty() && argc > 0 && argv && argv[0])
            self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath();
    }
    QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty() || self.isEmpty())
        return 0; // nothing to elevate with: end quietly, as on a refusal

    // pkexec clears the environment: carry the display and our own settings across.
    QStringList args;
    args << QStringLiteral("env");
    const char* keep[] = {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR",
                          "QUILLMERE_BACKUP_ROOT", "QUILLMERE_SUPPORT_DIR"};
    for (const char* name : keep) {
        QByteArray v = qgetenv(name);
        if (!v.isEmpty())
            args << QString::fromLatin1(name) + '=' + QString::fromLocal8Bit(v);
    }
    args << self << QStringLiteral("start");
    QProcess::startDetached(pkexec, args);
    return 0;
}

} // namespace QmPlatform
