#include "FontRasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

struct Library {
    FT_Library m_lib = nullptr;
    FT_Face m_face = nullptr;
    ~Library()
    {
        if (m_face)
            FT_Done_Face(m_face);
        if (m_lib)
            FT_Done_FreeType(m_lib);
    }
};

// One rendered glyph: its grey bitmap and where it sits relative to the pen.
struct Rendered {
    int32_t m_advance = 0;
    int32_t m_left = 0; // ink left edge from the pen
    int32_t m_top = 0;  // ink top above the baseline
    int32_t m_width = 0;
    int32_t m_rows = 0;
    std::vector<uint8_t> m_grey;
};

bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

FT_Int32 loadFlags(FontRasterizer::Hinting h)
{
    switch (h) {
    case FontRasterizer::Hinting::Light:
        return FT_LOAD_TARGET_LIGHT | FT_LOAD_FORCE_AUTOHINT;
    case FontRasterizer::Hinting::Full:
        return FT_LOAD_TARGET_NORMAL | FT_LOAD_FORCE_AUTOHINT;
    case FontRasterizer::Hinting::Native:
        return FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_AUTOHINT;
    case FontRasterizer::Hinting::None:
        break;
    }
    return FT_LOAD_NO_HINTING;
}

// Renders glyph index moved right by shift (in 1/64 pixel) into r.
bool renderGlyph(FT_Face face, FT_UInt index, FT_Int32 flags, FT_Pos shift, Rendered& r)
{
    if (FT_Load_Glyph(face, index, flags) != 0)
        return false;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Translate(&slot->outline, shift, 0);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return false;
    r.m_advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.rows == 0 || bm.width == 0)
        return true;
    r.m_left = slot->bitmap_left;
    r.m_top = slot->bitmap_top;
    r.m_width = static_cast<int32_t>(bm.width);
    r.m_rows = static_cast<int32_t>(bm.rows);
    for (int32_t y = 0; y < r.m_rows; y++) {
        const uint8_t* row = bm.buffer + y * bm.pitch;
        r.m_grey.insert(r.m_grey.end(), row, row + r.m_width);
    }
    return true;
}

// Light hinting leaves the horizontal position alone, and a faint edge often
// spills one pixel past the advance. Nudging the glyph by a fraction of a
// pixel usually brings it back; take the smallest nudge that fits, since
// larger ones make the spacing uneven.
Rendered renderFitted(FT_Face face, FT_UInt index, FT_Int32 flags)
{
    Rendered best;
    int32_t bestOver = INT32_MAX;
    for (FT_Pos shift : {0, -8, 8, -16, 16, -24, 24}) {
        Rendered r;
        if (!renderGlyph(face, index, flags, shift, r))
            break;
        if (r.m_grey.empty())
            return r;
        int32_t over = std::max(r.m_width, r.m_advance) - r.m_advance;
        if (over < bestOver) {
            bestOver = over;
            best = std::move(r);
        }
        if (over == 0)
            break;
    }
    return best;
}

} // namespace

bool FontRasterizer::parseHinting(const std::string& name, Hinting& out)
{
    if (name == "light")
        out = Hinting::Light;
    else if (name == "full")
        out = Hinting::Full;
    else if (name == "native")
        out = Hinting::Native;
    else if (name == "none")
        out = Hinting::None;
    else
        return false;
    return true;
}

