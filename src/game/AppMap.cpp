#include "game/App.h"

#include <algorithm>

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

constexpr int32_t kCell = 20;       // map pixels per grid cell
constexpr int32_t kMapWidth = 320;  // the map picture
constexpr int32_t kMapHeight = 240;
constexpr int32_t kIgnoreMs = 1000; // keys waiting at entry are ignored this long
constexpr int32_t kMusicMs = 4000;

} // namespace

ref<Vsprite> App::mapFlag(const ref<Vsprite>& map, int32_t p, int32_t c, int32_t r)
{
    // The allied flag in the west differs from the one in the east; Berlin
    // shows the western one to an Allied player.
    if (c <= 6 && p == 30 && (c <= 5 || m_side == 1))
        p = 31;
    ref<Vsprite> flag = new Vsprite;
    flag->setXyi(c * kCell, r * kCell);
    flag->setImage(m_lib, p);
    flag->setAlpha(p == 29 ? 0x4000 : 0x6000);
    if (map)
        map->add(flag);
    return flag;
}

void App::mapResize()
{
    if (!m_mapSprite)
        return;
    const int32_t w = m_width, h = m_height;
    int32_t x = (w - kMapWidth) / 2;
    if (x < 0) {
        // Too narrow for the whole map: it slides to centre the battle site.
        x = std::clamp(w / 2 - m_mapX * kCell, w - kMapWidth, 0);
    }
    int32_t y = std::max((h - kMapHeight) / 2, 0);
    m_mapSprite->setXyi(x, y);
    ref<Vsprite> next = m_mapSprite->m_sibling;
    if (next)
        next->setXyi(w, 0);
}

