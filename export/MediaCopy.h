// Copies one media file out of a backup into the export.
#pragma once

#include <string>

struct WrittenFile;

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
int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written,
                  std::string* reason, std::string* present = nullptr, WrittenFile* presentFile = nullptr);

// The name in the free-name chain of `wanted` that already holds the same bytes as
// the backup's file `source` (*found describing it), or empty.
std::string FindIdenticalCopy(const std::string& source, const std::string& wanted, WrittenFile* found);
