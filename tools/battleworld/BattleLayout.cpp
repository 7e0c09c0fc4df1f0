#include "BattleLayout.h"

#include <cmath>

#include "SwfWriter.h"

namespace {

constexpr int32_t kTwips = 32; // to a unit
constexpr int32_t kFrame = 512 * kTwips;

// Fill styles: 1 the plain, 1 + k the k-th band of the ramps (k = 1 .. 40),
// then the lake.
constexpr int32_t kPlain = 1;
constexpr int32_t kWater = 2 + BattleLayout::kRampBands;

int32_t band(int32_t k)
{
    return k == 0 ? kPlain : 1 + k;
}

} // namespace

std::vector<uint8_t> BattleLayout::build()
{
    const int32_t styles = kWater;
    const int32_t fillBits = SwfWriter::signedBits(styles) - 1;
    SwfWriter shape;
    shape.u16(1);
    shape.rect(0, kFrame, 0, kFrame);
    shape.u8(static_cast<uint32_t>(styles));
    // Grass carries its height in green, water in blue.
    auto solid = [&](uint32_t rgb) {
        shape.u8(0);
        shape.u8(rgb >> 16 & 255);
        shape.u8(rgb >> 8 & 255);
        shape.u8(rgb & 255);
        shape.u8(255);
    };
    solid(static_cast<uint32_t>(kPlainHeight) << 8);
    for (int32_t k = 1; k <= kRampBands; k++)
        solid(static_cast<uint32_t>(kPlainHeight + k * kRampStep) << 8);
    solid(static_cast<uint32_t>(kLakeHeight));
    shape.u8(0); // no line styles
    shape.bits(static_cast<uint32_t>(fillBits), 4);
    shape.bits(0, 4);

    // The ridge: one boundary going south at each step of the ramps, the
    // style to the west as fill 0 and the one to the east as fill 1.
    auto boundary = [&](int32_t x, int32_t west, int32_t east) {
        shape.moveTo(x * kTwips, kRidgeNorth * kTwips, west, east, fillBits);
        shape.lineBy(0, (kRidgeSouth - kRidgeNorth) * kTwips);
    };
    for (int32_t k = 0; k < kRampBands; k++)
        boundary(kRidgeWest + 2 * k, band(k), band(k + 1));
    for (int32_t k = 0; k < kRampBands; k++)
        boundary(kRidgeTopEast + 2 * k, band(kRampBands - k), band(kRampBands - k - 1));

    // The lake, walked so that the water lies on fill 0's side.
    const int32_t n = 32;
    int32_t px = (kLakeX + kLakeRadius) * kTwips, py = kLakeZ * kTwips;
    shape.moveTo(px, py, kWater, kPlain, fillBits);
    for (int32_t i = 1; i <= n; i++) {
        double t = 2 * 3.141592653589793 * i / n;
        int32_t x = static_cast<int32_t>(std::lround((kLakeX + kLakeRadius * std::cos(t)) * kTwips));
        int32_t y = static_cast<int32_t>(std::lround((kLakeZ + kLakeRadius * std::sin(t)) * kTwips));
        shape.lineBy(x - px, y - py);
        px = x;
        py = y;
    }
    shape.endShape();

    SwfWriter tags;
    tags.tag(32, shape.bytes(), true); // DefineShape3
    tags.tag(1, {});                   // ShowFrame
    tags.tag(0, {});                   // End
    return SwfWriter::file(8, kFrame, kFrame, tags.bytes());
}
