// The camera roll as a current phone keeps it beside DCIM: iCloud Photos originals
// under PhotoData/CPLAssets, thumbnails that are no pictures of the owner's, the
// renders of edited pictures, and Photos.sqlite naming them all.
#pragma once

#include <vector>

#include <QString>

#include "tools/sample/SampleBackup.h"

// One row of the photo library: an asset and the name it had when taken or imported.
struct SamplePhotoAsset {
    QString directory;     // "DCIM/100APPLE", "PhotoData/CPLAssets/group3"
    QString fileName;      // "IMG_0001.JPG", "<UUID>.HEIC"
    QString originalName;  // empty: no attributes row
    bool trashed = false;  // in Recently Deleted
    bool video = false;
};

// Writes Photos.sqlite with these assets: the ZASSET tables of iOS 14 and later, or
// with `genericAssetTable` the ZGENERICASSET ones of iOS 13 and earlier. False with
// *error on failure.
bool WritePhotosDatabase(const QString& path, const std::vector<SamplePhotoAsset>& assets, bool genericAssetTable,
                         QString* error);

// Adds, for the camera-roll originals already in `backup.media` (DCIM):
// - CPLAssets originals (two with the same original name, one in Recently Deleted);
// - thumbnails ("Thumbnails/V2/.../5003.JPG", "*.ithmb") whose content is a picture,
//   and an edit's Adjustments.plist: never listed;
// - edit renders ("Mutations/DCIM/<folder>/<name>/Adjustments/FullSizeRender.jpg");
// - Photos.sqlite (ZASSET; ZGENERICASSET in the older layout) with original names,
//   a picture in Recently Deleted, a picture without a row, rows naming files the
//   backup does not hold, and a hostile original name with options.unusualNames.
// The camera-roll entries of `backup.media` are renamed and flagged as the phone
// shows them. Uses its own random source, so the rest of the sample is unchanged.
void AddCameraRollLibrary(SampleBackup& backup, const SampleOptions& options);
