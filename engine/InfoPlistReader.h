// Reads the five values the engine shows from a backup's Info.plist.
#pragma once

#include <string>

#include "engine/BackupRecords.h"

// Fills display name, last backup date, phone number, version flag and
// serial number of *info from the Info.plist at `path`; values whose keys are
// missing stay as they were. Handles the XML form (one element per line) and
// the binary form ("bplist00"). False when the file cannot be opened or is no
// regular file (a link, a FIFO or a device is never read).
bool ReadInfoPlist(const std::string& path, __BACK_FILE_INFO__* info);
