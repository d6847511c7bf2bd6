#include "decryptor/ManifestPlistKeys.h"

#include <QFile>
#include <QVariant>
#include <QVariantMap>

#include "support/Plist.h"
#include "support/SafeFile.h"

namespace {
// Real ones are a few kilobytes; anything this large is not a manifest.
constexpr qint64 kMaxManifestPlist = 64 * 1024 * 1024;
}

bool ParseManifestPlistKeys(const QByteArray& data, MANIFEST_PLIST_KEYS* out, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    *out = MANIFEST_PLIST_KEYS();
    const QVariant root = ParsePlist(data);
    if (root.typeId() != QMetaType::QVariantMap)
        return fail(QStringLiteral("Manifest.plist is damaged (not a property-list dictionary)"));
    const QVariantMap map = root.toMap();

    const QVariant encrypted = map.value(QStringLiteral("IsEncrypted"));
    if (encrypted.isValid() && encrypted.typeId() != QMetaType::Bool)
        return fail(QStringLiteral("Manifest.plist has an IsEncrypted value that is not a boolean"));
    out->bIsEncrypted = encrypted.toBool();

    const QVariant keybag = map.value(QStringLiteral("BackupKeyBag"));
    if (keybag.isValid()) {
        if (keybag.typeId() != QMetaType::QByteArray)
            return fail(QStringLiteral("Manifest.plist has a BackupKeyBag that is not data"));
        out->keybag = keybag.toByteArray();
    }
    const QVariant manifestKey = map.value(QStringLiteral("ManifestKey"));
    if (manifestKey.isValid()) {
        if (manifestKey.typeId() != QMetaType::QByteArray)
            return fail(QStringLiteral("Manifest.plist has a ManifestKey that is not data"));
        out->manifestKey = manifestKey.toByteArray();
    }
    return true;
}

bool ReadManifestPlistKeys(const QString& backupDir, MANIFEST_PLIST_KEYS* out, QString* error)
{
    // A link, FIFO or device in its place is refused rather than followed or waited on.
    std::string bytes, reason;
    const std::string path = QFile::encodeName(backupDir + QStringLiteral("/Manifest.plist")).toStdString();
    if (ReadBackupFile(path, std::size_t(kMaxManifestPlist) + 1, &bytes, &reason) != 0) {
        if (error)
            *error = QStringLiteral("cannot read Manifest.plist: %1").arg(QString::fromStdString(reason));
        return false;
    }
    if (qint64(bytes.size()) > kMaxManifestPlist) {
        if (error)
            *error = QStringLiteral("Manifest.plist is too large to be a manifest");
        return false;
    }
    return ParseManifestPlistKeys(QByteArray::fromStdString(bytes), out, error);
}
