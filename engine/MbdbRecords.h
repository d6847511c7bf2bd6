// Records of Manifest.mbdb (older backups): the one reader of that format, used
// by the scan (names only) and by the decryptor (per-file keys too). Every read
// is bounds-checked.
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
    uint32_t nModified = 0;     // modification time, seconds since 1970
    uint8_t nProtectionClass = 0;
    bool IsDirectory() const { return (nMode & 0xE000) == 0x4000; }
    bool IsSymlink() const { return (nMode & 0xE000) == 0xA000; }
};

// Walks the records after the 6-byte header, one per Next().
class CMbdbReader {
public:
    CMbdbReader(const char* data, size_t len);
    CMbdbReader(const uint8_t* data, size_t len);

    // True when the bytes start with the magic "mbdb" (the two version bytes
    // after it are not judged).
    bool HasMagic() const;
    // Reads the next record into `record`. False at the end of the bytes, or at
    // a record that runs past the end (then Damaged() is true and the reading
    // stops; nothing beyond the bytes is touched).
    bool Next(MBDB_RECORD* record);
    bool Damaged() const { return m_bDamaged; }
    // Number and offset of the record Next() read last (or failed on).
    size_t RecordIndex() const { return m_nIndex; }
    size_t RecordOffset() const { return m_nStart; }

private:
    bool String(std::string* out);
    bool Be(size_t width, uint64_t* v);
    bool Skip(size_t n);

    const uint8_t* m_pData;
    size_t m_nLen;
    size_t m_nPos;
    size_t m_nIndex = 0;
    size_t m_nStart = 0;
    bool m_bDamaged = false;
    bool m_bStarted = false;
    std::string m_strKey;
};

// Calls `visit` for every record in order. False with a reason when the header
// is missing or a record runs past the end; the records before it have been visited.
bool ReadMbdbRecords(const uint8_t* data, size_t len, const std::function<void(const MBDB_RECORD&)>& visit,
                     QString* error);
