// Password to key-encryption key, as a backup keybag asks for it.
#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>

struct KEYBAG_KDF_PARAMS {
    QByteArray salt;            // SALT
    uint32_t nIterations = 0;   // ITER (PBKDF2-SHA1)
    bool bHasDoubleProtection = false;  // DPSL/DPIC present (backups of iOS 10.2 and later)
    QByteArray dpSalt;          // DPSL
    uint32_t nDpIterations = 0; // DPIC (PBKDF2-SHA256, applied first)
};

enum class PbkdfHash { Sha1, Sha256 };

// Plain PBKDF2-HMAC. False for a zero or out-of-range iteration count.
bool Pbkdf2(PbkdfHash hash, const uint8_t* password, size_t passwordLen, const uint8_t* salt,
            size_t saltLen, uint32_t iterations, int keyLen, QByteArray* out);

// KEK = PBKDF2-SHA1(PBKDF2-SHA256(password, DPSL, DPIC) or the password itself, SALT, ITER).
// The counts come from the keybag and are used as they are (never capped): a test
// fixture with small counts runs exactly the code path of a real backup.
bool DeriveKeybagKey(const QByteArray& password, const KEYBAG_KDF_PARAMS& params, QByteArray* kek,
                     QString* error);
