#include "support/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace QmPlatform {

namespace {

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

// mkdir -p giving every folder it creates (and the last one) the given mode.
bool makeDirs(const QString& path, mode_t mode, bool giveToUser)
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
            chmod(c.constData(), mode);
            if (giveToUser) {
                uid_t uid;
                gid_t gid;
                if (InvokingUser(&uid, &gid) && chown(c.constData(), uid, gid) != 0) {
                    // Ownership is a courtesy; the folder is usable either way.
                }
            }
        } else if (!S_ISDIR(st.st_mode)) {
            // A symbolic link to a folder is followed only when it already existed.
            if (!QFileInfo(cur).isDir())
                return false;
        }
        cur += '/';
    }
    QByteArray last = QFile::encodeName(clean);
    chmod(last.constData(), mode);
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
    return makeDirs(path, 0700, false);
}

bool MakeExportDir(const QString& path)
{
    return makeDirs(path, 0755, true);
}

void SetExportFileMode(const QString& file)
{
    QByteArray f = QFile::encodeName(file);
    chmod(f.constData(), 0644);
    uid_t uid;
    gid_t gid;
    if (InvokingUser(&uid, &gid) && lchown(f.constData(), uid, gid) != 0) {
        // Left to root: the file is still readable (0644).
    }
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
