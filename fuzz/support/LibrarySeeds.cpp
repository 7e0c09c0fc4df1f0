// Seeds of the image library harness, from the game's own library and
// writer: for every picture of the library "app", a small library of the
// shared header and that picture's record as the game's file holds it; one
// library whose record crosses from the first page into the second; and a
// few tiny pictures of each encoding made with the writer.
// Usage: fuzz_library_seeds DATA_DIR OUT_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ImageLibraryWriter.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "runtime/Varint.h"
#include "scene/Vilib.h"

namespace {

std::vector<uint8_t> readLibrary(const std::string& dir, const std::string& name)
{
    std::vector<uint8_t> bytes;
    for (int32_t page = 0;; page++) {
        std::ifstream in(dir + "/" + name + std::to_string(page) + ".bin", std::ios::binary);
        if (!in)
            return bytes;
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
}

// A library of the given pictures of lib, their records copied unchanged.
std::vector<uint8_t> subset(Vilib& lib, const std::vector<uint8_t>& stream, const std::vector<int32_t>& picks)
{
    std::vector<uint8_t> out;
    Varint::put(out, static_cast<uint32_t>(picks.size()));
    Varint::put(out, static_cast<uint32_t>(lib.m_scratch.length));
    for (int32_t k : picks) {
        Varint::put(out, static_cast<uint32_t>(lib.m_offsets[k + 1] - lib.m_offsets[k]));
        const ref<String>& name = lib.m_names[k];
        out.push_back(static_cast<uint8_t>(name->length()));
        out.insert(out.end(), name->c_str(), name->c_str() + name->length());
    }
    for (int32_t k : picks)
        out.insert(out.end(), stream.begin() + lib.m_offsets[k], stream.begin() + lib.m_offsets[k + 1]);
    return out;
}

void save(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

SourcePicture picture(const char* name, int32_t w, int32_t h, uint32_t seed)
{
    SourcePicture p;
    p.name = name;
    p.width = w;
    p.height = h;
    p.hotX = w / 2;
    p.hotY = h;
    // Opaque, transparent and partly transparent pixels in runs of all lengths.
    for (int32_t i = 0; i < w * h; i++) {
        seed = seed * 1103515245u + 12345u;
        uint32_t alpha = (i / 7) % 3 == 0 ? 0xFF : (i / 5) % 4 == 0 ? 0 : (seed >> 24);
        p.argb.push_back((alpha << 24) | ((seed >> 8) & 0xFFFFFF));
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: fuzz_library_seeds DATA_DIR OUT_DIR\n");
        return 2;
    }
    const std::string data = argv[1], out = argv[2];
    std::filesystem::create_directories(out);
    InputStream::setResourceDir(data);
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    const std::vector<uint8_t> stream = readLibrary(data, "app");
    if (lib->m_count < 2 || lib->m_offsets[lib->m_count] > static_cast<int32_t>(stream.size())) {
        std::printf("fuzz_library_seeds: cannot read the image library app in %s\n", data.c_str());
        return 1;
    }
    std::vector<int32_t> twoPages{0};
    int32_t bytes = 0;
    for (int32_t k = 1; k < lib->m_count; k++) {
        save(out + "/app-" + std::to_string(k) + "-" + lib->m_names[k]->c_str(), subset(*lib, stream, {0, k}));
        // The largest pictures, until the records run past the first page.
        if (bytes < 40000 && lib->m_offsets[k + 1] - lib->m_offsets[k] > 10000) {
            twoPages.push_back(k);
            bytes += lib->m_offsets[k + 1] - lib->m_offsets[k];
        }
    }
    save(out + "/app-two-pages", subset(*lib, stream, twoPages));

    ImageLibraryWriter writer;
    writer.add(picture("jpeg", 9, 3, 1), PictureEncoding::Jpeg);
    writer.add(picture("masked", 17, 5, 2), PictureEncoding::JpegMasked);
    writer.add(picture("rle", 23, 4, 3), PictureEncoding::Rle);
    writer.add(picture("opaque", 3, 3, 4), PictureEncoding::RleOpaque);
    writer.add(picture("dot", 1, 1, 5), PictureEncoding::Rle);
    std::string error;
    std::vector<uint8_t> tiny = writer.build(&error);
    if (tiny.empty()) {
        std::printf("fuzz_library_seeds: %s\n", error.c_str());
        return 1;
    }
    save(out + "/tiny-pictures", tiny);
    save(out + "/empty", {0, 0});
    return 0;
}
