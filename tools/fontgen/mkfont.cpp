// mkfont: renders an outline font into the game's bitmap font format.

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FontFile.h"
#include "FontRasterizer.h"

namespace {

void usage(std::FILE* to)
{
    std::fputs("Usage: mkfont --font FILE --size PIXELS --output FILE [options]\n"
               "Renders codes 32..126, Latin-1, Latin Extended-A and Cyrillic of an\n"
               "outline font (TrueType, OpenType) into a 16-level coverage bitmap font\n"
               "for the game.\n"
               "\n"
               "  --font FILE       outline font to render\n"
               "  --size PIXELS     em size in pixels (the line is about as tall)\n"
               "  --output FILE     font file to write\n"
               "  --hinting MODE    light (default), full, native or none\n"
               "  --gamma G         coverage gamma, default 1.0; above 1 thickens edges\n"
               "  --help            this text\n",
               to);
}

bool parseInt(const char* s, int32_t& out)
{
    const char* end = s + std::strlen(s);
    auto [ptr, ec] = std::from_chars(s, end, out);
    return ec == std::errc() && ptr == end && s != end;
}

} // namespace

int main(int argc, char** argv)
{
    FontRasterizer::Options options;
    std::string output;
    bool haveSize = false;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "mkfont: %s needs a value (see --help)\n", arg.c_str());
            return 2;
        }
        const char* value = argv[++i];
        if (arg == "--font") {
            options.m_fontPath = value;
        } else if (arg == "--size") {
            if (!parseInt(value, options.m_pixelSize)) {
                std::fprintf(stderr, "mkfont: bad size '%s'\n", value);
                return 2;
            }
            haveSize = true;
        } else if (arg == "--output") {
            output = value;
        } else if (arg == "--hinting") {
            if (!FontRasterizer::parseHinting(value, options.m_hinting)) {
                std::fprintf(stderr, "mkfont: unknown hinting '%s'\n", value);
                return 2;
            }
        } else if (arg == "--gamma") {
            char* end = nullptr;
            options.m_gamma = std::strtod(value, &end);
            if (!*value || *end || !(options.m_gamma > 0.0)) {
                std::fprintf(stderr, "mkfont: bad gamma '%s'\n", value);
                return 2;
            }
        } else {
            std::fprintf(stderr, "mkfont: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (options.m_fontPath.empty() || output.empty() || !haveSize) {
        std::fputs("mkfont: --font, --size and --output are required\n", stderr);
        usage(stderr);
        return 2;
    }

    FontFile font;
    std::string error;
    if (!FontRasterizer::render(options, font, &error) || !font.save(output, &error)) {
        std::fprintf(stderr, "mkfont: %s\n", error.c_str());
        return 1;
    }
    std::printf("mkfont: %s: line %d px, baseline %d, space %d, %zu glyphs, %zu bytes\n", output.c_str(),
                font.m_height, font.m_extra, font.m_space, font.m_glyphs.size() + font.m_more.size(),
                font.encode().size());
    return 0;
}
