#include "support/SysHelpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <sys/times.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include "support/TextEncoding.h"

namespace {

const unsigned int kErrInvalid = 87;
const unsigned int kErrShortRead = 30;
const unsigned int kErrBadTime = 34;
const int kChunk = 65536;

// Copies at most cap - 1 bytes and terminates.
void copyCut(char* dst, size_t cap, const char* src, size_t len)
{
    if (!dst || cap == 0)
        return;
    if (len > cap - 1)
        len = cap - 1;
    memcpy(dst, src, len);
    dst[len] = '\0';
}

template <typename Str>
Str durationText(long long s, Str (*make)(const char*))
{
    char buf[64];
    if (s < 0)
        s = 0;
    if (s < 60) {
        snprintf(buf, sizeof buf, "00:00:%02d", static_cast<int>(s));
    } else if (s < 3600) {
        snprintf(buf, sizeof buf, "00:%02d:%02d", static_cast<int>(s / 60), static_cast<int>(s % 60));
    } else {
        long long h = s / 3600;
        snprintf(buf, sizeof buf, "%02lld:%02d:%02d", h, static_cast<int>((s - h * 3600) / 60),
                 static_cast<int>(s % 60));
    }
    return make(buf);
}

std::string makeNarrow(const char* s) { return std::string(s); }
std::wstring makeWide(const char* s) { return std::wstring(s, s + strlen(s)); }

bool pathExists(const char* path)
{
    return access(path, F_OK) == 0;
}

QStringList listFolder(const QString& folder)
{
    QDir dir(folder);
    return dir.entryList();
}

} // namespace

std::wstring GetTimeString(long long seconds)
{
    return durationText<std::wstring>(seconds, makeWide);
}

std::string GetTimeStringA(long long seconds)
{
    return durationText<std::string>(seconds, makeNarrow);
}

std::string GetFileSizeString(long long bytes)
{
    const double kb = 1024.0, mb = kb * 1024, gb = mb * 1024, tb = gb * 1024;
    char buf[64];
    double b = static_cast<double>(bytes);
    if (b >= tb)
        snprintf(buf, sizeof buf, "%.2f TB", b / tb);
    else if (b >= gb)
        snprintf(buf, sizeof buf, "%.2f GB", b / gb);
    else if (b >= mb)
        snprintf(buf, sizeof buf, "%.2f MB", b / mb);
    else if (bytes < 1024)
        snprintf(buf, sizeof buf, "%d Bytes", static_cast<int>(bytes));
    else
        snprintf(buf, sizeof buf, "%.2f KB", b / kb);
    return buf;
}

void _splitpath(const char* path, char* drive, char* dir, char* name, char* ext)
{
    const size_t cap = 256;
    if (drive)
        drive[0] = '\0';
    if (!path) {
        copyCut(dir, cap, "", 0);
        copyCut(name, cap, "", 0);
        copyCut(ext, cap, "", 0);
        return;
    }
    const char* slash = strrchr(path, '/');
    const char* base = path;
    if (slash) {
        copyCut(dir, cap, path, static_cast<size_t>(slash - path + 1));
        base = slash + 1;
    } else {
        copyCut(dir, cap, "", 0);
    }
    const char* dot = strrchr(base, '.');
    if (dot) {
        copyCut(name, cap, base, static_cast<size_t>(dot - base));
        copyCut(ext, cap, dot, strlen(dot));
    } else {
        copyCut(name, cap, base, strlen(base));
        copyCut(ext, cap, "", 0);
    }
}

std::string GetFreeFileName(const std::string& wantedPath)
{
    if (!pathExists(wantedPath.c_str()))
        return wantedPath;
    // Split without the fixed buffers so that long paths keep every byte.
    std::string dir, name, ext;
    size_t slash = wantedPath.rfind('/');
    std::string base = slash == std::string::npos ? wantedPath : wantedPath.substr(slash + 1);
    if (slash != std::string::npos)
        dir = wantedPath.substr(0, slash + 1);
    size_t dot = base.rfind('.');
    if (dot == std::string::npos) {
        name = base;
    } else {
        name = base.substr(0, dot);
        ext = base.substr(dot);
    }
    for (unsigned long n = 1;; ++n) {
        std::string candidate = dir + name + "(" + std::to_string(n) + ")" + ext;
        if (!pathExists(candidate.c_str()))
            return candidate;
    }
}

void GetRealFileName(const char* wantedPath, wchar_t* dest, int)
{
    if (!dest)
        return;
    std::string chosen = GetFreeFileName(wantedPath ? wantedPath : "");
    std::wstring w = Ansi2Unicode(chosen.c_str());
    size_t n = w.size();
    if (n > RSB_WSPRINTF_CAPACITY - 1)
        n = RSB_WSPRINTF_CAPACITY - 1;
    wmemcpy(dest, w.data(), n);
    dest[n] = L'\0';
}

