#include "ImageLibraryWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "AlphaMask.h"
#include "JpegEncoder.h"
#include "RleEncoder.h"
#include "runtime/Varint.h"

namespace {

constexpr size_t kPageSize = 32768;
// Room in the reader's work buffer beyond the header and the largest record.
constexpr int32_t kScratchMargin = 64;
constexpr int32_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = 1 << 24;

bool isJpeg(PictureEncoding e)
{
    return e == PictureEncoding::Jpeg || e == PictureEncoding::JpegMasked;
}

std::string label(size_t k, const SourcePicture& p)
{
    return "picture " + std::to_string(k) + " \"" + p.name + "\"";
}

} // namespace

ImageLibraryWriter::ImageLibraryWriter(int32_t jpegQuality) : m_quality(jpegQuality) {}

void ImageLibraryWriter::add(const SourcePicture& picture, PictureEncoding encoding)
{
    m_entries.push_back({picture, encoding});
}

bool ImageLibraryWriter::record(size_t k, std::vector<uint8_t>& header, std::vector<uint8_t>& out,
                                int32_t& payload, std::string& error) const
{
    const SourcePicture& p = m_entries[k].picture;
    const PictureEncoding enc = m_entries[k].encoding;
    const std::string who = label(k, p);
    if (p.width <= 0 || p.height <= 0 || p.width > kMaxSide || p.height > kMaxSide ||
        static_cast<int64_t>(p.width) * p.height > kMaxPixels) {
        error = who + ": size " + std::to_string(p.width) + " x " + std::to_string(p.height) +
                " is outside 1 .. 32767 per side (at most 16777216 pixels)";
        return false;
    }
    if (p.argb.size() != static_cast<size_t>(p.width) * p.height) {
        error = who + ": has " + std::to_string(p.argb.size()) + " pixels for a size of " +
                std::to_string(p.width) + " x " + std::to_string(p.height);
        return false;
    }
    if (p.hotX < 0 || p.hotY < 0 || p.hotX > kMaxSide || p.hotY > kMaxSide) {
        error = who + ": hot spot (" + std::to_string(p.hotX) + ", " + std::to_string(p.hotY) +
                ") is outside 0 .. 32767";
        return false;
    }
    if (p.name.size() > 255) {
        error = who + ": name longer than 255 bytes";
        return false;
    }
    std::vector<uint8_t> body, mask;
    int type = enc == PictureEncoding::Rle ? 'r' : enc == PictureEncoding::RleOpaque ? 'o' : 'j';
    if (isJpeg(enc)) {
        const bool masked = enc == PictureEncoding::JpegMasked;
        std::vector<uint8_t> stream;
        std::string why;
        if (!JpegEncoder::encode(p.width, p.height, masked ? AlphaMask::bleed(p.width, p.height, p.argb) : p.argb,
                                 m_quality, stream, &why) ||
            !JpegEncoder::checkHeader(stream, &why)) {
            error = who + ": " + why;
            return false;
        }
        if (k == 0) {
            header.assign(stream.begin(), stream.begin() + JpegEncoder::kHeaderSize);
        } else {
            for (int32_t b = 0; b < JpegEncoder::kHeaderSize; b++) {
                bool frameSize = b >= JpegEncoder::kFrameSizeAt && b < JpegEncoder::kFrameSizeAt + 4;
                if (!frameSize && stream[static_cast<size_t>(b)] != header[static_cast<size_t>(b)]) {
                    error = who + ": its JPEG header differs from the shared one at byte " + std::to_string(b);
                    return false;
                }
            }
        }
        // Picture 0 keeps its whole stream: it brings the shared header to the reader.
        body.assign(stream.begin() + (k == 0 ? 0 : JpegEncoder::kHeaderSize), stream.end());
        if (masked)
            mask = AlphaMask::encode(p.argb);
    } else {
        body = RleEncoder::encode(p.width, p.height, p.argb, enc == PictureEncoding::RleOpaque);
    }
    Varint::put(out, static_cast<uint32_t>(type));
    Varint::put(out, static_cast<uint32_t>(p.width));
    Varint::put(out, static_cast<uint32_t>(p.height));
    Varint::put(out, static_cast<uint32_t>(p.hotX));
    Varint::put(out, static_cast<uint32_t>(p.hotY));
    if (type == 'j')
        Varint::put(out, static_cast<uint32_t>(mask.size()));
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), mask.begin(), mask.end());
    payload = static_cast<int32_t>(body.size() + mask.size());
    return true;
}

std::vector<uint8_t> ImageLibraryWriter::build(std::string* error)
{
    std::string why;
    auto fail = [&](const std::string& message) {
        if (error)
            *error = message;
        return std::vector<uint8_t>();
    };
    if (m_entries.empty())
        return fail("the library has no pictures");
    if (!isJpeg(m_entries[0].encoding))
        for (size_t k = 1; k < m_entries.size(); k++)
            if (isJpeg(m_entries[k].encoding))
                return fail(label(k, m_entries[k].picture) +
                            " is a JPEG, but picture 0 is not: picture 0 must be a JPEG picture, "
                            "it carries the header that all JPEG pictures share");
    std::vector<std::vector<uint8_t>> records(m_entries.size());
    std::vector<uint8_t> header;
    int32_t largest = 0;
    for (size_t k = 0; k < m_entries.size(); k++) {
        int32_t payload = 0;
        if (!record(k, header, records[k], payload, why))
            return fail(why);
        largest = std::max(largest, payload);
    }
    std::vector<uint8_t> out;
    Varint::put(out, static_cast<uint32_t>(m_entries.size()));
    Varint::put(out, static_cast<uint32_t>(JpegEncoder::kHeaderSize + largest + kScratchMargin));
    for (size_t k = 0; k < m_entries.size(); k++) {
        const std::string& name = m_entries[k].picture.name;
        Varint::put(out, static_cast<uint32_t>(records[k].size()));
        out.push_back(static_cast<uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
    }
    for (const auto& r : records)
        out.insert(out.end(), r.begin(), r.end());
    if (out.size() > 0x7FFFFFFF)
        return fail("the library is larger than 2 GB");
    return out;
}

bool ImageLibraryWriter::write(const std::string& dir, const std::string& name, std::string* error)
{
    std::string why;
    std::vector<uint8_t> bytes = build(&why);
    auto fail = [&](const std::string& message) {
        if (error)
            *error = message;
        return false;
    };
    if (bytes.empty())
        return fail(why);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    size_t pages = (bytes.size() + kPageSize - 1) / kPageSize;
    for (size_t k = 0; k < pages; k++) {
        std::string path = dir + "/" + name + std::to_string(k) + ".bin";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f)
            return fail("cannot create " + path);
        size_t n = std::min(kPageSize, bytes.size() - k * kPageSize);
        bool ok = std::fwrite(bytes.data() + k * kPageSize, 1, n, f) == n;
        ok = std::fclose(f) == 0 && ok;
        if (!ok)
            return fail("cannot write " + path);
    }
    // Pages left over from an earlier, longer library would only confuse.
    for (size_t k = pages;; k++) {
        std::filesystem::path stale = dir + "/" + name + std::to_string(k) + ".bin";
        if (!std::filesystem::remove(stale, ec))
            break;
    }
    return true;
}
