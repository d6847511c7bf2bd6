// Keybag records and per-file key blobs on arbitrary bytes.
// Build by hand:
//   clang++-14 -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -I. \
//     $(pkg-config --cflags Qt6Core) tests/fuzz/fuzz_keybag.cpp decryptor/Keybag.cpp \
//     decryptor/KeyDerivation.cpp decryptor/AesKeyWrap.cpp \
//     decryptor/FileKeyBlob.cpp support/Plist.cpp $(pkg-config --libs Qt6Core libplist-2.0) -lcrypto
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decryptor/FileKeyBlob.h"
#include "decryptor/Keybag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so any read past the end is caught.
    std::vector<uint8_t> copy(data, data + size);
    QString error;

    CKeybag bag;
    if (bag.Parse(copy.data(), copy.size(), &error)) {
        // A fixed key-encryption key: the parse results must be safe to use.
        bag.UnlockWithKey(QByteArray(32, '\x42'), &error);
        QByteArray key;
        bag.UnwrapWithClass(3, QByteArray(reinterpret_cast<const char*>(copy.data()), int(size > 40 ? 40 : size)),
                            &key, &error);
    }
    WRAPPED_FILE_KEY fileKey;
    ParseWrappedFileKey(copy.data(), copy.size(), &fileKey, &error);
    MBFILE_INFO info;
    ParseMbFileBlob(copy.data(), copy.size(), &info, &error);
    return 0;
}