bool FontRasterizer::render(const Options& o, FontFile& out, std::string* error)
{
    if (o.m_pixelSize < 4 || o.m_pixelSize > 256)
        return fail(error, "pixel size must be 4..256");
    if (o.m_first < 0 || o.m_last > 255 || o.m_first > o.m_last)
        return fail(error, "character range must lie in 0..255");
    if (!(o.m_gamma > 0.0))
        return fail(error, "gamma must be positive");
    Library ft;
    if (FT_Init_FreeType(&ft.m_lib))
        return fail(error, "FreeType cannot start");
    if (FT_New_Face(ft.m_lib, o.m_fontPath.c_str(), 0, &ft.m_face))
        return fail(error, "cannot load font " + o.m_fontPath);
    if (FT_Set_Pixel_Sizes(ft.m_face, 0, static_cast<FT_UInt>(o.m_pixelSize)))
        return fail(error, "font cannot be set to that size");

    std::vector<Rendered> glyphs;
    int32_t ascent = 0, descent = 0;
    for (int32_t code = o.m_first; code <= o.m_last; code++) {
        FT_UInt index = FT_Get_Char_Index(ft.m_face, static_cast<FT_ULong>(code));
        Rendered r;
        if (index != 0)
            r = renderFitted(ft.m_face, index, loadFlags(o.m_hinting));
        if (!r.m_grey.empty()) {
            ascent = std::max(ascent, r.m_top);
            descent = std::max(descent, r.m_rows - r.m_top);
        }
        glyphs.push_back(std::move(r));
    }
    if (ascent + descent <= 0)
        return fail(error, "the font has no glyphs in that range");

    uint8_t levels[256];
    for (int32_t v = 0; v < 256; v++)
        levels[v] = FontFile::level(std::pow(v / 255.0, 1.0 / o.m_gamma));

    out = FontFile();
    Rendered space;
    FT_UInt spaceIndex = FT_Get_Char_Index(ft.m_face, ' ');
    if (spaceIndex != 0 && renderGlyph(ft.m_face, spaceIndex, loadFlags(o.m_hinting), 0, space))
        out.m_space = space.m_advance;
    out.m_height = ascent + descent;
    out.m_extra = ascent;
    out.m_first = o.m_first;
    // A glyph box as tall as the line; rows of ink below it are cut.
    auto boxed = [&](Rendered r) {
        // A mark above a capital (Ö, É, Й) often reaches past the line's
        // top: the faintest rows between the mark and the letter go first,
        // so that the mark stays and the letter keeps its baseline.
        for (; r.m_top > ascent && r.m_rows > 2; r.m_top--, r.m_rows--) {
            const int32_t reach = std::min(r.m_rows - 1, r.m_top - ascent + 4);
            int32_t lightest = 1, least = INT32_MAX;
            for (int32_t y = 1; y < reach; y++) {
                int32_t ink = 0;
                for (int32_t x = 0; x < r.m_width; x++)
                    ink += r.m_grey[static_cast<size_t>(y * r.m_width + x)];
                if (ink < least) {
                    least = ink;
                    lightest = y;
                }
            }
            auto row = r.m_grey.begin() + lightest * r.m_width;
            r.m_grey.erase(row, row + r.m_width);
        }
        FontFile::Glyph g;
        // A blank character other than the space still keeps its advance:
        // an empty glyph would have no width at all.
        int32_t width = std::max(r.m_advance, r.m_width);
        int32_t ox = std::clamp(r.m_left, 0, width - r.m_width);
        int32_t oy = ascent - r.m_top;
        std::vector<uint8_t> box(static_cast<size_t>(width * out.m_height), 0);
        for (int32_t y = std::max(0, -oy); y < std::min(r.m_rows, out.m_height - oy); y++) {
            const uint8_t* grey = r.m_grey.data() + y * r.m_width;
            uint8_t* row = box.data() + (oy + y) * width + ox;
            for (int32_t x = 0; x < r.m_width; x++)
                row[x] = levels[grey[x]];
        }
        g.m_width = width;
        g.m_runs = FontFile::encodeRuns(box);
        return g;
    };
    for (int32_t code = o.m_first; code <= o.m_last; code++) {
        const Rendered& r = glyphs[static_cast<size_t>(code - o.m_first)];
        out.m_glyphs.push_back(code != ' ' && (!r.m_grey.empty() || r.m_advance > 0) ? boxed(r) : FontFile::Glyph());
    }
    int32_t after = o.m_last;
    for (const auto& [from, to] : o.m_more) {
        if (from <= after || to < from || to > 0x10FFFF)
            return fail(error, "the ranges past the first must rise and lie in Unicode");
        for (int32_t code = from; code <= to; code++) {
            FT_UInt index = FT_Get_Char_Index(ft.m_face, static_cast<FT_ULong>(code));
            if (index == 0)
                continue;
            Rendered r = renderFitted(ft.m_face, index, loadFlags(o.m_hinting));
            if (!r.m_grey.empty() || r.m_advance > 0)
                out.m_more.emplace_back(code, boxed(r));
        }
        after = to;
    }
    return true;
}
