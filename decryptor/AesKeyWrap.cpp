#include "decryptor/AesKeyWrap.h"

#include <openssl/evp.h>

namespace {

const EVP_CIPHER* WrapCipher(size_t kekLen)
{
    switch (kekLen) {
    case 16: return EVP_aes_128_wrap();
    case 24: return EVP_aes_192_wrap();
    case 32: return EVP_aes_256_wrap();
    default: return nullptr;
    }
}

// One pass of the wrap cipher in either direction. The output is at most 8 bytes
// longer than the input when wrapping and 8 bytes shorter when unwrapping.
bool RunWrap(bool encrypt, const uint8_t* kek, size_t kekLen, const uint8_t* in, size_t inLen,
             QByteArray* out)
{
    const EVP_CIPHER* cipher = WrapCipher(kekLen);
    if (!cipher || !out || (inLen % 8) != 0 || inLen > 1 << 20)
        return false;
    if (encrypt ? inLen < 16 : inLen < 24)
        return false;

    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx)
        return false;
    // OpenSSL 1.1 refuses wrap mode without this flag; 3.x accepts it either way.
    EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);

    QByteArray buffer(static_cast<int>(inLen + 16), '\0');
    int len = 0;
    int finalLen = 0;
    bool ok = EVP_CipherInit_ex(ctx, cipher, nullptr, kek, nullptr, encrypt ? 1 : 0) == 1
        && EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(buffer.data()), &len, in,
                            static_cast<int>(inLen)) == 1
        && len >= 0
        && EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(buffer.data()) + len, &finalLen) == 1;
    EVP_CIPHER_CTX_free(ctx);

    const int expected = static_cast<int>(encrypt ? inLen + 8 : inLen - 8);
    if (!ok || len + finalLen != expected) {
        buffer.fill('\0');
        return false;
    }
    buffer.truncate(expected);
    *out = buffer;
    return true;
}

} // namespace

bool AesUnwrapKey(const uint8_t* kek, size_t kekLen, const uint8_t* wrapped, size_t wrappedLen,
                  QByteArray* key)
{
    if (!kek || !wrapped)
        return false;
    return RunWrap(false, kek, kekLen, wrapped, wrappedLen, key);
}

bool AesUnwrapKey(const QByteArray& kek, const QByteArray& wrapped, QByteArray* key)
{
    return AesUnwrapKey(reinterpret_cast<const uint8_t*>(kek.constData()), size_t(kek.size()),
                        reinterpret_cast<const uint8_t*>(wrapped.constData()), size_t(wrapped.size()),
                        key);
}

bool AesWrapKey(const QByteArray& kek, const QByteArray& key, QByteArray* wrapped)
{
    return RunWrap(true, reinterpret_cast<const uint8_t*>(kek.constData()), size_t(kek.size()),
                   reinterpret_cast<const uint8_t*>(key.constData()), size_t(key.size()), wrapped);
}
