#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "TerrainFixtures.h"
#include "data/DataFiles.h"
#include "game/AppPicture.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
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

} // namespace

TEST(Vterrain, AnEyeAboveAllTerrainSeesOnlyTheSkyGradient)
{
    ref<Vterrain> v = view(64, 48, plain(), 1000 * kUnit);
    v->setHorizon(0);
    EXPECT_EQ(static_cast<uint32_t>(v->m_sky[0]), 0xFF005995u);
    EXPECT_LE(colourError(static_cast<uint32_t>(v->m_sky[47]), 0x3399FF), 4) << "the gradient runs past the screen";
    EXPECT_NE(static_cast<uint32_t>(v->m_sky[47]) & 0xFFFFFF, 0x3399FFu);
    v->drawTerrain(v->m_pixels, 64, 48, 0, 0, 64, 48);
    for (int32_t y = 0; y < 48; y++)
        for (int32_t x = 0; x < 64; x++)
            ASSERT_TRUE(isSky(*v, x, y)) << x << "," << y;
    // Rows below n = focal * wy / 192 + horizon take the bottom colour.
    ref<Vterrain> low = view(64, 48, plain(), 0);
    low->setWxyz(0, 4 * kUnit, 0);
    low->setSkyGradient(0x000000, 0x0000FF);
    int32_t n = V::fmul(low->m_focal, 4 * kUnit) / 192 + low->m_horizon;
    EXPECT_LT(low->m_sky[n - 1] & 0xFF, 0xFF);
    EXPECT_EQ(static_cast<uint32_t>(low->m_sky[n]), 0xFF0000FFu);
}

TEST(Vterrain, APlainLandsOnTheRowsAPinholeCameraPredicts)
{
    constexpr int32_t kW = 160, kH = 120;
    constexpr double kEye = 8.0; // units above the plain
    ref<Vterrain> v = view(kW, kH, plain(), static_cast<int32_t>(kEye * kUnit));
    v->drawTerrain(v->m_pixels, kW, kH, 0, 0, kW, kH);
    int32_t horizon = v->m_horizon, step = 32768 / v->m_focal;
    double wz = 400;
    int32_t checked = 0;
    for (int32_t x : {0, kW / 2, kW - 1})
        for (int32_t r = 0; r < kH; r++) {
            int32_t k = r - horizon;
            // Nothing of the plain shows above the horizon or beyond 192 units.
            if (k < 7) {
                EXPECT_TRUE(isSky(*v, x, r)) << x << "," << r;
                continue;
            }
            if (k > 10) {
                ASSERT_FALSE(isSky(*v, x, r)) << "a hole at " << x << "," << r;
            }
            if (k < 30 || x != kW / 2)
                continue;
            // The pixel shows the ground between the sight lines of its
            // lower and upper edges, give or take a row: the rise per row is
            // taken at the step before (rowInc lags one step), so the rows
            // above a hit creep nearer by up to a row.
            double dNear = kEye * 32768 / (step * (k + 2.0)), dFar = kEye * 32768 / (step * (k - 1.0));
            uint32_t p = at(*v, x, r);
            int32_t texRow = static_cast<int32_t>((p >> 8) & 255);
            bool inside = false;
            for (double d = dNear; d <= dFar; d += 1 / 64.0)
                inside |= (static_cast<int32_t>(std::floor((wz - d) * 8)) & 63) == texRow;
            EXPECT_TRUE(inside) << "row " << r << " shows texel row " << texRow << ", ground from " << dNear << " to " << dFar;
            EXPECT_EQ((p >> 16) & 255, 2u);
            // The depth byte: the distance in whole units, plus 2.
            int32_t depth = static_cast<int32_t>(p >> 24) - 2;
            EXPECT_GE(depth, static_cast<int32_t>(std::floor(dNear)) - 1) << r;
            EXPECT_LE(depth, static_cast<int32_t>(std::floor(dFar)) + 1) << r;
            checked++;
        }
    EXPECT_GT(checked, 60);
    // Every terrain column tops out at the same row on a plain.
    for (int32_t x = 1; x < kW; x++)
        EXPECT_EQ(v->m_top[x], v->m_top[0]) << x;
}

