// Manifest.mbdb parsing on arbitrary bytes. Build by hand:
//   clang++-14 -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -I. \
//     $(pkg-config --cflags Qt6Core) tests/fuzz/fuzz_mbdb.cpp engine/ManifestReader.cpp \
//     support/BackupDatabase.cpp support/TextEncoding.cpp \
//     $(pkg-config --libs Qt6Core Qt6Sql)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ManifestReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Most inputs should get past the magic, so put it in front.
    std::vector<char> copy(size + 6);
    const char magic[] = {'m', 'b', 'd', 'b', 5, 0};
    std::copy(magic, magic + 6, copy.begin());
    std::copy(data, data + size, copy.begin() + 6);
    std::vector<__MBDB_FILE__> out;
    process_mbdb_buffer(copy.data(), copy.size(), out);
    return 0;
}
