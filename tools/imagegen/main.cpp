// Draws the pictures of the image library "app" and writes the library into
// the data folder, with the window icon beside it as icon.png.
// Usage: imagegen DATA_DIR OUTLINE_FILE [--png DIR]
// (--png also writes every picture as a PNG file, for looking at them), or
// imagegen --icon SIZE FILE: the window icon drawn at SIZE x SIZE pixels.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "AppLibrary.h"
#include "MapPicture.h"
#include "Png.h"
#include "ScenePictures.h"

namespace {

int32_t writeIcon(int32_t size, const std::string& path)
{
    const SourcePicture icon = ScenePictures::windowIcon(size);
    std::string error;
    if (!Png::write(path, icon.width, icon.height, icon.argb.data(), true, &error)) {
        std::printf("Could not write %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--icon") {
        const int32_t size = std::atoi(argv[2]);
        if (size < 16 || size > 1024) {
            std::printf("imagegen: the icon size must be 16 to 1024, not %s\n", argv[2]);
            return 2;
        }
        return writeIcon(size, argv[3]);
    }
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--png")) {
        std::printf("usage: imagegen DATA_DIR OUTLINE_FILE [--png DIR]\n       imagegen --icon SIZE FILE\n");
        return 2;
    }
    MapPicture map;
    if (!map.load(argv[2]))
        return 1;
    std::vector<AppLibrary::Entry> entries = AppLibrary::pictures(map);
    ImageLibraryWriter writer;
    for (size_t i = 0; i < entries.size(); ++i) {
        const SourcePicture& p = entries[i].picture;
        writer.add(p, entries[i].encoding);
        if (argc == 5) {
            std::string path = std::string(argv[4]) + "/" + std::to_string(i) + "_" + p.name + ".png";
            std::string why;
            if (!Png::write(path, p.width, p.height, p.argb.data(), true, &why))
                std::printf("Could not write %s: %s\n", path.c_str(), why.c_str());
        }
    }
    // Pages of an earlier, longer library would otherwise stay behind.
    for (int32_t page = 0;; ++page) {
        std::error_code ec;
        if (!std::filesystem::remove(std::string(argv[1]) + "/app" + std::to_string(page) + ".bin", ec))
            break;
    }
    std::string error;
    if (!writer.write(argv[1], "app", &error)) {
        std::printf("Could not write the image library app: %s\n", error.c_str());
        return 1;
    }
    return writeIcon(ScenePictures::kIconSize, std::string(argv[1]) + "/icon.png");
}
