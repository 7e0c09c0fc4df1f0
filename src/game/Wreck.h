#pragma once
#include <cstdint>

#include "physics/Vphob.h"
#include "runtime/ref.h"

class Tank;
class V3dView;

// What is left of a tank destroyed: its hull, turret and gun as they stood,
// charred, burning at first and smoking, until it has cooled and goes. It is
// no vehicle: shells fly through it, and neither the radar nor the sight
// shows it.
class Wreck : public Vphob {
public:
    Wreck();
    ~Wreck() override;

    // A wreck of t where t stands now, shown in t's view and kept going by
    // its world; null when t is in neither.
    static ref<Wreck> leave(const Tank& t);

    bool prestep(int32_t dt) override;
    // Where the next puff rises, about the middle (17.15).
    int32_t drift();

    static constexpr int32_t kLifeMs = 20000; // from the blast until it goes
    static constexpr int32_t kBurnMs = 8000;  // flames at first
    static constexpr int32_t kSmokeMs = 160;  // between two puffs of smoke
    static constexpr int32_t kFlameMs = 384;  // between two tongues of flame
    static constexpr int32_t kSoot = 22938;   // of the light taken away: 70%

    int32_t m_ms = 0; // since the blast
    int32_t m_nextSmoke = 0, m_nextFlame = 0;
    int32_t m_top = 0; // height of the turret's top over the origin
    uint32_t m_dice = 1;
    V3dView* m_view = nullptr; // m_lib: the pictures of the smoke and flames
};
