#include <gtest/gtest.h>

#include <cmath>

#include "TerrainFixtures.h"
#include "runtime/InputStream.h"

namespace {

using Points = std::vector<std::pair<double, double>>;

// A square walked with its inside on the left (y down): fill1 inside.
Points square(double x0, double y0, double x1, double y1)
{
    return {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
}

int32_t styleAt(const ref<VpolyTerrain>& p, double x, double y)
{
    return p->getXy2(static_cast<int32_t>(x * kUnit), static_cast<int32_t>(y * kUnit));
}

struct Probe {
    double x, y;
    int32_t style;
};

void expectStyles(const ref<VpolyTerrain>& p, std::initializer_list<Probe> probes)
{
    for (const Probe& q : probes)
        EXPECT_EQ(styleAt(p, q.x, q.y), q.style) << "at " << q.x << ", " << q.y;
}

std::string readQuietly(const std::string& name, ref<VpolyTerrain>& poly)
{
    testing::internal::CaptureStderr();
    poly = ShapeFile::read(name);
    return testing::internal::GetCapturedStderr();
}

} // namespace

// Regions on the wrong side of their outline, or a shape version read with
// the wrong colour layout.
TEST(Vswf, ASquareNestedRegionsAndTheirColoursInEveryShapeVersion)
{
    for (int32_t version : {1, 2, 3}) {
        ShapeFile f;
        f.version = version;
        f.begin({0xFF112233, 0xFF445566});
        f.polygon(square(100, 100, 300, 300), 0, 1);
        f.polygon(square(150, 120, 200, 260), 1, 2);
        f.save(f.bytes());
        ref<VpolyTerrain> p = ShapeFile::read();
        expectStyles(p, {{120, 200, 1}, {175, 200, 2}, {250, 110, 1}, {99.5, 200, 0}, {300.5, 200, 0}, {200, 99, 0}, {200, 301, 0}});
        // Only DefineShape3 keeps the colour's alpha in the top byte.
        EXPECT_EQ(static_cast<uint32_t>(p->m_colors[1]), version == 3 ? 0xFF112233u : 0x112233u) << version;
        EXPECT_EQ(static_cast<uint32_t>(p->getRgb(175 * kUnit, 200 * kUnit)) & 0xFFFFFF, 0x445566u);
        EXPECT_EQ(p->m_ncolors, 3);
        // Every row the squares cover holds their four sides.
        EXPECT_EQ(p->edgeCount(), 200 * 2 + 140 * 2);
    }
}

TEST(Vswf, ACircleOfCurves)
{
    ShapeFile f;
    f.begin({0xFF00FF00});
    constexpr int32_t kArcs = 8;
    double r = 100, c = 256;
    auto tw = ShapeFile::tw;
    // Counterclockwise on screen (y down), so the inside is on the left.
    auto at = [&](double a, double radius) { return std::make_pair(c + radius * std::cos(-a), c + radius * std::sin(-a)); };
    auto [sx, sy] = at(0, r);
    int32_t x = tw(sx), y = tw(sy);
    f.shape.moveTo(x, y, 0, 1, f.fillBits);
    for (int32_t k = 0; k < kArcs; k++) {
        double a0 = 2 * M_PI * k / kArcs, a1 = 2 * M_PI * (k + 1) / kArcs;
        auto [cx, cy] = at((a0 + a1) / 2, r / std::cos(M_PI / kArcs));
        auto [ax, ay] = at(a1, r);
        f.shape.curveBy(tw(cx) - x, tw(cy) - y, tw(ax) - tw(cx), tw(ay) - tw(cy));
        x = tw(ax);
        y = tw(ay);
    }
    f.save(f.bytes());
    ref<VpolyTerrain> p = ShapeFile::read();
    int32_t wrong = 0;
    for (int32_t k = 0; k < 360; k += 5) {
        double a = k * M_PI / 180;
        wrong += styleAt(p, c + 97 * std::cos(a), c + 97 * std::sin(a)) != 1;
        wrong += styleAt(p, c + 103 * std::cos(a), c + 103 * std::sin(a)) != 0;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(styleAt(p, c, c), 1);
}

TEST(Vswf, ACurveWithinTwoRowsIsOneStraightEdge)
{
    ref<VpolyTerrain> p = new VpolyTerrain;
    p->init(512, 512, 64, 64);
    ref<Vswf> swf = new Vswf;
    swf->m_poly = p;
    swf->quad(100 * kUnit, 10 * kUnit + 6000, 150 * kUnit, 10 * kUnit + 30000, 200 * kUnit, 11 * kUnit + 9000);
    EXPECT_EQ(p->finish(), 1);
    EXPECT_EQ(Vpolyn::edgeX(p->m_edges[0]), 1600);
    EXPECT_EQ(Vpolyn::edgeDx(p->m_edges[0]), 1600);
    EXPECT_EQ(swf->distanceSquaredToLine(3, 4, 3, 4, 9, 9), 0);
    EXPECT_EQ(swf->distanceSquaredToLine(1, 1, 5, 5, 5, 5), 2147483647) << "a chord of no length";
    EXPECT_EQ(swf->distanceSquaredToLine(20, 0, 0, 0, 10, 0), 2147483647) << "beyond the far end";
    EXPECT_EQ(swf->distanceSquaredToLine(5, 3, 0, 0, 10, 0), 9);
}

TEST(Vswf, TheFrameSpansThePolygonFromItsCentreAndOtherTagsAreSkipped)
{
    ShapeFile f;
    f.begin({0xFF0000FF});
    f.polygon(square(0, 0, 100, 512), 0, 1);
    // An unknown tag with a 32-bit length, full of bytes that look like tags.
    SwfWriter junk;
    junk.tag(777 & 0x3FF, std::vector<uint8_t>(300, 0x3F), true);
    std::vector<uint8_t> file = f.bytes(junk.bytes());
    // Shift the frame by 1000 twips: the drawing moves with it.
    SwfWriter head;
    head.rect(1000, 1000 + 512 * 32, 1000, 1000 + 512 * 32);
    SwfWriter plain;
    plain.rect(0, 512 * 32, 0, 512 * 32);
    ASSERT_EQ(head.bytes().size(), plain.bytes().size());
    std::copy(head.bytes().begin(), head.bytes().end(), file.begin() + 8);
    f.save(file);
    ref<VpolyTerrain> p = ShapeFile::read();
    // The square's left side at the frame's left edge, its right side at
    // 100 - 1000/32 units.
    expectStyles(p, {{0.1, 200, 1}, {100 - 1000 / 32.0 - 0.2, 200, 1}, {100 - 1000 / 32.0 + 0.2, 200, 0}});
    EXPECT_EQ(Vpolyn::edgeX(p->m_edges[p->m_rowStart[5]]), 0);
}

// A damaged file gives one line naming the file and what is wrong, keeps what
// it read before the damage, and never leaves the polygon's rows unordered.
TEST(Vswf, DamagedFilesGiveOneLineAndStopCleanly)
{
    ShapeFile f;
    f.begin({0xFF0000FF, 0xFF00FF00});
    f.polygon(square(10, 10, 500, 500), 0, 1);
    f.polygon(square(100, 100, 200, 200), 1, 2);
    const std::vector<uint8_t> good = f.bytes();
    ref<VpolyTerrain> p;
    for (const char* sig : {"CWS", "ZWS", "GIF"}) {
        std::vector<uint8_t> bad = good;
        std::copy(sig, sig + 3, bad.begin());
        f.save(bad);
        std::string out = readQuietly("shape", p);
        EXPECT_EQ(out.rfind("Could not open " + InputStream::displayPath("shape") + ": ", 0), 0u) << out;
        EXPECT_NE(out.find(sig[0] == 'G' ? "no FWS signature" : "compressed"), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_TRUE(p->edgeCount() == 0 && styleAt(p, 150, 150) == 0);
    }
    EXPECT_EQ(readQuietly("missing", p), "Could not open " + InputStream::displayPath("missing") + "\n");
    EXPECT_NE(InputStream::displayPath("missing"), "missing");
    f.save({'F', 'W', 'S', 8, 0, 0, 0, 0, 0x00}); // a frame of 0-bit fields
    EXPECT_NE(readQuietly("shape", p).find("frame rectangle is empty"), std::string::npos);

    int32_t stopped = 0;
    for (size_t n = 0; n < good.size(); n += 3) {
        f.save(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        std::string out = readQuietly("shape", p);
        EXPECT_LE(std::count(out.begin(), out.end(), '\n'), 2) << n << out;
        stopped += out.find("truncated") != std::string::npos;
        for (int32_t r = 0; r < 512; r++)
            ASSERT_LE(p->m_rowStart[r], p->rowEnd(r));
    }
    EXPECT_GT(stopped, 10);
    // A shape tag that claims a million bytes: the shape is read, then the
    // file ends inside the tag; one shorter than its shape stops it.
    const size_t at = 8 + 9 + 4; // header, frame rectangle, rate and count
    ASSERT_EQ(good[at], (32 << 6 | 0x3F) & 255);
    for (auto [length, message] : {std::pair{1000000u, "the file is truncated"}, {20u, "runs past the end of its tag"}}) {
        std::vector<uint8_t> bytes = good;
        for (size_t k = 0; k < 4; k++)
            bytes[at + 2 + k] = static_cast<uint8_t>(length >> (8 * k));
        f.save(bytes);
        std::string out = readQuietly("shape", p);
        EXPECT_NE(out.find(message), std::string::npos) << out;
        if (length > 20) {
            EXPECT_EQ(styleAt(p, 150, 150), 2);
        }
    }
}

TEST(Vswf, TooManyStylesBadIndicesAndPointsOffTheFrame)
{
    ShapeFile f;
    std::vector<uint32_t> fills;
    for (uint32_t k = 1; k <= 70; k++)
        fills.push_back(0xFF000000u | k);
    f.fillBits = 7;
    f.begin(fills);
    f.polygon(square(10, 10, 20, 20), 0, 3);
    f.polygon(square(30, 10, 40, 20), 0, 68); // past 64: the background
    f.polygon(square(50, 10, 60, 20), 0, 100); // no such style
    // Reaching far outside the frame on every side: held at its border.
    f.polygon(square(-300, 100, 900, 200), 0, 5);
    f.save(f.bytes());
    ensureSine();
    ref<VpolyTerrain> p = new VpolyTerrain;
    ref<Vswf> swf = new Vswf;
    testing::internal::CaptureStderr();
    swf->make(p, "shape"_s, 512, 512, 64, 64, 0);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("defines 70 fill styles"), std::string::npos) << out;
    EXPECT_NE(out.find("more than 64 fill colours"), std::string::npos) << out;
    // Styles a crossing cannot name are not mapped at all.
    EXPECT_EQ(swf->m_styles.length, 65);
    // Style 68 lies past 64 and style 100 past the list: both the background.
    expectStyles(p, {{15, 15, 3}, {35, 15, 0}, {55, 15, 0}, {0, 150, 5}, {511.9, 150, 5}, {256, 210, 0}});
    for (int32_t k = 0; k < p->edgeCount(); k++)
        EXPECT_LT(Vpolyn::edgeStyle(p->m_edges[k]), 64);
}

TEST(Vswf, StyleCountsPastTheTagStopTheShape)
{
    // A fill style count (255, then 65535) or a line style count far past
    // the tag: one line, and the shape stops there before it makes a map of
    // that many styles.
    for (bool lines : {false, true}) {
        ShapeFile f;
        f.begin({0xFF0000FF});
        f.polygon(square(10, 10, 500, 500), 0, 1);
        std::vector<uint8_t> bytes = f.bytes();
        std::size_t at = 8 + 9 + 4 + 6 + 2 + 9; // header, rate, count, tag, id, bounds
        ASSERT_EQ(bytes[at], 1);
        if (lines)
            at += 1 + 5; // the fill style and its colour
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 1, {0xFF, 0xFF});
        bytes[at] = 255;
        f.save(bytes);
        ref<VpolyTerrain> p;
        std::string out = readQuietly("shape", p);
        EXPECT_EQ(out, "Vector file shape: a shape runs past the end of its tag; the drawing stops there\n") << lines;
        EXPECT_EQ(p->edgeCount(), 0) << lines;
    }
}
