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
