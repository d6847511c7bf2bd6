// Manifest.mbdb records: length-prefixed strings, fixed fields and properties.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ManifestReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so a read one byte past the end is caught.
    std::vector<char> copy(data, data + size);
    std::vector<__MBDB_FILE__> entries;
    process_mbdb_buffer(copy.data(), copy.size(), entries);
    for (const __MBDB_FILE__& entry : entries) {
        if (entry.strFileId.size() != 40)
            __builtin_trap();
    }
    // The same bytes behind the magic, so a mutated header still reaches the records.
    if (size >= 2) {
        std::vector<char> framed = {'m', 'b', 'd', 'b', '\x05', '\x00'};
        framed.insert(framed.end(), data, data + size);
        entries.clear();
        process_mbdb_buffer(framed.data(), framed.size(), entries);
    }
    return 0;
}
