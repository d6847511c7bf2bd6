// Which camera-roll files a backup holds and the names they are shown under:
// originals in DCIM and in CPLAssets (iCloud Photos originals kept on the phone),
// and the renders of edited pictures. Thumbnails and the photo library's other
// files are no pictures of the owner's and stay out.
#pragma once

#include <string>
#include <vector>

enum class CameraRollPlace { None, Original, Edit };

// Where a manifest entry sits in the camera roll.
CameraRollPlace CameraRollPlaceOf(const std::string& manifestName);

// The entry's path as the photo library names it ("Media/DCIM/100APPLE/IMG_0001.JPG",
// "Media/PhotoData/CPLAssets/group3/<UUID>.JPG"); empty for anything else.
std::string CameraRollLibraryPath(const std::string& manifestName);

// The original an edit render belongs to, without the original's extension
// ("Media/DCIM/100APPLE/IMG_0001"): for an edit its folder, for a DCIM original
// its own library path cut at the last "."; empty otherwise.
std::string CameraRollStemKey(const std::string& manifestName);

// The shown name of an original: the name the phone remembers (made one safe path
// component, not hidden by a leading dot, given the stored file's extension when it
// has none), else the stored file's own name.
std::string CameraRollOriginalName(const std::string& rememberedName, const std::string& storedName);

// "<stem of the original's shown name> (edited).<extension of the render>".
std::string CameraRollEditedName(const std::string& originalShownName, const std::string& renderName);

// Makes the names unique, case ignored: in the order of `order` (indices into
// `names`) the first keeps its name, a later one gets "<stem> (2).<ext>",
// "(3)" ... the first that no name in the list already has.
void MakeCameraRollNamesUnique(std::vector<std::string>& names, const std::vector<size_t>& order);
