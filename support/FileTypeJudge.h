// Recognises picture, video and sound files by their first bytes. Stored backup
// files carry hashed names without extensions, so the content is all there is.
#pragma once

#include <cwchar>

class BackupFolderHandles;

// Type codes. FILE_TYPE_UNKNOWN also ends the lookup table.
enum {
    FILE_TYPE_OFFICE2003 = 2,
    FILE_TYPE_OFFICE2007 = 7,
    FILE_TYPE_PDF = 8,
    FILE_TYPE_GHO = 9,
    FILE_TYPE_JPG = 10,
    FILE_TYPE_MP2 = 11,
    FILE_TYPE_MP3 = 12,
    FILE_TYPE_MID = 13,
    FILE_TYPE_MMF = 14,
    FILE_TYPE_MPG = 15,
    FILE_TYPE_3GP = 16,
    FILE_TYPE_MOV = 17,
    FILE_TYPE_MP4 = 18,
    FILE_TYPE_MKV = 19,
    FILE_TYPE_WAV = 21,
    FILE_TYPE_AVI = 22,
    FILE_TYPE_RMVB = 23,
    FILE_TYPE_ASF = 24,
    FILE_TYPE_APE = 25,
    FILE_TYPE_SWF = 26,
    FILE_TYPE_FLV = 27,
    FILE_TYPE_PSD = 28,
    FILE_TYPE_BMP = 29,
    FILE_TYPE_PNG = 30,
    FILE_TYPE_GIF = 31,
    FILE_TYPE_TIF = 32,
    FILE_TYPE_CAB = 33,
    FILE_TYPE_7Z = 34,
    FILE_TYPE_ZIP = 35,
    FILE_TYPE_GZIP = 36,
    FILE_TYPE_RAR = 37,
    FILE_TYPE_PST = 38,
    FILE_TYPE_SQL = 39,
    FILE_TYPE_DBX = 40,
    FILE_TYPE_EXE = 41,
    FILE_TYPE_DLL = 42,
    FILE_TYPE_SYS = 43,
    FILE_TYPE_FLA = 44,
    FILE_TYPE_TTF = 45,
    FILE_TYPE_ICO = 46,
    FILE_TYPE_MTS = 47,
    FILE_TYPE_UNKNOWN = 48,
    FILE_TYPE_HEIC = 49,
};

// Number of bytes the file form reads; shorter files are never recognised.
const int FILE_TYPE_HEAD_SIZE = 512;

class CFileTypeJudge {
public:
    typedef int (*PFN_TYPE_TEST)(unsigned char* data, int length);

    struct EXTEND_NAME_AND_TYPE {
        const char* szExtendName; // null on the end row
        int nType;
        PFN_TYPE_TEST pfnTest;    // null on the end row
    };

    // One row per extension, in lookup order, closed by a FILE_TYPE_UNKNOWN row.
    static const EXTEND_NAME_AND_TYPE szExtendNameAndType[];

    CFileTypeJudge();

    // Reads the first 512 bytes of the file at path; on recognition writes
    // "<counter>.<ext>" into name (at most 32 bytes with its terminator) and
    // advances the counter. Returns 0, 30 for a short file, errno of a failed
    // open (ELOOP for a link, EINVAL for anything but a regular file), or 87 for
    // a null path. `fileSize`, when given, receives the size of an opened file.
    int ParseFileBuf(char* path, char* name, unsigned long long* fileSize = nullptr);
    // The same, opening a stored file through the folder descriptors of `folders`.
    int ParseFileBuf(char* path, char* name, unsigned long long* fileSize, BackupFolderHandles& folders);
    // The same on memory; the name is written as wide text (name must hold 4096
    // units, or may be null). Returns 0 whether or not the buffer was recognised.
    int ParseFileBuf(unsigned char* data, int length, wchar_t* name);

    // Type code found by the lookup, or FILE_TYPE_UNKNOWN. Safe on any buffer
    // and length (null, negative, short): the fuzzing entry point.
    static int GetDataBufType(unsigned char* data, int length);
    // Type code of the first row whose extension matches, ignoring ASCII case.
    static int GetExtendNameType(char* extension);
    // Extension of the first row carrying the code, or null.
    static const char* GetTypeExtendName(int type);

    // First / last occurrence of pattern in data, or null.
    static unsigned char* memmem(unsigned char* data, int length, unsigned char* pattern, int patternLength);
    static unsigned char* memrmem(unsigned char* data, int length, unsigned char* pattern, int patternLength);

    // Tests used by the lookup.
    static int IsMpgType(unsigned char* data, int length);
    static int IsMp4Type(unsigned char* data, int length);
    static int IsRmvbType(unsigned char* data, int length);
    static int IsAsfType(unsigned char* data, int length);
    static int IsAviType(unsigned char* data, int length);
    static int Is3pgType(unsigned char* data, int length);
    static int IsMp3Type(unsigned char* data, int length);
    static int IsMidType(unsigned char* data, int length);
    static int IsWavType(unsigned char* data, int length);
    static int IsMovType(unsigned char* data, int length);
    static int IsGifType(unsigned char* data, int length);
    static int IsBmpType(unsigned char* data, int length);
    static int IsJpgType(unsigned char* data, int length);
    static int IsPngType(unsigned char* data, int length);
    static int IsIcoType(unsigned char* data, int length);
    static int IsHeicType(unsigned char* data, int length);

    // Further tests that no lookup consults.
    static int IsApeType(unsigned char* data, int length);
    static int IsMp2Type(unsigned char* data, int length);
    static int IsMmfType(unsigned char* data, int length);
    static int IsZipType(unsigned char* data, int length);
    static int IsGzipType(unsigned char* data, int length);
    static int Is7zType(unsigned char* data, int length);
    static int IsCabType(unsigned char* data, int length);
    static int IsPstEmailType(unsigned char* data, int length);
    static int IsDbxEmailType(unsigned char* data, int length);
    static int IsGhoType(unsigned char* data, int length);
    static int IsPdfType(unsigned char* data, int length);
    static int IsPeType(unsigned char* data, int length);
    static int IsTifType(unsigned char* data, int length);
    static int IsPsdType(unsigned char* data, int length);
    static int IsFlvType(unsigned char* data, int length);
    static int IsSwfType(unsigned char* data, int length);
    static int IsMkvType(unsigned char* data, int length);
    static int IsMtsType(unsigned char* data, int length);
    static int IsFlaType(unsigned char* data, int length);
    static int IsOffice2007Type(unsigned char* data, int length);
    static int IsOffice2003Type(unsigned char* data, int length);
    static int IsSqlType(unsigned char* data, int length);
    static int IsRarType(unsigned char* data, int length);
    static int IsTtfType(unsigned char* data, int length);

    unsigned long long GetCounter() const { return m_u64Counter; }

private:
    int ParseFile(char* path, char* name, unsigned long long* fileSize, BackupFolderHandles* folders);

    unsigned long long m_u64Counter;
};
