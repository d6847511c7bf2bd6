// Keybag records and per-file key blobs on arbitrary bytes.
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
