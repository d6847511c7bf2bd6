// Names from a backup (display names, app identifiers, contact and chat names)
// become a single path component that cannot leave the folder it is joined to.
#pragma once

#include <string>

#include <QString>

// The longest prefix of `in` of at most `maxBytes` bytes that does not end inside a
// UTF-8 character.
std::string CutUtf8(const std::string& in, size_t maxBytes);

// Invalid UTF-8 becomes U+FFFD; "/", "\\" and NUL become "_"; cut to 255 bytes;
// empty, "." and ".." get a leading "_".
std::string SafePathComponent(const std::string& name);
QString SafePathComponent(const QString& name);
