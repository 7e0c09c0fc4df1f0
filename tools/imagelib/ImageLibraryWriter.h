#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One picture as drawn by an artist or a generator.
struct SourcePicture {
    std::string name;
    int32_t width = 0, height = 0;
    int32_t hotX = 0, hotY = 0;
    std::vector<uint32_t> argb; // width*height pixels 0xAARRGGBB, straight (not premultiplied) alpha, row-major
};

// Jpeg ignores alpha; JpegMasked adds a 4-bit alpha mask; Rle keeps 15-bit
// colours with transparent and partly transparent pixels; RleOpaque ignores alpha.
enum class PictureEncoding { Jpeg, JpegMasked, Rle, RleOpaque };

// Writes image libraries: a directory of named pictures followed by one record
// per picture, split into pages name0.bin, name1.bin, ... of 32768 bytes.
// All JPEG pictures share one 623-byte header, carried by picture 0.
class ImageLibraryWriter {
public:
    explicit ImageLibraryWriter(int32_t jpegQuality = 88);
    // Appends a picture at the next index; the first picture added is index 0.
    // If index 0 is a JPEG, its full stream (shared header + body) is record 0;
    // if the library has no JPEG at index 0 but JPEGs elsewhere, write() fails with a clear error.
    void add(const SourcePicture& picture, PictureEncoding encoding);
    // The whole library as one byte stream (directory + records), before paging.
    std::vector<uint8_t> build(std::string* error = nullptr);
    // Writes dir/name0.bin, dir/name1.bin, ... in pages of 32768 bytes.
    bool write(const std::string& dir, const std::string& name, std::string* error = nullptr);

private:
    struct Entry {
        SourcePicture picture;
        PictureEncoding encoding = PictureEncoding::Jpeg;
    };
    bool record(size_t k, std::vector<uint8_t>& header, std::vector<uint8_t>& out, int32_t& payload,
                std::string& error) const;

    int32_t m_quality = 88;
    std::vector<Entry> m_entries;
};
