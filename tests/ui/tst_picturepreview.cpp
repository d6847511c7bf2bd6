#include <QtTest>

#include <QLabel>
#include <QTemporaryDir>

#include "PortraitJpeg.h"
#include "ui/HeifImage.h"
#include "ui/PicturePreview.h"

#ifdef QM_HAVE_HEIF
#include <libheif/heif.h>
#endif

class TestPicturePreview : public QObject {
    Q_OBJECT
private slots:
    void widthRule();
    void filesOnDisk();
    void heifRecognition();
    void heifDecode();
    void portraitUpright();

private:
    QString Write(const QImage& image, const QString& name, const char* format = "PNG");
    QTemporaryDir m_dir;
};

QString TestPicturePreview::Write(const QImage& image, const QString& name, const char* format)
{
    const QString path = m_dir.filePath(name);
    if (!image.save(path, format))
        qWarning("could not write %s", qPrintable(path));
    return path;
}

static QImage Filled(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

void TestPicturePreview::widthRule()
{
    QLabel label;
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // 700 wide: unscaled, whatever the height, and centred.
    PicturePreview::Show(&label, QPixmap::fromImage(Filled(700, 2000)), PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(700, 2000));
    QCOMPARE(label.alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

    // 701 wide: scaled into the limit keeping its aspect; alignment left alone.
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PicturePreview::Show(&label, QPixmap::fromImage(Filled(701, 2000)), PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(105, 300));
    QCOMPARE(label.alignment(), Qt::AlignLeft | Qt::AlignTop);
    PicturePreview::Show(&label, QPixmap::fromImage(Filled(1500, 300)), PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(750, 150));

    // The attachment pages have the smaller limit.
    PicturePreview::Show(&label, QPixmap::fromImage(Filled(1400, 200)), PicturePreview::AttachmentLimit());
    QCOMPARE(label.pixmap().size(), QSize(700, 100));

    // Nothing to show clears the label.
    PicturePreview::Show(&label, QPixmap(), PicturePreview::MediaLimit());
    QVERIFY(label.pixmap().isNull());
}

void TestPicturePreview::filesOnDisk()
{
    QVERIFY(m_dir.isValid());
    QLabel label;
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);

    PicturePreview::ShowFile(&label, Write(Filled(700, 2000), "tall.png"), PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(700, 2000));
    QCOMPARE(label.alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

    // A wide camera JPEG decoded straight at its shown size ends as if scaled.
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    int sourceWidth = 0;
    const QString wide = Write(Filled(4032, 3024), "IMG_0001.JPG", "JPG");
    const QPixmap small = PicturePreview::Load(wide, PicturePreview::MediaLimit(), &sourceWidth);
    QCOMPARE(sourceWidth, 4032);
    QCOMPARE(small.size(), QSize(400, 300));
    PicturePreview::ShowFile(&label, wide, PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(400, 300));
    QCOMPARE(label.alignment(), Qt::AlignLeft | Qt::AlignTop);

    PicturePreview::ShowFile(&label, Write(Filled(701, 100), "wide.png"), PicturePreview::AttachmentLimit());
    QCOMPARE(label.pixmap().size(), QSize(701, 100).scaled(PicturePreview::AttachmentLimit(), Qt::KeepAspectRatio));

    // A video, a missing file or an empty path leave an empty label.
    QFile movie(m_dir.filePath("clip.mov"));
    QVERIFY(movie.open(QIODevice::WriteOnly));
    movie.write(QByteArray("\0\0\0\x14" "ftypqt  \0\0\0\0qt  ", 20));
    movie.close();
    PicturePreview::ShowFile(&label, movie.fileName(), PicturePreview::MediaLimit());
    QVERIFY(label.pixmap().isNull());
    PicturePreview::ShowFile(&label, m_dir.filePath("missing.jpg"), PicturePreview::MediaLimit());
    QVERIFY(label.pixmap().isNull());
    PicturePreview::ShowFile(&label, QString(), PicturePreview::MediaLimit());
    QVERIFY(label.pixmap().isNull());
}

void TestPicturePreview::heifRecognition()
{
    QVERIFY(HeifImage::IsHeif(QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0", 16)));
    QVERIFY(HeifImage::IsHeif(QByteArray("\0\0\0\x18" "ftypmif1\0\0\0\0", 16)));
    QVERIFY(HeifImage::IsHeif(QByteArray("\0\0\0\x18" "ftyphevx\0\0\0\0", 16)));
    QVERIFY(!HeifImage::IsHeif(QByteArray("\0\0\0\x14" "ftypqt  \0\0\0\0", 16)));
    QVERIFY(!HeifImage::IsHeif(QByteArray("\0\0\0\x18" "ftyph", 9)));
    QVERIFY(!HeifImage::IsHeif(QByteArray()));

    // A damaged HEIF file gives an error, not a crash.
    const QString bad = m_dir.filePath("bad.heic");
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24) + QByteArray(300, '\xff'));
    f.close();
    QString error;
    QVERIFY(HeifImage::Decode(bad, &error).isNull());
    QVERIFY(!error.isEmpty());
    QLabel label;
    PicturePreview::ShowFile(&label, bad, PicturePreview::MediaLimit());
    QVERIFY(label.pixmap().isNull());
}

void TestPicturePreview::heifDecode()
{
#ifdef QM_HAVE_HEIF
    if (!HeifImage::IsAvailable() || !heif_have_encoder_for_format(heif_compression_HEVC))
        QSKIP("libheif has no HEVC encoder and decoder here");
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    QCOMPARE(heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code, heif_error_Ok);
    heif_image* image = nullptr;
    QCOMPARE(heif_image_create(64, 48, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code,
             heif_error_Ok);
    QCOMPARE(heif_image_add_plane(image, heif_channel_interleaved, 64, 48, 8).code, heif_error_Ok);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < 48; ++y)
        memset(plane + y * stride, 0x80, 64 * 3);
    QCOMPARE(heif_context_encode_image(ctx, image, encoder, nullptr, nullptr).code, heif_error_Ok);
    const QString path = m_dir.filePath("IMG_0002.HEIC");
    QCOMPARE(heif_context_write_to_file(ctx, path.toUtf8().constData()).code, heif_error_Ok);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);

    QLabel label;
    PicturePreview::ShowFile(&label, path, PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(64, 48));
#else
    QSKIP("built without libheif");
#endif
}

void TestPicturePreview::portraitUpright()
{
    const QString small = m_dir.filePath("IMG_0100.JPG");
    QVERIFY(WriteSidewaysJpeg(small, 60, 40));
    int sourceWidth = 0;
    const QImage upright = PicturePreview::Load(small, PicturePreview::MediaLimit(), &sourceWidth).toImage();
    QCOMPARE(upright.size(), QSize(40, 60));
    QCOMPARE(sourceWidth, 40);
    // What was the left edge is now the top.
    QVERIFY(qRed(upright.pixel(20, 5)) > 200 && qBlue(upright.pixel(20, 5)) < 60);
    QVERIFY(qBlue(upright.pixel(20, 55)) > 200 && qRed(upright.pixel(20, 55)) < 60);

    // A camera-sized one decoded straight at its shown size is upright too.
    const QString large = m_dir.filePath("IMG_0101.JPG");
    QVERIFY(WriteSidewaysJpeg(large, 4032, 3024));
    const QImage shown = PicturePreview::Load(large, PicturePreview::MediaLimit(), &sourceWidth).toImage();
    QCOMPARE(sourceWidth, 3024);
    QCOMPARE(shown.size(), QSize(225, 300));
    QVERIFY(qRed(shown.pixel(112, 10)) > 200);
    QVERIFY(qBlue(shown.pixel(112, 290)) > 200);
    QLabel label;
    PicturePreview::ShowFile(&label, large, PicturePreview::MediaLimit());
    QCOMPARE(label.pixmap().size(), QSize(225, 300));
}

QTEST_MAIN(TestPicturePreview)
#include "tst_picturepreview.moc"
