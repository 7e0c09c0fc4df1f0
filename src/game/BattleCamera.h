#pragma once
#include <cstdint>

#include "runtime/Object.h"

class App;

// The two views of a battle: the chase camera over the terrain and sky,
// which follows the player's tank lazily and catches up with a wipe, and the
// overhead map with the models seen from straight above.
class BattleCamera : public Object {
public:
    explicit BattleCamera(App& app);

    // Places the chase camera behind the player's tank.
    void lookAt();
    // True when the chase camera has fallen too far behind the tank and
    // must be re-aimed this frame.
    bool turn();
    // Shows the perspective view (terrain and sky) instead of the map.
    void perspectiveSwitch();
    // Shows the overhead map instead.
    void overheadSwitch();
    // Rescales the overhead map to the screen width and recentres it.
    void overheadResize();
    // Recentres the overhead map on the player's tank.
    void overheadView();
    // Whether the overhead map is shown.
    bool overhead() const;

    // The perspective view's horizon, and how far away models are drawn (197.0).
    static constexpr int32_t kHorizon = 0x1000;
    static constexpr int32_t kFarPerspective = 0x628000;

private:
    App& m_app;
};
