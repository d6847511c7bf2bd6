// A reader of Protocol Buffers' wire format, enough to walk a message whose schema
// we know only in part: every field is stepped over by its wire type, and every
// varint and length is checked against the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProtobufField {
    uint32_t nNumber = 0;
    int nWireType = 0;          // 0 varint, 1 64-bit, 2 length-delimited, 5 32-bit
    uint64_t nValue = 0;        // varint and fixed-width fields
    const uint8_t* pBytes = nullptr; // length-delimited fields: the payload
    size_t nSize = 0;
};

class CProtobufReader {
public:
    CProtobufReader(const uint8_t* data, size_t size) : m_pData(data), m_nSize(data ? size : 0) {}

    // The next field; false at the end of the message or on malformed input
    // (Failed() tells which). Groups (wire types 3 and 4) count as malformed.
    bool Next(ProtobufField* field);
    bool Failed() const { return m_bFailed; }

private:
    bool ReadVarint(uint64_t* value);
    bool Fail();

    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
    bool m_bFailed = false;
};

// The payload of the first length-delimited field `number` of the message. False
// when there is none or the message is malformed before it.
bool FindProtobufBytes(const uint8_t* data, size_t size, uint32_t number, const uint8_t** payload,
                       size_t* payloadSize);
