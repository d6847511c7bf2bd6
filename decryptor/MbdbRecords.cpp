#include "decryptor/MbdbRecords.h"

#include <cstring>

namespace {

class CReader {
public:
    CReader(const uint8_t* data, size_t len) : m_pData(data), m_nLen(len) {}

    bool String(std::string* out)
    {
        uint16_t n = 0;
        if (!U16(&n))
            return false;
        if (n == 0xFFFF) {
            if (out)
                out->clear();
            return true;
        }
        if (n > m_nLen - m_nPos)
            return false;
        if (out)
            out->assign(reinterpret_cast<const char*>(m_pData + m_nPos), n);
        m_nPos += n;
        return true;
    }
    bool U8(uint8_t* v)
    {
        if (m_nLen - m_nPos < 1)
            return false;
        *v = m_pData[m_nPos++];
        return true;
    }
    bool U16(uint16_t* v)
    {
        uint64_t x = 0;
        if (!Be(2, &x))
            return false;
        *v = uint16_t(x);
        return true;
    }
    bool Be(size_t width, uint64_t* v)
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
    bool Skip(size_t n)
    {
        if (m_nLen - m_nPos < n)
            return false;
        m_nPos += n;
        return true;
    }
    size_t Pos() const { return m_nPos; }
    bool AtEnd() const { return m_nPos >= m_nLen; }
    void Seek(size_t pos) { m_nPos = pos; }

private:
    const uint8_t* m_pData;
    size_t m_nLen;
    size_t m_nPos = 0;
};

} // namespace

bool ReadMbdbRecords(const uint8_t* data, size_t len, const std::function<void(const MBDB_RECORD&)>& visit,
                     QString* error)
{
    if (!data || len < 6 || std::memcmp(data, "mbdb", 4) != 0) {
        if (error)
            *error = QStringLiteral("Manifest.mbdb has no mbdb header");
        return false;
    }
    CReader reader(data, len);
    reader.Seek(6);
    size_t index = 0;
    while (!reader.AtEnd()) {
        const size_t start = reader.Pos();
        MBDB_RECORD record;
        std::string key;
        uint64_t mode = 0, size = 0;
        uint8_t protection = 0, properties = 0;
        bool ok = reader.String(&record.strDomain) && reader.String(&record.strPath)
            && reader.String(nullptr)      // link target
            && reader.String(nullptr)      // data hash
            && reader.String(&key)
            && reader.Be(2, &mode)
            && reader.Skip(8 + 4 + 4 + 4 + 4 + 4)  // inode, uid, gid, three times
            && reader.Be(8, &size)
            && reader.U8(&protection)
            && reader.U8(&properties);
        for (int i = 0; ok && i < properties; ++i)
            ok = reader.String(nullptr) && reader.String(nullptr);
        if (!ok) {
            if (error)
                *error = QStringLiteral("Manifest.mbdb record %1 at offset %2 runs past the end").arg(index).arg(start);
            return false;
        }
        record.nMode = uint16_t(mode);
        record.nSize = size;
        record.nProtectionClass = protection;
        record.encryptionKey = QByteArray(key.data(), int(key.size()));
        visit(record);
        ++index;
    }
    return true;
}
