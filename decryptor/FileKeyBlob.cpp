#include "decryptor/FileKeyBlob.h"

#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include "support/Plist.h"

namespace {

bool IsUid(const QVariant& v, qlonglong* index)
{
    return IsPlistUid(v, index);
}

// Follows a UID reference into $objects; anything else is returned as it is.
QVariant Resolve(const QVariant& v, const QVariantList& objects)
{
    qlonglong index = -1;
    if (!IsUid(v, &index))
        return v;
    if (index < 0 || index >= objects.size())
        return QVariant();
    return objects.at(int(index));
}

bool ReadInteger(const QVariant& v, qlonglong* out)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        *out = v.toLongLong();
        return true;
    default:
        return false;
    }
}

} // namespace

bool ParseWrappedFileKey(const uint8_t* data, size_t len, WRAPPED_FILE_KEY* out, QString* error)
{
    if (!data || len != 44) {
        if (error)
            *error = QStringLiteral("encryption key has %1 bytes instead of 44").arg(len);
        return false;
    }
    out->nClass = uint32_t(data[0]) | (uint32_t(data[1]) << 8) | (uint32_t(data[2]) << 16) | (uint32_t(data[3]) << 24);
    out->wrappedKey = QByteArray(reinterpret_cast<const char*>(data + 4), 40);
    return true;
}

bool ParseWrappedFileKey(const QByteArray& data, WRAPPED_FILE_KEY* out, QString* error)
{
    return ParseWrappedFileKey(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), out, error);
}

bool ParseMbFileBlob(const QByteArray& data, MBFILE_INFO* out, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    *out = MBFILE_INFO();
    if (data.isEmpty())
        return fail(QStringLiteral("file record is empty"));

    QString plistError;
    const QVariant top = ParsePlist(data, &plistError);
    if (top.typeId() != QMetaType::QVariantMap)
        return fail(QStringLiteral("file record is not a property list"));
    const QVariantMap archive = top.toMap();
    const QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    const QVariantMap topRefs = archive.value(QStringLiteral("$top")).toMap();
    qlonglong rootIndex = -1;
    if (objects.isEmpty() || !IsUid(topRefs.value(QStringLiteral("root")), &rootIndex)
        || rootIndex < 0 || rootIndex >= objects.size())
        return fail(QStringLiteral("file record has no archived root"));
    const QVariant rootValue = objects.at(int(rootIndex));
    if (rootValue.typeId() != QMetaType::QVariantMap)
        return fail(QStringLiteral("file record root is not a dictionary"));
    const QVariantMap root = rootValue.toMap();

    qlonglong number = 0;
    if (ReadInteger(Resolve(root.value(QStringLiteral("Size")), objects), &number))
        out->nSize = number;
    if (ReadInteger(Resolve(root.value(QStringLiteral("Mode")), objects), &number))
        out->nMode = uint32_t(number);
    if (ReadInteger(Resolve(root.value(QStringLiteral("ProtectionClass")), objects), &number)) {
        out->bHasProtectionClass = true;
        out->nProtectionClass = uint32_t(number);
    }

    if (!root.contains(QStringLiteral("EncryptionKey")))
        return true;
    QVariant key = Resolve(root.value(QStringLiteral("EncryptionKey")), objects);
    if (key.typeId() == QMetaType::QVariantMap)
        key = Resolve(key.toMap().value(QStringLiteral("NS.data")), objects);
    if (key.typeId() != QMetaType::QByteArray)
        return fail(QStringLiteral("file record has an unreadable encryption key"));
    if (!ParseWrappedFileKey(key.toByteArray(), &out->key, error))
        return false;
    out->bHasKey = true;
    return true;
}

bool ParseMbFileBlob(const uint8_t* data, size_t len, MBFILE_INFO* out, QString* error)
{
    if (!data || len > size_t(INT32_MAX)) {
        if (error)
            *error = QStringLiteral("file record is empty");
        return false;
    }
    return ParseMbFileBlob(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(len)), out, error);
}
