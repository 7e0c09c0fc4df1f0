#pragma once
#include <cstdint>
#include <string>

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
    };

    // Fills out; false, with the reason in error, when the font cannot be
    // loaded or rendered.
    static bool render(const Options& options, FontFile& out, std::string* error = nullptr);

    static bool parseHinting(const std::string& name, Hinting& out);
};
