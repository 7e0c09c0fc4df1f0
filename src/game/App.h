#pragma once
#include <cstdint>

#include "render3d/V3dView.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vfont.h"
#include "scene/Vmenu.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

// The game: the root of everything drawn, the 3D camera, the render loop and
// the key queue in one object. The host creates exactly one, calls init and
// setWidthHeight, and then run on the game thread.
//
// The class is split over several files by concern: App.cpp (start-up, the
// outer loop, screen size), AppHud.cpp (controls, status panel and the small
// sprite helpers), AppScreens.cpp (menus and pages), AppMap.cpp (the campaign
// map) and AppPrefs.cpp (the preferences record).
class App : public V3dView {
public:
    App();
    ~App() override;

    // Takes the sprite trees apart so that their counted parent links do not
    // keep them alive; the pixel buffer and the last frame stay.
    void destroy() override;
    // The whole game; returns when the viewport stops running.
    void run() override;
    // Applies a new screen size and re-lays out what is shown; true when the
    // size changed. While the screen rotates it waits for the rotation to end.
    bool screenResize() override;

    // Adds s centred on the screen, scaled down to the screen width if wider.
    virtual void center(const ref<Vsprite>& s);
    // Fades s towards half alpha, by 4 per ms of the last frame.
    virtual void dim(const ref<Vsprite>& s);
    // The help text in a scrolling page until it is closed.
    virtual void help();
    // The end-of-campaign picture; waits for a key and clears the campaign.
    virtual void gameOver();
    // Changes the text of t and centres it in the width of its parent's
    // first child.
    virtual void mcenter(const ref<Vtext>& t, const ref<String>& text);
    // Puts the text items of m on button pictures, for large screens.
    virtual void mend(const ref<Vmenu>& m);
    // The campaign map until the player goes on; with openMenu the main menu
    // opens at once. True when a new campaign was started from the menu.
    virtual bool mapScreen(bool openMenu);
    // Adds flag picture p in map cell (c, r) to map.
    virtual ref<Vsprite> mapFlag(const ref<Vsprite>& map, int32_t p, int32_t c, int32_t r);
    // Places the map for the current screen size.
    virtual void mapResize();
    // The main menu; true when a new campaign was set up.
    virtual bool menuMain();
    // Hides the full controls, keeping only the menu button.
    virtual void menuOff();
    // Side and level; true when a side was chosen (a new campaign starts).
    virtual bool menuSettings();
    // Reads the preferences record and applies the defaults of a first start.
    virtual void prefLoad();
    // Slot k of the record, 0..65535.
    virtual int32_t prefRead(int32_t k);
    // Fills the record from the game and stores it.
    virtual void prefSave();
    // Sets slot k of the record in memory to the low 16 bits of v.
    virtual void prefWrite(int32_t k, int32_t v);
    // A new campaign at front (0: none); saves the record.
    virtual void resetGame(int32_t front);
    // Waits for a confirming key, a resize, the stop, or ms of frame time.
    virtual void waitKey(int32_t ms);

    // One-time start-up: fonts, the image library, the splash screen, the
    // preferences, the controls and the status panel.
    void initOnce();
    // The mesh inspector on m_viewer, with the models and textures loaded and
    // every vehicle part scaled as in a battle.
    void inspect();
    // Shows the control menu for the driving or aiming state and lays out
    // menu, status panel and radar.
    void menuGameShow();

    int32_t m_side = 0;  // 1 Allied, 2 German, 3 Soviet
    int32_t m_level = 0; // 0 easy, 1 medium, 2 hard
    ref<Vfont> m_fontSmall;
    int32_t m_front = 0; // ring of the next battle; 0 = no campaign
    ref<Vsprite> m_mapSprite; // root of the map screen while it is shown
    ref<Vmenu> m_menuDrive;
    ref<Vmenu> m_menuAim;
    bool m_controls = false; // controls and status panel stay on screen
    ref<Vsprite> m_hud;      // status panel
    ref<Vtext> m_textEnemy;
    ref<Vtext> m_textFuel;
    ref<Vtext> m_textRounds;
    ref<Vtext> m_textArmor;
    ref<Vsprite> m_radar; // made by the first battle
    bool m_bigScreen = false;
    int32_t m_mapX = 0; // map cell of the current battle site
    int32_t m_mapY = 0;
    Array<int8_t> m_prefs; // 24 bytes: twelve 16-bit slots, low byte first
    ref<String> m_viewer;  // a mesh to inspect instead of playing, or null

    // The campaign grid, 16 columns by 12 rows, row-major: 0 empty, v > 0 a
    // cell of ring v, v < 0 the battle site of ring -v.
    static constexpr int32_t kMapColumns = 16;
    static constexpr int32_t kMapRows = 12;
    static const int8_t m_map[kMapColumns * kMapRows];

private:
    ref<Vmenu> controlMenu(bool aim, int32_t buttonSize);
    void aboutPage(const ref<Vmenu>& menu);
    void closeMenu(const ref<Vmenu>& m);
    // Adds a menu centred, restyled on button pictures on a large screen.
    void showMenu(const ref<Vmenu>& m);
    // Once a frame: re-centres the menu after a change of the screen size,
    // then gives its key for the next queued key or touch (a touch is used once).
    int32_t menuKey(const ref<Vmenu>& m);
};
