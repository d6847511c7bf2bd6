#include "ui/PicturePreview.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>

#include "ui/HeifImage.h"

namespace PicturePreview {

QPixmap Load(const QString& path, const QSize& limit, int* sourceWidth)
{
    if (sourceWidth)
        *sourceWidth = 0;
    if (path.isEmpty())
        return QPixmap();

    QImageReader reader(path);
    // Phones store portrait photos sideways with an EXIF orientation: show them upright.
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize size = turned ? stored.transposed() : stored;
    // A large camera picture is decoded straight at about the shown size: that
    // saves most of the time and memory, and Show scales it the last bit. The
    // decoder scales before it turns the picture.
    if (size.isValid() && size.width() > 2 * limit.width()) {
        const QSize shown = size.scaled(limit, Qt::KeepAspectRatio);
        if (shown.width() > 0 && shown.height() > 0)
            reader.setScaledSize(turned ? shown.transposed() : shown);
    }
    QImage image = reader.read();
    const bool decodedSmaller = !image.isNull() && !reader.scaledSize().isEmpty();
    if (image.isNull()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && HeifImage::IsHeif(file.read(32)))
            image = HeifImage::Decode(path);
    }
    if (image.isNull())
        return QPixmap();
    if (sourceWidth)
        *sourceWidth = decodedSmaller ? size.width() : image.width();
    return QPixmap::fromImage(std::move(image));
}

void Show(QLabel* label, const QPixmap& picture, const QSize& limit, int sourceWidth)
{
    if (!label)
        return;
    if (sourceWidth < 0)
        sourceWidth = picture.width();
    if (sourceWidth <= kMaxUnscaledWidth) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        label->setPixmap(picture);
        return;
    }
    label->setPixmap(picture.scaled(limit, Qt::KeepAspectRatio, Qt::FastTransformation));
}

void ShowFile(QLabel* label, const QString& path, const QSize& limit)
{
    int sourceWidth = 0;
    const QPixmap picture = Load(path, limit, &sourceWidth);
    Show(label, picture, limit, sourceWidth);
}

} // namespace PicturePreview
