#pragma once
#include <cstdint>
#include <vector>

#include "game/Tank.h"
#include "game/Truck.h"
#include "physics/Vphysics.h"
#include "render3d/V3dView.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vfont.h"
#include "scene/Vmenu.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vterrain.h"

// The game: the root of everything drawn, the 3D camera, the render loop and
// the key queue in one object. The host creates exactly one, calls init and
// setWidthHeight, and then run on the game thread.
//
// The class is split over several files by concern: App.cpp (start-up, the
// outer loop, screen size and the stage), AppHud.cpp (controls, status panel
// and the small sprite helpers), AppMenus.cpp (the menus and what they share:
// mouse, headings, confirmation), AppScreens.cpp (the pages: help, About,
// game over), AppMap.cpp (the campaign map), AppPrefs.cpp (the preferences
// record), AppBattle.cpp (the terrain, the forces and the set-up of a
// battle), AppPlay.cpp (the frames of a battle, its keys, its end and the
// demo pilot) and AppCamera.cpp (the chase camera and the overhead view).
//
// The pages outside the battle (map, menus, help, About) are laid out on the
// stage, m_stage: a screen of m_stageWidth x m_stageHeight pixels shown at a
// whole scale m_stageScale, so that on a large screen they grow by whole
// pixels rather than stay small in the middle.
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

    // Adds s centred on the screen, scaled down to the screen width if wider,
    // or up by the largest whole factor that fits a screen twice its size.
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
    // Puts the text items of m on button pictures, for large screens, spread
    // over the height of the screen less reserved rows (for a heading).
    virtual void mend(const ref<Vmenu>& m, int32_t reserved = 0);
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
    // Rescales the overhead map to the screen width and recentres it.
    virtual void overheadResize();
    // Shows the perspective view (terrain and sky) instead of the map.
    virtual void perspectiveSwitch();
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
    // Moves every blip of the radar; once a battle frame.
    virtual void radar();
    // Registers vehicle v of a kind (kRadarEnemy, kRadarTruck) with a blip.
    virtual void radarAdd(const ref<Vsprite>& v, int32_t kind);
    // A new campaign at front (0: none); saves the record.
    virtual void resetGame(int32_t front);
    // Refreshes the status numbers, their highlighting and the resupply from
    // a captured truck; once a battle frame.
    virtual void status();
    // A tank of a kind (1 Sherman, 2 Tiger, other T-34) that last hits
    // destroy, drawn in this view with the view's library.
    virtual ref<Tank> tankInit(int32_t kind, int32_t last);
    // True when the chase camera has fallen too far behind the tank and
    // must be re-aimed this frame.
    virtual bool turn();
    // Waits for a confirming key, a resize, the stop, or ms of frame time.
    virtual void waitKey(int32_t ms);

    // ---- menus (AppMenus.cpp), for every menu of the game ----

    // Puts m on the stage, centred: restyled on button pictures on a large
    // screen, and with a heading above it when one is given. Returns the
    // page that holds it (m itself without a heading).
    ref<Vsprite> showMenu(const ref<Vmenu>& m, const ref<String>& heading = nullptr);
    // Takes m (and its heading) off the stage to show it again later with
    // reshowMenu; closeMenu takes it off for good and releases its items.
    void hideMenu(const ref<Vmenu>& m);
    void reshowMenu(const ref<Vmenu>& m);
    void closeMenu(const ref<Vmenu>& m);
    // Once a frame while m is shown: re-centres it after a change of the
    // screen size; the mouse pointer, when it moved, highlights the item
    // under it and each wheel notch moves the highlight; then the next queued
    // key or touch (a touch is used once) is translated into m's key.
    // Choosing an item clicks. pressed, if given, receives the key as it
    // came (1 for left on a setting, say).
    int32_t menuKey(const ref<Vmenu>& m, int32_t* pressed = nullptr);
    // A small Yes / No menu under the question; true for Yes. No is chosen
    // first, and Escape, '0' and closing the game answer No.
    bool confirm(const ref<String>& question);

    // ---- the stage (App.cpp) ----

    // Fits the stage to the screen: the largest whole scale at which the
    // campaign map still fits, at least 1.
    void stageLayout();
    // Adds s to the stage (linking the stage into the view if needed), at
    // its position, or centred.
    void stageAdd(const ref<Vsprite>& s);
    void stageCenter(const ref<Vsprite>& s);
    // A screen position in stage pixels.
    int32_t stageX(int32_t screenX) const;
    int32_t stageY(int32_t screenY) const;

    // One-time start-up: fonts, the image library, the splash screen, the
    // preferences, the controls and the status panel.
    void initOnce();
    // The mesh inspector on m_viewer, with the models and textures loaded and
    // every vehicle part scaled as in a battle.
    void inspect();
    // Shows the control menu for the driving or aiming state and lays out
    // menu, status panel and radar.
    void menuGameShow();
    // The height map from the layout; the terrain views for the site of the
    // next battle; the site, the player's start and the enemy count.
    void initTerrain0();
    void initTerrain();
    void initLevel();
    // One battle from its set-up to the return to the map.
    void battle();
    // The player's keys and touches of one frame.
    void battleKeys();
    // The overhead view of the map; recentres it on the player's tank.
    void overheadSwitch();
    void overheadView();
    // Places the chase camera behind the player's tank.
    void lookAt();
    // In demo mode: points the player's tank at the nearest enemy, or at the
    // supply truck when it is needed.
    void demoPilot();
    // The start of a battle at the start spot the terrain camera stands on.
    void battleSetUp();
    // One enemy tank, pursuing the player's, put into play on its side.
    void tankEnemy();
    // The battle's supply truck, waiting off the field until it is needed.
    void truckInit();
    // The kind of tank the enemy fields against a side at a map column.
    static int32_t enemyKind(int32_t side, int32_t mapX);
    // Enemies to destroy in a new battle at a front and level.
    static int32_t enemyTotal(int32_t front, int32_t level);

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
    ref<Tank> m_tank;     // the player's
    ref<Tank> m_enemy;    // the enemy tank created last
    bool m_bigScreen = false;
    ref<Truck> m_truck;   // the supply truck of the battle
    int32_t m_mapX = 0; // map cell of the current battle site
    int32_t m_mapY = 0;
    Array<int8_t> m_prefs; // 24 bytes: twelve 16-bit slots, low byte first
    ref<String> m_viewer;  // a mesh to inspect instead of playing, or null
    ref<Vphysics> m_physics; // the bodies in play
    // The enemies and the truck of the battle, in play or not: each holds its
    // parts and they hold it, so the battle takes them apart when it ends.
    std::vector<ref<Tank>> m_forces;
    ref<VpolyTerrain> m_polyTerrain; // the height map; the overhead view
    ref<Vterrain> m_terrain;         // the perspective view
    int32_t m_terrainThreads = 0;    // its casting threads (Vterrain::setThreads); 0: its default
    bool m_halfTerrain = false;      // its picture at half resolution
    // The player's tank drives itself until a key is pressed.
    bool m_demo = false;
    int32_t m_idleMs = 0;        // battle time since the last key
    bool m_abandoned = false;    // a new campaign was chosen in battle
    bool m_viewChange = false;   // the view changed this frame

    // Radar kinds of the sprites' ids.
    static constexpr int32_t kRadarEnemy = 2, kRadarTruck = 3;
    // Battle time that a won or lost battle runs on before the fade.
    static constexpr int32_t kRunOutMs = 2000;

    ref<Vsprite> m_stage;     // group node holding the pages
    int32_t m_stageScale = 1; // screen pixels per stage pixel
    int32_t m_stageWidth = 0;
    int32_t m_stageHeight = 0;
    // The pointer position the menus last followed.
    int32_t m_pointerSeenX = -1;
    int32_t m_pointerSeenY = -1;

    // The campaign grid, 16 columns by 12 rows, row-major: 0 empty, v > 0 a
    // cell of ring v, v < 0 the battle site of ring -v.
    static constexpr int32_t kMapColumns = 16;
    static constexpr int32_t kMapRows = 12;
    static const int8_t m_map[kMapColumns * kMapRows];

