#include "ui/HeifImage.h"

#include <QFile>

#include "support/HeifDecode.h"

namespace HeifImage {

bool IsHeif(const QByteArray& head)
{
    return HeifDecode::IsHeif(head.constData(), size_t(head.size()));
}

bool IsAvailable()
{
    return HeifDecode::IsAvailable();
}

QImage Decode(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return QImage();
    }
    const QByteArray data = file.readAll();
    HeifPixels pixels;
    std::string why;
    if (!HeifDecode::Decode(data.constData(), size_t(data.size()), &pixels, &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return QImage();
    }
    return QImage(pixels.vecRgba.data(), pixels.nWidth, pixels.nHeight, pixels.nWidth * 4, QImage::Format_RGBA8888)
        .copy();
}

} // namespace HeifImage
