#include "JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#if KORVATH_HAVE_LIBJPEG
#include <jpeglib.h>
#endif

namespace {

#if KORVATH_HAVE_LIBJPEG
constexpr int kMessageSize = JMSG_LENGTH_MAX;

// Luma sampling factor: 1 keeps full-resolution colour (4:4:4).
constexpr int kLumaSampling = 1;

struct ErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void silent(j_common_ptr) {}

// Free of objects with destructors: libjpeg errors leave through longjmp.
bool compress(int32_t w, int32_t h, const unsigned char* rgb, int32_t quality, unsigned char** out,
              std::size_t* size, char* message)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onError;
    err.mgr.output_message = silent;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // The shared header only works if every picture uses the same tables and sampling.
    cinfo.optimize_coding = FALSE;
    cinfo.write_JFIF_header = TRUE;
    cinfo.write_Adobe_marker = FALSE;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.comp_info[0].h_samp_factor = kLumaSampling;
    cinfo.comp_info[0].v_samp_factor = kLumaSampling;
    for (int c = 1; c < 3; c++) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(rgb) + static_cast<size_t>(cinfo.next_scanline) * w * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}
#else
constexpr int kMessageSize = 64;

// The test libraries of a cross build whose target has no libjpeg.
bool compress(int32_t, int32_t, const unsigned char*, int32_t, unsigned char**, std::size_t*, char* message)
{
    std::snprintf(message, kMessageSize, "this build has no libjpeg");
    return false;
}
#endif

} // namespace

bool JpegEncoder::encode(int32_t w, int32_t h, const std::vector<uint32_t>& rgb, int32_t quality,
                         std::vector<uint8_t>& out, std::string* error)
{
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535 || rgb.size() != static_cast<size_t>(w) * h) {
        if (error)
            *error = "bad picture size for JPEG";
        return false;
    }
    std::vector<unsigned char> bytes(rgb.size() * 3);
    for (size_t i = 0; i < rgb.size(); i++) {
        bytes[i * 3] = static_cast<unsigned char>(rgb[i] >> 16);
        bytes[i * 3 + 1] = static_cast<unsigned char>(rgb[i] >> 8);
        bytes[i * 3 + 2] = static_cast<unsigned char>(rgb[i]);
    }
    unsigned char* buffer = nullptr;
    std::size_t size = 0;
    char message[kMessageSize];
    bool ok = compress(w, h, bytes.data(), quality, &buffer, &size, message);
    if (ok)
        out.assign(buffer, buffer + size);
    else if (error)
        *error = std::string("JPEG encoding failed: ") + message;
    std::free(buffer);
    return ok;
}

bool JpegEncoder::checkHeader(const std::vector<uint8_t>& s, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "unexpected JPEG header layout: " + why;
        return false;
    };
    if (s.size() < 4 || s[0] != 0xFF || s[1] != 0xD8)
        return fail("no start of image");
    // Segments in this order, each with its length; the frame must sit where
    // the reader patches the size, and the scan header must end the header.
    static const uint8_t order[] = {0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
    size_t pos = 2;
    for (uint8_t marker : order) {
        if (pos + 4 > s.size() || s[pos] != 0xFF)
            return fail("segment expected at byte " + std::to_string(pos));
        if (s[pos + 1] != marker)
            return fail("marker 0x" + std::to_string(s[pos + 1]) + " at byte " + std::to_string(pos));
        if (marker == 0xC0 && pos + 5 != kFrameSizeAt)
            return fail("frame size not at byte 163");
        pos += 2 + ((static_cast<size_t>(s[pos + 2]) << 8) | s[pos + 3]);
    }
    if (pos != static_cast<size_t>(kHeaderSize))
        return fail("header is " + std::to_string(pos) + " bytes, not 623");
    if (s.size() <= pos)
        return fail("no scan data");
    return true;
}
