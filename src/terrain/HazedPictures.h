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

private:
    ref<Vilib> m_lib;
    int32_t m_first = 0, m_count = 0;
    Array<ref<Vpicture>> m_pictures; // kLevels per picture
};
