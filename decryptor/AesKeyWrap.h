// RFC 3394 AES key wrap (default IV A6A6A6A6A6A6A6A6): how a backup's keybag wraps
// its class keys under the password key, and how class keys wrap per-file keys.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>

// Unwraps `wrapped` (a multiple of 8 bytes, at least 24) with a 16-, 24- or 32-byte
// key-encryption key. False when the sizes are wrong or the integrity check fails,
// which for a keybag means the wrong password.
bool AesUnwrapKey(const uint8_t* kek, size_t kekLen, const uint8_t* wrapped, size_t wrappedLen,
                  QByteArray* key);
bool AesUnwrapKey(const QByteArray& kek, const QByteArray& wrapped, QByteArray* key);

// The reverse, used by the sample generator to build encrypted fixtures.
bool AesWrapKey(const QByteArray& kek, const QByteArray& key, QByteArray* wrapped);
