// Signature lookup on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/FileTypeJudge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so any read past the end is caught.
    std::vector<unsigned char> copy(data, data + size);
    const int length = int(size > 4096 ? 4096 : size);
    CFileTypeJudge::GetDataBufType(copy.data(), length);
    CFileTypeJudge::IsPeType(copy.data(), length);
    CFileTypeJudge::IsTtfType(copy.data(), length);
    CFileTypeJudge::IsOffice2007Type(copy.data(), length);
    CFileTypeJudge::IsGzipType(copy.data(), length);
    CFileTypeJudge::memrmem(copy.data(), length, copy.data(), length / 2);
    return 0;
}
