#include "support/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/ExportTree.h"
#include "support/Sha256.h"
#include "support/WrittenFiles.h"

namespace {
const std::size_t kChunk = 1 << 20;

std::string Describe(const char* what, int err)
{
    return std::string(what) + ": " + std::strerror(err);
}

void Say(std::string* reason, const std::string& text)
{
    if (reason)
        *reason = text;
}

// Kernel-side copy first (copy_file_range, which may share extents), then sendfile,
// then plain reads and writes for file systems that support neither. A copy that is
// hashed goes through reads and writes only, the hash fed the same buffers.
int CopyContent(int in, int out, off_t size, CSha256* hash)
{
    off_t done = 0;
    bool kernelCopy = hash == nullptr;
    while (kernelCopy && done < size) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(size - done), 0);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0)
            return EIO; // the source shrank under us
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EPERM)
            return errno;
        kernelCopy = false;
    }
    bool useSendfile = hash == nullptr;
    while (useSendfile && done < size) {
        const ssize_t n = ::sendfile(out, in, nullptr, std::min<off_t>(size - done, 1 << 30));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0)
            return EIO;
        if (errno == EINTR)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        useSendfile = false;
    }
    if (done < size) {
        // One buffer per thread: most media files are a few kilobytes, and a fresh
        // megabyte zeroed for each would cost more than the copy.
        thread_local std::string buf(kChunk, '\0');
        while (done < size) {
            // Never past `size`: a source that grows meanwhile must not change what the copy holds.
            const ssize_t n = ::read(in, &buf[0], std::min<off_t>(static_cast<off_t>(buf.size()), size - done));
            if (n == 0)
                return EIO;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            for (ssize_t off = 0; off < n;) {
                const ssize_t w = ::write(out, buf.data() + off, static_cast<std::size_t>(n - off));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    return errno;
                }
                off += w;
            }
            if (hash)
                hash->Add(buf.data(), static_cast<std::size_t>(n));
            done += n;
        }
    }
    return 0;
}
}

namespace {
const int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

bool IsShardName(const std::string& name)
{
    return name.size() == 2 && std::isxdigit(static_cast<unsigned char>(name[0])) &&
           std::isxdigit(static_cast<unsigned char>(name[1]));
}

int OpenFolder(const std::string& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (dir < 0 && errno == ENOTDIR && ::lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        errno = ELOOP; // a link, whatever it points at
    return dir;
}

// Where the name of a stored file <backup>/<xx>/<name> starts, or npos for any
// other path.
std::size_t StoredNameStart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash >= 2) {
        const std::size_t before = path.rfind('/', slash - 1);
        const std::size_t start = before == std::string::npos ? 0 : before + 1;
        if (IsShardName(path.substr(start, slash - start)))
            return slash + 1;
    }
    return std::string::npos;
}

// A stored file's two-character folder is the backup's own and must not be a link
// either, so the file is opened from a descriptor of that folder.
int OpenFinal(const std::string& path, BackupFolderHandles* folders)
{
    const std::size_t name = StoredNameStart(path);
    if (name == std::string::npos)
        return ::open(path.c_str(), kReadFlags);
    const std::string folder = path.substr(0, name - 1);
    const int dir = folders ? folders->Folder(folder) : OpenFolder(folder);
    if (dir < 0)
        return -1;
    const int fd = ::openat(dir, path.c_str() + name, kReadFlags);
    if (!folders) {
        const int err = errno;
        ::close(dir);
        errno = err;
    }
    return fd;
}

int OpenChecked(const std::string& path, off_t* size, int* err, std::string* reason, BackupFolderHandles* folders)
{
    int dummy = 0;
    if (!err)
        err = &dummy;
    const int fd = OpenFinal(path, folders);
    if (fd < 0) {
        *err = errno;
        Say(reason, *err == ELOOP ? std::string("the backup holds a symbolic link, not a file")
                                  : Describe("cannot open the file in the backup", *err));
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *err = errno;
        Say(reason, Describe("cannot read the file in the backup", *err));
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *err = EINVAL;
        Say(reason, "the backup holds no regular file under this name");
        ::close(fd);
        return -1;
    }
    // Back to blocking reads now that it is known to be a plain file. Of the flags it
    // was opened with only O_NONBLOCK is a status flag, so clearing all is clearing it.
    ::fcntl(fd, F_SETFL, 0);
    if (size)
        *size = st.st_size;
    *err = 0;
    return fd;
}
}

