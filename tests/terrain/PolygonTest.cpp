#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "TerrainFixtures.h"
#include "support/Pixels.h"
#include "terrain/Vpolyn.h"

namespace {

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
