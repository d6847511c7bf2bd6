// The attributedBody ("streamtyped") text decoder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extractors/TypedStreamText.h"

namespace {
const uint8_t kHeader[] = {0x04, 0x0B, 's', 't', 'r', 'e', 'a', 'm', 't', 'y', 'p', 'e', 'd'};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> copy(data, data + size);
    std::string text;
    if (DecodeTypedStreamText(copy.data(), copy.size(), &text) && text.size() >= size)
        __builtin_trap();
    // Behind a valid header, so mutations spend their time past it.
    std::vector<uint8_t> framed(kHeader, kHeader + sizeof kHeader);
    framed.insert(framed.end(), data, data + size);
    DecodeTypedStreamText(framed.data(), framed.size(), &text);
    return 0;
}
