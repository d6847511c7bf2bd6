#include "engine/MediaNames.h"

#include <cctype>

#include "support/SafePath.h"

std::string MediaLastComponent(const std::string& manifestName)
{
    const size_t slash = manifestName.rfind('/');
    const std::string last = slash == std::string::npos ? manifestName : manifestName.substr(slash + 1);
    return CutUtf8(last, kMediaNameMax);
}

std::string MediaDisplayName(const std::string& manifestName, const std::string& recognised)
{
    std::string extension = ".JPG";
    const size_t dot = recognised.find('.');
    if (dot != std::string::npos) {
        extension = recognised.substr(dot);
        for (char& ch : extension)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
    }
    std::string base = MediaLastComponent(manifestName);
    const size_t lastDot = base.rfind('.');
    if (lastDot != std::string::npos)
        base.erase(lastDot);
    // A long name loses the end of its base, never its extension.
    if (extension.size() < kMediaNameMax)
        base = CutUtf8(base, kMediaNameMax - extension.size());
    return base + extension;
}

std::string MediaAppName(const std::string& manifestName)
{
    size_t start = manifestName.find("com.");
    if (start == std::string::npos)
        start = manifestName.find("net.");
    if (start != std::string::npos) {
        start += 4;
        const size_t dash = manifestName.find('-', start);
        if (dash != std::string::npos)
            return CutUtf8(manifestName.substr(start, dash - start), kMediaNameMax);
    }
    return "other";
}