TEST(Vterrain, HeadingsWrapAndLookAtAimsTheEye)
{
    // Headings wrap to 0 .. 32767; west rotates a step along x to -z.
    ref<Vterrain> v = view(32, 32, plain(), 8 * kUnit);
    v->setHeading(3000 + 32768);
    EXPECT_EQ(v->getHeading(), 3000);
    v->setHeading(-8192);
    EXPECT_EQ(v->getHeading(), 24576);
    EXPECT_EQ(v->rotateX(kUnit, 0), 0);
    EXPECT_EQ(v->rotateZ(kUnit, 0), -kUnit + 1);

    v->setWxyz(100 * kUnit, 5 * kUnit, 100 * kUnit);
    int32_t heading = v->lookAt(130 * kUnit, 60 * kUnit);
    EXPECT_EQ(heading, v->getHeading());
    EXPECT_NEAR(v->m_sin / 32768.0, 0.6, 0.01);
    EXPECT_NEAR(v->m_cos / 32768.0, 0.8, 0.01);
    v->move(5 * kUnit);
    EXPECT_NEAR(v->getWx() / 32768.0, 103, 0.05);
    EXPECT_NEAR(v->getWz() / 32768.0, 96, 0.05);
    EXPECT_EQ(v->getWy(), 5 * kUnit);
    v->setWxyz(10 * kUnit, 0, 10 * kUnit);
    EXPECT_EQ(v->setAboveGround(), kGround * 4096);
    EXPECT_EQ(v->getWy(), kGround * 4096);
    v->setHeight(kUnit);
    EXPECT_EQ(v->getWy(), kGround * 4096 + kUnit);
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
    int64_t k = (static_cast<int64_t>(v->m_focal) << 30) / (20 * kUnit);
    EXPECT_EQ(marker->m_drawScale, static_cast<int32_t>(k));
    EXPECT_EQ(marker->m_sx, 80 * kUnit);
    EXPECT_EQ(marker->m_sy, v->m_horizon * kUnit);
    EXPECT_EQ(marker->m_z, 20 * kUnit);
    marker->setWxyz(v->getWx(), v->getWy(), v->getWz() + 20 * kUnit);
    v->setScreenCoords(marker);
    EXPECT_EQ(marker->m_x0 | marker->m_x1 | marker->m_y0 | marker->m_y1, 0) << "behind the eye";
}

