#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "TerrainFixtures.h"
#include "support/FakeHost.h"
#include "support/Pixels.h"
#include "terrain/Vterrain.h"

namespace {

constexpr int32_t kGround = 32; // height byte of the plain: 4 units

// A plain of one ground (texture 2 of the fixture library) at kGround.
ref<VpolyTerrain> plain()
{
    ensureSine();
    ref<VpolyTerrain> p = new VpolyTerrain;
    p->init(512, 512, 1024, 64);
    p->line(0, 0, 0, 512 * kUnit, 0, p->addColor(kGround << 8));
    p->finish();
    p->setGroundTextures(textureLibrary(8), 0);
    p->makeHeight();
    return p;
}

ref<Vterrain> view(int32_t w, int32_t h, const ref<VpolyTerrain>& ground, int32_t eyeHeight)
{
    ref<Vterrain> v = new Vterrain(w, h, true);
    v->m_focal = ((std::min(w, h) >> 1) * 0x1C000) >> 15;
    v->m_polyTerrain = ground;
    v->setHorizon(h >> 3);
    v->setWxhz(200 * kUnit, eyeHeight, 400 * kUnit);
    v->setSkyGradient(0x5995, 0x3399FF);
    return v;
}

uint32_t at(const Vterrain& v, int32_t x, int32_t y)
{
    return static_cast<uint32_t>(v.m_pixels[y * v.m_width + x]);
}

bool isSky(const Vterrain& v, int32_t x, int32_t y)
{
    return at(v, x, y) == static_cast<uint32_t>(v.m_sky[y]);
}

// The whole view drawn again into its own buffer.
void redraw(Vterrain& v)
{
    v.m_changed = true;
    v.draw(v.m_pixels, v.m_width, v.m_height, 0, 0, v.m_width, v.m_height);
}

} // namespace

TEST(Vterrain, AnEyeAboveAllTerrainSeesOnlyTheSkyGradient)
{
    ref<Vterrain> v = view(64, 48, plain(), 1000 * kUnit);
    v->setHorizon(0);
    EXPECT_EQ(static_cast<uint32_t>(v->m_sky[0]), 0xFF005995u);
    const uint32_t bottom = static_cast<uint32_t>(v->m_sky[47]);
    EXPECT_TRUE(colourError(bottom, 0x3399FF) <= 4 && (bottom & 0xFFFFFF) != 0x3399FFu) << "the gradient runs past the screen";
    v->drawTerrain(v->m_pixels, 64, 48, 0, 0, 64, 48);
    for (int32_t i = 0; i < 64 * 48; i++)
        ASSERT_TRUE(isSky(*v, i % 64, i / 64)) << i;
    // Rows below n = focal * wy / 192 + horizon take the bottom colour.
    ref<Vterrain> low = view(64, 48, plain(), 0);
    low->setWxyz(0, 4 * kUnit, 0);
    low->setSkyGradient(0x000000, 0x0000FF);
    int32_t n = V::fmul(low->m_focal, 4 * kUnit) / 192 + low->m_horizon;
    EXPECT_TRUE((low->m_sky[n - 1] & 0xFF) < 0xFF && static_cast<uint32_t>(low->m_sky[n]) == 0xFF0000FFu);
}

TEST(Vterrain, ChildrenProjectOntoTheScreenFromEightUnitsOut)
{
    ref<Vterrain> v = view(160, 120, plain(), 8 * kUnit);
    ref<Vsprite> marker = box(0, 0, 4, 4);
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() - 262144);
    v->setScreenCoords(marker);
    EXPECT_EQ(marker->m_x1, 0) << "exactly 8 units ahead is hidden";
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() - 262145);
    v->setScreenCoords(marker);
    EXPECT_GT(marker->m_x1, 0);
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() - 20 * kUnit);
    v->setScreenCoords(marker);
    EXPECT_EQ(marker->m_drawScale, 344064); // focal 210 over 20 units, in 1/32768ths
    EXPECT_TRUE(marker->m_sx == 80 * kUnit && marker->m_sy == v->m_horizon * kUnit && marker->m_z == 20 * kUnit);
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() + 20 * kUnit);
    v->setScreenCoords(marker);
    EXPECT_EQ(marker->m_x0 | marker->m_x1 | marker->m_y0 | marker->m_y1, 0) << "behind the eye";
}