BackupFolderHandles::~BackupFolderHandles()
{
    for (const auto& open : m_mapOpen)
        ::close(open.second);
}

int BackupFolderHandles::Folder(const std::string& folder)
{
    const auto known = m_mapOpen.find(folder);
    if (known != m_mapOpen.end())
        return known->second;
    const int dir = OpenFolder(folder);
    if (dir < 0)
        return -1;
    // A backup has 256 such folders; a caller walking more than one backup starts over.
    if (m_mapOpen.size() >= 256) {
        for (const auto& open : m_mapOpen)
            ::close(open.second);
        m_mapOpen.clear();
    }
    m_mapOpen.emplace(folder, dir);
    return dir;
}

int OpenBackupFile(const std::string& path, off_t* size, int* err, std::string* reason)
{
    return OpenChecked(path, size, err, reason, nullptr);
}

int OpenBackupFile(const std::string& path, off_t* size, int* err, BackupFolderHandles& folders, std::string* reason)
{
    return OpenChecked(path, size, err, reason, &folders);
}

mode_t ReadFileCreationMask()
{
    FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return 0777;
    mode_t mask = 0777;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned value = 0;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = static_cast<mode_t>(value & 0777);
            break;
        }
    }
    std::fclose(status);
    return mask;
}

int CopyIntoNewFileAt(int in, off_t size, int dir, const std::string& leaf, const std::string& target,
                      std::string* reason)
{
    const int out = ::openat(dir, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        const int err = errno;
        Say(reason, "cannot create the file: " + ExportErrorText(err));
        return err;
    }
    CSha256 hash;
    const bool noted = RecordingWrittenFile(target);
    int err = CopyContent(in, out, size, noted ? &hash : nullptr);
    // Created exclusively, the file has the export mode already unless the creation
    // mask took bits away. Quillmere never changes its mask, so it is read once.
    static const mode_t mask = ReadFileCreationMask();
    if (!err && (mask & 0644) != 0 && ::fchmod(out, 0644) != 0)
        err = errno;
    if (!err)
        SetExportOwner(out);
    if (::close(out) != 0 && !err)
        err = errno;
    if (err) {
        ::unlinkat(dir, leaf.c_str(), 0);
        Say(reason, Describe("cannot write the file", err));
    } else if (noted) {
        NoteWrittenFile(target, static_cast<long long>(size), hash.Hex());
    }
    return err;
}

int CopyIntoNewFile(int in, off_t size, const std::string& target, std::string* reason)
{
    std::string leaf;
    const int dir = OpenExportParent(target, &leaf);
    if (dir < 0) {
        const int err = errno;
        Say(reason, "cannot create the file: " + ExportErrorText(err));
        return err;
    }
    const int err = CopyIntoNewFileAt(in, size, dir, leaf, target, reason);
    ::close(dir);
    return err;
}

int ReadBackupFile(const std::string& path, std::size_t cap, std::string* out, std::string* reason)
{
    off_t size = 0;
    int err = 0;
    const int fd = OpenBackupFile(path, &size, &err, reason);
    if (fd < 0)
        return err;
    // The size is the file's own, but only a bounded part of it is ever wanted.
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(size), cap);
    out->assign(wanted, '\0');
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t n = ::read(fd, &(*out)[done], wanted - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out->resize(done);
    if (err)
        Say(reason, Describe("cannot read the file in the backup", err));
    return err;
}

int CopyBackupFile(const std::string& source, const std::string& target, std::string* reason)
{
    off_t size = 0;
    int err = 0;
    const int in = OpenBackupFile(source, &size, &err, reason);
    if (in < 0)
        return err;
    err = CopyIntoNewFile(in, size, target, reason);
    ::close(in);
    return err;
}
