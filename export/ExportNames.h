// Names of exported files: one safe path component per name taken from a backup, and
// the free-name rule that keeps an export from ever replacing an existing file.
#pragma once

#include <cstddef>
#include <string>

// Bytes kept free in a file name for a later "(n)" of the free-name search.
constexpr std::size_t kFreeNameReserve = 12;

// `stem` + `suffix` as one path component: "/", "\" and NUL become "_", empty, "." and
// ".." are replaced, and the whole stays within 255 - `reserve` bytes by shortening the
// stem on a UTF-8 boundary (the suffix, an extension or a stamp, is kept).
std::string SafeComponent(const std::string& stem, const std::string& suffix = std::string(),
                          std::size_t reserve = 0);

// A media display name as a safe file name, its extension kept, room left for "(n)".
std::string SafeFileName(const std::string& displayName);

// The wanted path when nothing (not even a dangling link) has that name, otherwise the
// first free name(1).ext, name(2).ext, ... in the same folder. The extension starts at
// the last "." of the last component; a name without one gets name(1).
std::string FreeFileName(const std::string& wanted);

// The n-th name of that search: `wanted` itself for 0, else name(n).ext.
std::string NumberedFileName(const std::string& wanted, unsigned long n);
