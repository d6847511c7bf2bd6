#include "export/MediaCopy.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "export/ExportNames.h"
#include "support/ExportTree.h"
#include "support/SafeFile.h"
#include "support/Sha256.h"
#include "support/WrittenFiles.h"

namespace {
// The name in the free-name chain of `wanted` that already holds the same bytes as
// `in`, or empty. Only names of the same size are read; the source is hashed once.
std::string IdenticalCopy(int in, off_t size, const std::string& wanted, WrittenFile* found)
{
    std::string sourceHash;
    for (unsigned long n = 0;; ++n) {
        const std::string candidate = NumberedFileName(wanted, n);
        struct stat st;
        if (::lstat(candidate.c_str(), &st) != 0)
            return std::string();   // the end of the chain: the first free name
        if (!S_ISREG(st.st_mode) || st.st_size != size)
            continue;
        long long length = 0;
        if (sourceHash.empty() && HashOpenFile(in, &sourceHash, &length) != 0)
            return std::string();
        const int fd = OpenExportFileForReading(candidate);
        if (fd < 0)
            continue;
        std::string hash;
        const bool same = HashOpenFile(fd, &hash, &length) == 0 && length == size && hash == sourceHash;
        ::close(fd);
        if (same) {
            found->nSize = length;
            found->strSha256 = hash;
            return candidate;
        }
    }
}
}

std::string FindIdenticalCopy(const std::string& source, const std::string& wanted, WrittenFile* found)
{
    off_t size = 0;
    int err = 0;
    const int in = OpenBackupFile(source, &size, &err);
    if (in < 0)
        return std::string();
    const std::string present = IdenticalCopy(in, size, wanted, found);
    ::close(in);
    return present;
}

CMediaCopyHandles::~CMediaCopyHandles()
{
    if (m_nFolder >= 0)
        ::close(m_nFolder);
}

int CMediaCopyHandles::Parent(const std::string& path, std::string* leaf)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (m_nFolder >= 0 && folder == m_strFolder) {
        const std::string name = path.substr(slash + 1);
        if (name.empty() || name == "." || name == "..") {
            errno = EINVAL;
            return -1;
        }
        *leaf = name;
        return m_nFolder;
    }
    const int dir = OpenExportParent(path, leaf);
    if (dir < 0)
        return -1;
    if (m_nFolder >= 0)
        ::close(m_nFolder);
    m_nFolder = dir;
    m_strFolder = folder;
    return dir;
}

int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written, std::string* reason,
                  std::string* present, WrittenFile* presentFile, CMediaCopyHandles* handles)
{
    off_t size = 0;
    int err = 0;
    const int in = handles ? OpenBackupFile(source, &size, &err, handles->Sources(), reason)
                           : OpenBackupFile(source, &size, &err, reason);
    if (in < 0)
        return err;
    if (present && presentFile) {
        *present = IdenticalCopy(in, size, wanted, presentFile);
        if (!present->empty()) {
            ::close(in);
            if (written)
                written->clear();
            return 0;
        }
    }
    // The folder is reached once; its numbered names are tried by creating them
    // exclusively, so a name is never probed first and a race never overwrites.
    std::string leaf;
    const int dir = handles ? handles->Parent(wanted, &leaf) : OpenExportParent(wanted, &leaf);
    if (dir < 0) {
        err = errno;
        ::close(in);
        if (reason)
            *reason = "cannot create the file: " + ExportErrorText(err);
        return err;
    }
    const std::string folder = wanted.substr(0, wanted.size() - leaf.size());
    std::string target;
    err = EEXIST;
    for (unsigned long n = 0; err == EEXIST; ++n) {
        const std::string name = NumberedFileName(leaf, n);
        target = folder + name;
        err = CopyIntoNewFileAt(in, size, dir, name, target, reason);
    }
    if (!handles)
        ::close(dir);
    ::close(in);
    if (!err && written)
        *written = target;
    return err;
}