private:
    // The sprites of the map screen while it is shown.
    struct MapView {
        ref<Vsprite> map;
        ref<Vsprite> labels;
        ref<Vsprite> site; // flag of the battle site, and of the site after it
        ref<Vsprite> next;
        ref<Vtext> briefing;
    };

    ref<Vmenu> controlMenu(bool aim, int32_t buttonSize);
    // The control menu of the aim state.
    ref<Vmenu> activeMenu();
    // What one key of the battle does.
    void battleKey(int32_t k, bool touchLayout);
    // A touch in battle, as the key of the button or screen region it hits.
    int32_t battleTouch(int32_t k, bool touchLayout);
    // The run-out and fade of a won or lost battle, the front moved.
    void battleOver(bool won);
    // Takes the forces of the last battle apart, keeping the player's tank.
    void battleClear();
    void aboutPage(const ref<Vmenu>& menu);
    // Slots 7, 8 and 9 of the record: the tank of a first start or a new campaign.
    void freshTank();
    // The page (a heading's frame, else m) that stands on the stage for m.
    ref<Vsprite> pageOf(const ref<Vmenu>& m);
    // Spreads the rows of a restyled text menu over the stage as it is now,
    // the way mend first spread them.
    void respread(const ref<Vmenu>& m);
    // The map screen's parts: the map with its labels, grid and capitals;
    // the side's front (flags, battle site, Tank::m_dir); the orders; the
    // loop that runs the screen, true when a new campaign was started from
    // its menu.
    MapView mapBuild();
    void mapFront(MapView& v);
    void mapBriefing(MapView& v);
    bool mapLoop(MapView& v, bool openMenu);
    // Where the orders run: below the map, or at the bottom of a low screen.
    int32_t mapOrdersY(const ref<Vtext>& briefing);
};
