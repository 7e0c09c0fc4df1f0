#include "game/App.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "game/Tank.h"
#include "runtime/StringBuffer.h"
#include "scene/Vilib.h"

// Rings of the front around Berlin (row 4, column 6); rows 9 to 11 are empty.
const int8_t App::m_map[kMapColumns * kMapRows] = {
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  6,  7,  8,  9,   9,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  6,  0,  7,  8,  -9,  -10, //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  -7, -8, 9,   9,   //
    0,   0,  0,  0,  0,  2,  2,  2,  3,  4,  5,  -6, 0,  7,  8,   8,   //
    -10, 0,  0,  4,  -3, -2, -1, -2, -3, -4, -5, 0,  6,  0,  7,   7,   //
    -9,  0,  5,  -4, 3,  2,  2,  2,  3,  0,  4,  5,  0,  6,  6,   0,   //
    -8,  -7, -5, 0,  4,  3,  3,  3,  0,  0,  4,  0,  5,  0,  0,   6,   //
    7,   6,  -6, 0,  0,  0,  0,  0,  0,  0,  0,  4,  0,  5,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  4,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
    0,   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   0,   //
};

namespace {

using P = AppPicture;
constexpr int32_t kIgnoreMs = 1000; // keys waiting at entry are ignored this long
constexpr int32_t kMusicMs = 4000;
constexpr int32_t kOrdersBelow = 246; // the orders' line, from the map's top
// The orders run over a dark band where they cross the map.
constexpr int32_t kOrdersBand = static_cast<int32_t>(0x90000000);

} // namespace

ref<Vsprite> App::mapFlag(const ref<Vsprite>& map, int32_t p, int32_t c, int32_t r)
{
    // The allied flag in the west differs from the one in the east; Berlin
    // shows the western one to an Allied player.
    if (c <= 6 && p == P::kFlagAlliedEast && (c <= 5 || m_side == 1))
        p = P::kFlagAlliedWest;
    ref<Vsprite> flag = new Vsprite;
    flag->setXyi(c * P::kMapCell, r * P::kMapCell);
    flag->setImage(m_lib, p);
    flag->setAlpha(p == P::kFlagGerman ? 0x4000 : 0x6000);
    if (map)
        map->add(flag);
    return flag;
}

void App::mapResize()
{
    if (!m_mapSprite)
        return;
    const int32_t w = m_stageWidth, h = m_stageHeight;
    int32_t x = (w - P::kMapWidth) / 2;
    if (x < 0) {
        // Too narrow for the whole map: it slides to centre the battle site.
        x = std::clamp(w / 2 - m_mapX * P::kMapCell, w - P::kMapWidth, 0);
    }
    // Centred, but high enough for the orders to run below it where the
    // screen allows.
    const int32_t line = m_theme && m_theme->m_font ? m_theme->m_font->getHeight() : 16;
    const int32_t y = std::max(std::min((h - P::kMapHeight) / 2, h - kOrdersBelow - line - 2), 0);
    // The orders keep running where they are.
    m_mapSprite->setXyi(x, y);
}

int32_t App::mapOrdersY(const ref<Vtext>& briefing)
{
    const int32_t below = (m_mapSprite ? m_mapSprite->getY() >> 15 : 0) + kOrdersBelow;
    return std::max(std::min(below, m_stageHeight - briefing->getHeight() - 2), 0);
}

bool App::mapScreen(bool openMenu)
{
    removeAll();
    if (m_stage)
        m_stage->removeAll();
    setColor(static_cast<int32_t>(0xFF000000));
    MapView v = mapBuild();
    mapFront(v);
    mapResize();
    if (!v.site)
        v.site = v.next;
    if (!v.next)
        v.next = v.site;
    mapBriefing(v);
    const bool newCampaign = mapLoop(v, openMenu);
    const bool running = isRunning();
    m_mapSprite = nullptr;
    removeAll();
    if (m_stage)
        m_stage->removeAll();
    v.map->removeAll();
    v.labels->removeAll();
    setColor(0);
    if (!running)
        return false;
    if (v.site == v.next && !newCampaign) {
        gameOver();
        // The demo goes on with a new campaign rather than wait in the menu.
        if (m_demo) {
            resetGame(5);
            return false;
        }
        return mapScreen(true);
    }
    return newCampaign;
}

App::MapView App::mapBuild()
{
    MapView v;
    v.map = new Vsprite;
    m_mapSprite = v.map;
    stageAdd(v.map);
    // The picture reaches beyond the grid, so nothing at its edges is cut.
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(m_lib, P::kMap);
    picture->setXyi(-P::kMapMargin, -P::kMapMargin);
    v.map->add(picture);

    v.labels = new Vsprite;
    v.labels->setZ(-2);
    ref<Vtext> berlin = new Vtext(m_theme, m_fontSmall, "Berlin"_s);
    berlin->setXyi(130 - berlin->getWidth() / 2, 80 - berlin->getHeight());
    ref<Vtext> moscow = new Vtext(m_theme, m_fontSmall, "Moscow"_s);
    moscow->setXyi(P::kMapWidth - moscow->getWidth(), 20 - moscow->getHeight());
    ref<Vtext> london = new Vtext(m_theme, m_fontSmall, "London"_s);
    london->setXyi(0, 80 - london->getHeight());
    v.labels->add(berlin);
    v.labels->add(moscow);
    v.labels->add(london);
    v.map->add(v.labels);

    for (int32_t x = 0; x < P::kMapWidth; x += P::kMapCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(0x40FFFFFF);
        line->setWidthHeight(1, P::kMapHeight);
        line->setXyi(x, 0);
        v.map->add(line);
    }
    for (int32_t y = P::kMapCell; y < P::kMapHeight; y += P::kMapCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(0x40FFFFFF);
        line->setWidthHeight(P::kMapWidth, 1);
        line->setXyi(0, y);
        v.map->add(line);
    }

    mapFlag(v.map, P::kFlagAlliedWest, 0, 4);
    mapFlag(v.map, P::kFlagGerman, 6, 4);
    mapFlag(v.map, P::kFlagAlliedEast, 15, 1);
    return v;
}

