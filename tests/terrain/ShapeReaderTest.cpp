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
