// The note body decoder: gzip, then the protobuf walk to the note's text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "extractors/NoteBody.h"

namespace {

// The input wrapped in valid gzip, so mutations reach the protobuf walk instead
// of failing the checksum.
std::vector<uint8_t> Gzip(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return out;
    out.resize(deflateBound(&zs, uLong(size)));
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(size);
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(rc == Z_STREAM_END ? zs.total_out : 0);
    deflateEnd(&zs);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    std::string text;
    DecodeNoteBody(copy.data(), copy.size(), &text);
    const std::vector<uint8_t> packed = Gzip(data, size);
    // The text is a part of the inflated input, never more.
    if (DecodeNoteBody(packed.data(), packed.size(), &text) && text.size() > size)
        __builtin_trap();
    return 0;
}