TEST(Vterrain, PartialRedrawsKeepTheSkyAndTheOwnBuffer)
{
    FakeHost host;
    ref<Vterrain> v = view(64, 48, plain(), 8 * kUnit);
    v->m_changed = true;
    Array<int32_t> screen(64 * 48);
    v->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(FakeHost::dirtyList(*v), (std::vector<Rect>{{0, 0, 64, 48}}));
    v->draw(screen, 64, 48, 0, 0, 64, 24); // not to the bottom: still stale
    EXPECT_TRUE(v->m_changed);
    v->draw(screen, 64, 48, 0, 0, 64, 48);
    EXPECT_TRUE(!v->m_changed && std::memcmp(screen.a, v->m_pixels.a, 64 * 48 * 4) == 0);
    int32_t top = v->m_top[5];
    ASSERT_GT(top, 8);
    // Sky rows are not painted again; a column whose terrain starts more than
    // three rows below the clip is skipped.
    for (int32_t y = 0; y < 48; y++)
        v->m_pixels[y * 64 + 5] = 0x12345678;
    v->drawTerrain(v->m_pixels, 64, 48, 0, 0, 64, top - 4);
    for (int32_t y = 0; y < top - 4; y++)
        EXPECT_EQ(v->m_pixels[y * 64 + 5], 0x12345678) << y;
    v->drawTerrain(v->m_pixels, 64, 48, 0, top - 2, 64, 48);
    EXPECT_EQ(v->m_pixels[(top - 1) * 64 + 5], 0x12345678) << "above the terrain the sky stays";
    EXPECT_NE(v->m_pixels[47 * 64 + 5], 0x12345678);
    EXPECT_EQ(v->m_top[5], top) << "only full-height draws set the column tops";

    // A child moving redraws where it was and where it is.
    ref<Vsprite> marker = box(0, 0, 4, 4);
    v->add(marker);
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() - 20 * kUnit);
    v->m_dirtyCount = 0;
    v->renderChangeDetect(0, 0, 32768);
    EXPECT_EQ(FakeHost::dirtyList(*v), (std::vector<Rect>{{marker->m_x0, marker->m_y0, marker->m_x1, marker->m_y1}}));
    EXPECT_FALSE(v->m_changed);
    v->removeAll();
}

TEST(Vterrain, HalfResolutionDrawsEachHalfPixelTwoByTwo)
{
    FakeHost host;
    constexpr int32_t kW = 33, kH = 21; // odd: the last half pixel is cut
    ref<Vterrain> v = view(kW, kH, plain(), 6 * kUnit);
    v->setHeading(0x1234);
    EXPECT_FALSE(v->halfResolution()) << "off unless asked for";
    v->setHalfResolution(true);
    Array<int32_t> screen(kW * kH);
    v->draw(screen, kW, kH, 0, 0, kW, kH);
    EXPECT_FALSE(v->m_changed);
    // The same eye at half the size, focal length and horizon, with the sky
    // of every other row.
    ref<Vterrain> half = view(17, 11, v->m_polyTerrain, 6 * kUnit);
    half->setWxyz(v->getWx(), v->getWy(), v->getWz());
    half->setHeading(0x1234);
    half->m_focal = v->m_focal >> 1;
    half->setHorizon(v->m_horizon >> 1);
    for (int32_t r = 0; r < 11; r++)
        half->m_sky[r] = v->m_sky[2 * r];
    half->drawTerrain(half->m_pixels, 17, 11, 0, 0, 17, 11);
    int32_t wrong = 0, terrain = 0;
    for (int32_t i = 0; i < kW * kH; i++) {
        wrong += screen[i] != half->m_pixels[(i / kW >> 1) * 17 + (i % kW >> 1)];
        terrain += (static_cast<uint32_t>(screen[i]) >> 24) != 0xFF;
    }
    EXPECT_TRUE(wrong == 0 && terrain > kW * kH / 2) << wrong << " " << terrain;
    // A partial repaint fills its rectangle and nothing else; back at full
    // resolution the view draws as it always did.
    Array<int32_t> part(kW * kH);
    v->m_changed = true;
    v->draw(part, kW, kH, 5, 4, 20, 13);
    int32_t wrongPlace = 0;
    for (int32_t i = 0; i < kW * kH; i++)
        wrongPlace += (part[i] == 0) == (i % kW >= 5 && i % kW < 20 && i / kW >= 4 && i / kW < 13);
    EXPECT_EQ(wrongPlace, 0);
    // A new size is drawn whole even before the change is noticed.
    v->setWidthHeight(20, 14);
    Array<int32_t> small(20 * 14);
    v->m_changed = false;
    v->draw(small, 20, 14, 0, 0, 20, 14);
    EXPECT_NE(small[13 * 20 + 19], 0);
    v->setWidthHeight(kW, kH);
    v->setHalfResolution(false);
    v->m_changed = true;
    v->draw(screen, kW, kH, 0, 0, kW, kH);
    EXPECT_EQ(std::memcmp(screen.a, v->m_pixels.a, kW * kH * 4), 0);
}

