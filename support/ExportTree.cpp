#include "support/ExportTree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/Platform.h"

namespace {
thread_local CExportRootScope* t_pInnermost = nullptr;

// Conversation folders are many; their descriptors are not all kept open.
const std::size_t kMaxCachedFolders = 64;
const int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The components of a relative path; false for ".." (never climbs out).
bool SplitComponents(const std::string& rel, std::vector<std::string>* parts)
{
    std::size_t from = 0;
    while (from <= rel.size()) {
        std::size_t slash = rel.find('/', from);
        if (slash == std::string::npos)
            slash = rel.size();
        const std::string part = rel.substr(from, slash - from);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            parts->push_back(part);
        from = slash + 1;
    }
    return true;
}

// ELOOP for a component that is a link, whatever open reported for it.
int ComponentError(int dir, const std::string& name, int err)
{
    struct stat st;
    if (err != ELOOP && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return ELOOP;
    return err;
}

// Steps from the folder `start` (consumed) through `parts`, each a real folder, making
// the missing ones when `create`. Returns the last folder's descriptor or -1, errno set.
int Walk(int start, const std::vector<std::string>& parts, bool create)
{
    int cur = start;
    for (const std::string& part : parts) {
        int next = ::openat(cur, part.c_str(), kFolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            const bool made = ::mkdirat(cur, part.c_str(), 0755) == 0;
            if (made || errno == EEXIST)
                next = ::openat(cur, part.c_str(), kFolderFlags);
            if (next >= 0 && made)
                SetExportOwnership(next, 0755);
        }
        if (next < 0) {
            const int err = ComponentError(cur, part, errno);
            ::close(cur);
            errno = err;
            return -1;
        }
        ::close(cur);
        cur = next;
    }
    return cur;
}

// mkdir -p of the chosen destination itself, following the links of its own path
// (the user chose it); folders that exist are left as they are.
int OpenChosenFolder(const std::string& root)
{
    std::string prefix = root[0] == '/' ? "/" : "";
    std::vector<std::string> parts;
    SplitComponents(root, &parts);
    for (const std::string& part : parts) {
        prefix += part;
        struct stat st;
        if (::stat(prefix.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return -1;
            if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
                return -1;
            const int fd = ::open(prefix.c_str(), kFolderFlags);
            if (fd >= 0) {
                SetExportOwnership(fd, 0755);
                ::close(fd);
            }
        } else if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return -1;
        }
        prefix += '/';
    }
    return ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
}

class CExportWalk {
public:
    static CExportRootScope* Holder(const std::string& path, std::string* rel)
    {
        for (CExportRootScope* s = t_pInnermost; s; s = s->m_pOuter) {
            const std::string& root = s->m_strRoot;
            if (path.compare(0, root.size(), root) != 0)
                continue;
            if (path.size() == root.size() || path[root.size()] == '/' || root == "/") {
                *rel = path.substr(root.size());
                return s;
            }
        }
        return nullptr;
    }

    static int RootFd(CExportRootScope* s)
    {
        if (s->m_nFd < 0 && !s->m_nOpenError) {
            s->m_nFd = OpenChosenFolder(s->m_strRoot);
            if (s->m_nFd < 0)
                s->m_nOpenError = errno ? errno : EIO;
        }
        if (s->m_nFd < 0)
            errno = s->m_nOpenError;
        return s->m_nFd;
    }

    static int Open(const std::string& path, bool create)
    {
        std::string rel;
        CExportRootScope* scope = Holder(path, &rel);
        std::vector<std::string> parts;
        if (!SplitComponents(scope ? rel : path, &parts)) {
            errno = EINVAL;
            return -1;
        }
        if (!scope) {
            const int start = ::open(path[0] == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return start < 0 ? -1 : Walk(start, parts, create);
        }
        const int root = RootFd(scope);
        if (root < 0)
            return -1;
        std::string key;
        for (const std::string& part : parts)
            key += "/" + part;
        auto it = scope->m_mapFolders.find(key);
        if (it != scope->m_mapFolders.end())
            return ::fcntl(it->second, F_DUPFD_CLOEXEC, 0);
        const int start = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
        if (start < 0)
            return -1;
        const int fd = Walk(start, parts, create);
        if (fd < 0)
            return -1;
        if (scope->m_mapFolders.size() >= kMaxCachedFolders) {
            for (auto& folder : scope->m_mapFolders)
                ::close(folder.second);
            scope->m_mapFolders.clear();
        }
        const int kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (kept >= 0)
            scope->m_mapFolders[key] = kept;
        return fd;
    }
};

CExportRootScope::CExportRootScope(const std::string& root)
    : m_strRoot(WithoutTrailingSlash(root)), m_pOuter(t_pInnermost)
{
    if (m_strRoot.empty())
        m_nOpenError = ENOENT;
    t_pInnermost = this;
}

CExportRootScope::~CExportRootScope()
{
    for (auto& folder : m_mapFolders)
        ::close(folder.second);
    if (m_nFd >= 0)
        ::close(m_nFd);
    // Scopes end in the reverse order they began (they live on the stack or in one run).
    if (t_pInnermost == this)
        t_pInnermost = m_pOuter;
}

int OpenExportFolder(const std::string& path, bool create)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    return CExportWalk::Open(path, create);
}

int OpenExportParent(const std::string& path, std::string* leaf)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        errno = EINVAL;
        return -1;
    }
    if (leaf)
        *leaf = name;
    if (slash == std::string::npos)
        return OpenExportFolder(".", true);
    return OpenExportFolder(slash == 0 ? std::string("/") : path.substr(0, slash), true);
}

int CreateExportFile(const std::string& path, int* dirFd, std::string* leaf)
{
    std::string name;
    const int dir = OpenExportParent(path, &name);
    if (dir < 0)
        return -1;
    const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    const int err = errno;
    if (fd >= 0 && dirFd)
        *dirFd = dir;
    else
        ::close(dir);
    if (leaf)
        *leaf = name;
    errno = err;
    return fd;
}

int OpenExportFileForReading(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        errno = EINVAL;
        return -1;
    }
    const int dir = OpenExportFolder(slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash), false);
    if (dir < 0)
        return -1;
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    int err = errno;
    ::close(dir);
    if (fd < 0) {
        errno = err;
        return -1;
    }
    struct stat st;
    err = ::fstat(fd, &st) != 0 ? errno : (S_ISREG(st.st_mode) ? 0 : EINVAL);
    if (!err && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        err = errno;
    if (err) {
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

int RemoveExportFile(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return EINVAL;
    const int dir = OpenExportFolder(slash == 0 ? std::string("/") : path.substr(0, slash), false);
    if (dir < 0)
        return errno == ENOENT ? 0 : errno;
    const int err = ::unlinkat(dir, path.c_str() + slash + 1, 0) == 0 || errno == ENOENT ? 0 : errno;
    ::close(dir);
    return err;
}

void SetExportOwnership(int fd, mode_t mode)
{
    if (::fchmod(fd, mode) != 0) {
        // The content is written either way; a mode we could not set is not a failure.
    }
    SetExportOwner(fd);
}

void SetExportOwner(int fd)
{
    uid_t uid;
    gid_t gid;
    if (QmPlatform::InvokingUser(&uid, &gid) && ::fchown(fd, uid, gid) != 0) {
        // Ownership is a courtesy: the entry stays readable.
    }
}

std::string ExportErrorText(int err)
{
    if (err == ELOOP)
        return "a folder on the way is a symbolic link";
    if (err == ENOTDIR)
        return "a part of the path is not a folder";
    return std::strerror(err);
}
