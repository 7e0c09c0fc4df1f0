#pragma once
#include <cstdint>

#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

// The campaign map: Europe with the front's flags, the battle site and the
// site after it blinking in turn, and the orders running along the bottom.
// The player goes on to the battle (or the orders run out), or opens the
// main menu. A campaign at its end shows its own page instead of the map.
class MapScreen : public Screen {
public:
    // With openMenu the main menu opens at once.
    MapScreen(App& app, bool openMenu);

    void enter() override;
    void input(Input& in) override;
    void advance(int32_t ms) override;
    void layout() override;
    void leave() override;
    void resume(Screen& from) override;

    // The campaign map and its labels while shown.
    ref<Vsprite> mapSprite() const { return m_map; }
    ref<Vsprite> nextMark() const { return m_nextMark; }
    ref<Vtext> briefing() const { return m_briefing; }

private:
    // Adds flag picture p in map cell (c, r) to the map.
    ref<Vsprite> mapFlag(int32_t p, int32_t c, int32_t r);
    // Places the map for the current screen size.
    void mapResize();
    // The map with its labels, grid and capitals; the side's front (flags,
    // battle site); the orders.
    void mapBuild();
    void mapFront();
    void markNext();
    void mapBriefing();
    // Where the orders run: below the map, or at the bottom of a low screen.
    int32_t mapOrdersY() const;
    // Shows the main menu over the map; hides the labels and orders meanwhile.
    void openMenu();
    // The map is done: on to the battle, a new campaign's map or the end of
    // the campaign.
    void finish();

    bool m_openMenu = false; // the main menu opens this frame
    bool m_newCampaign = false; // started from the menu
    bool m_end = false;         // the player goes on
    int32_t m_ignore = 0;       // ms since the screen opened, while keys are ignored
    int32_t m_music = 0;        // ms since the march last started
    int32_t m_phase = 0;        // of the blinking sites
    int64_t m_ordersX = 0;      // where the orders' line starts, 1/65536 stage pixels
    ref<Vsprite> m_map;
    ref<Vsprite> m_labels;
    ref<Vsprite> m_nextMark; // the frame round the next battle's flag, or null
    ref<Vsprite> m_site; // flag of the battle site, and of the site after it
    ref<Vsprite> m_next;
    ref<Vtext> m_briefing;
};