void App::mapFront(MapView& v)
{
    const int32_t f = m_front;
    int32_t r2, flagF, flagR2, west, east;
    if (m_side == 2) {
        r2 = f - 1;
        flagF = P::kFlagAlliedEast;
        flagR2 = P::kFlagGerman;
        bool odd = (f & 1) != 0;
        west = odd ? 0 : 6;
        east = odd ? 6 : 15;
        Tank::m_dir = odd ? 3 : 1;
    } else {
        r2 = f + 1;
        flagF = P::kFlagGerman;
        flagR2 = P::kFlagAlliedEast;
        bool allied = m_side == 1;
        west = allied ? 0 : 6;
        east = allied ? 6 : 15;
        Tank::m_dir = allied ? 1 : 3;
    }
    for (int32_t row = 0; row < kMapRows; row++) {
        for (int32_t col = 0; col < kMapColumns; col++) {
            const int32_t cell = m_map[row * kMapColumns + col];
            const bool mine = col >= west && col <= east;
            if (cell == 0)
                continue;
            if (cell == f) {
                mapFlag(v.map, flagF, col, row);
            } else if (cell == -f) {
                ref<Vsprite> flag = mapFlag(v.map, flagF, col, row);
                if (mine) {
                    m_mapX = col;
                    m_mapY = row;
                    v.site = flag;
                }
            } else if (cell == r2) {
                mapFlag(v.map, flagR2, col, row);
            } else if (cell == -r2) {
                ref<Vsprite> flag = mapFlag(v.map, flagR2, col, row);
                if (mine)
                    v.next = flag;
            }
        }
    }
}

void App::mapBriefing(MapView& v)
{
    // Orders only while the campaign goes on: the site and the next differ.
    if (!v.site || !v.next || v.site == v.next)
        return;
    ref<StringBuffer> b = new StringBuffer;
    b->append("ORDERS FROM ");
    b->append(m_side == 1 ? "ALLIED HQ" : m_side == 2 ? "BERLIN" : "COMRADE DRESKOV");
    b->append("... ");
    b->append("ADVANCE ");
    b->append(Tank::m_dir == 3 ? "WEST" : "EAST");
    b->append(" AND CLEAR ENEMY FROM FAR BANK...");
    if (m_front == 5)
        b->append(" DISABLE CONVOYS AND SCAVENGE SUPPLIES... ");
    b->append(m_side == 1 ? "'NEVER SURRENDER!'" : m_side == 2 ? "'VICTORY OR DEATH!'" : "'NOT ONE STEP BACK!'");
    v.briefing = new Vtext(m_theme, b->toString());
    v.briefing->setColor(kOrdersBand);
    v.briefing->setXyi(m_stageWidth, mapOrdersY(v.briefing));
    stageAdd(v.briefing);
}

bool App::mapLoop(MapView& v, bool openMenu)
{
    Input& in = input();
    int32_t ignore = in.keyGet() != Key::kNone ? 0 : kIgnoreMs;
    int32_t music = kMusicMs;
    int32_t phase = 0;
    bool menuOpen = openMenu;
    bool newCampaign = false;
    bool end = false;
    while (!end) {
        if (!isRunning())
            break;
        screenResize();
        if (v.briefing) {
            v.briefing->setXyi((v.briefing->getX() >> 15) - 4, mapOrdersY(v.briefing));
            if ((v.briefing->getX() >> 15) + v.briefing->getWidth() < 0)
                end = true;
        }
        int32_t k = in.keyGet();
        ignore = std::min(ignore + m_frameMs, kIgnoreMs);
        if (ignore < kIgnoreMs)
            k = 0;
        // The wheel means nothing here; notches must not reach the menu later.
        in.wheelTake();
        music += m_frameMs;
        if (!menuOpen && music > kMusicMs) {
            sound("music2"_s);
            music = 0;
        }
        if (k != Key::kNone)
            m_demo = false; // any key hands the game back to the player
        if (m_actions.is(k, Action::Confirm))
            end = true;
        else if (m_actions.is(k, Action::Menu))
            menuOpen = true;
        // The site and the next site cross-fade, a full cycle in 1024 ms.
        phase = (phase + 64 * m_frameMs) & 0xFFFF;
        const int32_t rising = phase & 0x7FFF, falling = ~phase & 0x7FFF;
        const bool firstHalf = (phase & 0x8000) == 0;
        if (v.next)
            v.next->setAlpha(firstHalf ? rising : falling);
        if (v.site)
            v.site->setAlpha(firstHalf ? falling : rising);
        if (menuOpen) {
            v.labels->off();
            if (v.briefing)
                v.briefing->off();
            for (;;) {
                if (menuMain())
                    newCampaign = true;
                if (m_front != 0 || !isRunning())
                    break;
            }
            if (newCampaign || prefRead(10) != 0)
                break;
            v.map->add(v.labels);
            // The orders run along the bottom of the screen, not inside the map.
            if (v.briefing)
                stageAdd(v.briefing);
            menuOpen = false;
        }
        renderWait();
    }
    return newCampaign;
}
