#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "TerrainFixtures.h"
#include "support/Pixels.h"
#include "terrain/Vpolyn.h"

namespace {

struct Crossing {
    int32_t x, style, dx;
    bool operator==(const Crossing&) const = default;
};

std::vector<Crossing> row(const Vpolyn& p, int32_t r)
{
    std::vector<Crossing> out;
    for (int32_t k = p.m_rowStart[r]; k < p.rowEnd(r); k++)
        out.push_back({Vpolyn::edgeX(p.m_edges[k]), Vpolyn::edgeStyle(p.m_edges[k]), Vpolyn::edgeDx(p.m_edges[k])});
    return out;
}

ref<Vpolyn> polygon(int32_t w, int32_t h, int32_t maxEdges)
{
    ref<Vpolyn> p = new Vpolyn;
    p->init(w, h, maxEdges, 64);
    return p;
}

// The style at a point by a plain search: the last crossing of the row whose
// position at the point's height within the row is at or left of it.
int32_t plainStyle(const Vpolyn& p, int32_t x, int32_t y)
{
    x &= p.m_widthFix - 1;
    y &= p.m_heightFix - 1;
    int32_t r = y >> 15, f = y & 32767, style = 0;
    for (int32_t k = p.m_rowStart[r]; k < p.rowEnd(r); k++) {
        int32_t e = p.m_edges[k];
        if (Vpolyn::edgeX(e) * 2048 + ((Vpolyn::edgeDx(e) * f) >> 4) <= x)
            style = Vpolyn::edgeStyle(e);
    }
    return style;
}

} // namespace

TEST(Vpolyn, LinesWalkDownRowByRowAndKeepTheStyleOnTheirRight)
{
    ref<Vpolyn> p = polygon(64, 16, 100);
    // Down from (10, 2.5) to (18, 6.5): rows 2..5, 2 pixels (32/16) per row.
    p->line(10 * kUnit, 5 * kUnit / 2, 18 * kUnit, 13 * kUnit / 2, 3, 4);
    EXPECT_EQ(p->finish(), 4);
    for (int32_t r = 2; r < 6; r++)
        EXPECT_EQ(row(*p, r), (std::vector<Crossing>{{160 + 32 * (r - 2), 4, 32}})) << r;
    EXPECT_TRUE(row(*p, 6).empty());
    // Walked upward it stores its first style, as the same line walked down
    // with the styles exchanged.
    ref<Vpolyn> up = polygon(64, 16, 100), down = polygon(64, 16, 100);
    up->line(30 * kUnit, 9 * kUnit, 20 * kUnit, 2 * kUnit, 5, 6);
    down->line(20 * kUnit, 2 * kUnit, 30 * kUnit, 9 * kUnit, 6, 5);
    EXPECT_EQ(up->finish(), down->finish());
    for (int32_t r = 0; r < 16; r++)
        EXPECT_EQ(row(*up, r), row(*down, r)) << r;
    EXPECT_EQ(row(*up, 2)[0].style, 5);
    // A horizontal line, or one inside a single row, adds nothing.
    ref<Vpolyn> flat = polygon(64, 16, 100);
    flat->line(0, 3 * kUnit, 60 * kUnit, 3 * kUnit + 100, 1, 2);
    EXPECT_EQ(flat->finish(), 0);
}

TEST(Vpolyn, EqualCrossingsGoByTheirSlopeOnlyOnASegmentsFirstRow)
{
    ref<Vpolyn> p = polygon(64, 8, 100);
    p->addEdge(100, 3, 140, 1, 0, true);
    p->addEdge(100, 3, 60, 2, 0, true);  // first row, smaller dx: before
    p->addEdge(100, 3, 120, 3, 0, true); // between the two
    p->addEdge(100, 3, 90, 4, 0, false); // not a first row: after all equal ones
    p->addEdge(99, 3, 99, 5, 0, false);
    p->finish();
    std::vector<int32_t> styles;
    for (const Crossing& c : row(*p, 3))
        styles.push_back(c.style);
    EXPECT_EQ(styles, (std::vector<int32_t>{5, 2, 3, 1, 4}));
}

TEST(Vpolyn, TheGapTravelsAndGrowsWithoutLosingACrossing)
{
    // Crossings thrown into random rows, far more than the first table holds.
    ref<Vpolyn> p = polygon(512, 64, 10);
    std::map<int32_t, std::multiset<std::pair<int32_t, int32_t>>> model;
    std::mt19937 rnd(7);
    int32_t avail = V::m_avail;
    for (int32_t k = 0; k < 5000; k++) {
        int32_t r = static_cast<int32_t>(rnd() % 64), x = static_cast<int32_t>(rnd() % 8000);
        int32_t style = static_cast<int32_t>(rnd() % 64);
        p->addEdge(x, r, x, style, 0, false);
        model[r].insert({x, style});
    }
    EXPECT_EQ(avail - V::m_avail, (p->m_edgeCapacity - 10) * 4) << "each growth hands the old table back";
    EXPECT_EQ(p->finish(), 5000);
    for (int32_t r = 0; r < 64; r++) {
        std::vector<Crossing> got = row(*p, r);
        EXPECT_TRUE(std::is_sorted(got.begin(), got.end(), [](auto& a, auto& b) { return a.x < b.x; })) << r;
        std::multiset<std::pair<int32_t, int32_t>> seen;
        for (const Crossing& c : got)
            seen.insert({c.x, c.style});
        EXPECT_EQ(seen, model[r]) << r;
    }
    // Lines after finish still go in.
    p->addEdge(5, 0, 5, 9, 0, false);
    EXPECT_EQ(p->finish(), 5001);
    EXPECT_EQ(row(*p, 0).front(), (Crossing{5, 9, 0}));
}

