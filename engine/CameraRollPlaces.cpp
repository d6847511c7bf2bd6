#include "engine/CameraRollPlaces.h"

#include <cstring>
#include <unordered_set>

#include "engine/MediaNames.h"
#include "engine/UsedEntries.h"
#include "support/SafePath.h"

namespace {

const char kDomain[] = "CameraRollDomain-";

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Case-folded for comparisons that ignore case the way the catalogue sorts.
std::string Folded(const std::string& text)
{
    std::string out = text;
    for (char& ch : out) {
        if (ch >= 'A' && ch <= 'Z')
            ch = char(ch - 'A' + 'a');
    }
    return out;
}

bool IsThumbnailFile(const std::string& name)
{
    static const std::string ending = ".ithmb";
    return name.size() >= ending.size() && Folded(name.substr(name.size() - ending.size())) == ending;
}

std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            return parts;
        start = slash + 1;
    }
}

// CPLAssets/group<N>/<UUID>.<ext>: one folder, then the file.
bool IsCloudOriginal(const std::string& manifestName)
{
    if (!StartsWith(manifestName, g_szCloudOriginalPattern))
        return false;
    const std::vector<std::string> parts = Components(manifestName.substr(std::strlen(g_szCloudOriginalPattern)));
    return parts.size() == 2 && !parts[0].empty() && !parts[1].empty();
}

// Mutations/DCIM/<folder>/<name>/Adjustments/FullSizeRender.<ext>; the parts, or none.
std::vector<std::string> EditParts(const std::string& manifestName)
{
    if (!StartsWith(manifestName, g_szEditRenderPattern))
        return {};
    std::vector<std::string> parts = Components(manifestName.substr(std::strlen(g_szEditRenderPattern)));
    if (parts.size() != 4 || parts[0].empty() || parts[1].empty() || parts[2] != "Adjustments" ||
        !StartsWith(parts[3], "FullSizeRender."))
        return {};
    return parts;
}

// The part from the last "." on (not a leading one), or empty.
std::string ExtensionOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::string StemOf(const std::string& name)
{
    return name.substr(0, name.size() - ExtensionOf(name).size());
}

// stem + middle + extension within the name limit, cut in the stem.
std::string Joined(const std::string& stem, const std::string& middle, const std::string& extension)
{
    const size_t fixed = middle.size() + extension.size();
    // An absurd extension gives way, so that different middles stay different names.
    if (fixed >= kMediaNameMax)
        return middle + CutUtf8(extension, kMediaNameMax - middle.size());
    return CutUtf8(stem, kMediaNameMax - fixed) + middle + extension;
}

} // namespace

CameraRollPlace CameraRollPlaceOf(const std::string& manifestName)
{
    if (IsThumbnailFile(manifestName))
        return CameraRollPlace::None;
    if (manifestName.find(g_szCameraRollPattern) != std::string::npos || IsCloudOriginal(manifestName))
        return CameraRollPlace::Original;
    if (!EditParts(manifestName).empty())
        return CameraRollPlace::Edit;
    return CameraRollPlace::None;
}

std::string CameraRollLibraryPath(const std::string& manifestName)
{
    const size_t at = manifestName.find(g_szCameraRollPattern);
    if (at != std::string::npos)
        return manifestName.substr(at + std::strlen(kDomain));
    if (IsCloudOriginal(manifestName))
        return manifestName.substr(std::strlen(kDomain));
    return std::string();
}

std::string CameraRollStemKey(const std::string& manifestName)
{
    const std::vector<std::string> edit = EditParts(manifestName);
    if (!edit.empty())
        return "Media/DCIM/" + edit[0] + "/" + edit[1];
    if (manifestName.find(g_szCameraRollPattern) == std::string::npos)
        return std::string();
    const std::string path = CameraRollLibraryPath(manifestName);
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && dot > slash + 1 ? path.substr(0, dot) : path;
}

std::string CameraRollOriginalName(const std::string& rememberedName, const std::string& storedName)
{
    std::string name = rememberedName;
    // Control characters are legal in a phone's names but not in a shown or written one.
    for (char& ch : name) {
        if ((static_cast<unsigned char>(ch) < 0x20 && ch != '\0') || ch == 0x7f)
            ch = '_';
    }
    if (name.find_first_not_of(std::string(" \0", 2)) == std::string::npos)
        return storedName;
    // A leading dot would recover the picture as a hidden file.
    for (size_t i = 0; i < name.size() && name[i] == '.'; ++i)
        name[i] = '_';
    std::string extension = ExtensionOf(name);
    std::string stem = StemOf(name);
    if (extension.empty())
        extension = ExtensionOf(storedName);
    return SafePathComponent(Joined(stem, std::string(), extension));
}

std::string CameraRollEditedName(const std::string& originalShownName, const std::string& renderName)
{
    return Joined(StemOf(originalShownName), " (edited)", ExtensionOf(renderName));
}

void MakeCameraRollNamesUnique(std::vector<std::string>& names, const std::vector<size_t>& order)
{
    std::unordered_set<std::string> everyName, given;
    for (const std::string& name : names)
        everyName.insert(Folded(name));
    for (const size_t index : order) {
        std::string& name = names[index];
        if (given.insert(Folded(name)).second)
            continue;
        const std::string stem = StemOf(name);
        const std::string extension = ExtensionOf(name);
        for (unsigned long long n = 2;; ++n) {
            const std::string candidate = Joined(stem, " (" + std::to_string(n) + ")", extension);
            const std::string folded = Folded(candidate);
            if (!everyName.count(folded) && given.insert(folded).second) {
                name = candidate;
                break;
            }
        }
    }
}
