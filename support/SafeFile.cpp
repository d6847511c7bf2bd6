#include "support/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include "support/Platform.h"

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
// then plain reads and writes for file systems that support neither.
int CopyContent(int in, int out, off_t size)
{
    off_t done = 0;
    bool kernelCopy = true;
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
    bool useSendfile = true;
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
        std::string buf(kChunk, '\0');
        while (done < size) {
            const ssize_t n = ::read(in, &buf[0], buf.size());
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
            done += n;
        }
    }
    return 0;
}
}

int OpenBackupFile(const std::string& path, off_t* size, int* err, std::string* reason)
{
    int dummy = 0;
    if (!err)
        err = &dummy;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
    // Back to blocking reads now that it is known to be a plain file.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size)
        *size = st.st_size;
    *err = 0;
    return fd;
}

int CopyIntoNewFile(int in, off_t size, const std::string& target, std::string* reason)
{
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        const int err = errno;
        Say(reason, Describe("cannot create the file", err));
        return err;
    }
    int err = CopyContent(in, out, size);
    if (!err && ::fchmod(out, 0644) != 0)
        err = errno;
    if (::close(out) != 0 && !err)
        err = errno;
    if (err) {
        ::unlink(target.c_str());
        Say(reason, Describe("cannot write the file", err));
        return err;
    }
    QmPlatform::SetExportFileMode(QString::fromStdString(target));
    return 0;
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
