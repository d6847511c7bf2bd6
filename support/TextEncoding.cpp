#include "support/TextEncoding.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <iconv.h>

namespace {

std::string g_strNarrowEncoding;
iconv_t g_cdNarrowToWide = reinterpret_cast<iconv_t>(-1);
iconv_t g_cdWideToNarrow = reinterpret_cast<iconv_t>(-1);

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

} // namespace

int inner_initUnicodeMap(const char* encodingName)
{
    g_strNarrowEncoding = encodingName ? encodingName : "";
    g_cdNarrowToWide = iconv_open("UNICODELITTLE", g_strNarrowEncoding.c_str());
    if (g_cdNarrowToWide == kNoDescriptor)
        return -1;
    g_cdWideToNarrow = iconv_open(g_strNarrowEncoding.c_str(), "UNICODELITTLE");
    if (g_cdWideToNarrow == kNoDescriptor) {
        iconv_close(g_cdNarrowToWide);
        g_cdNarrowToWide = kNoDescriptor;
        return -1;
    }
    return 0;
}

QString QStringFromWide(const std::wstring& text)
{
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::wstring WideFromQString(const QString& text)
{
    return text.toStdWString();
}

std::wstring Ansi2Unicode(const char* text)
{
    if (!text)
        return std::wstring();
    return QString::fromUtf8(text).toStdWString();
}

std::string Unicode2Ansi(const wchar_t* text)
{
    if (!text)
        return std::string();
    return QString::fromWCharArray(text).toUtf8().toStdString();
}

long inner_str2uni(wchar_t* dest, const char* src, long destUnits, long)
{
    if (!dest)
        return 0;
    if (destUnits <= 0)
        destUnits = 260;
    std::wstring w = Ansi2Unicode(src);
    long n = static_cast<long>(w.size());
    if (n > destUnits - 1)
        n = destUnits - 1;
    wmemcpy(dest, w.data(), static_cast<size_t>(n));
    dest[n] = L'\0';
    return n;
}

int inner_uni2str(char* dest, const wchar_t* src, long capacity, long srcLen)
{
    if (!dest || capacity <= 0)
        return 0;
    if (!src) {
        dest[0] = '\0';
        return 0;
    }
    QString q = srcLen >= 0 ? QString::fromWCharArray(src, srcLen) : QString::fromWCharArray(src);
    QByteArray bytes = q.toLatin1();
    long n = bytes.size();
    if (n > capacity - 1)
        n = capacity - 1;
    memcpy(dest, bytes.constData(), static_cast<size_t>(n));
    dest[n] = '\0';
    return static_cast<int>(n);
}

int inner_uni2str2(char* dest, const wchar_t* src, long capacity, long srcChars)
{
    if (!dest || !src || capacity <= 0 || g_cdWideToNarrow == kNoDescriptor)
        return -1;
    // The descriptor reads UTF-16LE; wide units are UTF-32, so go through Qt first.
    QString q = QString::fromWCharArray(src, srcChars);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(reinterpret_cast<const char16_t*>(q.utf16())));
    size_t inLeft = static_cast<size_t>(q.size()) * 2;
    char* out = dest;
    size_t outLeft = static_cast<size_t>(capacity - 1);
    iconv(g_cdWideToNarrow, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(g_cdWideToNarrow, &in, &inLeft, &out, &outLeft);
    *out = '\0';
    if (r == static_cast<size_t>(-1) || inLeft > 0)
        return -1;
    return static_cast<int>(out - dest);
}

int rsb_wsprintf(wchar_t* dest, const wchar_t* format, ...)
{
    if (!dest || !format)
        return -1;
    va_list args;
    va_start(args, format);
    int n = vswprintf(dest, RSB_WSPRINTF_CAPACITY, format, args);
    va_end(args);
    if (n < 0)
        dest[RSB_WSPRINTF_CAPACITY - 1] = L'\0';
    return n;
}

FILE* _wfopen(const wchar_t* path, const wchar_t* mode)
{
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    std::string narrowMode = Unicode2Ansi(mode);
    size_t comma = narrowMode.find(',');
    if (comma != std::string::npos)
        narrowMode.erase(comma);
    std::string narrowPath = Unicode2Ansi(path);
    return fopen(narrowPath.c_str(), narrowMode.c_str());
}