long TraverseFileCnt(const char* folder)
{
    if (!folder)
        return 0;
    QString f = QString::fromUtf8(folder);
    if (!f.endsWith('/'))
        f += '/';
    long count = 0;
    for (const QString& entry : listFolder(f)) {
        if (QFileInfo(f + entry).isFile())
            ++count;
    }
    return count;
}

int TraverseFolderAndFile(const char* folder, std::vector<std::string>& out)
{
    if (!folder)
        return 1;
    QString f = QString::fromUtf8(folder);
    if (!f.endsWith('/'))
        f += '/';
    for (const QString& entry : listFolder(f)) {
        if (entry == "." || entry == "..")
            continue;
        out.push_back((f + entry).toUtf8().toStdString());
    }
    return 1;
}

int ReadData(int fd, unsigned char* buffer, int wanted, unsigned int* got)
{
    if (!buffer || wanted < 0)
        return kErrInvalid;
    int done = 0;
    while (done < wanted) {
        int piece = wanted - done;
        if (piece > kChunk)
            piece = kChunk;
        ssize_t r = read(fd, buffer + done, static_cast<size_t>(piece));
        if (r <= 0) {
            if (got)
                *got = static_cast<unsigned int>(done);
            return kErrShortRead;
        }
        done += static_cast<int>(r);
    }
    if (got)
        *got = static_cast<unsigned int>(done);
    return 0;
}

int rsb_statH(int fd, STRUCT_RSB_FILE_ATTR* attr)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return -1;
    if (attr) {
        memset(attr, 0, sizeof *attr);
        unsigned long long size = static_cast<unsigned long long>(st.st_size);
        attr->nFileSizeHigh = static_cast<unsigned int>(size >> 32);
        attr->nFileSizeLow = static_cast<unsigned int>(size & 0xffffffffULL);
        attr->nMode = st.st_mode;
        attr->nAccessTime = st.st_atime;
        attr->nModifyTime = st.st_mtime;
        attr->nChangeTime = st.st_ctime;
        attr->nLinkCount = static_cast<unsigned int>(st.st_nlink);
        attr->nInode = st.st_ino;
    }
    return 0;
}

