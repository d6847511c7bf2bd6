// Picture previews of media rows: what is loaded and how it is fitted into
// the preview label.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QLabel;

namespace PicturePreview {

// Pictures up to this width are shown at their own size, centred.
constexpr int kMaxUnscaledWidth = 700;

// Limits of the preview labels: media pages and attachment pages.
inline QSize MediaLimit() { return QSize(750, 300); }
inline QSize AttachmentLimit() { return QSize(700, 200); }

// Loads a picture for a preview of at most `limit` (any format Qt reads, and
// HEIC/HEIF through libheif), upright: EXIF orientation and HEIF rotations are
// applied. Wider pictures may be decoded straight at the
// size they are shown at. A file that is no picture gives a null pixmap.
// `sourceWidth`, when given, receives the picture's own width (0 if none).
QPixmap Load(const QString& path, const QSize& limit, int* sourceWidth = nullptr);

// Shows `picture` in `label`: up to 700 pixels wide unscaled and centred,
// wider ones scaled into `limit` keeping their aspect. A null pixmap clears.
// `sourceWidth` is the picture's own width when `picture` was already
// decoded smaller (see Load); -1 means the pixmap's width.
void Show(QLabel* label, const QPixmap& picture, const QSize& limit, int sourceWidth = -1);

// Load then Show.
void ShowFile(QLabel* label, const QString& path, const QSize& limit);

} // namespace PicturePreview
