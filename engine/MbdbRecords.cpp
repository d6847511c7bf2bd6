#include "engine/MbdbRecords.h"

#include <cstring>

namespace {
const size_t kHeaderSize = 6;  // "mbdb" and two version bytes
} // namespace

CMbdbReader::CMbdbReader(const char* data, size_t len)
    : CMbdbReader(reinterpret_cast<const uint8_t*>(data), len)
{
}

CMbdbReader::CMbdbReader(const uint8_t* data, size_t len)
    : m_pData(data), m_nLen(data ? len : 0), m_nPos(kHeaderSize)
{
}

bool CMbdbReader::HasMagic() const
{
    return m_nLen >= 4 && std::memcmp(m_pData, "mbdb", 4) == 0;
}

bool CMbdbReader::Next(MBDB_RECORD* record)
{
    if (m_bDamaged || m_nPos >= m_nLen)
        return false;
    if (m_bStarted)
        ++m_nIndex;
    m_bStarted = true;
    m_nStart = m_nPos;
    uint64_t mode = 0, modified = 0, size = 0, protection = 0, properties = 0;
    bool ok = String(&record->strDomain) && String(&record->strPath)
        && String(nullptr)      // link target
        && String(nullptr)      // data hash
        && String(&m_strKey)
        && Be(2, &mode)
        && Skip(8 + 4 + 4)      // inode, uid, gid
        && Be(4, &modified)
        && Skip(4 + 4)          // access and change times
        && Be(8, &size)
        && Be(1, &protection)
        && Be(1, &properties);
    for (uint64_t i = 0; ok && i < properties; ++i)
        ok = String(nullptr) && String(nullptr);
    if (!ok) {
        m_bDamaged = true;
        return false;
    }
    record->nMode = uint16_t(mode);
    record->nSize = size;
    record->nModified = uint32_t(modified);
    record->nProtectionClass = uint8_t(protection);
    if (m_strKey.empty())
        record->encryptionKey.clear();
    else
        record->encryptionKey = QByteArray(m_strKey.data(), int(m_strKey.size()));
    return true;
}

// A 16-bit big-endian length, then that many bytes; 0xFFFF marks an absent string.
bool CMbdbReader::String(std::string* out)
{
    uint64_t n = 0;
    if (!Be(2, &n))
        return false;
    if (n == 0xFFFF) {
        if (out)
            out->clear();
        return true;
    }
    if (n > m_nLen - m_nPos)
        return false;
    if (out)
        out->assign(reinterpret_cast<const char*>(m_pData + m_nPos), size_t(n));
    m_nPos += size_t(n);
    return true;
}

bool CMbdbReader::Be(size_t width, uint64_t* v)
{
    if (m_nLen - m_nPos < width)
        return false;
    uint64_t x = 0;
    for (size_t i = 0; i < width; ++i)
        x = (x << 8) | m_pData[m_nPos + i];
    m_nPos += width;
    *v = x;
    return true;
}

bool CMbdbReader::Skip(size_t n)
{
    if (m_nLen - m_nPos < n)
        return false;
    m_nPos += n;
    return true;
}

bool ReadMbdbRecords(const uint8_t* data, size_t len, const std::function<void(const MBDB_RECORD&)>& visit,
                     QString* error)
{
    CMbdbReader reader(data, len);
    if (len < kHeaderSize || !reader.HasMagic()) {
        if (error)
            *error = QStringLiteral("Manifest.mbdb has no mbdb header");
        return false;
    }
    MBDB_RECORD record;
    while (reader.Next(&record))
        visit(record);
    if (reader.Damaged()) {
        if (error)
            *error = QStringLiteral("Manifest.mbdb record %1 at offset %2 runs past the end")
                         .arg(reader.RecordIndex()).arg(reader.RecordOffset());
        return false;
    }
    return true;
}