bool App::mapScreen(bool openMenu)
{
    removeAll();
    setColor(static_cast<int32_t>(0xFF000000));
    ref<Vsprite> map = new Vsprite;
    m_mapSprite = map;
    add(map);
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(m_lib, 41);
    map->add(picture);

    ref<Vsprite> labels = new Vsprite;
    labels->setZ(-2);
    ref<Vtext> berlin = new Vtext(m_fontSmall, "Berlin"_s);
    berlin->setXyi(130 - berlin->getWidth() / 2, 80 - berlin->getHeight());
    ref<Vtext> moscow = new Vtext(m_fontSmall, "Moscow"_s);
    moscow->setXyi(kMapWidth - moscow->getWidth(), 20 - moscow->getHeight());
    ref<Vtext> london = new Vtext(m_fontSmall, "London"_s);
    london->setXyi(0, 80 - london->getHeight());
    labels->add(berlin);
    labels->add(moscow);
    labels->add(london);
    map->add(labels);

    for (int32_t x = 0; x < kMapWidth; x += kCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(0x40FFFFFF);
        line->setWidthHeight(1, kMapHeight);
        line->setXyi(x, 0);
        map->add(line);
    }
    for (int32_t y = kCell; y < kMapHeight; y += kCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(0x40FFFFFF);
        line->setWidthHeight(kMapWidth, 1);
        line->setXyi(0, y);
        map->add(line);
    }

    mapFlag(map, 31, 0, 4);
    mapFlag(map, 29, 6, 4);
    mapFlag(map, 30, 15, 1);

    const int32_t f = m_front;
    int32_t r2, flagF, flagR2, west, east;
    if (m_side == 2) {
        r2 = f - 1;
        flagF = 30;
        flagR2 = 29;
        bool odd = (f & 1) != 0;
        west = odd ? 0 : 6;
        east = odd ? 6 : 15;
        Tank::m_dir = odd ? 3 : 1;
    } else {
        r2 = f + 1;
        flagF = 29;
        flagR2 = 30;
        bool allied = m_side == 1;
        west = allied ? 0 : 6;
        east = allied ? 6 : 15;
        Tank::m_dir = allied ? 1 : 3;
    }

    ref<Vsprite> site, next;
    for (int32_t row = 0; row < kMapRows; row++) {
        for (int32_t col = 0; col < kMapColumns; col++) {
            const int32_t v = m_map[row * kMapColumns + col];
            const bool mine = col >= west && col <= east;
            if (v == 0)
                continue;
            if (v == f) {
                mapFlag(map, flagF, col, row);
            } else if (v == -f) {
                ref<Vsprite> flag = mapFlag(map, flagF, col, row);
                if (mine) {
                    m_mapX = col;
                    m_mapY = row;
                    site = flag;
                }
            } else if (v == r2) {
                mapFlag(map, flagR2, col, row);
            } else if (v == -r2) {
                ref<Vsprite> flag = mapFlag(map, flagR2, col, row);
                if (mine)
                    next = flag;
            }
        }
    }
    mapResize();
    if (!site)
        site = next;
    if (!next)
        next = site;

    ref<Vtext> briefing;
    if (site && next && site != next) {
        ref<StringBuffer> b = new StringBuffer;
        b->append("ORDERS FROM ");
        b->append(m_side == 1 ? "ALLIED HQ" : m_side == 2 ? "BERLIN" : "COMRADE DRESKOV");
        b->append("... ");
        b->append("ADVANCE ");
        b->append(Tank::m_dir == 3 ? "WEST" : "EAST");
        b->append(" AND CLEAR ENEMY FROM FAR BANK...");
        if (f == 5)
            b->append(" DISABLE CONVOYS AND SCAVENGE SUPPLIES... ");
        b->append(m_side == 1 ? "'NEVER SURRENDER!'" : m_side == 2 ? "'VICTORY OR DEATH!'" : "'NOT ONE STEP BACK!'");
        briefing = new Vtext(b->toString());
        briefing->setXyi(m_width, m_height - 38);
        add(briefing);
    }

    int32_t ignore = keyGet() != 0 ? 0 : kIgnoreMs;
    int32_t music = kMusicMs;
    int32_t phase = 0;
    bool menuOpen = openMenu;
    bool newCampaign = false;
    bool end = false;
    while (!end) {
        if (!isRunning())
            break;
        screenResize();
        if (briefing) {
            briefing->setXyi((briefing->getX() >> 15) - 4, (map->getY() >> 15) + 246);
            if ((briefing->getX() >> 15) + briefing->getWidth() < 0)
                end = true;
        }
        int32_t k = keyGet();
        ignore = std::min(ignore + m_frameMs, kIgnoreMs);
        if (ignore < kIgnoreMs)
            k = 0;
        music += m_frameMs;
        if (!menuOpen && music > kMusicMs) {
            sound("music2"_s);
            music = 0;
        }
        if (k == 5 || k == 10 || k == ' ' || k == '5')
            end = true;
        else if (k == 6 || k == 7 || k == '0')
            menuOpen = true;
        // The site and the next site cross-fade, a full cycle in 1024 ms.
        phase = (phase + 64 * m_frameMs) & 0xFFFF;
        const int32_t rising = phase & 0x7FFF, falling = ~phase & 0x7FFF;
        const bool firstHalf = (phase & 0x8000) == 0;
        if (next)
            next->setAlpha(firstHalf ? rising : falling);
        if (site)
            site->setAlpha(firstHalf ? falling : rising);
        if (menuOpen) {
            labels->off();
            if (briefing)
                briefing->off();
            for (;;) {
                if (menuMain())
                    newCampaign = true;
                if (m_front != 0 || !isRunning())
                    break;
            }
            if (newCampaign || prefRead(10) != 0)
                break;
            map->add(labels);
            // The briefing runs along the bottom of the screen, not inside the map.
            if (briefing)
                add(briefing);
            menuOpen = false;
        }
        renderWait();
    }
    const bool running = isRunning();
    m_mapSprite = nullptr;
    removeAll();
    map->removeAll();
    labels->removeAll();
    setColor(0);
    if (!running)
        return false;
    if (site == next && !newCampaign) {
        gameOver();
        return mapScreen(true);
    }
    return newCampaign;
}
