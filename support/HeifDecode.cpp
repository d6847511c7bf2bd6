#include "support/HeifDecode.h"

#include <cstring>
#include <memory>

#ifdef QM_HAVE_HEIF
#include <libheif/heif.h>
#endif

namespace HeifDecode {

bool IsHeif(const char* head, size_t size)
{
    if (!head || size < 12 || std::memcmp(head + 4, "ftyp", 4) != 0)
        return false;
    static const char* const brands[] = {"heic", "heix", "hevc", "hevx", "mif1", "msf1"};
    for (const char* brand : brands) {
        if (std::memcmp(head + 8, brand, 4) == 0)
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

// Pictures beyond this many pixels are not decoded.
constexpr long long kMaxPixels = 100LL * 1000 * 1000;

bool Fail(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace
#endif

bool Decode(const char* data, size_t size, HeifPixels* out, std::string* error)
{
#ifdef QM_HAVE_HEIF
    if (!out || !IsHeif(data, size))
        return Fail(error, "not a HEIF file");
    std::unique_ptr<heif_context, ContextFree> ctx(heif_context_alloc());
    if (!ctx)
        return Fail(error, "out of memory");
    heif_error err = heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr);
    if (err.code != heif_error_Ok)
        return Fail(error, err.message ? err.message : "unreadable HEIF file");

    heif_image_handle* rawHandle = nullptr;
    err = heif_context_get_primary_image_handle(ctx.get(), &rawHandle);
    std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    if (err.code != heif_error_Ok || !handle)
        return Fail(error, err.message ? err.message : "no picture");

    const int w = heif_image_handle_get_width(handle.get());
    const int h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxPixels)
        return Fail(error, "unsupported picture size");

    heif_image* rawImage = nullptr;
    err = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    std::unique_ptr<heif_image, ImageFree> image(rawImage);
    if (err.code != heif_error_Ok || !image)
        return Fail(error, err.message ? err.message : "cannot decode");

    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || iw <= 0 || ih <= 0 || static_cast<long long>(iw) * ih > kMaxPixels || stride < iw * 4)
        return Fail(error, "no picture data");
    out->nWidth = iw;
    out->nHeight = ih;
    out->vecRgba.resize(static_cast<size_t>(iw) * static_cast<size_t>(ih) * 4);
    for (int y = 0; y < ih; ++y)
        std::memcpy(out->vecRgba.data() + static_cast<size_t>(y) * iw * 4, plane + static_cast<size_t>(y) * stride,
                    static_cast<size_t>(iw) * 4);
    return true;
#else
    (void)data;
    (void)size;
    (void)out;
    if (error)
        *error = "HEIF support is not built in";
    return false;
#endif
}

} // namespace HeifDecode
