#include "decryptor/AesKeyWrap.h"

#include <cstring>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/modes.h>

namespace {

// Fetched once: an implicit fetch by name for each of thousands of file keys
// costs more than the unwrap itself.
const EVP_CIPHER* WrapCipher(size_t kekLen)
{
    static EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-WRAP", nullptr);
    static EVP_CIPHER* const aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-WRAP", nullptr);
    static EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-WRAP", nullptr);
    switch (kekLen) {
    case 16: return aes128;
    case 24: return aes192;
    case 32: return aes256;
    default: return nullptr;
    }
}

// One context per thread, set up again for each key; freed (and wiped) with the thread.
EVP_CIPHER_CTX* ThreadContext()
{
    struct Holder {
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        Holder()
        {
            // OpenSSL 1.1 refuses wrap mode without this flag; 3.x accepts it either way.
            if (ctx)
                EVP_CIPHER_CTX_set_flags(ctx, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
        }
        ~Holder() { EVP_CIPHER_CTX_free(ctx); }
    };
    thread_local Holder holder;
    return holder.ctx;
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

    EVP_CIPHER_CTX* ctx = ThreadContext();
    if (!ctx)
        return false;

    QByteArray buffer(static_cast<int>(inLen + 16), '\0');
    int len = 0;
    int finalLen = 0;
    bool ok = EVP_CipherInit_ex(ctx, cipher, nullptr, kek, nullptr, encrypt ? 1 : 0) == 1
        && EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(buffer.data()), &len, in, static_cast<int>(inLen))
            == 1
        && len >= 0 && EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(buffer.data()) + len, &finalLen) == 1;

    const int expected = static_cast<int>(encrypt ? inLen + 8 : inLen - 8);
    if (!ok || len + finalLen != expected) {
        buffer.fill('\0');
        return false;
    }
    buffer.truncate(expected);
    *out = buffer;
    return true;
}

// Unwrapping runs once per stored file, thousands of times under the same class
// key. The library's wrap cipher sets that key up for each call and uses table AES;
// here the RFC 3394 steps (CRYPTO_128_unwrap) run on an ECB context that keeps the
// key's schedule and uses the CPU's AES instructions. One per thread, wiped with it.
struct UNWRAP_STATE {
    EVP_CIPHER_CTX* pCtx = EVP_CIPHER_CTX_new();
    unsigned char kek[32] = {};
    size_t nKekLen = 0;
    bool bFailed = false;

    ~UNWRAP_STATE()
    {
        OPENSSL_cleanse(kek, sizeof kek);
        EVP_CIPHER_CTX_free(pCtx);
    }

    bool SetKey(const uint8_t* key, size_t len)
    {
        if (len == nKekLen && CRYPTO_memcmp(key, kek, len) == 0)
            return true;
        static EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr);
        static EVP_CIPHER* const aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-ECB", nullptr);
        static EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
        const EVP_CIPHER* cipher = len == 16 ? aes128 : len == 24 ? aes192 : len == 32 ? aes256 : nullptr;
        nKekLen = 0;
        if (!pCtx || !cipher || EVP_DecryptInit_ex(pCtx, cipher, nullptr, key, nullptr) != 1)
            return false;
        EVP_CIPHER_CTX_set_padding(pCtx, 0);
        std::memcpy(kek, key, len);
        nKekLen = len;
        return true;
    }
};

UNWRAP_STATE& ThreadUnwrapState()
{
    thread_local UNWRAP_STATE state;
    return state;
}

void DecryptBlock(const unsigned char in[16], unsigned char out[16], const void* key)
{
    auto* state = static_cast<UNWRAP_STATE*>(const_cast<void*>(key));
    int len = 0;
    if (EVP_DecryptUpdate(state->pCtx, out, &len, in, 16) != 1 || len != 16)
        state->bFailed = true;
}

} // namespace

bool AesUnwrapKey(const uint8_t* kek, size_t kekLen, const uint8_t* wrapped, size_t wrappedLen,
                  QByteArray* key)
{
    if (!kek || !wrapped || !key || (wrappedLen % 8) != 0 || wrappedLen < 24 || wrappedLen > 1 << 20)
        return false;
    UNWRAP_STATE& state = ThreadUnwrapState();
    if (!state.SetKey(kek, kekLen))
        return false;
    QByteArray buffer(static_cast<int>(wrappedLen - 8), '\0');
    state.bFailed = false;
    const size_t n = CRYPTO_128_unwrap(&state, nullptr, reinterpret_cast<unsigned char*>(buffer.data()), wrapped,
                                       wrappedLen, DecryptBlock);
    if (n != wrappedLen - 8 || state.bFailed) {
        OPENSSL_cleanse(buffer.data(), size_t(buffer.size()));
        return false;
    }
    *key = buffer;
    return true;
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
