// The lookup table and the searches over it; no file access, so a fuzzer can
// link it alone with the signature tests.
#include "support/FileTypeJudge.h"

#include <strings.h>

const CFileTypeJudge::EXTEND_NAME_AND_TYPE CFileTypeJudge::szExtendNameAndType[] = {
    { "mpeg", FILE_TYPE_MPG, &CFileTypeJudge::IsMpgType },
    { "mpg", FILE_TYPE_MPG, &CFileTypeJudge::IsMpgType },
    { "vob", FILE_TYPE_MPG, &CFileTypeJudge::IsMpgType },
    { "mp4", FILE_TYPE_MP4, &CFileTypeJudge::IsMp4Type },
    { "rmvb", FILE_TYPE_RMVB, &CFileTypeJudge::IsRmvbType },
    { "wmv", FILE_TYPE_ASF, &CFileTypeJudge::IsAsfType },
    { "wma", FILE_TYPE_ASF, &CFileTypeJudge::IsAsfType },
    { "avi", FILE_TYPE_AVI, &CFileTypeJudge::IsAviType },
    { "3gp", FILE_TYPE_3GP, &CFileTypeJudge::Is3pgType },
    { "mp3", FILE_TYPE_MP3, &CFileTypeJudge::IsMp3Type },
    { "mid", FILE_TYPE_MID, &CFileTypeJudge::IsMidType },
    { "wav", FILE_TYPE_WAV, &CFileTypeJudge::IsWavType },
    { "mov", FILE_TYPE_MOV, &CFileTypeJudge::IsMovType },
    { "gif", FILE_TYPE_GIF, &CFileTypeJudge::IsGifType },
    { "bmp", FILE_TYPE_BMP, &CFileTypeJudge::IsBmpType },
    { "jpg", FILE_TYPE_JPG, &CFileTypeJudge::IsJpgType },
    { "jpeg", FILE_TYPE_JPG, &CFileTypeJudge::IsJpgType },
    { "jpe", FILE_TYPE_JPG, &CFileTypeJudge::IsJpgType },
    { "png", FILE_TYPE_PNG, &CFileTypeJudge::IsPngType },
    { "ico", FILE_TYPE_ICO, &CFileTypeJudge::IsIcoType },
    // Current phones keep their camera roll as HEIF.
    { "heic", FILE_TYPE_HEIC, &CFileTypeJudge::IsHeicType },
    { nullptr, FILE_TYPE_UNKNOWN, nullptr },
};

int CFileTypeJudge::GetDataBufType(unsigned char* data, int length)
{
    if (data == nullptr || length <= 0)
        return FILE_TYPE_UNKNOWN;
    for (const EXTEND_NAME_AND_TYPE* row = szExtendNameAndType; row->pfnTest != nullptr; ++row) {
        // Rows that share a test repeat it; the answer cannot change, so skip the repeat.
        if (row != szExtendNameAndType && row[-1].pfnTest == row->pfnTest)
            continue;
        const int type = row->pfnTest(data, length);
        if (type != FILE_TYPE_UNKNOWN)
            return type;
    }
    return FILE_TYPE_UNKNOWN;
}

const char* CFileTypeJudge::GetTypeExtendName(int type)
{
    for (const EXTEND_NAME_AND_TYPE* row = szExtendNameAndType; row->szExtendName != nullptr; ++row) {
        if (row->nType == type)
            return row->szExtendName;
    }
    return nullptr;
}

int CFileTypeJudge::GetExtendNameType(char* extension)
{
    if (extension == nullptr)
        return FILE_TYPE_UNKNOWN;
    for (const EXTEND_NAME_AND_TYPE* row = szExtendNameAndType; row->szExtendName != nullptr; ++row) {
        if (strcasecmp(row->szExtendName, extension) == 0)
            return row->nType;
    }
    return FILE_TYPE_UNKNOWN;
}
