// Time, size, path and file-system helpers shared by the engine, the export
// writers and the window. Stateless; safe from any thread.
#pragma once

#include <string>
#include <vector>

struct STRUCT_RSB_FILE_ATTR {
    unsigned int nFileSizeHigh;
    unsigned int nFileSizeLow;
    unsigned int nMode;
    long long nAccessTime;
    long long nModifyTime;
    long long nChangeTime;
    unsigned int nLinkCount;
    unsigned long long nInode;
};

struct SYSTEMTIME {
    unsigned short wYear;
    unsigned short wMonth;
    unsigned short wDayOfWeek;
    unsigned short wDay;
    unsigned short wHour;
    unsigned short wMinute;
    unsigned short wSecond;
    unsigned short wMilliseconds;
};

std::wstring GetTimeString(long long seconds);
std::string GetTimeStringA(long long seconds);
std::string GetFileSizeString(long long bytes);

// Four-part split of a "/" path. The drive is always empty. Buffers: drive at
// least 3 bytes, the others at least 256; longer parts are cut, never overrun.
void _splitpath(const char* path, char* drive, char* dir, char* name, char* ext);

// Chooses a name that does not exist yet: a/photo.jpg, a/photo(1).jpg, ...
// dest must hold 4096 wide units.
void GetRealFileName(const char* wantedPath, wchar_t* dest, int unused = 0);
// Same rule, for callers that keep narrow UTF-8 paths.
std::string GetFreeFileName(const std::string& wantedPath);

long TraverseFileCnt(const char* folder);
int TraverseFolderAndFile(const char* folder, std::vector<std::string>& out);

int ReadData(int fd, unsigned char* buffer, int wanted, unsigned int* got);
int GetFileByteSize(const wchar_t* path, unsigned long long& size);
int rsb_statH(int fd, STRUCT_RSB_FILE_ATTR* attr);

class CFileReader {
public:
    CFileReader() = default;
    ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    int Init(const char* path);
    int ReadData(char* buffer, unsigned int wanted, unsigned int offset, unsigned int* got);
    void Close();

private:
    int m_nFd = -1;
};

// out holds at least 256 bytes.
int GetExtendName(const char* path, char* out);
char* GetCharLowerA(char* text);
int Convert2Lowercase(char* text);
void EraseStringTailBlankChar(char* buf, int len);
int GetPathDirIndex(const wchar_t* path, int& count);
void rsb_msleep(int ms);
unsigned long long rsb_getTickCount();
int rsb_getLocalTime(SYSTEMTIME* out);
int rsb_getFreeSpace(const char* path, int unused, unsigned int* high, unsigned int* low);
int rsb_getFileSizeH(int fd, int* low, int* high);
bool IsNtfsFileRecord(const unsigned char* buf, int len);
bool IsBoostSearchKeyLetter(wchar_t c);
std::wstring ReplaceSearchKey(const wchar_t* pattern);

// Nothing to do on this platform.
int bIsRemovableMedia();
int GetDriverFreeSpace();
int GetDiskBytes();
int GetDriverFileSystem();
int ViewInstallUrl();
int CloseProcess();
int IsInstallItunes();
int CheckHasAnotherAppInstance();
