// Seeds of the vector layout harness, small files made with the layout
// generator's SWF writer: a square in each shape tag (DefineShape 1, 2 and
// 3), a circle of curves, nested regions with new styles half way, every
// kind of fill style and line styles behind a long style count, a skipped
// tag with a 32-bit length, more colours than a polygon holds, a compressed
// signature and an empty frame. The game's layout itself is copied by the
// harness's DATA line.
// Usage: fuzz_layout_seeds DATA_DIR OUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SwfWriter.h"

namespace {

constexpr int32_t kTwips = 32; // to a polygon pixel, on a frame of 512
constexpr int32_t kFrame = 512 * kTwips;
constexpr int32_t kFillBits = 4;

void save(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

// The layout's way of writing a colour: height in blue, green or red.
void colour(SwfWriter& w, uint32_t argb, int32_t version)
{
    w.u8(argb >> 16 & 255);
    w.u8(argb >> 8 & 255);
    w.u8(argb & 255);
    if (version == 3)
        w.u8(argb >> 24);
}

// A style list: the count (in its long form when asked), solid fills, and
// line styles, which the reader drops.
void styles(SwfWriter& w, const std::vector<uint32_t>& fills, int32_t version, int32_t lines = 0,
            bool longCount = false)
{
    if (longCount || fills.size() >= 255) {
        w.u8(255);
        w.u16(static_cast<uint32_t>(fills.size()));
    } else {
        w.u8(static_cast<uint32_t>(fills.size()));
    }
    for (uint32_t c : fills) {
        w.u8(0);
        colour(w, c, version);
    }
    w.u8(static_cast<uint32_t>(lines));
    for (int32_t k = 0; k < lines; k++) {
        w.u16(20);
        colour(w, 0xFF000000u | static_cast<uint32_t>(k * 40), version);
    }
}

struct Shape {
    explicit Shape(int32_t tagVersion, const std::vector<uint32_t>& fills, int32_t lines = 0, bool longCount = false)
        : version(tagVersion)
    {
        w.u16(1); // shape id
        w.rect(0, kFrame, 0, kFrame);
        styles(w, fills, tagVersion, lines, longCount);
        w.bits(kFillBits, 4);
        w.bits(lines > 0 ? 2 : 0, 4);
    }
    // A closed polygon of pixel points, fill1 inside when walked with the
    // inside on the left (y down).
    void polygon(const std::vector<std::pair<int32_t, int32_t>>& pts, int32_t fill0, int32_t fill1)
    {
        int32_t x = pts[0].first * kTwips, y = pts[0].second * kTwips;
        w.moveTo(x, y, fill0, fill1, kFillBits);
        for (std::size_t k = 1; k <= pts.size(); k++) {
            int32_t nx = pts[k % pts.size()].first * kTwips, ny = pts[k % pts.size()].second * kTwips;
            w.lineBy(nx - x, ny - y);
            x = nx;
            y = ny;
        }
    }
    void square(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t fill0, int32_t fill1)
    {
        polygon({{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}}, fill0, fill1);
    }
    // The tag of the shape's version, then the end tag, in a file.
    std::vector<uint8_t> file(const std::vector<uint8_t>& before = {})
    {
        SwfWriter s = w;
        s.endShape();
        SwfWriter tags;
        tags.tag(version == 3 ? 32 : version == 2 ? 22 : 2, s.bytes(), true);
        tags.tag(1, {}); // show frame
        tags.tag(0, {});
        std::vector<uint8_t> all(before);
        all.insert(all.end(), tags.bytes().begin(), tags.bytes().end());
        return SwfWriter::file(8, kFrame, kFrame, all);
    }

    int32_t version;
    SwfWriter w;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: fuzz_layout_seeds DATA_DIR OUT_DIR\n");
        return 2;
    }
    const std::string out = std::string(argv[2]) + "/";
    std::filesystem::create_directories(out);

    for (int32_t version : {1, 2, 3}) {
        Shape s(version, {0xFF008020, 0xFF30A000});
        s.square(100, 100, 300, 300, 0, 1);
        save(out + "square-" + std::to_string(version), s.file());
    }

    // Eight curves around a circle, and a curve within two rows.
    Shape circle(3, {0xFF00FF08});
    const double r = 100, c = 256, pi = 3.14159265358979;
    auto at = [&](double a, double radius) {
        return std::make_pair(static_cast<int32_t>(std::lround((c + radius * std::cos(-a)) * kTwips)),
                              static_cast<int32_t>(std::lround((c + radius * std::sin(-a)) * kTwips)));
    };
    auto [x, y] = at(0, r);
    circle.w.moveTo(x, y, 0, 1, kFillBits);
    for (int32_t k = 0; k < 8; k++) {
        auto [cx, cy] = at(pi / 4 * (k + 0.5), r / std::cos(pi / 8));
        auto [ax, ay] = at(pi / 4 * (k + 1), r);
        circle.w.curveBy(cx - x, cy - y, ax - cx, ay - cy);
        x = ax;
        y = ay;
    }
    circle.w.moveTo(10 * kTwips, 10 * kTwips, 0, 1, kFillBits);
    circle.w.curveBy(50 * kTwips, 10, 50 * kTwips, 20);
    save(out + "curves", circle.file());

    // Regions inside regions, then a new style list half way through the
    // shape (style-change flag 16) with a region of its own.
    Shape nested(3, {0xFF000040, 0xFF004000, 0xFF400000, 0xFF202020}, 1);
    nested.square(20, 20, 490, 490, 0, 1);
    nested.square(60, 60, 300, 400, 1, 2);
    nested.square(100, 100, 200, 200, 2, 3);
    nested.polygon({{350, 50}, {470, 250}, {330, 470}}, 1, 4);
    nested.w.bits(0, 1);
    nested.w.bits(0b11000, 5); // new styles, a line style
    nested.w.bits(1, 2);
    styles(nested.w, {0xFF00FF00, 0xFFFF0000}, 3);
    nested.w.bits(kFillBits, 4);
    nested.w.bits(0, 4);
    nested.square(400, 400, 450, 450, 0, 2);
    save(out + "nested", nested.file());

    // Gradient and bitmap fills among the solid ones, behind the long count.
    Shape kinds(3, {}, 2, true);
    kinds.w = SwfWriter();
    kinds.w.u16(1);
    kinds.w.rect(0, kFrame, 0, kFrame);
    kinds.w.u8(255);
    kinds.w.u16(3);
    kinds.w.u8(0x10); // linear gradient: a matrix, two stops
    kinds.w.bits(1, 1);
    kinds.w.bits(17, 5);
    kinds.w.sbits(65536, 17);
    kinds.w.sbits(65536, 17);
    kinds.w.bits(0, 1);
    kinds.w.bits(2, 5);
    kinds.w.sbits(1, 2);
    kinds.w.sbits(-1, 2);
    kinds.w.u8(2);
    for (int32_t k = 0; k < 2; k++) {
        kinds.w.u8(static_cast<uint32_t>(k * 255));
        colour(kinds.w, 0xFF102030, 3);
    }
    kinds.w.u8(0x41); // clipped bitmap: an id and a matrix
    kinds.w.u16(7);
    kinds.w.bits(0, 1);
    kinds.w.bits(0, 1);
    kinds.w.bits(0, 5);
    kinds.w.u8(0);
    colour(kinds.w, 0xFF80C000, 3);
    kinds.w.u8(255);
    kinds.w.u16(1);
    kinds.w.u16(40);
    colour(kinds.w, 0xFF000000, 3);
    kinds.w.bits(kFillBits, 4);
    kinds.w.bits(1, 4);
    kinds.square(50, 50, 460, 460, 0, 3);
    kinds.square(100, 100, 200, 200, 3, 1);
    kinds.square(300, 300, 400, 400, 3, 2);
    save(out + "fill-kinds", kinds.file());

    // Tags the reader skips before the shape: a background colour, and one
    // with a long header (32-bit length).
    SwfWriter before;
    before.tag(9, {0x33, 0x99, 0xFF});
    before.tag(77, std::vector<uint8_t>(100, 0xA5), true);
    Shape skipped(2, {0xFF008020});
    skipped.square(10, 10, 500, 500, 0, 1);
    save(out + "skipped-tags", skipped.file(before.bytes()));

    // More colours than the 64 a polygon holds, each a thin band.
    std::vector<uint32_t> many;
    for (int32_t k = 0; k < 70; k++)
        many.push_back(0xFF000000u | static_cast<uint32_t>(k + 1));
    Shape bands(3, many);
    bands.w = SwfWriter();
    bands.w.u16(1);
    bands.w.rect(0, kFrame, 0, kFrame);
    styles(bands.w, many, 3);
    bands.w.bits(7, 4);
    bands.w.bits(0, 4);
    for (int32_t k = 0; k < 70; k++) {
        int32_t x0 = 7 * k * kTwips, x1 = x0 + 7 * kTwips;
        bands.w.moveTo(x0, 0, 0, k + 1, 7);
        bands.w.lineBy(0, kFrame);
        bands.w.lineBy(x1 - x0, 0);
        bands.w.lineBy(0, -kFrame);
        bands.w.lineBy(x0 - x1, 0);
    }
    save(out + "many-colours", bands.file());

    std::vector<uint8_t> square = Shape(3, {0xFF008020}).file();
    std::vector<uint8_t> compressed = square;
    compressed[0] = 'C';
    save(out + "compressed", compressed);
    save(out + "empty-frame", SwfWriter::file(8, 0, 0, {0, 0}));
    save(out + "cut", std::vector<uint8_t>(square.begin(), square.begin() + square.size() / 2));
    return 0;
}