TEST(Vterrain, APanoramaSkyTurnsWithTheViewAndStaysOnTheHorizon)
{
    constexpr int32_t kW = 64, kH = 48, kPw = 256;
    ref<Vterrain> v = view(kW, kH, plain(), 1000 * kUnit);
    v->setSkyPanorama(testPanorama(kPw, TerrainSky::kHeight));
    // Pixel (x, y) of the panorama as the sky shows it.
    auto column = [&](int32_t x, int32_t y) { return static_cast<int32_t>(at(*v, x, y) & 0xFFF); };
    auto row = [&](int32_t x, int32_t y) { return static_cast<int32_t>((at(*v, x, y) >> 12) & 0xFFF); };
    v->draw(v->m_pixels, kW, kH, 0, 0, kW, kH);
    for (int32_t i = 0; i < kW * kH; i++)
        ASSERT_EQ(at(*v, i % kW, i / kW) >> 24, 0xFFu) << "sky is as far as can be, at " << i;
    // The middle column looks along the heading; columns to the right look
    // further round; the horizon row shows the panorama's horizon.
    EXPECT_EQ(column(kW / 2, 0), 0);
    EXPECT_GT(column(kW - 1, 0), 0);
    EXPECT_NEAR(kPw - column(0, 0), column(kW - 1, 0), 1) << "as far left as right";
    EXPECT_EQ(row(5, v->m_horizon), TerrainSky::kHorizonRow);
    EXPECT_LT(row(5, 0), TerrainSky::kHorizonRow) << "above the horizon is higher in the panorama";
    // A quarter turn: the whole sky moves a quarter of the panorama, even
    // the rows above the column tops that a redraw would otherwise keep.
    v->setHeading(8192);
    redraw(*v);
    EXPECT_EQ(column(kW / 2, 0), kPw / 4);
    EXPECT_EQ(column(kW / 2, kH - 1), kPw / 4);
    // The eye's height does not move it.
    const uint32_t before = at(*v, 10, 3);
    v->setWxyz(v->getWx(), v->getWy() + 50 * kUnit, v->getWz());
    redraw(*v);
    EXPECT_EQ(at(*v, 10, 3), before);
}

TEST(Vterrain, HazeFadesTheFarLandTowardItsColour)
{
    constexpr int32_t kW = 64, kH = 48;
    ref<Vterrain> clear = view(kW, kH, plain(), 6 * kUnit);
    ref<Vterrain> hazy = view(kW, kH, plain(), 6 * kUnit);
    hazy->setHaze(0xFFFFFF, 20, 32768);
    EXPECT_TRUE(hazy->hazeAt(2) == 0 && hazy->hazeAt(22) == 0) << "none from the eye up to where it starts";
    EXPECT_GT(hazy->hazeAt(100), hazy->hazeAt(40));
    EXPECT_EQ(hazy->hazeAt((Vterrain::kFarDistance >> 4) + 2), 32768) << "all haze at the far end";
    clear->drawTerrain(clear->m_pixels, kW, kH, 0, 0, kW, kH);
    hazy->drawTerrain(hazy->m_pixels, kW, kH, 0, 0, kW, kH);
    int32_t terrain = 0;
    for (int32_t i = 0; i < kW * kH; i++) {
        const uint32_t a = static_cast<uint32_t>(clear->m_pixels[i]), b = static_cast<uint32_t>(hazy->m_pixels[i]);
        ASSERT_EQ(a >> 24, b >> 24) << "the depth stays";
        if ((a >> 24) == 0xFF)
            continue;
        terrain++;
        const int32_t share = hazy->hazeAt(static_cast<int32_t>(a >> 24));
        for (int32_t shift = 0; shift <= 16; shift += 8) {
            const int32_t c = (a >> shift) & 255, h = (b >> shift) & 255;
            // Each channel moves share/32768 of the way to white, give or take rounding.
            ASSERT_NEAR(h, c + ((255 - c) * share >> 15), 1) << i;
        }
    }
    EXPECT_GT(terrain, kW * kH / 2);
}

