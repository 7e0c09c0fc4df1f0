#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"

// Pictures of a library that stand in the landscape, each kept at several
// strengths of the haze, so that a far one is drawn faded toward the haze
// colour without any per-pixel work when it is drawn. Made once per haze.
class HazedPictures : public Object {
public:
    static constexpr int32_t kLevels = 8; // level l is l/8 haze

    // Pictures first .. first + count - 1 of lib, faded toward colour.
    HazedPictures(const ref<Vilib>& lib, int32_t first, int32_t count, int32_t colour);
    // The same pictures faded toward another colour, made again in the
    // memory they hold: each battle's things are the last battle's, and
    // refilled they leave the heap as it was. False, and nothing changed,
    // when they are not the pictures these were made from.
    bool refill(const ref<Vilib>& lib, int32_t first, int32_t count, int32_t colour);

    // Units from the eye: nearer ones are not drawn, and the next kFading
    // units they fade in. Aside from the middle of the view, where nothing
    // is aimed at, they stay in the picture until kNearestAside.
    static constexpr int32_t kNearest = 16, kFading = 4, kNearestAside = 6;

    // Whether picture image of lib is one of these.
    bool holds(const Vilib* lib, int32_t image) const
    {
        return lib == m_lib.get() && image >= m_first && image < m_first + m_count;
    }
    // The version of one of them (holds) for a haze share (0..32768).
    Vpicture* at(int32_t image, int32_t share) const;
    // The one to draw at scale (32768 = its size) for a haze share: drawn
    // larger than kEnlargedFrom, its enlarged twin at a kEnlarge-th of the
    // scale, so that a thing near the eye has soft edges instead of blocks
    // for no more work per pixel. The twins are made with the pictures, so
    // that no frame of the battle waits for one and the memory stays flat.
    Vpicture* at(int32_t image, int32_t share, int32_t& scale) const;

    static constexpr int32_t kEnlarge = 4;
    static constexpr int32_t kEnlargedFrom = 32768 + 16384;

private:
    // The version kept for a haze share.
    static int32_t level(int32_t share);
    // Picture i's hazed versions and twins, from its clear one.
    void fill(int32_t i, int32_t colour);

    ref<Vilib> m_lib;
    int32_t m_first = 0, m_count = 0;
    int32_t m_colour = 0;
    Array<ref<Vpicture>> m_pictures; // kLevels per picture
    Array<ref<Vpicture>> m_enlarged; // as m_pictures
};