int GetFileByteSize(const wchar_t* path, unsigned long long& size)
{
    if (!path)
        return kErrInvalid;
    // Narrowed as UTF-8: a Latin-1 narrowing loses every file under a non-Latin folder.
    std::string narrow = Unicode2Ansi(path);
    // O_NONBLOCK so that a FIFO planted in a backup never blocks the scan.
    int fd = open(narrow.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    STRUCT_RSB_FILE_ATTR attr;
    int result = 0;
    if (rsb_statH(fd, &attr) != 0)
        result = errno;
    else
        size = (static_cast<unsigned long long>(attr.nFileSizeHigh) << 32) | attr.nFileSizeLow;
    close(fd);
    return result;
}

CFileReader::~CFileReader()
{
    Close();
}

void CFileReader::Close()
{
    if (m_nFd >= 0)
        close(m_nFd);
    m_nFd = -1;
}

int CFileReader::Init(const char* path)
{
    Close();
    if (!path)
        return kErrInvalid;
    m_nFd = open(path, O_RDONLY | O_CLOEXEC);
    if (m_nFd < 0) {
        int e = errno;
        m_nFd = -1;
        return e;
    }
    return 0;
}

int CFileReader::ReadData(char* buffer, unsigned int wanted, unsigned int offset, unsigned int* got)
{
    if (m_nFd < 0 || !buffer)
        return kErrInvalid;
    if (lseek(m_nFd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1))
        return errno;
    unsigned int done = 0;
    while (done < wanted) {
        unsigned int piece = wanted - done;
        if (piece > static_cast<unsigned int>(kChunk))
            piece = kChunk;
        ssize_t r = read(m_nFd, buffer + done, piece);
        if (r <= 0) {
            if (got)
                *got = done;
            return kErrShortRead;
        }
        done += static_cast<unsigned int>(r);
    }
    if (got)
        *got = done;
    return 0;
}

int GetExtendName(const char* path, char* out)
{
    if (!path || !out)
        return kErrInvalid;
    const char* dot = strrchr(path, '.');
    if (!dot)
        return kErrInvalid;
    // Callers hand 256-byte buffers; a longer tail is cut rather than overrun.
    copyCut(out, 256, dot + 1, strlen(dot + 1));
    return 0;
}

char* GetCharLowerA(char* text)
{
    if (!text)
        return text;
    for (char* p = text; *p; ++p) {
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
    }
    return text;
}

int Convert2Lowercase(char* text)
{
    if (!text)
        return 0;
    GetCharLowerA(text);
    return static_cast<int>(strlen(text));
}

void EraseStringTailBlankChar(char* buf, int len)
{
    if (!buf)
        return;
    for (int i = len - 1; i >= 0; --i) {
        if (buf[i] != ' ')
            break;
        buf[i] = '\0';
    }
}

int GetPathDirIndex(const wchar_t* path, int& count)
{
    count = 0;
    if (!path)
        return 0;
    size_t n = wcslen(path);
    for (size_t i = 0; i + 1 < n; ++i) {
        if (path[i] == L'/' || path[i] == L'\\')
            ++count;
    }
    return 0;
}

void rsb_msleep(int ms)
{
    if (ms <= 0)
        return;
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

unsigned long long rsb_getTickCount()
{
    struct tms t;
    return static_cast<unsigned long long>(times(&t)) * 10ULL;
}

int rsb_getLocalTime(SYSTEMTIME* out)
{
    if (!out)
        return kErrInvalid;
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    time_t secs = tv.tv_sec;
    if (!localtime_r(&secs, &tmv))
        return kErrBadTime;
    out->wYear = static_cast<unsigned short>(tmv.tm_year + 1900);
    out->wMonth = static_cast<unsigned short>(tmv.tm_mon + 1);
    out->wDayOfWeek = static_cast<unsigned short>(tmv.tm_wday);
    out->wDay = static_cast<unsigned short>(tmv.tm_mday);
    out->wHour = static_cast<unsigned short>(tmv.tm_hour);
    out->wMinute = static_cast<unsigned short>(tmv.tm_min);
    out->wSecond = static_cast<unsigned short>(tmv.tm_sec);
    out->wMilliseconds = static_cast<unsigned short>(tv.tv_usec / 1000);
    return 0;
}

int rsb_getFreeSpace(const char* path, int, unsigned int* high, unsigned int* low)
{
    if (high)
        *high = 0;
    if (low)
        *low = 0;
    if (!path || path[0] != '/')
        return 0;
    std::string p = path;
    for (;;) {
        struct statvfs vfs;
        if (statvfs(p.c_str(), &vfs) == 0) {
            unsigned long long avail = static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize;
            if (high)
                *high = static_cast<unsigned int>(avail >> 32);
            if (low)
                *low = static_cast<unsigned int>(avail & 0xffffffffULL);
            return 0;
        }
        if (p.size() < 2)
            return -1;
        size_t slash = p.rfind('/');
        p = (slash == 0 || slash == std::string::npos) ? std::string("/") : p.substr(0, slash);
    }
}

int rsb_getFileSizeH(int fd, int* low, int* high)
{
    STRUCT_RSB_FILE_ATTR attr;
    if (rsb_statH(fd, &attr) != 0)
        return -1;
    if (low)
        *low = static_cast<int>(attr.nFileSizeLow);
    if (high)
        *high = static_cast<int>(attr.nFileSizeHigh);
    return 0;
}

bool IsNtfsFileRecord(const unsigned char* buf, int len)
{
    if (!buf || len < 512)
        return false;
    auto u32 = [buf](int at) {
        return static_cast<unsigned int>(buf[at]) | (static_cast<unsigned int>(buf[at + 1]) << 8) |
               (static_cast<unsigned int>(buf[at + 2]) << 16) | (static_cast<unsigned int>(buf[at + 3]) << 24);
    };
    auto u16 = [buf](int at) { return static_cast<unsigned int>(buf[at]) | (static_cast<unsigned int>(buf[at + 1]) << 8); };
    return memcmp(buf, "FILE", 4) == 0 && static_cast<unsigned int>(len) >= u32(24) &&
           static_cast<unsigned int>(len) == u32(28) && u16(510) == u16(48);
}

bool IsBoostSearchKeyLetter(wchar_t c)
{
    return c != 0 && wcschr(L".^$+?{}[]", c) != nullptr;
}

std::wstring ReplaceSearchKey(const wchar_t* pattern)
{
    std::wstring out;
    if (!pattern)
        return out;
    for (const wchar_t* p = pattern; *p; ++p) {
        if (*p == L'*') {
            if (p != pattern && p[-1] == L'\\')
                continue;
            out += L'.';
        } else if (IsBoostSearchKeyLetter(*p)) {
            out += L'\\';
            out += *p;
        } else {
            out += *p;
        }
    }
    return out;
}

int bIsRemovableMedia() { return 0; }
int GetDriverFreeSpace() { return 0; }
int GetDiskBytes() { return 0; }
int GetDriverFileSystem() { return 0; }
int ViewInstallUrl() { return 0; }
int CloseProcess() { return 0; }
int IsInstallItunes() { return 0; }
int CheckHasAnotherAppInstance() { return 0; }
