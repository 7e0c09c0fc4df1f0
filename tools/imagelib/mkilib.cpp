// mkilib: builds an image library from a list of PNG files.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ImageLibraryWriter.h"
#include "Png.h"

namespace {

const char* kUsage =
    "usage: mkilib OUTDIR NAME LISTFILE\n"
    "\n"
    "Builds the image library NAME as OUTDIR/NAME0.bin, NAME1.bin, ... (pages of\n"
    "32768 bytes) from the pictures listed in LISTFILE, in order: the first line\n"
    "is picture 0. Each line reads\n"
    "\n"
    "    name encoding file.png [hotx hoty]\n"
    "\n"
    "with encoding one of jpeg, jpeg-masked, rle, rle-opaque. PNG paths are\n"
    "relative to the list file. Blank lines and lines starting with # are skipped.\n"
    "When the library holds JPEG pictures, picture 0 must be one of them.\n";

bool parseEncoding(const std::string& word, PictureEncoding& enc)
{
    if (word == "jpeg")
        enc = PictureEncoding::Jpeg;
    else if (word == "jpeg-masked")
        enc = PictureEncoding::JpegMasked;
    else if (word == "rle")
        enc = PictureEncoding::Rle;
    else if (word == "rle-opaque")
        enc = PictureEncoding::RleOpaque;
    else
        return false;
    return true;
}

bool parseInt(const std::string& word, int32_t& value)
{
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    if (argc != 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string outDir = argv[1], name = argv[2], listFile = argv[3];
    std::ifstream list(listFile);
    if (!list) {
        std::fprintf(stderr, "mkilib: cannot open %s\n", listFile.c_str());
        return 1;
    }
    const std::filesystem::path base = std::filesystem::path(listFile).parent_path();
    ImageLibraryWriter writer;
    std::string line;
    int lineNo = 0, pictures = 0;
    while (std::getline(list, line)) {
        lineNo++;
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        auto error = [&](const std::string& message) {
            std::fprintf(stderr, "%s:%d: %s\n", listFile.c_str(), lineNo, message.c_str());
            return 1;
        };
        std::string encWord, file, extra;
        std::string hx, hy;
        if (!(words >> encWord >> file))
            return error("expected: name encoding file.png [hotx hoty]");
        SourcePicture pic;
        pic.name = first;
        PictureEncoding enc;
        if (!parseEncoding(encWord, enc))
            return error("unknown encoding \"" + encWord + "\" (jpeg, jpeg-masked, rle or rle-opaque)");
        if (words >> hx) {
            if (!(words >> hy) || !parseInt(hx, pic.hotX) || !parseInt(hy, pic.hotY))
                return error("the hot spot must be two integers");
            if (words >> extra)
                return error("unexpected \"" + extra + "\" after the hot spot");
        }
        std::filesystem::path path = file;
        if (path.is_relative())
            path = base / path;
        std::string why;
        if (!Png::read(path.string(), pic.width, pic.height, pic.argb, &why))
            return error("cannot read " + path.string() + (why.empty() ? "" : ": " + why));
        writer.add(pic, enc);
        pictures++;
    }
    std::string why;
    if (!writer.write(outDir, name, &why)) {
        std::fprintf(stderr, "mkilib: %s\n", why.c_str());
        return 1;
    }
    std::printf("mkilib: wrote %d pictures to %s/%s*.bin\n", pictures, outDir.c_str(), name.c_str());
    return 0;
}
