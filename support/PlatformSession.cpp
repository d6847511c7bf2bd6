// The platform unit's dealings with the desktop session: starting the program
// again through pkexec, and starting helpers (xdg-open) as the user at the desk
// even when the window runs as root.
#include "support/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace QmPlatform {

namespace {

QString OwnExecutable()
{
    QString self;
    if (QCoreApplication::instance())
        self = QCoreApplication::applicationFilePath();
    if (self.isEmpty())
        self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return self;
}

// A null-terminated array of C strings over `store`.
std::vector<char*> CStrings(std::vector<QByteArray>& store)
{
    std::vector<char*> out;
    out.reserve(store.size() + 1);
    for (QByteArray& s : store)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Forks `program` as uid/gid, detached (double fork, own session, standard
// streams on /dev/null). Everything the child needs is prepared before the
// fork: the parent has threads, so the child makes only async-signal-safe calls.
bool StartDetachedAs(uid_t uid, gid_t gid, const QString& program, const QStringList& args)
{
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    const QByteArray name(pw.pw_name);
    const QByteArray home(pw.pw_dir ? pw.pw_dir : "/");

    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(name.constData(), gid, groups.data(), &count) < 0) {
        if (count <= 0 || count > 65536)
            return false;
        groups.resize(size_t(count));
        if (getgrouplist(name.constData(), gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(size_t(count));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* root : {"PKEXEC_UID", "SUDO_UID", "SUDO_GID", "SUDO_USER", "SUDO_COMMAND", "MAIL"})
        env.remove(QString::fromLatin1(root));
    env.insert(QStringLiteral("HOME"), QFile::decodeName(home));
    env.insert(QStringLiteral("USER"), QFile::decodeName(name));
    env.insert(QStringLiteral("LOGNAME"), QFile::decodeName(name));
    const QString runtime = QStringLiteral("/run/user/%1").arg(uid);
    if (!env.contains(QStringLiteral("XDG_RUNTIME_DIR")) && QFileInfo(runtime).isDir())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

    std::vector<QByteArray> argStore{QFile::encodeName(program)};
    for (const QString& a : args)
        argStore.push_back(a.toUtf8());
    std::vector<QByteArray> envStore;
    for (const QString& e : env.toStringList())
        envStore.push_back(e.toUtf8());
    std::vector<char*> argv = CStrings(argStore);
    std::vector<char*> envp = CStrings(envStore);

    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        if (setsid() < 0)
            _exit(1);
        const pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 1 : 0);
        if (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(1);
        // The drop must be for good.
        if (setuid(0) == 0 || geteuid() != uid)
            _exit(1);
        if (chdir(home.constData()) != 0 && chdir("/") != 0)
            _exit(1);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        closefrom(3);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

QString PkexecPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("pkexec"));
}

bool RelaunchThroughPkexec(QString* error)
{
    const QString pkexec = PkexecPath();
    const QString self = OwnExecutable();
    if (pkexec.isEmpty()) {
        if (error)
            *error = QStringLiteral("pkexec was not found");
        return false;
    }
    if (self.isEmpty()) {
        if (error)
            *error = QStringLiteral("the program's own path is unknown");
        return false;
    }

    // pkexec clears the environment: carry the display and our own settings across.
    QStringList args{QStringLiteral("env")};
    const char* keep[] = {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR",
                          "QUILLMERE_BACKUP_ROOT", "QUILLMERE_SUPPORT_DIR"};
    for (const char* name : keep) {
        QByteArray v = qgetenv(name);
        // Without XAUTHORITY, X clients read ~/.Xauthority, which root's home lacks.
        if (v.isEmpty() && qstrcmp(name, "XAUTHORITY") == 0 && !qgetenv("DISPLAY").isEmpty()) {
            const QByteArray file = qgetenv("HOME") + "/.Xauthority";
            if (!qgetenv("HOME").isEmpty() && QFileInfo::exists(QFile::decodeName(file)))
                v = file;
        }
        if (!v.isEmpty())
            args << QString::fromLatin1(name) + '=' + QString::fromLocal8Bit(v);
    }
    args << self << QStringLiteral("start");
    if (!QProcess::startDetached(pkexec, args)) {
        if (error)
            *error = QStringLiteral("pkexec could not be started");
        return false;
    }
    return true;
}

bool StartInUserSession(const QString& program, const QStringList& args)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return false;
    if (geteuid() != 0)
        return QProcess::startDetached(path, args);
    uid_t uid;
    gid_t gid;
    if (!InvokingUser(&uid, &gid))
        return false;
    return StartDetachedAs(uid, gid, path, args);
}

} // namespace QmPlatform
