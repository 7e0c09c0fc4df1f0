#include "ContactSheet.h"

#include <cstdio>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Png.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"

namespace {

const int32_t kSheetWidth = 1040;
const int32_t kPad = 10;
const int32_t kLabel = 16;
const int32_t kMinCell = 150;

struct Cell {
    int32_t index = 0, x = 0, y = 0, w = 0, h = 0;
};

} // namespace

bool ContactSheet::write(const std::string& dataDir, const std::string& library, const std::string& pngPath)
{
    InputStream::setResourceDir(dataDir);
    ref<Vilib> lib = new Vilib(new Vdisplay(), String::intern(library.c_str()));
    if (lib->m_count <= 0) {
        std::printf("Contact sheet: library %s in %s has no pictures\n", library.c_str(), dataDir.c_str());
        return false;
    }
    // Lay the cells out in rows, each as wide as its picture (or a minimum).
    std::vector<Cell> cells;
    int32_t x = kPad, y = kPad, rowHeight = 0;
    for (int32_t i = 0; i < lib->m_count; ++i) {
        ref<Vpicture> p = lib->loadPicture(i);
        int32_t w = p ? p->m_width : 0, h = p ? p->m_height : 0;
        int32_t cw = std::max(w, kMinCell);
        if (x + cw + kPad > kSheetWidth && x > kPad) {
            x = kPad;
            y += rowHeight + kLabel + kPad;
            rowHeight = 0;
        }
        cells.push_back({i, x, y + kLabel, w, h});
        x += cw + kPad;
        rowHeight = std::max(rowHeight, h);
    }
    int32_t height = y + rowHeight + kLabel + kPad;
    Array<int32_t> buffer(kSheetWidth * height);
    for (int32_t k = 0; k < buffer.length; ++k)
        buffer[k] = static_cast<int32_t>(0xFF262626u);
    for (const Cell& c : cells) {
        // Checkerboard under the picture; a top byte of 0xFF lets depth 0 draw.
        for (int32_t yy = c.y; yy < c.y + c.h; ++yy)
            for (int32_t xx = c.x; xx < c.x + c.w; ++xx)
                buffer[yy * kSheetWidth + xx] =
                    static_cast<int32_t>((((xx - c.x) / 8 + (yy - c.y) / 8) & 1) ? 0xFF9A9A9Au : 0xFF5E5E5Eu);
        lib->drawPicture(c.index, buffer, kSheetWidth, height, c.x, c.y, c.x + c.w, c.y + c.h, c.x << 15,
                         c.y << 15, 32768, 0, 32768);
    }
    std::vector<uint32_t> argb(static_cast<size_t>(buffer.length));
    for (int32_t k = 0; k < buffer.length; ++k)
        argb[static_cast<size_t>(k)] = 0xFF000000u | (static_cast<uint32_t>(buffer[k]) & 0xFFFFFFu);
    Canvas canvas(kSheetWidth, height);
    canvas.setPixels(argb);
    canvas.font("DejaVuSans.ttf", 10);
    cairo_t* cr = canvas.cr();
    for (const Cell& c : cells) {
        std::string name = c.index < lib->m_names.length && lib->m_names[c.index] ? lib->m_names[c.index]->c_str() : "?";
        std::string text = std::to_string(c.index) + " " + name + " " + std::to_string(c.w) + "x" + std::to_string(c.h);
        cairo_move_to(cr, c.x, c.y - 4);
        cairo_set_source_rgb(cr, 0.9, 0.9, 0.85);
        cairo_show_text(cr, text.c_str());
    }
    std::vector<uint32_t> out = canvas.pixels();
    std::string why;
    if (!Png::write(pngPath, kSheetWidth, height, out.data(), false, &why)) {
        std::printf("Contact sheet: could not write %s: %s\n", pngPath.c_str(), why.c_str());
        return false;
    }
    return true;
}
