#pragma once
#include <cstdint>

#include "runtime/Object.h"

class App;

// The two views of a battle: the chase camera over the terrain and sky and
// the overhead map with the models seen from straight above. The chase
// camera follows the hull (the gun, in aim mode) smoothly, a critically
// damped turn each tick, with the tank in the lower part of the screen; the
// lazy camera of old (m_lazy) stays put until the tank turns far away or
// leaves the screen and then catches up with a wipe.
class BattleCamera : public Object {
public:
    explicit BattleCamera(App& app);

    // Places the chase camera behind the player's tank at once.
    void lookAt();
    // True when the chase camera has fallen too far behind the tank and
    // must be re-aimed this frame.
    bool turn();
    // Once a tick of the battle: the chase camera re-aimed when it fell
    // behind (m_jumped tells the screen to wipe), or the overhead map kept on
    // the tank. From where the tank is, not from what a frame drew.
    void follow();
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
    // The perspective view's horizon, a share of the screen's height from
    // the top (fixed): the lazy camera's high one, or the lower one that
    // leaves room for the land ahead.
    int32_t horizon() const { return m_lazy ? kHorizonLazy : m_tilt.x; }
    // Gives the 3D view and the terrain view the horizon of the camera.
    void applyHorizon();

    static constexpr int32_t kHorizon = 0x2000;
    static constexpr int32_t kHorizonLazy = 0x1000;
    // Aim mode frames the ground this many units ahead along the gun.
    static constexpr int32_t kAimFrame = 50;
    // How far away models are drawn (197.0).
    static constexpr int32_t kFarPerspective = 0x628000;

    bool m_jumped = false; // the chase camera jumped since the screen last looked
    bool m_lazy = false;   // the lazy camera instead of the smooth one

    // A value that follows its goal critically damped, per tick: x moves by
    // v, v is pulled by the distance and held back by itself.
    struct Follower {
        int32_t x = 0, v = 0;
        void snap(int32_t goal) { x = goal, v = 0; }
        // One tick toward goal; angle: the distance wraps round a turn.
        void step(int32_t goal, bool angle);
    };
    // The smooth camera's state (a kept battle holds it too).
    Follower m_heading, m_behind, m_height;
    // The heading the camera wanted at the last tick: in aim mode the camera
    // turns with the turret at once, and only what it lagged before is taken
    // up smoothly. kNoGoal: none yet (a battle resumed from its file).
    static constexpr int32_t kNoGoal = INT32_MIN;
    int32_t m_lastGoal = kNoGoal;
    Follower m_tilt{kHorizon, 0}; // the horizon

private:
    // The heading, distance behind and height over the tank that the chase
    // camera wants now.
    void goal(int32_t& heading, int32_t& behind, int32_t& height) const;
    // Puts the camera behind the tank by the followers.
    void place();
    // One tick of the smooth camera.
    void smooth();
    // The horizon the smooth camera wants: in aim mode tilted so that the
    // ground kAimFrame ahead along the gun stands a little above the middle
    // of the screen, wherever the land rises or falls.
    int32_t tiltGoal() const;

    App& m_app;
};
