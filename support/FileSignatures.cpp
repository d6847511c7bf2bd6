// The individual signature tests. Each one checks its minimum length first and
// never reads past the length it was given.
#include "support/FileTypeJudge.h"

#include <cstdint>
#include <cstring>

namespace {

bool HasAt(const unsigned char* data, int length, int offset, const void* bytes, int count)
{
    return offset >= 0 && count >= 0 && offset <= length - count && std::memcmp(data + offset, bytes, count) == 0;
}

uint16_t U16At(const unsigned char* data, int offset)
{
    return uint16_t(data[offset] | (data[offset + 1] << 8));
}

uint32_t U32At(const unsigned char* data, int offset)
{
    return uint32_t(data[offset]) | (uint32_t(data[offset + 1]) << 8) | (uint32_t(data[offset + 2]) << 16)
        | (uint32_t(data[offset + 3]) << 24);
}

bool TooShort(const unsigned char* data, int length, int minimum)
{
    return data == nullptr || length < minimum;
}

} // namespace

unsigned char* CFileTypeJudge::memmem(unsigned char* data, int length, unsigned char* pattern, int patternLength)
{
    if (data == nullptr || pattern == nullptr || length < 0 || patternLength <= 0 || patternLength > length)
        return nullptr;
    for (int i = 0; i <= length - patternLength; ++i) {
        if (data[i] == pattern[0] && std::memcmp(data + i, pattern, patternLength) == 0)
            return data + i;
    }
    return nullptr;
}

unsigned char* CFileTypeJudge::memrmem(unsigned char* data, int length, unsigned char* pattern, int patternLength)
{
    if (data == nullptr || pattern == nullptr || length < 0 || patternLength < 0 || patternLength > length)
        return nullptr;
    for (int i = length - patternLength; i >= 0; --i) {
        if (std::memcmp(data + i, pattern, patternLength) == 0)
            return data + i;
    }
    return nullptr;
}

// --- tests used by the lookup ---

