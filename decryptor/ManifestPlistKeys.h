// The encryption keys a backup's Manifest.plist carries.
#pragma once

#include <QByteArray>
#include <QString>

struct MANIFEST_PLIST_KEYS {
    bool bIsEncrypted = false;
    QByteArray keybag;       // BackupKeyBag
    QByteArray manifestKey;  // ManifestKey (backups of iOS 10.2 and later), or empty
};

// From the bytes of Manifest.plist (XML or binary). False with a reason when it is
// not a property-list dictionary or a key has the wrong type.
bool ParseManifestPlistKeys(const QByteArray& data, MANIFEST_PLIST_KEYS* out, QString* error);
// Reads BACKUP_DIR/Manifest.plist.
bool ReadManifestPlistKeys(const QString& backupDir, MANIFEST_PLIST_KEYS* out, QString* error);