TEST(Vpolyn, CrossingsKeepToTheirFieldsAndStopAtTheCap)
{
    ref<Vpolyn> p = polygon(512, 8, 16);
    p->addEdge(9000, 1, 9500, 1, 0, true); // wholly right of the polygon: nothing
    p->addEdge(-40, 1, -20, 2, 0, true);   // left of it: held at x 0
    p->addEdge(8100, 2, 9000, 3, 0, true); // reaches out: held inside
    p->addEdge(100, 3, 6000, 4, 0, true);  // a slope past the field's range keeps its sign
    p->addEdge(6000, 4, 100, 5, 0, true);
    p->addEdge(10, 5, 10, 70, 0, true); // style 70 is no style: its low six bits
    p->finish();
    const Crossing want[] = {{0, 2, 0}, {8100, 3, 91}, {100, 4, 4095}, {6000, 5, -4096}};
    for (int32_t r = 1; r <= 4; r++)
        EXPECT_EQ(row(*p, r), std::vector<Crossing>{want[r - 1]}) << r;
    EXPECT_EQ(row(*p, 5)[0].style, 70 & 63);

    // A damaged drawing cannot grow the table for ever.
    ref<Vpolyn> big = polygon(512, 512, 2048);
    testing::internal::CaptureStderr();
    for (int32_t k = 0; k < Vpolyn::kMaxCrossings / 512 + 8; k++)
        big->line((k % 500) * kUnit, 0, (k % 500) * kUnit, 512 * kUnit, 1, 2);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("boundary crossings; the rest are dropped"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    EXPECT_EQ(big->finish(), Vpolyn::kMaxCrossings);
    for (int32_t r = 0; r < 512; r++)
        ASSERT_LE(big->m_rowStart[r], big->rowEnd(r));
}

TEST(Vpolyn, ColoursAreSharedAndAFullTableAnswersTheBackground)
{
    ref<Vpolyn> p = new Vpolyn;
    p->init(16, 16, 10, 4);
    std::vector<int32_t> got;
    testing::internal::CaptureStderr();
    for (int32_t c : {0x112233, 0x445566, 0x112233, 0x778899, 0xAABBCC, 0xDDEEFF})
        got.push_back(p->addColor(c));
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(got, (std::vector<int32_t>{1, 2, 1, 3, 0, 0}));
    EXPECT_NE(out.find("more than 4 fill colours"), std::string::npos) << out;
    EXPECT_TRUE(std::count(out.begin(), out.end(), '\n') == 1 && p->m_ncolors == 4) << out;
    p->setColor(9, 1); // out of the table: ignored
    p->setTexture(-1, nullptr, 3);
}

TEST(Vpolyn, LookupsWrapAndTheCursorAndCacheAnswerAsAPlainSearch)
{
    ensureSine();
    // Nested rings and slanted bands: boundaries that never cross.
    ref<Vpolyn> p = polygon(512, 512, 13007);
    for (int32_t k = 0; k < 6; k++) {
        double r = 230 - 35 * k;
        int32_t n = 40;
        for (int32_t s = 0; s < n; s++) {
            double a0 = 2 * M_PI * s / n, a1 = 2 * M_PI * (s + 1) / n;
            auto px = [&](double a) { return static_cast<int32_t>((256 + r * std::cos(a)) * kUnit); };
            auto py = [&](double a) { return static_cast<int32_t>((256 + r * std::sin(a)) * kUnit); };
            // Inside to the left walking with y down: counterclockwise on screen.
            p->line(px(-a0), py(-a0), px(-a1), py(-a1), k, k + 1);
        }
    }
    p->finish();
    std::mt19937 rnd(3);
    int32_t mismatches = 0, nonZero = 0;
    for (int32_t k = 0; k < 200000; k++) {
        // Walks along rows (as the terrain's rays do) mixed with jumps.
        int32_t y = static_cast<int32_t>(rnd() % (512u * kUnit));
        int32_t x = static_cast<int32_t>(rnd() % (512u * kUnit));
        for (int32_t s = 0; s < 8; s++, x += 300000) {
            int32_t got = p->getXy2(x, y), want = plainStyle(*p, x, y);
            mismatches += got != want;
            nonZero += want != 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(nonZero, 1000000);
    // The centre lies in the innermost ring; wrapping by whole polygons.
    for (auto [x, y] : {std::pair{256, 256}, {256 + 512, 256 - 1024}, {256 - 512, 256}})
        EXPECT_EQ(p->getXy2(x * kUnit, y * kUnit), 6) << x << ", " << y;
    EXPECT_EQ(p->getXy2(5 * kUnit, 5 * kUnit), 0);
    EXPECT_EQ(p->getRgb(256 * kUnit, 256 * kUnit), 0);
}

TEST(Vpolyn, TheStyleGridAnswersAsTheLookupEvenWhereCrossingsMeet)
{
    // Crossings at random places and slants, so that in many pixels one or
    // several pass through, overlap and even cross (as boundaries do where
    // they meet at a corner).
    ref<Vpolyn> p = polygon(64, 32, 4096);
    std::mt19937 rnd(11);
    for (int32_t k = 0; k < 900; k++) {
        int32_t r = static_cast<int32_t>(rnd() % 32), x = static_cast<int32_t>(rnd() % 1024);
        int32_t reach = k % 3 == 0 ? 200 : 24; // a few long ones
        int32_t next = x + static_cast<int32_t>(rnd() % (2 * reach + 1)) - reach;
        p->addEdge(x, r, next, static_cast<int32_t>(rnd() % 64), 0, k % 2 == 0);
    }
    p->finish();
    ASSERT_NE(p->grid().width, 0);
    int32_t mixed = 0, single = 0;
    for (int32_t k = 0; k < 64 * 32; k++) {
        const int32_t word = p->grid().words[k];
        mixed += word < 0;
        single += word >= Vpolyn::kCrossedWord;
    }
    EXPECT_GT(mixed, 100);
    EXPECT_GT(single, 100);
    // Every 1/16 pixel of every row at a few heights within the row, and
    // random points; the lookup starts from wherever its cursor was left.
    int32_t wrong = 0;
    for (int32_t r = 0; r < 32; r++)
        for (int32_t f : {0, 1, 9000, 16384, 32767})
            for (int32_t xq = 0; xq < 1024; xq++) {
                int32_t x = xq * 2048 + static_cast<int32_t>(rnd() % 2048), y = r * kUnit + f;
                int32_t want = p->getXy2(x, y);
                wrong += p->styleAt(x, y) != want || p->crossedStyle(x, y) != want;
            }
    for (int32_t k = 0; k < 100000; k++) {
        int32_t x = static_cast<int32_t>(rnd()), y = static_cast<int32_t>(rnd());
        wrong += p->styleAt(x, y) != p->getXy2(x, y);
    }
    EXPECT_EQ(wrong, 0);
    // Sides that are not powers of two have no grid: every point is looked up.
    ref<Vpolyn> odd = polygon(48, 8, 64);
    odd->addEdge(100, 3, 180, 7, 0, true);
    odd->finish();
    EXPECT_EQ(odd->grid().at(12 * kUnit, 3 * kUnit + 30000), Vpolyn::kMixed);
    EXPECT_EQ(odd->styleAt(12 * kUnit, 3 * kUnit + 30000), 7);
    EXPECT_EQ(odd->styleAt(-36 * kUnit, 3 * kUnit + 30000), 7) << "wrapped";
    EXPECT_EQ(odd->styleAt(8 * kUnit, 3 * kUnit + 30000), 0);
    // A new crossing is seen at once.
    p->addEdge(0, 5, 0, 33, 0, false);
    EXPECT_EQ(p->styleAt(kUnit / 4, 5 * kUnit), p->getXy2(kUnit / 4, 5 * kUnit));
    EXPECT_EQ(p->styleAt(1, 5 * kUnit), 33);
}

TEST(Vpolyn, DrawsRunsInTheirColourAndBlendsTheEdgePixels)
{
    ref<Vpolyn> p = new Vpolyn;
    p->init(16, 8, 50, 4);
    int32_t red = p->addColor(static_cast<int32_t>(0xFFFF0000u));
    // A band from x = 4.5 to x = 10, over rows 2..5.
    p->line(9 * kUnit / 2, 2 * kUnit, 9 * kUnit / 2, 6 * kUnit, 0, red);
    p->line(10 * kUnit, 6 * kUnit, 10 * kUnit, 2 * kUnit, 0, red);
    p->finish();
    p->rescale(0, 0, 32768);
    Array<int32_t> px = filled(16 * 8, 0xFF0000FF);
    p->draw(px, 16, 8, 0, 0, 16, 8);
    EXPECT_EQ(static_cast<uint32_t>(px[3 * 16 + 6]) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(static_cast<uint32_t>(px[3 * 16 + 12]) & 0xFFFFFF, 0x0000FFu) << "colour 0 leaves the target";
    EXPECT_EQ(static_cast<uint32_t>(px[1 * 16 + 6]) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(static_cast<uint32_t>(px[3 * 16 + 4]) & 0xFFFFFF, 0x7F007Fu) << "half covered";
}
