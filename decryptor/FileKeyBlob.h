// Per-file key records: the 44-byte EncryptionKey (little-endian class, then the
// wrapped key) and the Manifest.db `file` blob (an NSKeyedArchiver MBFile) around it.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

struct WRAPPED_FILE_KEY {
    uint32_t nClass = 0;     // from the key's own 4-byte prefix
    QByteArray wrappedKey;   // 40 bytes, RFC 3394 under the class key
};

struct MBFILE_INFO {
    bool bHasKey = false;
    WRAPPED_FILE_KEY key;
    bool bHasProtectionClass = false;
    uint32_t nProtectionClass = 0;
    qint64 nSize = -1;       // -1 when absent
    uint32_t nMode = 0;
};

// Splits a 44-byte EncryptionKey. False with a reason for any other length.
bool ParseWrappedFileKey(const uint8_t* data, size_t len, WRAPPED_FILE_KEY* out, QString* error);
bool ParseWrappedFileKey(const QByteArray& data, WRAPPED_FILE_KEY* out, QString* error);

// Reads the MBFile archive of one Manifest.db row. The root is found through
// $top.root; EncryptionKey may be inline data, a reference to data, or a reference
// to an NS.data dictionary.
bool ParseMbFileBlob(const uint8_t* data, size_t len, MBFILE_INFO* out, QString* error);
bool ParseMbFileBlob(const QByteArray& data, MBFILE_INFO* out, QString* error);
