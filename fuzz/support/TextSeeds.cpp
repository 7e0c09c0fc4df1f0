// Seeds of the text harness beside the game's help.txt (copied by its DATA
// line): the help page repeated past the most a text resource shows, so that
// the cut at the limit is read, wrapped and drawn too.
// Usage: fuzz_text_seeds DATA_DIR OUT_DIR
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// One block beyond the 64 KiB that Vtext reads.
constexpr std::size_t kLonger = 64 * 1024 + 4096;

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_text_seeds DATA_DIR OUT_DIR\n");
        return 2;
    }
    std::ifstream in(std::string(argv[1]) + "/help.txt", std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (page.empty()) {
        std::fprintf(stderr, "fuzz_text_seeds: no help.txt in %s\n", argv[1]);
        return 1;
    }
    std::string text;
    while (text.size() < kLonger)
        text += page;
    std::ofstream out(std::string(argv[2]) + "/longer-than-shown.txt", std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return 0;
}
