// HEIC/HEIF pictures: Qt's image plugins in Debian do not read them, so the
// previews decode them through libheif.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace HeifImage {

// Whether the first bytes of a file carry an "ftyp" box with a HEIF brand
// (heic, heix, hevc, hevx, mif1, msf1).
bool IsHeif(const QByteArray& head);

// Whether this build can decode HEIF at all.
bool IsAvailable();

// Decodes the primary picture of a HEIF file; a null image and an error text
// when the file cannot be read or decoded.
QImage Decode(const QString& path, QString* error = nullptr);

} // namespace HeifImage
