#pragma once
#include <cstdint>

#include "physics/Vphob.h"
#include "runtime/ref.h"
#include "scene/Vilib.h"

class V3dView;

// One puff of a shell's smoke trail, or of the dust a shot throws up from
// the ground, or of a wreck's smoke: it stays where it was left (the smoke
// rises) and fades out (a trail's puff over
// 384 ms), then waits on a free list.
class Tracer : public Vphob {
public:
    Tracer();
    ~Tracer() override;

    bool prestep(int32_t dt) override;

    // A puff from the free list, or a new one.
    static ref<Tracer> create();
    // One puff inited as init does, shown in view and moving in world; null
    // when none could be made.
    static ref<Tracer> leave(V3dView* view, Vphysics* world, int32_t x, int32_t y, int32_t z, const ref<Vilib>& lib,
                      int32_t scale, int32_t fade = kTrailFade);
    // Shows picture 16 of lib at (x, y, z), at scale, almost opaque, at
    // rest; no gravity and no contacts. fade: a quarter of the opacity lost
    // per unit of physics time.
    void init(int32_t x, int32_t y, int32_t z, const ref<Vilib>& lib, int32_t scale, int32_t fade = kTrailFade);

    static constexpr int32_t kTrailFade = 8, kDustFade = 4;

    ref<Tracer> m_nextFree;
    int32_t m_fade = kTrailFade;

    static ref<Tracer> m_free;
};
