#include "export/MediaCopy.h"

#include <cerrno>
#include <unistd.h>

#include "export/ExportNames.h"
#include "support/SafeFile.h"

int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written,
                  std::string* reason)
{
    off_t size = 0;
    int err = 0;
    const int in = OpenBackupFile(source, &size, &err, reason);
    if (in < 0)
        return err;
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
