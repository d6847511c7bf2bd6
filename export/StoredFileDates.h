// Modification times of stored files as the backup's manifest records them (the
// phone's own, not the time the backup wrote the file), for narrowing media by date.
#pragma once

#include <map>
#include <set>
#include <string>

#include <QDateTime>
#include <QString>

// The stored name (40 hex digits) of the file at `path` ("<..>/<xx>/<id>", possibly
// ending in ".mddata"); empty when the last component is no stored name.
std::string StoredNameOfPath(const std::string& path);

// Stored name -> modification time (UTC) for those of `names` the manifest in
// `backupFolder` dates: its Manifest.db (the decrypted copy when there is one; the
// "LastModified" of each row's archived file record) or else its Manifest.mbdb.
// Names the manifest does not date are absent.
std::map<std::string, QDateTime> ReadStoredFileDates(const QString& backupFolder, const std::set<std::string>& names);
