// Image library pages and picture records: the input is the byte stream of a
// library, cut into 32768-byte pages as the writer does. Every picture is
// decoded (JPEG with and without mask, run-length); for one input in a
// hundred each is also drawn the ways the sprites draw it: unscaled, scaled
// up and down, translucent, behind a depth.
#include <cstdint>
#include <cstring>

#include "host/Vdisplay.h"
#include "scene/Vilib.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"
#include "support/FuzzSample.h"

namespace {

constexpr int32_t kW = 64, kH = 48;

struct Placement {
    int32_t sx, sy, scale, z, alpha;
};

// Fixed-point positions off the pixel grid and off the buffer's edges.
constexpr Placement kPlacements[] = {
    {0, 0, 32768, 0, 32768},
    {-5 * 32768 - 7, 3 * 32768 + 16384, 32768, 100, 32768},
    {10 * 32768 + 1, -9 * 32768, 65536, 20, 16384},
    {-40 * 32768, -30 * 32768, 9000, 255, 32768},
    {30 * 32768, 20 * 32768, 3 * 32768 + 5, 0, 1},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder::instance().writePages("fz", data, size, 32768);
    static ref<Vdisplay> display = new Vdisplay;
    static Array<int32_t> pixels = V::allocInt(kW * kH);
    const int32_t avail = V::m_avail;
    ref<Vilib> lib = new Vilib(display, "fz"_s);
    const bool draw = fuzzDraws(data, size);
    for (int32_t i = 0; i < lib->m_count; i++) {
        ref<Vpicture> pic = lib->loadPicture(i);
        if (!pic)
            continue;
        fuzzCheck(pic->m_pixels.length >= pic->m_width * pic->m_height, "a picture holds its pixels");
        if (!draw)
            continue;
        // Depth codes that let some pixels through and hold others back.
        for (int32_t k = 0; k < kW * kH; k++)
            pixels[k] = static_cast<int32_t>((static_cast<uint32_t>(k * 37) << 24) | 0x405060);
        for (const Placement& p : kPlacements) {
            lib->drawPicture(i, pixels, kW, kH, 0, 0, kW, kH, p.sx, p.sy, p.scale, p.z, p.alpha);
            lib->drawPicture(i, pixels, kW, kH, 7, 5, 23, 19, p.sx, p.sy, p.scale, p.z, p.alpha);
        }
    }
    // A JPEG byte stands for at most 256 pixels of 4 bytes, a run-length
    // byte for fewer; the work buffer is no larger than the largest record.
    fuzzCheck(static_cast<int64_t>(avail) - V::m_avail <= 1024 * static_cast<int64_t>(size) + 65536,
              "the library allocates no more than its bytes can stand for");
    // The eviction clock, then decoding again from a closed library, last
    // picture first, so that every record is reached by seeking backwards.
    lib->free(1 << 30);
    lib->close();
    for (int32_t i = lib->m_count - 1; i >= 0; i--)
        lib->loadPicture(i);
    lib->lookup("ground_water"_s);
    return 0;
}
