// What the phone's photo library (Photos.sqlite) knows of each camera-roll file:
// the name the picture had when taken or imported, and whether it sits in
// Recently Deleted. Read once per scan.
#pragma once

#include <string>
#include <unordered_map>

struct PhotoLibraryAsset {
    std::string strOriginalName;  // empty when the library has none
    bool bTrashed = false;
};

// Keyed by the file's path as the library names it: "Media/" + directory + "/" + file
// name ("Media/DCIM/100APPLE/IMG_0001.JPG").
typedef std::unordered_map<std::string, PhotoLibraryAsset> PhotoLibrary;

// Reads the database at `path` read-only (ZASSET of current phones, ZGENERICASSET of
// iOS 13 and earlier). A missing, empty, damaged or unknown database gives an empty
// library.
PhotoLibrary ReadPhotoLibrary(const std::string& path);
