#include "support/ProtobufWire.h"

bool CProtobufReader::Fail()
{
    m_bFailed = true;
    return false;
}

bool CProtobufReader::ReadVarint(uint64_t* value)
{
    uint64_t result = 0;
    // At most ten bytes carry 64 bits.
    for (int shift = 0; shift < 70; shift += 7) {
        if (m_nPos >= m_nSize)
            return Fail();
        const uint8_t byte = m_pData[m_nPos++];
        if (shift == 63 && (byte & 0x7E))
            return Fail();
        result |= uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80)) {
            *value = result;
            return true;
        }
    }
    return Fail();
}

bool CProtobufReader::Next(ProtobufField* field)
{
    if (m_bFailed || m_nPos >= m_nSize)
        return false;
    uint64_t key = 0;
    if (!ReadVarint(&key))
        return false;
    const uint64_t number = key >> 3;
    if (number == 0 || number > 0x1FFFFFFF)
        return Fail();
    *field = ProtobufField();
    field->nNumber = uint32_t(number);
    field->nWireType = int(key & 7);
    const size_t left = m_nSize - m_nPos;
    switch (field->nWireType) {
    case 0:
        return ReadVarint(&field->nValue);
    case 1:
    case 5: {
        const size_t width = field->nWireType == 1 ? 8 : 4;
        if (left < width)
            return Fail();
        for (size_t i = 0; i < width; ++i)
            field->nValue |= uint64_t(m_pData[m_nPos + i]) << (8 * i);
        m_nPos += width;
        return true;
    }
    case 2: {
        uint64_t length = 0;
        if (!ReadVarint(&length))
            return false;
        if (length > m_nSize - m_nPos)
            return Fail();
        field->pBytes = m_pData + m_nPos;
        field->nSize = size_t(length);
        m_nPos += size_t(length);
        return true;
    }
    default:
        return Fail();
    }
}

bool FindProtobufBytes(const uint8_t* data, size_t size, uint32_t number, const uint8_t** payload,
                       size_t* payloadSize)
{
    CProtobufReader reader(data, size);
    ProtobufField field;
    while (reader.Next(&field)) {
        if (field.nNumber == number && field.nWireType == 2) {
            *payload = field.pBytes;
            *payloadSize = field.nSize;
            return true;
        }
    }
    return false;
}
