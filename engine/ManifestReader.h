// Readers of the two manifest formats (binary Manifest.mbdb, SQLite Manifest.db)
// and the stored-name rule.
#pragma once

#include <string>
#include <vector>

#include "engine/ManifestEntry.h"

// Reads one length-prefixed string at data + *pos and moves *pos past it.
// 0xFFFF (absent) and 0 read as the empty string and advance by 2.
// The caller must know that the 2 + L bytes are there (the record reader of
// engine/MbdbRecords.h checks lengths itself).
std::string getstring(const char* data, int* pos);

// Appends the entries of the Manifest.mbdb at `path` to `out`: files and links
// with a domain and a path (directories and nameless records are left out).
// 0, or 87 when the path is null, the file cannot be read or lacks the magic.
// A record that runs past the end of the file (a cut or damaged manifest) ends
// the reading without touching a byte beyond the file: the entries read before
// it stay in `out` (they are sound, and a partial list beats none) and the
// result is 87, so a caller can tell the list is incomplete.
int process_mbdb_file(wchar_t* path, std::vector<__MBDB_FILE__>& out);
// The same on the bytes of a Manifest.mbdb already in memory.
int process_mbdb_buffer(const char* bytes, size_t length, std::vector<__MBDB_FILE__>& out);

// Empties `out` and fills it from the table Files of the Manifest.db at `path`.
// 0, or 87 when the database cannot be opened or has no readable Files table
// (missing, damaged, a FIFO or link in its place): `out` is then empty. Rows whose fileID is
// not 40 hex digits are skipped: the stored name is joined into file paths,
// and a hostile one ("../../..") would reach outside the backup.
// Upper-case digits are lowered.
int process_db_file(wchar_t* path, std::vector<__MBDB_FILE__>& out);

// SHA-1 of the NUL-terminated `text` as lower-case hex: 8 digits per result
// word while at least 8 characters of `capacity` remain. Writes no terminator.
// A null `text` writes nothing. Returns `out`.
const char* SHA1(const unsigned char* text, char* out, int capacity);

// Convenience: the stored name (40 hex digits) of domain + "-" + relative path.
std::string StoredNameOf(const std::string& domain, const std::string& relativePath);
