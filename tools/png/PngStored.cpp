#include "Png.h"

#include <algorithm>

#include "PngFile.h"

using PngFile::fail;

// Png for targets without libpng (the browser, a cross build's tests): files
// written with their pixels stored, not compressed, which every PNG reader
// takes; read back are only such files (what the tests read the programs wrote).
namespace {

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; i++) {
        crc ^= data[i];
        for (int32_t k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    out.insert(out.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                           static_cast<uint8_t>(v)});
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    put32(out, static_cast<uint32_t>(data.size()));
    const size_t from = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + from, out.size() - from));
}

uint32_t get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

} // namespace

bool Png::write(const std::string& path, int32_t w, int32_t h, const uint32_t* pixels, bool withAlpha,
                std::string* error, bool fresh)
{
    if (w <= 0 || h <= 0 || !pixels)
        return fail(error, "empty picture");
    const int32_t channels = withAlpha ? 4 : 3;
    // The filtered rows: a filter byte (none) before each.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(w * channels + 1) * h);
    for (int32_t y = 0; y < h; y++) {
        raw.push_back(0);
        for (int32_t x = 0; x < w; x++) {
            const uint32_t p = pixels[static_cast<size_t>(y) * w + x];
            raw.insert(raw.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
            if (withAlpha)
                raw.push_back(static_cast<uint8_t>(p >> 24));
        }
    }
    // A zlib stream of stored blocks of at most 65535 bytes, then its Adler-32.
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.insert(z.end(), {static_cast<uint8_t>(at + n == raw.size()), static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    }
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, b << 16 | a);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    put32(header, static_cast<uint32_t>(w));
    put32(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, static_cast<uint8_t>(withAlpha ? 6 : 2), 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    PngFile::File f = PngFile::create(path, fresh, error);
    if (!f)
        return false;
    if (std::fwrite(out.data(), 1, out.size(), f.get()) != out.size() || std::fflush(f.get()) != 0)
        return fail(error, "cannot write " + path);
    return true;
}

bool Png::read(const std::string& path, int32_t& w, int32_t& h, std::vector<uint32_t>& pixels, std::string* error)
{
    std::vector<uint8_t> file;
    {
        PngFile::File f(std::fopen(path.c_str(), "rb"));
        if (!f)
            return fail(error, "cannot open " + path);
        uint8_t buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0;)
            file.insert(file.end(), buffer, buffer + n);
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(kSignature, kSignature + 8, file.begin()))
        return fail(error, path + " is not a PNG file");
    // The chunks: the header, then the zlib stream of the IDAT chunks.
    std::vector<uint8_t> z;
    int32_t channels = 0;
    for (size_t at = 8; at + 12 <= file.size();) {
        const size_t n = get32(&file[at]);
        if (n > file.size() - at - 12)
            return fail(error, path + " is cut short");
        const uint8_t* type = &file[at + 4];
        const uint8_t* data = type + 4;
        if (std::equal(type, type + 4, "IHDR") && n == 13) {
            w = static_cast<int32_t>(get32(data));
            h = static_cast<int32_t>(get32(data + 4));
            channels = data[9] == 6 ? 4 : data[9] == 2 ? 3 : 0;
            if (data[8] != 8 || data[12] != 0 || !channels || w <= 0 || h <= 0 || w > 65535 || h > 65535)
                return fail(error, path + ": only 8-bit RGB or RGBA pictures, not interlaced, are read");
        } else if (std::equal(type, type + 4, "IDAT")) {
            z.insert(z.end(), data, data + n);
        }
        at += 12 + n;
    }
    // Stored blocks only: a header byte, the length and its complement, the bytes.
    std::vector<uint8_t> raw;
    bool last = false;
    for (size_t at = 2; !last;) {
        if (at + 5 > z.size() || (z[at] & 6) != 0)
            return fail(error, path + " is compressed, which this build does not read");
        last = z[at] & 1;
        const size_t n = z[at + 1] | static_cast<size_t>(z[at + 2]) << 8;
        if (at + 5 + n > z.size())
            return fail(error, path + " is cut short");
        raw.insert(raw.end(), z.begin() + at + 5, z.begin() + at + 5 + n);
        at += 5 + n;
    }
    const size_t stride = static_cast<size_t>(w) * channels + 1;
    if (!channels || raw.size() != stride * h)
        return fail(error, path + " has not the size its header gives");
    pixels.resize(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; y++) {
        const uint8_t* row = &raw[stride * y];
        if (row[0] != 0)
            return fail(error, path + " has filtered rows, which this build does not read");
        for (int32_t x = 0; x < w; x++) {
            const uint8_t* p = row + 1 + static_cast<size_t>(x) * channels;
            const uint32_t alpha = channels == 4 ? p[3] : 0xFF;
            pixels[static_cast<size_t>(y) * w + x] = alpha << 24 | static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        }
    }
    return true;
}
