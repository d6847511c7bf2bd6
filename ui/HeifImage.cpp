#include "ui/HeifImage.h"

#include <QFile>

#include <memory>

#ifdef QM_HAVE_HEIF
#include <libheif/heif.h>
#endif

namespace HeifImage {

bool IsHeif(const QByteArray& head)
{
    if (head.size() < 12 || head.mid(4, 4) != "ftyp")
        return false;
    static const char* const brands[] = {"heic", "heix", "hevc", "hevx", "mif1", "msf1"};
    const QByteArray major = head.mid(8, 4);
    for (const char* brand : brands) {
        if (major == brand)
            return true;
    }
    return false;
}

bool IsAvailable()
{
#ifdef QM_HAVE_HEIF
    return heif_have_decoder_for_format(heif_compression_HEVC) != 0;
#else
    return false;
#endif
}

#ifdef QM_HAVE_HEIF
namespace {

struct ContextFree {
    void operator()(heif_context* p) const { heif_context_free(p); }
};
struct HandleFree {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct ImageFree {
    void operator()(heif_image* p) const { heif_image_release(p); }
};

// Pictures beyond this many pixels are not decoded for a preview.
constexpr qint64 kMaxPixels = 100LL * 1000 * 1000;

QImage Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return QImage();
}

} // namespace
#endif

QImage Decode(const QString& path, QString* error)
{
#ifdef QM_HAVE_HEIF
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error, file.errorString());
    const QByteArray data = file.readAll();
    if (!IsHeif(data))
        return Fail(error, QStringLiteral("not a HEIF file"));

    std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
    if (!ctx)
        return Fail(error, QStringLiteral("out of memory"));
    heif_error err = heif_context_read_from_memory_without_copy(ctx.get(), data.constData(),
                                                                size_t(data.size()), nullptr);
    if (err.code != heif_error_Ok)
        return Fail(error, QString::fromUtf8(err.message));

    heif_image_handle* rawHandle = nullptr;
    err = heif_context_get_primary_image_handle(ctx.get(), &rawHandle);
    std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    if (err.code != heif_error_Ok || !handle)
        return Fail(error, QString::fromUtf8(err.message));

    const int w = heif_image_handle_get_width(handle.get());
    const int h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || qint64(w) * h > kMaxPixels)
        return Fail(error, QStringLiteral("unsupported picture size"));

    heif_image* rawImage = nullptr;
    err = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            heif_chroma_interleaved_RGBA, nullptr);
    std::unique_ptr<heif_image, ImageFree> image(rawImage);
    if (err.code != heif_error_Ok || !image)
        return Fail(error, QString::fromUtf8(err.message));

    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || iw <= 0 || ih <= 0 || stride < iw * 4)
        return Fail(error, QStringLiteral("no picture data"));

    // Copy out: the plane belongs to the libheif image freed on return.
    return QImage(plane, iw, ih, stride, QImage::Format_RGBA8888).copy();
#else
    Q_UNUSED(path);
    if (error)
        *error = QStringLiteral("HEIF support is not built in");
    return QImage();
#endif
}

} // namespace HeifImage
