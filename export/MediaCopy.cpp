#include "export/MediaCopy.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include "export/ExportNames.h"
#include "support/Platform.h"

namespace {
const std::size_t kChunk = 1 << 20;

class CFd {
public:
    explicit CFd(int fd) : m_nFd(fd) {}
    ~CFd() { if (m_nFd >= 0) ::close(m_nFd); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_nFd; }
    int Release() { int fd = m_nFd; m_nFd = -1; return fd; }
private:
    int m_nFd;
};

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
            return done == size ? 0 : EIO; // source shrank under us
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

std::string Describe(const char* what, int err)
{
    return std::string(what) + ": " + std::strerror(err);
}
}

int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written,
                  std::string* reason)
{
    CFd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (in.Get() < 0) {
        const int err = errno;
        if (reason)
            *reason = err == ELOOP ? std::string("the backup holds a symbolic link, not a file")
                                   : Describe("cannot open the file in the backup", err);
        return err;
    }
    struct stat st;
    if (::fstat(in.Get(), &st) != 0) {
        const int err = errno;
        if (reason)
            *reason = Describe("cannot read the file in the backup", err);
        return err;
    }
    if (!S_ISREG(st.st_mode)) {
        if (reason)
            *reason = "the backup holds no regular file under this name";
        return EINVAL;
    }
    // Back to blocking reads now that it is known to be a plain file.
    ::fcntl(in.Get(), F_SETFL, ::fcntl(in.Get(), F_GETFL) & ~O_NONBLOCK);

    std::string target;
    int outFd = -1;
    // The free name is only chosen, not reserved: the exclusive create settles a race.
    for (int attempt = 0; attempt < 100 && outFd < 0; ++attempt) {
        target = FreeFileName(wanted);
        outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (outFd < 0 && errno != EEXIST)
            break;
    }
    if (outFd < 0) {
        const int err = errno;
        if (reason)
            *reason = Describe("cannot create the file", err);
        return err;
    }
    CFd out(outFd);
    int err = CopyContent(in.Get(), out.Get(), st.st_size);
    if (!err && ::fchmod(out.Get(), 0644) != 0)
        err = errno;
    if (::close(out.Release()) != 0 && !err)
        err = errno;
    if (err) {
        ::unlink(target.c_str());
        if (reason)
            *reason = Describe("cannot write the file", err);
        return err;
    }
    QmPlatform::SetExportFileMode(QString::fromStdString(target));
    if (written)
        *written = target;
    return 0;
}
