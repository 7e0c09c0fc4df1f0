#include "game/GameData.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include "game/GameSound.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "runtime/StringBuffer.h"
#include "scene/Vilib.h"
#include "scene/VilibPages.h"

namespace {

constexpr int64_t kMiB = 1 << 20;

// What a file of the folder must look like: its size, and bytes that every
// file of its format has at a place.
struct Format {
    int64_t least = 1, most = 16 * kMiB;
    const char* magic = nullptr;
    int32_t magicAt = 0;
    const char* name = ""; // for the message
};

Format formatOf(const std::string& file)
{
    auto ends = [&](const char* s) {
        const std::size_t n = std::strlen(s);
        return file.size() >= n && file.compare(file.size() - n, n, s) == 0;
    };
    if (ends(".wav"))
        return {44, 16 * kMiB, "WAVE", 8, "a WAVE sound"};
    if (file == "layout")
        return {21, 16 * kMiB, "FWS", 0, "an uncompressed SWF file"};
    if (file == "f10.bin" || file == "f16.bin")
        return {16, kMiB, nullptr, 0, "a font"};
    if (file == "help.txt")
        return {1, kMiB, nullptr, 0, "a text"};
    if (file.compare(0, 3, "app") == 0)
        return {1, VilibPages::kPageSize, nullptr, 0, "a page of the image library"};
    return {};
}

std::string sizeText(int64_t n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// The file's problem, "" when it has none; size receives its size.
std::string examine(const std::string& file, int64_t& size)
{
    const std::string path = InputStream::resourcePath(file.c_str());
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return "is missing";
    if (S_ISDIR(st.st_mode))
        return "is a folder, not a file";
    if (!S_ISREG(st.st_mode))
        return "is not a plain file";
    size = st.st_size;
    const Format f = formatOf(file);
    if (size < f.least || size > f.most)
        return "holds " + sizeText(size) + ": too " + (size < f.least ? "few" : "many") + " for " + f.name;
    if (!f.magic)
        return "";
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    in.read(head, sizeof head);
    if (!in || std::memcmp(head + f.magicAt, f.magic, std::strlen(f.magic)) != 0)
        return std::string("is not ") + f.name + " (no \"" + f.magic + "\" signature)";
    // Both formats give their length in the header: a file cut short or
    // grown is damaged.
    const int64_t told = static_cast<int64_t>((head[4] & 255) | (head[5] & 255) << 8 | (head[6] & 255) << 16) |
                         static_cast<int64_t>(head[7] & 255) << 24;
    const int64_t whole = f.magicAt == 8 ? told + 8 : told;
    if (whole != size)
        return "holds " + sizeText(size) + ", but its header says " + std::to_string(whole);
    return "";
}

} // namespace

const std::vector<std::string>& GameData::files()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"app0.bin", "f10.bin", "f16.bin", "help.txt", "layout", "p3d.bin"};
        for (const char* sound : GameSound::kAll)
            n.push_back(std::string(sound) + ".wav");
        return n;
    }();
    return names;
}

GameData::Problem GameData::firstProblem()
{
    int64_t size = 0;
    for (const std::string& name : files())
        if (std::string what = examine(name, size); !what.empty())
            return {name, what, what == "is missing"};
    // Every page of the library there is: full but the last (the library
    // reads them as one stream).
    int32_t pages = 0;
    for (;; pages++) {
        const std::string page = "app" + std::to_string(pages) + ".bin";
        const std::string what = examine(page, size);
        if (what == "is missing")
            break;
        if (!what.empty())
            return {page, what};
        int64_t nextSize = 0;
        const bool more = examine("app" + std::to_string(pages + 1) + ".bin", nextSize) != "is missing";
        if (size != VilibPages::kPageSize && more)
            return {page, "holds " + sizeText(size) + ", but a page before the last holds " +
                              std::to_string(VilibPages::kPageSize)};
    }
    // The first page is there; its directory tells how many pages it needs.
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    if (lib && lib->m_count == 0)
        return {"app0.bin", "holds no picture directory"};
    const int32_t page = lib ? lib->missingPage() : -1;
    if (page >= pages)
        return {"app" + std::to_string(page) + ".bin", "is missing", true};
    if (page >= 0)
        return {"app" + std::to_string(page) + ".bin", "is cut short"};
    return {};
}
