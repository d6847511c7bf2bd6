#include "support/WorkFolder.h"

#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "support/Platform.h"

namespace {

// Deep enough for anything the decryptor writes; a deeper tree is left in place
// rather than risking the stack.
const int kMaxDepth = 32;

// Clears the folder open at `fd` (and closes it).
void ClearOpenFolder(int fd, WorkFolder::Scope scope, int depth)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    // Names first: removing while reading may skip entries.
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (scope == WorkFolder::DecryptedFiles && entry->d_name[0] == '.')
            continue;
        names.emplace_back(entry->d_name);
    }
    const int at = ::dirfd(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            ::unlinkat(at, name.c_str(), 0);
            continue;
        }
        if (scope == WorkFolder::DecryptedFiles || depth >= kMaxDepth)
            continue;
        const int sub = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0)
            ClearOpenFolder(sub, scope, depth + 1);
        ::unlinkat(at, name.c_str(), AT_REMOVEDIR);
    }
    ::closedir(dir);
}

} // namespace

namespace WorkFolder {

bool Prepare()
{
    return QmPlatform::MakePrivateDir(QmPlatform::AppSupportDir()) && QmPlatform::MakePrivateDir(QmPlatform::WorkDir());
}

void Clear(const char* path, Scope scope)
{
    if (!path || !*path)
        return;
    // A trailing slash would make the kernel follow a link in the last place.
    std::string folder(path);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        ClearOpenFolder(fd, scope, 0);
}

void Clear(const QString& path, Scope scope)
{
    Clear(QFile::encodeName(path).constData(), scope);
}

} // namespace WorkFolder
