// Names the media catalogues give a manifest entry: the shown file name and the
// application it belongs to. Kept apart from the walks so they can be checked alone.
#pragma once

#include <string>

// Longest name a catalogue keeps: its buffers hold 256 bytes with the terminator.
const size_t kMediaNameMax = 255;

// The manifest name after its last "/" (all of it without one), cut to fit.
std::string MediaLastComponent(const std::string& manifestName);

// The last component without its extension, followed by the extension of the
// recogniser's name ("3.mov") in upper case, or ".JPG" when that name has none:
// IMG_0042.jpeg holding a movie becomes IMG_0042.MOV.
std::string MediaDisplayName(const std::string& manifestName, const std::string& recognised);

// The app identifier between "com." (looked for first) or "net." and the next
// "-" after it; "other" when there is none.
std::string MediaAppName(const std::string& manifestName);
