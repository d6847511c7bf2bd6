// The line reader of Info.plist: key lines, the value line after each, XML escapes
// and the backup date's hour.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzFile.h"
#include "engine/InfoPlistReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzFile file;
    // Binary property lists take the other reader (its own target).
    if (size >= 8 && memcmp(data, "bplist00", 8) == 0)
        return 0;
    __BACK_FILE_INFO__ info;
    ReadInfoPlist(file.Hold(data, size), &info);
    return 0;
}
