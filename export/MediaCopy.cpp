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

int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written,
                  std::string* reason, std::string* present, WrittenFile* presentFile)
{
    off_t size = 0;
    int err = 0;
    const int in = OpenBackupFile(source, &size, &err, reason);
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
    std::string target;
    // The free name is only chosen, not reserved: the exclusive create settles a race.
    err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        target = FreeFileName(wanted);
        err = CopyIntoNewFile(in, size, target, reason);
    }
    ::close(in);
    if (!err && written)
        *written = target;
    return err;
}
