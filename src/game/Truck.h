#pragma once
#include <cstdint>

#include "game/Tank.h"
#include "runtime/ref.h"

// The supply truck: a vehicle with its own driving. It waits off the field
// until the player needs supplies, then wanders between random spots near the
// player. Touching it long enough captures it (it stops and hands over five
// supplies through the status panel); the player's shells destroy it, and a
// truck destroyed before it was captured counts as an enemy destroyed.
//
// m_timer counts physics time here (ms * 32), not milliseconds.
class Truck : public Tank {
public:
    Truck();
    ~Truck() override;

    // Counts the time the player's tank touches the truck, and captures it.
    int32_t collisionCheckObject(const ref<Vphob>& other, int32_t dt) override;
    bool prestep(int32_t dt) override;
    // A new spot and destination near the player, undamaged and unsupplied.
    void redeploy() override;

    // Whether the player's tank can do without supplies for now.
    bool playerSupplied() const;

    static constexpr int32_t kCapture = 1820;  // touching time that captures
    static constexpr int32_t kSupplies = 5;

    bool m_captured = false;
    int32_t m_supply = -1; // -1 not yet supplied, else supplies still to hand over
    // Time the player's tank has touched the truck (at most 8192 more is
    // counted once the capture is past).
    int32_t m_contact = 0;

private:
    // Hidden and out of play until the supply timer runs out again.
    void standBy();
    void steer(int32_t dt);
};
