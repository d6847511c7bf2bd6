// HEIC/HEIF pictures decoded through libheif, without Qt's image classes, so
// the core (chat pages) and the window (previews) share one decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HeifPixels {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<uint8_t> vecRgba; // nWidth * nHeight * 4 bytes, rows top to bottom
};

namespace HeifDecode {

// Whether the first bytes carry an "ftyp" box with a HEIF brand
// (heic, heix, hevc, hevx, mif1, msf1).
bool IsHeif(const char* head, size_t size);

// Whether this build can decode HEIF at all.
bool IsAvailable();

// Decodes the primary picture of the HEIF bytes; false with *error set when
// they cannot be decoded or the picture is unreasonably large.
bool Decode(const char* data, size_t size, HeifPixels* out, std::string* error);

} // namespace HeifDecode
