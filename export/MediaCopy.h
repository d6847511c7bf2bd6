// Copies one media file out of a backup into the export.
#pragma once

#include <string>

// Copies the regular file `source` to a new file at the first free name for `wanted`
// (see FreeFileName). The source is opened without following a link and without
// blocking, and anything but a regular file is refused, so a planted link, FIFO or
// device is never read. The destination is created exclusively (an existing file is
// never replaced) and removed again if the copy fails. On success `written` holds the
// path used; on failure `reason` says why. Returns 0 or errno.
int CopyMediaFile(const std::string& source, const std::string& wanted, std::string* written,
                  std::string* reason);
