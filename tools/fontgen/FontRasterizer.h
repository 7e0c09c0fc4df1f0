#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FontFile.h"

// Renders an outline font with FreeType into a FontFile. Every glyph box is
// as tall as the line, so that baselines line up, and as wide as the glyph's
// advance; ink that would stick out of the advance (a negative left bearing)
// is moved inside when it fits, and otherwise the box widens to hold it.
class FontRasterizer {
public:
    enum class Hinting {
        Light,  // autohinter, vertical snapping only: keeps the shapes
        Full,   // autohinter on both axes: crispest stems, narrower shapes
        Native, // the font's own bytecode
        None,
    };

    struct Options {
        std::string m_fontPath;
        int32_t m_pixelSize = 16; // em size in pixels
        Hinting m_hinting = Hinting::Light;
        // Coverage is raised to 1/gamma before quantising: above 1 the text
        // gets bolder edges, which keeps light text solid on dark ground.
        double m_gamma = 1.0;
        int32_t m_first = 32;
        int32_t m_last = 126;
        // Code point ranges rendered past m_last, rising; a code the font
        // has no glyph for is left out. They are fitted into the line that
        // m_first..m_last make (ink above or below it is cut), so adding
        // letters never moves the text of the first range.
        std::vector<std::pair<int32_t, int32_t>> m_more = {
            {0x00A0, 0x00FF}, // Latin-1
            {0x0100, 0x017F}, // Latin Extended-A
            {0x0400, 0x045F}, // Cyrillic
            {0xFFFD, 0xFFFD}, // the replacement, drawn for a missing letter
        };
    };

    // Fills out; false, with the reason in error, when the font cannot be
    // loaded or rendered.
    static bool render(const Options& options, FontFile& out, std::string* error = nullptr);

    static bool parseHinting(const std::string& name, Hinting& out);
};
