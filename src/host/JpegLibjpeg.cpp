#include "host/JpegLibjpeg.h"

#include <bit>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the decoder's entry and report failure there.
struct JpegError {
    jpeg_error_mgr mgr{};
    std::jmp_buf jump{};
};

void jpegErrorExit(j_common_ptr cinfo)
{
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void jpegOutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    std::fprintf(stderr, "JPEG decoding: %s\n", text);
}

} // namespace

// Kept free of C++ objects with destructors because libjpeg errors leave it
// through longjmp.
bool JpegLibjpeg::decode(const unsigned char* src, std::size_t length, unsigned char* dst, int64_t room)
{
    jpeg_decompress_struct cinfo{};
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.output_message = jpegOutputMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, src, length);
    jpeg_read_header(&cinfo, TRUE);
    // Alpha comes out as 0xFF, so unmasked pictures are opaque on every drawing path.
    cinfo.out_color_space = std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    int64_t bytes = static_cast<int64_t>(cinfo.image_width) * cinfo.image_height * 4;
    if (bytes > room) {
        std::fprintf(stderr, "JPEG decoding: a picture of %u x %u does not fit its destination\n",
                     cinfo.image_width, cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    std::size_t rowBytes = static_cast<std::size_t>(cinfo.output_width) * 4;
    if (cinfo.output_components != 4 ||
        static_cast<int64_t>(rowBytes) * cinfo.output_height > room) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = dst + cinfo.output_scanline * rowBytes;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

