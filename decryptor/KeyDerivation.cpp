#include "decryptor/KeyDerivation.h"

#include <climits>

#include <openssl/crypto.h>
#include <openssl/evp.h>

bool Pbkdf2(PbkdfHash hash, const uint8_t* password, size_t passwordLen, const uint8_t* salt,
            size_t saltLen, uint32_t iterations, int keyLen, QByteArray* out)
{
    static const char empty[1] = { 0 };
    if (!out || keyLen <= 0 || iterations == 0 || iterations > uint32_t(INT_MAX)
        || passwordLen > size_t(INT_MAX) || saltLen > size_t(INT_MAX))
        return false;
    const EVP_MD* md = hash == PbkdfHash::Sha1 ? EVP_sha1() : EVP_sha256();
    QByteArray key(keyLen, '\0');
    const char* pw = password ? reinterpret_cast<const char*>(password) : empty;
    const unsigned char* s = salt ? salt : reinterpret_cast<const unsigned char*>(empty);
    if (PKCS5_PBKDF2_HMAC(pw, int(passwordLen), s, int(saltLen), int(iterations), md, keyLen,
                          reinterpret_cast<unsigned char*>(key.data())) != 1)
        return false;
    *out = key;
    return true;
}

bool DeriveKeybagKey(const QByteArray& password, const KEYBAG_KDF_PARAMS& params, QByteArray* kek,
                     QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (params.salt.isEmpty() || params.nIterations == 0)
        return fail(QStringLiteral("keybag has no usable SALT/ITER"));
    if (params.nIterations > uint32_t(INT_MAX))
        return fail(QStringLiteral("keybag ITER is out of range"));

    const auto* pw = reinterpret_cast<const uint8_t*>(password.constData());
    size_t pwLen = size_t(password.size());
    QByteArray first;
    if (params.bHasDoubleProtection) {
        if (params.dpSalt.isEmpty() || params.nDpIterations == 0 || params.nDpIterations > uint32_t(INT_MAX))
            return fail(QStringLiteral("keybag has no usable DPSL/DPIC"));
        if (!Pbkdf2(PbkdfHash::Sha256, pw, pwLen, reinterpret_cast<const uint8_t*>(params.dpSalt.constData()),
                    size_t(params.dpSalt.size()), params.nDpIterations, 32, &first))
            return fail(QStringLiteral("key derivation failed"));
        pw = reinterpret_cast<const uint8_t*>(first.constData());
        pwLen = size_t(first.size());
    }
    const bool ok = Pbkdf2(PbkdfHash::Sha1, pw, pwLen, reinterpret_cast<const uint8_t*>(params.salt.constData()),
                           size_t(params.salt.size()), params.nIterations, 32, kek);
    if (!first.isEmpty())
        OPENSSL_cleanse(first.data(), size_t(first.size()));
    if (!ok)
        return fail(QStringLiteral("key derivation failed"));
    return true;
}
