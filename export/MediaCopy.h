// Copies one media file out of a backup into the export.
#pragma once

#include <string>

#include "support/SafeFile.h"

struct WrittenFile;

// What the copies of one run keep open from file to file (one thread): the backup's
// two-character folders and the export folder written to last, each reached once
// without following a link. Closed on destruction.
class CMediaCopyHandles {
public:
    CMediaCopyHandles() = default;
    ~CMediaCopyHandles();
    CMediaCopyHandles(const CMediaCopyHandles&) = delete;
    CMediaCopyHandles& operator=(const CMediaCopyHandles&) = delete;

    BackupFolderHandles& Sources() { return m_sources; }
    // The folder that holds `path` (OpenExportParent: made when missing), its last
    // component in *leaf. Owned here: the caller does not close it. -1 with errno set.
    int Parent(const std::string& path, std::string* leaf);

private:
    BackupFolderHandles m_sources;
    std::string m_strFolder;
    int m_nFolder = -1;
};

// Copies the regular file `source` to a new file at the first free name for `wanted`
// (see FreeFileName). The source is opened without following a link and without
// blocking, and anything but a regular file is refused, so a planted link, FIFO or
// device is never read. The destination is created exclusively (an existing file is
// never replaced) and removed again if the copy fails. On success `written` holds the
// path used; on failure `reason` says why. Returns 0 or errno.
//
// With `present` given, a file whose identical copy (same size and SHA-256) already
// holds `wanted` or one of its numbered names is not copied again: 0 is returned with
// `written` empty, *present naming that copy and *presentFile describing it.
//
// `handles`, when given, keeps folders open across the calls of one run.
int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written, std::string* reason,
                  std::string* present = nullptr, WrittenFile* presentFile = nullptr,
                  CMediaCopyHandles* handles = nullptr);

// The name in the free-name chain of `wanted` that already holds the same bytes as
// the backup's file `source` (*found describing it), or empty.
std::string FindIdenticalCopy(const std::string& source, const std::string& wanted, WrittenFile* found);
