// Gathers the camera roll's files during the catalogue's walk, then names them
// once the walk is over: originals under the name the photo library remembers,
// pictures in Recently Deleted flagged, edit renders named after their original,
// and every name unique so that no two pictures are recovered into one file.
#pragma once

#include <string>
#include <vector>

#include "engine/BackupRecords.h"
#include "engine/CameraRollPlaces.h"

class CCameraRollCatalogue {
public:
    // Where the backup's Photos.sqlite is stored; without one the files keep their
    // own names.
    void SetLibrary(const std::string& storedPath) { m_strLibraryPath = storedPath; }
    // A recognised file at an Original or Edit place; `info` carries its stored name.
    void Add(CameraRollPlace place, const std::string& manifestName, _IPHONE_CAMERA_INFO_ info);
    // Reads the library (once), names and flags what was added and appends it to `out`.
    void Finish(std::vector<_IPHONE_CAMERA_INFO_>& out);

private:
    struct Item {
        CameraRollPlace place;
        std::string strManifestName;
        _IPHONE_CAMERA_INFO_ info;
    };
    size_t OriginalOf(const Item& edit, const std::vector<size_t>& candidates) const;

    std::string m_strLibraryPath;
    std::vector<Item> m_items;
};
