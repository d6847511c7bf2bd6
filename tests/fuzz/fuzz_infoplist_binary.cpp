// The binary Info.plist reader and the property-list conversion beneath it (also
// used for Manifest.plist and the keyed archives of Manifest.db).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <QByteArray>

#include "FuzzFile.h"
#include "engine/InfoPlistReader.h"
#include "support/Plist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzFile file;
    // Always a binary property list: the magic is put in front when missing.
    std::vector<uint8_t> bytes;
    if (size < 8 || memcmp(data, "bplist00", 8) != 0)
        bytes.assign(reinterpret_cast<const uint8_t*>("bplist00"), reinterpret_cast<const uint8_t*>("bplist00") + 8);
    bytes.insert(bytes.end(), data, data + size);

    __BACK_FILE_INFO__ info;
    ReadInfoPlist(file.Hold(bytes.data(), bytes.size()), &info);

    // The converter on its own, on an exact-size copy, as XML too.
    const QByteArray exact(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    ParsePlist(exact);
    if (size > 0)
        ParsePlist(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
