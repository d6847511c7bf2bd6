// Per-file keys: the 44-byte EncryptionKey and the MBFile keyed archive of a
// Manifest.db row around it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QString>

#include "decryptor/FileKeyBlob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    QString error;
    WRAPPED_FILE_KEY key;
    ParseWrappedFileKey(copy.data(), copy.size(), &key, &error);
    MBFILE_INFO info;
    if (ParseMbFileBlob(copy.data(), copy.size(), &info, &error) && info.bHasKey && info.key.wrappedKey.size() != 40)
        __builtin_trap();
    return 0;
}
