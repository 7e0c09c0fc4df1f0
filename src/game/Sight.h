#pragma once
#include <cstdint>

#include "game/Trajectory.h"
#include "math/Vector.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

class App;

// The gun's sight over the chase view. In aim mode a reticle where the gun
// points and a marker on the ground where its shell would come down, with
// the range in units beside it (red when the shell would stop on a vehicle);
// while driving only a small marker where the gun would hit. The landing
// point is the shell's own flight run forward (Trajectory), so the marker
// and the shells agree. Below Hard the flight meets the vehicles where they
// will be when it comes down, and a lead mark shows where a moving enemy
// near the landing point will be by then: the marker put on it hits.
class Sight : public Object {
public:
    explicit Sight(App& app);

    // Once a battle frame, after the camera has moved: follows the gun, or
    // hides the sight where it has no place (overhead map, tank destroyed).
    void update();
    // Takes reticle and markers off the screen.
    void hide();
    // Takes the shapes apart at the end of the game.
    void destroy();

    // Over the world and under the status panel.
    static constexpr int32_t kZ = -900;
    // The lead mark is for enemies this near the landing point (units)...
    static constexpr int32_t kLeadReach = 30;
    // ...that will have moved at least this far by then (17.15).
    static constexpr int32_t kLeadLeast = 49152;

    ref<Trajectory> m_path;
    bool m_landed = false; // the last update found where the shell comes down
    int32_t m_range = 0;   // units from the tank to there
    ref<Vsprite> m_reticle;
    ref<Vsprite> m_marker; // aim mode's landing marker
    ref<Vsprite> m_small;  // driving's
    ref<Vsprite> m_lead;   // where the enemy aimed at will be
    ref<Vtext> m_rangeText;

private:
    // A group of bars (x, y, w, h; four numbers each) in one colour.
    static ref<Vsprite> shape(int32_t w, int32_t h, const int32_t* bars, int32_t count, int32_t color);
    // Shows s centred on the screen point of (x, y, z); false when the point is
    // behind the camera.
    bool put(const ref<Vsprite>& s, int32_t x, int32_t y, int32_t z);
    void show(const ref<Vsprite>& s, bool on);
    // Puts the lead mark over the moving enemy nearest to where the shell
    // comes down; false when there is none to lead.
    bool lead(const Tank& t);

    ref<Vector> m_way, m_mount; // the bore, for the reticle

    App& m_app;
};
