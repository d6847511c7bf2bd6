// Full records of Manifest.mbdb (older backups), including the per-file keys the
// engine's own reader skips. Every read is bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <QByteArray>
#include <QString>

struct MBDB_RECORD {
    std::string strDomain;
    std::string strPath;
    QByteArray encryptionKey;   // empty when absent
    uint16_t nMode = 0;
    uint64_t nSize = 0;
    uint8_t nProtectionClass = 0;
    bool IsDirectory() const { return (nMode & 0xE000) == 0x4000; }
    bool IsSymlink() const { return (nMode & 0xE000) == 0xA000; }
};

// Calls `visit` for every record in order. False with a reason when the magic is
// wrong or a record runs past the end; the records before it have been visited.
bool ReadMbdbRecords(const uint8_t* data, size_t len, const std::function<void(const MBDB_RECORD&)>& visit,
                     QString* error);
