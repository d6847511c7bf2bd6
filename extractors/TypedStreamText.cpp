#include "extractors/TypedStreamText.h"

#include <cstring>

#include <QByteArray>

namespace {

const uint8_t kHeader[] = {0x04, 0x0B, 's', 't', 'r', 'e', 'a', 'm', 't', 'y', 'p', 'e', 'd'};
// "new shared string of 8 bytes: NSString"
const uint8_t kStringClass[] = {0x84, 0x08, 'N', 'S', 'S', 't', 'r', 'i', 'n', 'g'};

// Strict UTF-8: no overlongs, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const uint8_t* s, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const uint8_t c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const uint8_t cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

} // namespace

bool DecodeTypedStreamText(const uint8_t* data, size_t size, std::string* text)
{
    if (text)
        text->clear();
    if (!data || size < 19 || memcmp(data, kHeader, sizeof kHeader) != 0)
        return false;

    // The NSString class name is the first "new shared string" of that text after
    // the header; the class version, the superclass reference and the "+" type follow.
    size_t p = sizeof kHeader;
    bool found = false;
    for (; size - p >= sizeof kStringClass; ++p) {
        if (memcmp(data + p, kStringClass, sizeof kStringClass) == 0) {
            found = true;
            break;
        }
    }
    if (!found)
        return false;
    p += sizeof kStringClass;
    if (size - p < 5 || data[p] != 0x01 || data[p + 1] < 0x92 || data[p + 2] != 0x84 ||
        data[p + 3] != 0x01 || data[p + 4] != 0x2B)
        return false;
    p += 5;

    if (size - p < 1)
        return false;
    uint64_t n;
    const uint8_t t = data[p];
    if (t <= 0x7F) {
        n = t;
        p += 1;
    } else if (t == 0x81) {
        if (size - p < 3)
            return false;
        n = uint64_t(data[p + 1]) | uint64_t(data[p + 2]) << 8;
        p += 3;
    } else if (t == 0x82) {
        if (size - p < 5)
            return false;
        n = uint64_t(data[p + 1]) | uint64_t(data[p + 2]) << 8 | uint64_t(data[p + 3]) << 16 |
            uint64_t(data[p + 4]) << 24;
        p += 5;
    } else {
        return false;
    }
    // The string must end inside the buffer with the end-of-object tag right after it.
    if (n >= uint64_t(size - p) || data[p + n] != 0x86)
        return false;
    if (!IsValidUtf8(data + p, size_t(n)))
        return false;
    if (text)
        text->assign(reinterpret_cast<const char*>(data + p), size_t(n));
    return true;
}

bool DecodeTypedStreamText(const QByteArray& blob, std::string* text)
{
    return DecodeTypedStreamText(reinterpret_cast<const uint8_t*>(blob.constData()),
                                 size_t(blob.size()), text);
}
