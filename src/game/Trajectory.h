#pragma once
#include <cstdint>

#include "physics/Vphysics.h"
#include "runtime/Object.h"
#include "runtime/ref.h"

class Shell;
class Tank;

// The flight of a shell a tank would fire now, run forward tick by tick with
// the shell's own physics (its launch, forces, steps and tests of the ground
// and of the vehicles in its way) on the ground of the tank's world, without
// touching that world. The sight shows where it ends.
class Trajectory : public Object {
public:
    Trajectory();
    ~Trajectory() override;

    // Flies the shell t would fire now; true when it came down (on the ground
    // or on a vehicle) within kMostTicks. m_x, m_y, m_z are where it stopped
    // (or where it was when the flight was given up). With lead, the vehicles
    // are met where they will be by then, each driving on as it drives now.
    bool run(Tank& t, bool lead = false);
    // Where vehicle v will be after ticks more ticks at its velocity now.
    static void ahead(const Vphob& v, int32_t ticks, int32_t& x, int32_t& z);

    // The longest flight followed: 8 s.
    static constexpr int32_t kMostTicks = 500;

    int32_t m_x = 0, m_y = 0, m_z = 0;
    int32_t m_ticks = 0;   // of the flight
    Vphob* m_hit = nullptr; // the vehicle it came down on, or null (valid until the world changes)

private:
    ref<Shell> m_probe;
    ref<Vphysics> m_world; // the probe's own, on the tank's ground
};
