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

    // Only the root object's few values are converted: a manifest holds one such
    // archive per stored file. Values convert as ParsePlist would convert them in place.
    using Doc = CPlistDocument;
    const Doc doc(data);
    const Doc::Node top = doc.Root();
    // A UID converts to a one-key map, so it passes for a dictionary (with no keys
    // asked for) where one is wanted.
    const auto dictLike = [](Doc::Node node, int depth) {
        return Doc::IsDict(node) || (node && Doc::Value(node, depth).typeId() == QMetaType::QVariantMap);
    };
    if (!dictLike(top, 0))
        return fail(QStringLiteral("file record is not a property list"));
    const Doc::Node objects = Doc::DictValue(top, "$objects");
    const qlonglong count = Doc::ArraySize(objects);
    const Doc::Node topRefs = Doc::DictValue(top, "$top");
    qlonglong rootIndex = -1;
    if (count == 0 || !IsUid(Doc::Value(Doc::DictValue(topRefs, "root"), 2), &rootIndex) || rootIndex < 0
        || rootIndex >= count)
        return fail(QStringLiteral("file record has no archived root"));
    const Doc::Node root = Doc::ArrayItem(objects, rootIndex);
    if (!dictLike(root, 2))
        return fail(QStringLiteral("file record root is not a dictionary"));

    // Follows a UID reference into $objects; anything else is returned as it is.
    const auto resolve = [&](const QVariant& v) {
        qlonglong index = -1;
        if (!IsUid(v, &index))
            return v;
        const Doc::Node object = Doc::ArrayItem(objects, index);
        return object ? Doc::Value(object, 2) : QVariant();
    };
    const auto rootValue = [&](const char* key) { return resolve(Doc::Value(Doc::DictValue(root, key), 3)); };

    qlonglong number = 0;
    if (ReadInteger(rootValue("Size"), &number))
        out->nSize = number;
    if (ReadInteger(rootValue("Mode"), &number))
        out->nMode = uint32_t(number);
    if (ReadInteger(rootValue("ProtectionClass"), &number)) {
        out->bHasProtectionClass = true;
        out->nProtectionClass = uint32_t(number);
    }

    if (!Doc::DictValue(root, "EncryptionKey"))
        return true;
    QVariant key = rootValue("EncryptionKey");
    if (key.typeId() == QMetaType::QVariantMap)
        key = resolve(key.toMap().value(QStringLiteral("NS.data")));
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