int CFileTypeJudge::IsMpgType(unsigned char* data, int length)
{
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    static const unsigned char kVideoSeq[4] = { 0x00, 0x00, 0x01, 0xB3 };
    static const unsigned char kGroup[4] = { 0x00, 0x00, 0x01, 0xB8 };
    static const unsigned char kPack[4] = { 0x00, 0x00, 0x01, 0xBA };
    static const unsigned char kSystem[4] = { 0x00, 0x00, 0x01, 0xBB };
    // The second marker must start within the first 32 bytes.
    const int window = length < 32 ? length : 32;
    const unsigned char* second = nullptr;
    if (std::memcmp(data, kVideoSeq, 4) == 0)
        second = kGroup;
    else if (std::memcmp(data, kPack, 4) == 0)
        second = kSystem;
    else
        return FILE_TYPE_UNKNOWN;
    for (int i = 0; i <= window - 4; ++i) {
        if (std::memcmp(data + i, second, 4) == 0)
            return FILE_TYPE_MPG;
    }
    return FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMp4Type(unsigned char* data, int length)
{
    if (TooShort(data, length, 32) || !HasAt(data, length, 4, "ftyp", 4))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 8, "iso", 3) || HasAt(data, length, 8, "mp42", 4) ? FILE_TYPE_MP4 : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsRmvbType(unsigned char* data, int length)
{
    return !TooShort(data, length, 4) && HasAt(data, length, 0, ".RMF", 4) ? FILE_TYPE_RMVB : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsAsfType(unsigned char* data, int length)
{
    static const unsigned char kHeaderGuid[16] = { 0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                   0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C };
    return !TooShort(data, length, 24) && HasAt(data, length, 0, kHeaderGuid, 16) ? FILE_TYPE_ASF : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsAviType(unsigned char* data, int length)
{
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, "RIFF", 4) && HasAt(data, length, 8, "AVI ", 4) && HasAt(data, length, 12, "LIST", 4)
        ? FILE_TYPE_AVI
        : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::Is3pgType(unsigned char* data, int length)
{
    if (TooShort(data, length, 32))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 4, "ftyp", 4) && HasAt(data, length, 8, "3gp", 3) ? FILE_TYPE_3GP : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMp3Type(unsigned char* data, int length)
{
    if (TooShort(data, length, 10) || !HasAt(data, length, 0, "ID3", 3))
        return FILE_TYPE_UNKNOWN;
    if (data[3] == 0xFF || data[4] == 0xFF || (data[5] & 0x1F) != 0)
        return FILE_TYPE_UNKNOWN;
    for (int i = 6; i <= 9; ++i) {
        if (data[i] >= 0x80)
            return FILE_TYPE_UNKNOWN;
    }
    return FILE_TYPE_MP3;
}

int CFileTypeJudge::IsMidType(unsigned char* data, int length)
{
    static const unsigned char kHeaderLength[4] = { 0x00, 0x00, 0x00, 0x06 };
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, "MThd", 4) && HasAt(data, length, 4, kHeaderLength, 4)
            && HasAt(data, length, 14, "MTrk", 4)
        ? FILE_TYPE_MID
        : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsWavType(unsigned char* data, int length)
{
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, "RIFF", 4) && HasAt(data, length, 8, "WAVE", 4) && HasAt(data, length, 12, "fmt ", 4)
        ? FILE_TYPE_WAV
        : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMovType(unsigned char* data, int length)
{
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    if (HasAt(data, length, 0, "moov", 4))
        return FILE_TYPE_MOV;
    return HasAt(data, length, 4, "ftyp", 4) && HasAt(data, length, 8, "qt  ", 4) ? FILE_TYPE_MOV : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsGifType(unsigned char* data, int length)
{
    if (TooShort(data, length, 8) || !HasAt(data, length, 0, "GIF", 3))
        return FILE_TYPE_UNKNOWN;
    const bool digits = data[3] >= '0' && data[3] <= '9' && data[4] >= '0' && data[4] <= '9';
    const bool letter = data[5] >= 'a' && data[5] <= 'z';
    return digits && letter ? FILE_TYPE_GIF : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsBmpType(unsigned char* data, int length)
{
    if (TooShort(data, length, 40))
        return FILE_TYPE_UNKNOWN;
    if (!HasAt(data, length, 0, "BM", 2) && !HasAt(data, length, 0, "BA", 2))
        return FILE_TYPE_UNKNOWN;
    return U16At(data, 6) == 0 && U16At(data, 8) == 0 && U32At(data, 14) == 40 ? FILE_TYPE_BMP : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsJpgType(unsigned char* data, int length)
{
    static const unsigned char kJfifStart[4] = { 0xFF, 0xD8, 0xFF, 0xE0 };
    static const unsigned char kExifStart[4] = { 0xFF, 0xD8, 0xFF, 0xE1 };
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    if (HasAt(data, length, 0, kJfifStart, 4) && HasAt(data, length, 6, "JFIF", 4))
        return FILE_TYPE_JPG;
    if (HasAt(data, length, 0, kExifStart, 4) && HasAt(data, length, 6, "Exif", 4))
        return FILE_TYPE_JPG;
    return FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsPngType(unsigned char* data, int length)
{
    static const unsigned char kSignature[8] = { 0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A };
    return !TooShort(data, length, 8) && HasAt(data, length, 0, kSignature, 8) ? FILE_TYPE_PNG : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsIcoType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0x00, 0x00, 0x01, 0x00 };
    if (TooShort(data, length, 16) || !HasAt(data, length, 0, kStart, 4))
        return FILE_TYPE_UNKNOWN;
    const int count = U16At(data, 4);
    // Wide arithmetic: 6 + 16 * 65535 does not fit the buffer, but must not wrap either.
    const long long directoryEnd = 6LL + 16LL * count;
    if (count == 0 || directoryEnd > length)
        return FILE_TYPE_UNKNOWN;
    unsigned long long expected = (unsigned long long)directoryEnd;
    for (int i = 0; i < count; ++i) {
        const int entry = 6 + 16 * i;
        if (data[entry + 3] != 0 || U32At(data, entry + 12) != expected)
            return FILE_TYPE_UNKNOWN;
        expected += U32At(data, entry + 8);
    }
    return FILE_TYPE_ICO;
}

int CFileTypeJudge::IsHeicType(unsigned char* data, int length)
{
    static const char* const kBrands[] = { "heic", "heix", "hevc", "hevx", "mif1", "msf1" };
    if (TooShort(data, length, 16) || !HasAt(data, length, 4, "ftyp", 4))
        return FILE_TYPE_UNKNOWN;
    for (const char* brand : kBrands) {
        if (HasAt(data, length, 8, brand, 4))
            return FILE_TYPE_HEIC;
    }
    return FILE_TYPE_UNKNOWN;
}

// --- further tests ---

int CFileTypeJudge::IsApeType(unsigned char* data, int length)
{
    return !TooShort(data, length, 4) && HasAt(data, length, 0, "MAC ", 4) ? FILE_TYPE_APE : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMp2Type(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0xFF, 0xFD, 0xE4, 0x00 };
    return !TooShort(data, length, 4) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_MP2 : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMmfType(unsigned char* data, int length)
{
    return !TooShort(data, length, 4) && HasAt(data, length, 0, "MMMD", 4) ? FILE_TYPE_MMF : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsZipType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0x50, 0x4B, 0x03, 0x04 };
    return !TooShort(data, length, 48) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_ZIP : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsGzipType(unsigned char* data, int length)
{
    static const unsigned char kStart[3] = { 0x1F, 0x8B, 0x08 };
    if (TooShort(data, length, 16) || !HasAt(data, length, 0, kStart, 3))
        return FILE_TYPE_UNKNOWN;
    const bool flags = data[3] == 0 || data[3] == 8;
    const bool extra = data[8] == 2 || data[8] == 4;
    const bool os = data[9] <= 13 || data[9] == 0xFF;
    return flags && extra && os ? FILE_TYPE_GZIP : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::Is7zType(unsigned char* data, int length)
{
    static const unsigned char kStart[5] = { 0x37, 0x7A, 0xBC, 0xAF, 0x27 };
    return !TooShort(data, length, 5) && HasAt(data, length, 0, kStart, 5) ? FILE_TYPE_7Z : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsCabType(unsigned char* data, int length)
{
    return !TooShort(data, length, 36) && HasAt(data, length, 0, "MSCF", 4) ? FILE_TYPE_CAB : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsPstEmailType(unsigned char* data, int length)
{
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, "!BDN", 4) && HasAt(data, length, 8, "SM", 2) ? FILE_TYPE_PST : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsDbxEmailType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0xCF, 0xAD, 0x12, 0xFE };
    return !TooShort(data, length, 16) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_DBX : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsGhoType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0xFE, 0xEF, 0x00, 0x00 };
    return !TooShort(data, length, 4) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_GHO : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsPdfType(unsigned char* data, int length)
{
    return !TooShort(data, length, 5) && HasAt(data, length, 0, "%PDF-", 5) ? FILE_TYPE_PDF : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsPeType(unsigned char* data, int length)
{
    static const unsigned char kPe[4] = { 'P', 'E', 0x00, 0x00 };
    if (TooShort(data, length, 512) || !HasAt(data, length, 0, "MZ", 2))
        return FILE_TYPE_UNKNOWN;
    const uint32_t peOffset = U32At(data, 60);
    // At most 488 keeps the signature and the flags 22 bytes further inside 512 bytes.
    if (peOffset > 488 || !HasAt(data, length, int(peOffset), kPe, 4))
        return FILE_TYPE_UNKNOWN;
    const uint16_t flags = U16At(data, int(peOffset) + 22);
    if ((flags & 0x0002) == 0)
        return FILE_TYPE_UNKNOWN;
    if (flags & 0x1000)
        return FILE_TYPE_SYS;
    if (flags & 0x2000)
        return FILE_TYPE_DLL;
    return FILE_TYPE_EXE;
}

int CFileTypeJudge::IsTifType(unsigned char* data, int length)
{
    static const unsigned char kIntel[4] = { 0x49, 0x49, 0x2A, 0x00 };
    static const unsigned char kMotorola[4] = { 0x4D, 0x4D, 0x00, 0x2A };
    if (TooShort(data, length, 4))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, kIntel, 4) || HasAt(data, length, 0, kMotorola, 4) ? FILE_TYPE_TIF : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsPsdType(unsigned char* data, int length)
{
    return !TooShort(data, length, 40) && HasAt(data, length, 0, "8BPS", 4) ? FILE_TYPE_PSD : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsFlvType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 'F', 'L', 'V', 0x01 };
    static const unsigned char kHeaderSize[4] = { 0x00, 0x00, 0x00, 0x09 };
    if (TooShort(data, length, 16))
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, 0, kStart, 4) && HasAt(data, length, 5, kHeaderSize, 4) ? FILE_TYPE_FLV : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsSwfType(unsigned char* data, int length)
{
    if (TooShort(data, length, 8))
        return FILE_TYPE_UNKNOWN;
    if (HasAt(data, length, 0, "CWS", 3) && data[3] >= 6 && data[3] <= 15)
        return FILE_TYPE_SWF;
    if (HasAt(data, length, 0, "FWS", 3) && data[3] < 6)
        return FILE_TYPE_SWF;
    return FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMkvType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0x1A, 0x45, 0xDF, 0xA3 };
    return !TooShort(data, length, 16) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_MKV : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsMtsType(unsigned char* data, int length)
{
    static const unsigned char kMarker[8] = { 0x00, 0x00, 0xB0, 0x11, 0x00, 0x00, 0xC1, 0x00 };
    return !TooShort(data, length, 16) && HasAt(data, length, 8, kMarker, 8) ? FILE_TYPE_MTS : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsFlaType(unsigned char* data, int length)
{
    static const unsigned char kStart[4] = { 0xD0, 0xCF, 0x11, 0xE0 };
    return !TooShort(data, length, 16) && HasAt(data, length, 0, kStart, 4) ? FILE_TYPE_FLA : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsOffice2007Type(unsigned char* data, int length)
{
    static const unsigned char kZip[4] = { 0x50, 0x4B, 0x03, 0x04 };
    static const char kContentTypes[] = "[Content_Types].xml";
    if (TooShort(data, length, 31))
        return FILE_TYPE_UNKNOWN;
    // The minimum admits buffers too short for the name at 31; HasAt checks the rest.
    if (HasAt(data, length, 0, kZip, 4) || HasAt(data, length, 31, kContentTypes, int(sizeof(kContentTypes) - 1)))
        return FILE_TYPE_OFFICE2007;
    return FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsOffice2003Type(unsigned char* data, int length)
{
    static const unsigned char kStart[8] = { 0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1 };
    return !TooShort(data, length, 8) && HasAt(data, length, 0, kStart, 8) ? FILE_TYPE_OFFICE2003 : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsSqlType(unsigned char* data, int length)
{
    // The terminating zero of the literal is part of the signature.
    return !TooShort(data, length, 16) && HasAt(data, length, 0, "SQLite format 3", 16) ? FILE_TYPE_SQL
                                                                                      : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsRarType(unsigned char* data, int length)
{
    static const unsigned char kStart[7] = { 0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00 };
    return !TooShort(data, length, 7) && HasAt(data, length, 0, kStart, 7) ? FILE_TYPE_RAR : FILE_TYPE_UNKNOWN;
}

int CFileTypeJudge::IsTtfType(unsigned char* data, int length)
{
    static const unsigned char kVersion[4] = { 0x00, 0x01, 0x00, 0x00 };
    if (TooShort(data, length, 16) || !HasAt(data, length, 0, kVersion, 4))
        return FILE_TYPE_UNKNOWN;
    if (U16At(data, 4) == 0 || U16At(data, 6) == 0 || U16At(data, 8) == 0 || U16At(data, 10) == 0)
        return FILE_TYPE_UNKNOWN;
    const long long tables = (data[4] << 8) | data[5];
    if (16 * tables + 16 > length)
        return FILE_TYPE_UNKNOWN;
    return HasAt(data, length, int(16 * tables + 12), kVersion, 4) ? FILE_TYPE_TTF : FILE_TYPE_UNKNOWN;
}
