#include "support/JpegEncode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg ends the process on an error unless its handler jumps back out.
struct JumpingError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JumpOnError(j_common_ptr info)
{
    JumpingError* err = reinterpret_cast<JumpingError*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

} // namespace

bool EncodeJpeg(const HeifPixels& pixels, int quality, std::string* out, std::string* error)
{
    const size_t expected = static_cast<size_t>(pixels.nWidth) * static_cast<size_t>(pixels.nHeight) * 4;
    if (!out || pixels.nWidth <= 0 || pixels.nHeight <= 0 || pixels.vecRgba.size() != expected) {
        if (error)
            *error = "no picture to encode";
        return false;
    }
    jpeg_compress_struct info {};
    JumpingError err {};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JumpOnError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    // Everything that must survive a jump back here lives outside its reach.
    std::vector<JSAMPLE> row(static_cast<size_t>(pixels.nWidth) * 3);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        if (error)
            *error = err.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(pixels.nWidth);
    info.image_height = static_cast<JDIMENSION>(pixels.nHeight);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const unsigned char* src = pixels.vecRgba.data() + static_cast<size_t>(info.next_scanline) * pixels.nWidth * 4;
        for (int x = 0; x < pixels.nWidth; ++x) {
            row[size_t(x) * 3] = src[x * 4];
            row[size_t(x) * 3 + 1] = src[x * 4 + 1];
            row[size_t(x) * 3 + 2] = src[x * 4 + 2];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    out->assign(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return true;
}
