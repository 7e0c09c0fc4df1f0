#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "runtime/Array.h"
#include "scene/CoverMap.h"

class TerrainThreads;
class Vpicture;

// The pictures standing in a terrain view, drawn over the ground in bands of
// rows that the view's threads claim in turn. They are drawn far to near
// (at one depth, in the order they were added), so that the soft edge of a
// near one blends over the far one behind it instead of over what the far
// one hides. Every pixel sees them in that order, and a picture clipped to a
// band samples the rows it would sample whole, so the frame is the one a
// single thread draws. Where a near picture's opaque middle covers a far one,
// the far one's pixels there are passed by: they would be drawn over in full.
// The list is kept between frames to spare allocations.
class SpriteBands {
public:
    // Forgets the last frame's pictures.
    void clear();
    // A picture to draw inside the clip [x0, x1) x [y0, y1) (already within
    // the target), with the arguments of Vpicture::draw.
    void add(Vpicture* picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
             int32_t scale, int32_t z, int32_t alpha);
    // Draws them all into the target, shared with threads when there are
    // enough pixels to be worth waking them (threads may be null).
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, TerrainThreads* threads);

    // Whether the hidden pixels are passed by (the default) or drawn all the
    // same: the same frame either way. For tests and benchmarks.
    static void setPassingHidden(bool on);

    static constexpr int32_t kBandRows = 32;
    // Fewer pixels than this are drawn by the calling thread alone.
    static constexpr int64_t kSharedFrom = 40000;

private:
    struct Item {
        Vpicture* picture;
        int32_t x0, y0, x1, y1, sx, sy, scale, z, alpha;
        int32_t order; // added as the order-th
    };
    void drawRows(int32_t y0, int32_t y1) const;
    static void drawShare(void* context, int32_t thread);

    std::vector<Item> m_items;
    int64_t m_area = 0;          // pixels covered, overlaps counted again
    int32_t m_top = 0, m_bottom = 0; // the rows any picture touches
    // The target of the drawing under way and the next band to claim.
    const Array<int32_t>* m_pixels = nullptr;
    int32_t m_width = 0, m_height = 0;
    std::atomic<int32_t> m_nextBand{0};
    // Each band's rows are cleared and marked by the thread drawing it.
    mutable CoverMap m_cover;
};
