#include "export/ExportNames.h"

#include <algorithm>

#include <sys/stat.h>

#include <QString>

#include "export/ExportText.h"
#include "support/SafePath.h"

namespace {
const std::size_t kMaxComponent = 255;
// A longer "extension" is just part of the name.
const std::size_t kMaxExtension = 32;

std::string ReplaceSeparators(std::string s)
{
    for (char& c : s) {
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    }
    return s;
}

bool NameTaken(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}
}

std::string SafeComponent(const std::string& stem, const std::string& suffix, std::size_t reserve)
{
    std::string tail = ReplaceSeparators(suffix);
    const std::size_t limit = kMaxComponent - std::min(reserve, kMaxComponent / 2);
    if (tail.size() > limit / 2)
        tail = CutUtf8(tail, limit / 2);
    const std::string head = CutUtf8(ReplaceSeparators(stem), limit - tail.size());
    return SafePathComponent(head + tail);
}

std::string SafeFileName(const std::string& displayName)
{
    const std::size_t dot = displayName.rfind('.');
    if (dot == std::string::npos || dot == 0 || displayName.size() - dot > kMaxExtension)
        return SafeComponent(displayName, std::string(), kFreeNameReserve);
    return SafeComponent(displayName.substr(0, dot), displayName.substr(dot), kFreeNameReserve);
}

std::string NumberedFileName(const std::string& wanted, unsigned long n)
{
    if (n == 0)
        return wanted;
    const std::size_t slash = wanted.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = wanted.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = wanted.size();
    return wanted.substr(0, dot) + "(" + std::to_string(n) + ")" + wanted.substr(dot);
}

std::string FreeFileName(const std::string& wanted)
{
    for (unsigned long n = 0;; ++n) {
        std::string candidate = NumberedFileName(wanted, n);
        if (!NameTaken(candidate))
            return candidate;
    }
}
