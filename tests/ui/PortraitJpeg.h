// A JPEG as a phone writes a portrait photo: stored sideways with an Exif
// segment holding orientation 6 (turn 90 degrees clockwise to show). The left
// half of the stored picture is red, the right half blue, so upright the red
// half is on top.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>

inline QByteArray SidewaysJpeg(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    // TIFF header (big-endian), IFD0 with the one entry Orientation = 6.
    const QByteArray tiff("MM\0\x2A\0\0\0\x08"
                          "\0\x01"
                          "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
                          "\0\0\0\0",
                          26);
    QByteArray app1("\xFF\xE1", 2);
    const int length = 2 + 6 + tiff.size();
    app1.append(char(length >> 8)).append(char(length & 0xFF));
    app1.append("Exif\0\0", 6).append(tiff);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// Writes SidewaysJpeg(w, h) to `path`; false when it cannot.
inline bool WriteSidewaysJpeg(const QString& path, int w, int h)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(SidewaysJpeg(w, h)) > 0;
}
