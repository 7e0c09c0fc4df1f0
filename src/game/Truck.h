#pragma once
#include <cstdint>

#include "game/Tank.h"
#include "runtime/ref.h"

// The supply truck: a vehicle with its own driving. It waits off the field
// until the player needs supplies, then comes to the side of the player's
// tank, never in front of its gun nor across water from it, and stays by
// it; emptied, it drives off and leaves. Touching it long enough captures it (it stops and hands over five
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
    // A destination beside the player's tank, off the line of its gun,
    // nearest to farthest away, with dry land all the way from the tank to
    // it (and from the truck, when it is on the field); false, changing
    // nothing, when the tries found none.
    bool besideTarget(int32_t nearest, int32_t farthest);
    // Whether no water lies on the straight way between the two points.
    bool dryWay(int32_t x0, int32_t z0, int32_t x1, int32_t z1) const;
    // The next destination: beside the tank, else as an enemy would go.
    void nextSpot();
    void steer(int32_t dt);
};