// Things near the eye fade where they stand in the way: in the middle of the
// view they are gone before 16 units and fade in over the next 4; a third of
// the width aside they stay down to 6 units, and in between a little nearer
// the nearer they are to the middle (a thing reaching into the middle counts
// as in it). With a tank kept in sight (24 units ahead, a ball of 1.5 units
// 4.5 units below the eye: 35 pixels across, its middle at row 145) only what
// covers the tank, or the aim at the view's middle, fades, by a share that
// grows with how far it reaches into the tank: no pop.
TEST(Vterrain, ThingsNearTheEyeFadeOnlyWhereTheyStandInTheWay)
{
    ref<Vterrain> v = view(480, 320, plain(), 6 * kUnit);
    v->m_x0 = 0;
    v->m_x1 = 480;
    Vsprite thing;
    auto alphaAt = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) {
        std::tie(thing.m_x0, thing.m_y0, thing.m_x1, thing.m_y1) = std::tuple{x0, y0, x1, y1};
        return v->thingAlpha(thing, z);
    };
    struct Case {
        const char* name;
        bool tankInSight;
        int32_t x0, y0, x1, y1, z, low, high;
    };
    const Case cases[] = {
        {"in the middle, too near", false, 200, 0, 280, 0, 12, -0x7FFFFFFF, 0},
        {"in the middle, fading in", false, 200, 0, 280, 0, 18, 1, 32767},
        {"in the middle, far enough", false, 200, 0, 280, 0, 20, 32768, 0x7FFFFFFF},
        {"a third aside on the left", false, 0, 0, 60, 0, 12, 32768, 0x7FFFFFFF},
        {"a third aside on the right", false, 420, 0, 480, 0, 12, 32768, 0x7FFFFFFF},
        {"a third aside, too near", false, 420, 0, 480, 0, 5, -0x7FFFFFFF, 0},
        {"reaching into the middle", false, 0, 0, 250, 0, 12, -0x7FFFFFFF, 0},
        {"a hedge below the tank's upper half", true, 150, 150, 330, 200, 18, 32768, 32768},
        {"a tree in front of the tank", true, 200, 60, 280, 200, 18, 16384, 16384},
        {"reaching ten pixels into the tank", true, 150, 135, 330, 200, 18, 16385, 32767},
        {"across the aim, above the tank", true, 220, 20, 260, 80, 18, 16384, 16384},
        {"very near the eye", true, 150, 150, 330, 200, 5, -0x7FFFFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        v->keepInSight(c.tankInSight ? 200 * kUnit : 0, c.tankInSight ? 11 * kUnit / 2 : 0, c.tankInSight ? 376 * kUnit : 0,
                       c.tankInSight ? 3 * kUnit / 2 : 0);
        const int32_t alpha = alphaAt(c.x0, c.y0, c.x1, c.y1, c.z);
        EXPECT_TRUE(alpha >= c.low && alpha <= c.high) << alpha;
    }
    v->keepInSight(0, 0, 0, 0);
    EXPECT_GT(alphaAt(290, 0, 400, 0, 14), alphaAt(270, 0, 400, 0, 14));
    v->keepInSight(200 * kUnit, 11 * kUnit / 2, 376 * kUnit, 3 * kUnit / 2);
    const int32_t partly = alphaAt(150, 135, 330, 200, 18);
    EXPECT_LT(alphaAt(150, 130, 330, 200, 18), partly);
    // Forgotten, or behind the eye: the middle of the view fades again.
    v->keepInSight(0, 0, 0, 0);
    EXPECT_EQ(alphaAt(150, 150, 330, 200, 18), 16384);
    v->keepInSight(200 * kUnit, 0, 500 * kUnit, 3 * kUnit / 2);
    EXPECT_EQ(alphaAt(150, 150, 330, 200, 18), 16384);
}

TEST(Vterrain, OnTheMoveTheViewIsCastStraightIntoTheTargetAndAgainWhenItStops)
{
    FakeHost host;
    ref<Vterrain> v = view(64, 48, plain(), 8 * kUnit);
    ref<Vterrain> reference = view(64, 48, plain(), 8 * kUnit);
    Array<int32_t> screen(64 * 48), expected(64 * 48);
    // Each move turns the view and raises or lowers the eye, so that land
    // and sky trade rows: a stale buffer shows.
    auto frame = [&](int32_t heading, int32_t eye, bool move) {
        if (move)
            for (Vterrain* t : {v.get(), reference.get()}) {
                t->setHeading(heading);
                t->setWxhz(200 * kUnit, eye * kUnit, 400 * kUnit);
            }
        std::fill(screen.a, screen.a + screen.length, 0x0BADF00D);
        v->renderChangeDetect(0, 0, 32768);
        v->draw(screen, 64, 48, 0, 0, 64, 48);
        reference->m_changed = true;
        reference->draw(expected, 64, 48, 0, 0, 64, 48);
        return std::equal(screen.a, screen.a + screen.length, expected.a);
    };
    EXPECT_TRUE(frame(0x100, 3, true)) << "the first frame, through the own buffer";
    EXPECT_TRUE(frame(0x200, 30, true)) << "moving: into the target";
    const int32_t kept = v->m_pixels[47 * 64 + 5];
    EXPECT_TRUE(frame(0x300, 12, true));
    EXPECT_EQ(v->m_pixels[47 * 64 + 5], kept) << "the own buffer was left alone";
    EXPECT_TRUE(frame(0x300, 12, false)) << "standing still: cast into the own buffer again";
    EXPECT_TRUE(frame(0x300, 12, false)) << "and copied from it";
    EXPECT_FALSE(v->m_changed);
}
