#include "engine/CameraRollCatalogue.h"

#include <algorithm>
#include <strings.h>
#include <unordered_map>

#include "engine/PhotoLibrary.h"

namespace {

bool IsVideoName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const char* extension = name.c_str() + dot + 1;
    return strcasecmp(extension, "mov") == 0 || strcasecmp(extension, "mp4") == 0 ||
           strcasecmp(extension, "m4v") == 0;
}

std::string LastComponent(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

} // namespace

void CCameraRollCatalogue::Add(CameraRollPlace place, const std::string& manifestName, _IPHONE_CAMERA_INFO_ info)
{
    m_items.push_back({place, manifestName, std::move(info)});
}

// Of the originals sharing the edit's folder name (a Live Photo's picture and
// movie), the one of the render's kind; the first otherwise.
size_t CCameraRollCatalogue::OriginalOf(const Item& edit, const std::vector<size_t>& candidates) const
{
    const bool video = IsVideoName(edit.info.strFileName);
    for (const size_t index : candidates) {
        if (IsVideoName(LastComponent(m_items[index].strManifestName)) == video)
            return index;
    }
    return candidates.front();
}

void CCameraRollCatalogue::Finish(std::vector<_IPHONE_CAMERA_INFO_>& out)
{
    PhotoLibrary library;
    if (!m_strLibraryPath.empty() && !m_items.empty())
        library = ReadPhotoLibrary(m_strLibraryPath);

    std::unordered_map<std::string, std::vector<size_t>> originalsByStem;
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        if (item.place != CameraRollPlace::Original)
            continue;
        const auto known = library.find(CameraRollLibraryPath(item.strManifestName));
        if (known != library.end()) {
            item.info.strFileName = CameraRollOriginalName(known->second.strOriginalName, item.info.strFileName);
            item.info.nDeleted = known->second.bTrashed ? 1 : 0;
        }
        const std::string stem = CameraRollStemKey(item.strManifestName);
        if (!stem.empty())
            originalsByStem[stem].push_back(i);
    }
    for (Item& item : m_items) {
        if (item.place != CameraRollPlace::Edit)
            continue;
        const std::string stem = CameraRollStemKey(item.strManifestName);
        const auto originals = originalsByStem.find(stem);
        if (originals == originalsByStem.end()) {
            item.info.strFileName = CameraRollEditedName(LastComponent(stem), item.info.strFileName);
            continue;
        }
        const _IPHONE_CAMERA_INFO_& original = m_items[OriginalOf(item, originals->second)].info;
        item.info.strFileName = CameraRollEditedName(original.strFileName, item.info.strFileName);
        item.info.nDeleted = original.nDeleted;
    }

    // Which of two equal names keeps it must not depend on the manifest's order.
    std::vector<std::string> names;
    std::vector<size_t> order;
    names.reserve(m_items.size());
    order.reserve(m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        names.push_back(m_items[i].info.strFileName);
        order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int byName = strcasecmp(names[a].c_str(), names[b].c_str());
        return byName != 0 ? byName < 0 : m_items[a].strManifestName < m_items[b].strManifestName;
    });
    MakeCameraRollNamesUnique(names, order);

    out.reserve(out.size() + m_items.size());
    for (size_t i = 0; i < m_items.size(); ++i) {
        m_items[i].info.strFileName = std::move(names[i]);
        out.push_back(std::move(m_items[i].info));
    }
    m_items.clear();
}
