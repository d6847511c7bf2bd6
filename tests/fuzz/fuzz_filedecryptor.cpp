// Streaming CBC decryption and padding handling on arbitrary ciphertext.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decryptor/FileDecryptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    QByteArray out;
    const DECRYPT_RESULT r = CFileDecryptor::DecryptBuffer(copy.data(), copy.size(), QByteArray(32, '\x07'), &out);
    // The output never exceeds the whole blocks of the input.
    if (out.size() > int(size / 16 * 16) || r.nPlainSize != out.size())
        __builtin_trap();
    return 0;
}
