#pragma once
#include <cstdint>

#include "physics/Vphob.h"
#include "runtime/ref.h"

// The flash at the muzzle of a shot: it runs through the explosion pictures,
// 64 ms each, then waits on a free list.
class Flash : public Vphob {
public:
    Flash();
    ~Flash() override;

    bool prestep(int32_t dt) override;

    // A flash from the free list, or a new one; at its first picture's time.
    static ref<Flash> create();

    int32_t m_animTime = 0;
    ref<Flash> m_nextFree;

    static ref<Flash> m_free;
};
