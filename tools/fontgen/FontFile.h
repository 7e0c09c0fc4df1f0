#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A font file of the engine's format, in memory: the header values and one
// glyph per code from m_first on. encode() gives the bytes that Vfont reads:
// varints for space, height, extra, first and last, then per glyph its length
// (and its width when the length is not 0), the total length and the glyph
// data. Glyph data are coverage runs: high nibble the run length 1..16 (0
// standing for 16), low nibble the coverage 0..15; runs go on from one row of
// the glyph's box into the next. Glyphs past the one-byte codes (m_more)
// follow the data: their count, per glyph its code step, length and width,
// their total length and their data; a font without them is written as
// before.
class FontFile {
public:
    struct Glyph {
        int32_t m_width = 0;
        std::vector<uint8_t> m_runs;
    };

    // The file bytes; the size field is the sum of the glyph lengths.
    std::vector<uint8_t> encode() const;
    // Writes encode() to path; false, with the reason in error, on failure.
    bool save(const std::string& path, std::string* error = nullptr) const;
    int32_t last() const { return m_first + static_cast<int32_t>(m_glyphs.size()) - 1; }

    // Big-endian groups of 7 bits, the top bit set on every byte but the last.
    // Coverage levels 0..15 of a glyph box, row after row, as runs.
    static std::vector<uint8_t> encodeRuns(const std::vector<uint8_t>& levels);
    // The levels that runs stand for, one per pixel.
    static std::vector<uint8_t> decodeRuns(const std::vector<uint8_t>& runs);
    // The level whose drawn opacity is nearest to coverage (0..1). The drawer
    // blends level L at L/16, but 7 as an exact half and 15 as full ink, so
    // 8 (also a half, but slower) is never chosen.
    static uint8_t level(double coverage);
    // The opacity the drawer gives a level.
    static double opacity(int32_t level);

    int32_t m_space = 0;
    int32_t m_height = 0;
    int32_t m_extra = 0; // the baseline: pixels from the top of the line
    int32_t m_first = 0;
    std::vector<Glyph> m_glyphs;
    // Code point and glyph, codes rising past last(); every glyph has runs.
    std::vector<std::pair<int32_t, Glyph>> m_more;
};
