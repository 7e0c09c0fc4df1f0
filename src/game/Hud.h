#pragma once
#include <cstdint>

#include "game/Sight.h"
#include "runtime/ref.h"
#include "scene/Vmenu.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

class App;
class Tank;

// What the battle shows over the view: the on-screen controls (buttons on a
// touch layout, a text menu on a small screen), the status panel with the
// enemies left, rounds, fuel and armor, and the radar.
class Hud : public Object {
public:
    explicit Hud(App& app);

    // The controls of both states and the status panel, for buttons of
    // buttonSize pixels (0: text menus).
    void build(int32_t buttonSize);
    // The same again for a new battle: nothing of the last one's (a status
    // line still lit, a button still lit) carries over; the controls stay
    // shown or hidden as they were.
    void renew();
    // Shows the control menu for the driving or aiming state and lays out
    // menu, status panel and radar.
    void menuGameShow();
    // Hides the full controls, keeping only the menu button.
    void menuOff();
    // Takes controls, panel and radar off the screen.
    void hide();
    // The control menu of the tank's state: aiming or driving.
    ref<Vmenu> activeMenu() const;
    // Refreshes the status numbers and their highlighting; once a battle
    // frame.
    void status();
    // Moves every blip of the radar; once a battle frame.
    void radar();
    // Registers vehicle v of a kind (kRadarEnemy, kRadarTruck) with a blip.
    void radarAdd(const ref<Vsprite>& v, int32_t kind);
    // The radar for a new battle, in the top right corner.
    void radarReset();
    // Places the radar in the top right corner and the status panel in the
    // top left one, inside the screen's margin, grown for a large screen.
    void radarPlace();
    void panelPlace();
    // The whole factor the panel and the radar are shown at on this screen.
    int32_t factor() const;
    // The hull's heading on the radar, relative to the view's.
    void hullArrow();
    // Fades s towards half alpha, by 4 per ms of the last frame.
    void dim(const ref<Vsprite>& s);
    // Whether the controls were built with buttons.
    bool touchLayout() const { return m_menuDrive && m_menuDrive->m_buttonSize != 0; }

    // Radar kinds of the sprites' ids.
    static constexpr int32_t kRadarEnemy = 2, kRadarTruck = 3;

    ref<Vmenu> m_menuDrive;
    ref<Vmenu> m_menuAim;
    int32_t m_buttonSize = 0; // as built
    bool m_controls = false; // the full controls are shown (on the desktop: the player's choice, kept)
    ref<Vsprite> m_panel;    // status panel
    ref<Vtext> m_textEnemy;
    ref<Vtext> m_textFuel;
    ref<Vtext> m_textRounds;
    ref<Vtext> m_textArmor;
    ref<Vsprite> m_radar; // made by the first battle
    ref<Sight> m_sight;   // the gun's reticle and landing marker
    ref<Vsprite> m_hullArrow; // over the radar
    ref<Vtext> m_waterWarning; // "Deep water - turn back", while the tank is in or heads for water

private:
    ref<Vmenu> controlMenu(bool aim, int32_t buttonSize);
    // Whether tank t stands in water or drives towards it within a few units.
    static bool waterAhead(Tank& t);
    // Shows or takes off the water warning for t.
    void waterWarning(Tank& t);

    App& m_app;
};
