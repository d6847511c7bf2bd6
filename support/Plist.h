// Property lists (XML or binary) as QVariant trees. The one place that talks to libplist.
//   dict -> QVariantMap, array -> QVariantList, data -> QByteArray, string -> QString,
//   integer -> qlonglong, real -> double, bool -> bool, date -> QDateTime (UTC),
//   UID -> QVariantMap {"CF$UID": qlonglong} (keyed-archiver references).
#pragma once

#include <QByteArray>
#include <QVariant>

// Invalid QVariant and an error text when the bytes are not a property list.
QVariant ParsePlist(const QByteArray& data, QString* error = nullptr);

// The reverse mapping; a map holding only "CF$UID" is written as a UID.
QByteArray WritePlist(const QVariant& value, bool binary);

// {"CF$UID": n} helpers for keyed archives.
QVariant PlistUid(qlonglong n);
bool IsPlistUid(const QVariant& v, qlonglong* n = nullptr);

// A property list kept as parsed, for readers that take a few values out of many
// small lists (the archive of each stored file in a manifest) without converting
// all of it. Nodes live as long as their document; null stands for "absent".
class CPlistDocument {
public:
    using Node = const void*;

    // Read as ParsePlist reads `data`; Root() is null when it is no property list.
    explicit CPlistDocument(const QByteArray& data);
    ~CPlistDocument();
    CPlistDocument(const CPlistDocument&) = delete;
    CPlistDocument& operator=(const CPlistDocument&) = delete;

    Node Root() const { return m_pRoot; }

    static bool IsDict(Node node);
    // The value under `key` in a dictionary (of a repeated key the last, as ParsePlist
    // keeps it); null for anything else.
    static Node DictValue(Node dict, const char* key);
    // Items of an array; 0 and null for anything else or out of range.
    static qlonglong ArraySize(Node array);
    static Node ArrayItem(Node array, qlonglong index);
    // The node as ParsePlist converts it when it lies `depth` levels below the root.
    static QVariant Value(Node node, int depth);

private:
    void* m_pRoot = nullptr;
};
