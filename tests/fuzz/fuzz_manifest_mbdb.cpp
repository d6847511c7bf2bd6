// Manifest.mbdb records: length-prefixed strings, fixed fields and properties,
// through the scan's entry list and the decryptor's record walk.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ManifestReader.h"
#include "engine/MbdbRecords.h"

namespace {
void ReadBoth(const std::vector<char>& bytes)
{
    std::vector<__MBDB_FILE__> entries;
    process_mbdb_buffer(bytes.data(), bytes.size(), entries);
    for (const __MBDB_FILE__& entry : entries) {
        if (entry.strFileId.size() != 40)
            __builtin_trap();
    }
    QString error;
    size_t visited = 0;
    ReadMbdbRecords(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                    [&visited](const MBDB_RECORD&) { ++visited; }, &error);
    // The scan keeps a subset of the records the walk visits.
    if (entries.size() > visited)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so a read one byte past the end is caught.
    ReadBoth(std::vector<char>(data, data + size));
    // The same bytes behind the magic, so a mutated header still reaches the records.
    std::vector<char> framed = {'m', 'b', 'd', 'b', '\x05', '\x00'};
    framed.insert(framed.end(), data, data + size);
    ReadBoth(framed);
    return 0;
}