TEST(Vterrain, SpiresAndHolesMarkTheTerrainForRepainting)
{
    ref<VpolyTerrain> ground = plain();
    ref<Vterrain> v = view(32, 32, ground, 8 * kUnit);
    v->m_changed = false;
    v->makeSpire(-1, 10 * 65536, 40 * 4096);
    v->makeSpire(256 * 65536, 10 * 65536, 40 * 4096);
    EXPECT_FALSE(v->m_changed) << "outside the map";
    v->makeSpire(10 * 65536, 10 * 65536, 20 * 4096);
    EXPECT_TRUE(v->m_changed);
    EXPECT_EQ(ground->m_heightMap[10 * 256 + 10], 20) << "the smaller of b + k and k";
    ground->m_heightMap[11 * 256 + 10] = static_cast<int8_t>(200);
    v->makeSpire(10 * 65536, 11 * 65536, 20 * 4096);
    EXPECT_EQ(ground->m_heightMap[11 * 256 + 10] & 255, 220);
    v->m_changed = false;
    v->makeHole(50 * kUnit, kGround * 4096 + 10 * kUnit, 50 * kUnit, kUnit);
    EXPECT_FALSE(v->m_changed) << "a blast in the air";
    v->makeHole(50 * kUnit, kGround * 4096, 50 * kUnit, 2 * kUnit);
    EXPECT_TRUE(v->m_changed);
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
    EXPECT_FALSE(v->m_changed);
    EXPECT_EQ(std::memcmp(screen.a, v->m_pixels.a, 64 * 48 * 4), 0);
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
    std::vector<Rect> dirty = FakeHost::dirtyList(*v);
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(dirty[0], (Rect{marker->m_x0, marker->m_y0, marker->m_x1, marker->m_y1}));
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
    for (int32_t y = 0; y < kH; y++)
        for (int32_t x = 0; x < kW; x++) {
            wrong += screen[y * kW + x] != half->m_pixels[(y >> 1) * 17 + (x >> 1)];
            terrain += (static_cast<uint32_t>(screen[y * kW + x]) >> 24) != 0xFF;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(terrain, kW * kH / 2);
    // A partial repaint fills its rectangle and nothing else; back at full
    // resolution the view draws as it always did.
    Array<int32_t> part(kW * kH);
    v->m_changed = true;
    v->draw(part, kW, kH, 5, 4, 20, 13);
    int32_t emptyInside = 0, paintedOutside = 0;
    for (int32_t y = 0; y < kH; y++)
        for (int32_t x = 0; x < kW; x++) {
            const bool inside = x >= 5 && x < 20 && y >= 4 && y < 13;
            (inside ? emptyInside : paintedOutside) += (part[y * kW + x] == 0) == inside;
        }
    EXPECT_EQ(emptyInside, 0);
    EXPECT_EQ(paintedOutside, 0);
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
    for (int32_t y = 0; y < kH; y++)
        for (int32_t x = 0; x < kW; x++)
            ASSERT_EQ(at(*v, x, y) >> 24, 0xFFu) << "sky is as far as can be, at " << x << "," << y;
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
    v->m_changed = true;
    v->draw(v->m_pixels, kW, kH, 0, 0, kW, kH);
    EXPECT_EQ(column(kW / 2, 0), kPw / 4);
    EXPECT_EQ(column(kW / 2, kH - 1), kPw / 4);
    // The eye's height does not move it.
    const uint32_t before = at(*v, 10, 3);
    v->setWxyz(v->getWx(), v->getWy() + 50 * kUnit, v->getWz());
    v->m_changed = true;
    v->draw(v->m_pixels, kW, kH, 0, 0, kW, kH);
    EXPECT_EQ(at(*v, 10, 3), before);
}

TEST(Vterrain, HazeFadesTheFarLandTowardItsColour)
{
    constexpr int32_t kW = 64, kH = 48;
    ref<Vterrain> clear = view(kW, kH, plain(), 6 * kUnit);
    ref<Vterrain> hazy = view(kW, kH, plain(), 6 * kUnit);
    hazy->setHaze(0xFFFFFF, 20, 32768);
    EXPECT_EQ(hazy->hazeAt(2), 0) << "at the eye";
    EXPECT_EQ(hazy->hazeAt(22), 0) << "up to where it starts";
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

TEST(Vterrain, ThingsNearTheEyeFadeOnlyWhereTheyStandInTheWay)
{
    ref<Vterrain> v = view(480, 320, plain(), 6 * kUnit);
    v->m_x0 = 0;
    v->m_x1 = 480;
    Vsprite thing;
    auto alphaAt = [&](int32_t x0, int32_t x1, int32_t z) {
        thing.m_x0 = x0;
        thing.m_x1 = x1;
        return v->thingAlpha(thing, z);
    };
    // In the middle: gone before 16 units, fading in over the next 4.
    EXPECT_LE(alphaAt(200, 280, 12), 0);
    EXPECT_GT(alphaAt(200, 280, 18), 0);
    EXPECT_LT(alphaAt(200, 280, 18), 32768);
    EXPECT_GE(alphaAt(200, 280, 20), 32768);
    // A third of the width aside, on either side, it stays down to 6 units.
    EXPECT_GE(alphaAt(0, 60, 12), 32768);
    EXPECT_GE(alphaAt(420, 480, 12), 32768);
    EXPECT_LE(alphaAt(420, 480, 5), 0);
    // In between it fades a little nearer the nearer it is to the middle, and
    // a thing reaching into the middle counts as in the middle.
    EXPECT_GT(alphaAt(290, 400, 14), alphaAt(270, 400, 14));
    EXPECT_LE(alphaAt(0, 250, 12), 0);
}

TEST(Vterrain, WithTheTankKeptInSightOnlyWhatCoversItFades)
{
    ref<Vterrain> v = view(480, 320, plain(), 6 * kUnit);
    v->m_x0 = 0;
    v->m_x1 = 480;
    // A tank 24 units ahead, a ball of 1.5 units whose middle is 4.5 units
    // below the eye (at 10 units): 35 pixels across at this focal length,
    // its middle at row 145; the view's middle (the aim) is at row 40.
    v->keepInSight(200 * kUnit, 11 * kUnit / 2, 376 * kUnit, 3 * kUnit / 2);
    Vsprite thing;
    auto alphaAt = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) {
        thing.m_x0 = x0;
        thing.m_y0 = y0;
        thing.m_x1 = x1;
        thing.m_y1 = y1;
        return v->thingAlpha(thing, z);
    };
    // A hedge at the foot of the view, below the tank's upper half, stays.
    EXPECT_EQ(alphaAt(150, 150, 330, 200, 18), 32768);
    // A tree in front of the tank fades as in the middle of the view.
    EXPECT_EQ(alphaAt(200, 60, 280, 200, 18), 16384);
    // One that reaches ten pixels up into it (not half the tank's width)
    // fades part of the way: no pop.
    const int32_t partly = alphaAt(150, 135, 330, 200, 18);
    EXPECT_GT(partly, 16384);
    EXPECT_LT(partly, 32768);
    EXPECT_LT(alphaAt(150, 130, 330, 200, 18), partly);
    // A thing across the aim, above the tank, fades too.
    EXPECT_EQ(alphaAt(220, 20, 260, 80, 18), 16384);
    // Very near the eye everything still fades.
    EXPECT_LE(alphaAt(150, 150, 330, 200, 5), 0);
    // Forgotten: the middle of the view fades again.
    v->keepInSight(0, 0, 0, 0);
    EXPECT_EQ(alphaAt(150, 150, 330, 200, 18), 16384);
    // Behind the eye there is nothing to keep in sight either.
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

TEST(Vterrain, ASkyDecodedFromTheLibraryIsTheSkyOfItsPicture)
{
    constexpr int32_t kW = 64, kH = 48;
    InputStream::setResourceDir(dataDir());
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    const int32_t dusk = AppPicture::kSky + AppPicture::kSkyDusk;
    // The second sky is decoded over the first, in the view's own buffer.
    ref<Vterrain> decoded = view(kW, kH, plain(), 1000 * kUnit);
    decoded->setSkyPanorama(*lib, AppPicture::kSky);
    decoded->draw(decoded->m_pixels, kW, kH, 0, 0, kW, kH);
    decoded->setSkyPanorama(*lib, dusk);
    EXPECT_FALSE(lib->m_pictures[AppPicture::kSky]) << "the library kept a sky";
    ref<Vterrain> copied = view(kW, kH, plain(), 1000 * kUnit);
    copied->setSkyPanorama(lib->loadPicture(dusk));
    for (Vterrain* v : {decoded.get(), copied.get()}) {
        v->m_changed = true;
        v->draw(v->m_pixels, kW, kH, 0, 0, kW, kH);
    }
    EXPECT_EQ(decoded->horizonColour(), copied->horizonColour());
    EXPECT_TRUE(std::equal(decoded->m_pixels.a, decoded->m_pixels.a + kW * kH, copied->m_pixels.a));
    // A picture that is not there goes back to the gradient.
    decoded->setSkyPanorama(*lib, lib->m_count);
    decoded->m_changed = true;
    decoded->draw(decoded->m_pixels, kW, kH, 0, 0, kW, kH);
    EXPECT_FALSE(std::equal(decoded->m_pixels.a, decoded->m_pixels.a + kW * kH, copied->m_pixels.a));
    InputStream::setResourceDir(".");
}
