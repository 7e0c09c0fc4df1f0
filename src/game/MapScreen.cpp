#include "game/MapScreen.h"

#include <algorithm>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/BattleScreen.h"
#include "game/CampaignEndScreen.h"
#include "game/GameSound.h"
#include "game/MainMenuScreen.h"
#include "runtime/Catalog.h"
#include "runtime/StringBuffer.h"
#include "scene/Vilib.h"

namespace {

using P = AppPicture;
constexpr int32_t kIgnoreMs = 1000; // keys waiting at entry are ignored this long
constexpr int32_t kMusicMs = 4000;
constexpr int32_t kOrdersBelow = 246; // the orders' line, from the map's top
// The orders move a pixel every 16 ms: in 1/65536 pixels a ms.
constexpr int32_t kOrdersSpeed = 65536 / 16;
// The orders run over a dark band where they cross the map.
constexpr int32_t kOrdersBand = static_cast<int32_t>(0x90000000);
constexpr int32_t kGridColor = 0x40FFFFFF;
// The site and the next site cross-fade, a full cycle in 1024 ms.
constexpr int32_t kBlinkPerMs = 64;
constexpr int32_t kGermanAlpha = 0x4000, kAlliedAlpha = 0x6000;

} // namespace

MapScreen::MapScreen(App& app, bool openMenu) : Screen(app), m_openMenu(openMenu) {}

void MapScreen::enter()
{
    App& app = m_app;
    app.removeAll();
    app.m_stage->clear();
    app.setColor(static_cast<int32_t>(0xFF000000));
    app.m_campaign->locate();
    // A campaign at its side's last ring has no battle left to show: its
    // end is a page of its own. Front 0 is that end too after a battle (a
    // victory at Berlin), and no campaign at all when the menu opens.
    const Campaign& c = *app.m_campaign;
    if (c.over() && (c.m_front != 0 || !m_openMenu)) {
        app.replace(new CampaignEndScreen(app));
        return;
    }
    mapBuild();
    mapFront();
    mapResize();
    if (!m_site)
        m_site = m_next;
    if (!m_next)
        m_next = m_site;
    mapBriefing();
    m_ignore = app.input().keyGet() != Key::kNone ? 0 : kIgnoreMs;
    m_music = kMusicMs;
}

void MapScreen::leave()
{
    App& app = m_app;
    app.removeAll();
    app.m_stage->clear();
    if (m_map)
        m_map->removeAllStar(); // the next flag's frame has bars of its own
    if (m_labels)
        m_labels->removeAll();
    m_map = nullptr;
    m_nextMark = nullptr;
    app.setColor(0);
}

// ---- a frame ----

void MapScreen::input(Input& in)
{
    if (m_end) {
        finish();
        return;
    }
    int32_t k = in.keyGet();
    m_ignore = std::min(m_ignore + m_app.m_frameMs, kIgnoreMs);
    if (m_ignore < kIgnoreMs)
        k = Key::kNone;
    // The wheel means nothing here; notches must not reach the menu later.
    in.wheelTake();
    if (k != Key::kNone)
        m_app.m_demo = false; // any key hands the game back to the player
    if (m_app.m_actions.is(k, Action::Confirm))
        m_end = true;
    else if (m_app.m_actions.is(k, Action::Menu))
        m_openMenu = true;
}

void MapScreen::advance(int32_t ms)
{
    App& app = m_app;
    if (m_briefing) {
        m_ordersX -= static_cast<int64_t>(ms) * kOrdersSpeed;
        m_briefing->setXyi(static_cast<int32_t>(m_ordersX >> 16), mapOrdersY());
        // The demo goes on by itself when the orders have run out; a player
        // is waited for, the orders running in again.
        if ((m_briefing->getX() >> 15) + m_briefing->getWidth() < 0) {
            if (app.m_demo)
                m_end = true;
            else
                m_ordersX = static_cast<int64_t>(app.m_stage->m_width) << 16;
        }
    }
    m_music += ms;
    if (!m_openMenu && m_music > kMusicMs) {
        app.sound(String::intern(GameSound::kMarch));
        m_music = 0;
    }
    m_phase = (m_phase + kBlinkPerMs * ms) & 0xFFFF;
    const int32_t rising = m_phase & 0x7FFF, falling = ~m_phase & 0x7FFF;
    const bool firstHalf = (m_phase & 0x8000) == 0;
    if (m_next)
        m_next->setAlpha(firstHalf ? rising : falling);
    if (m_site)
        m_site->setAlpha(firstHalf ? falling : rising);
    if (m_openMenu)
        openMenu();
}

void MapScreen::openMenu()
{
    m_openMenu = false;
    m_labels->off();
    if (m_briefing)
        m_briefing->off();
    m_app.push(new MainMenuScreen(m_app));
}

void MapScreen::resume(Screen& from)
{
    if (auto* menu = dynamic_cast<MainMenuScreen*>(&from)) {
        if (menu->newCampaign())
            m_newCampaign = true;
        // A new campaign starts on its own map; a battle in progress goes on.
        if (m_newCampaign || m_app.m_campaign->battleInProgress()) {
            finish();
            return;
        }
        m_map->add(m_labels);
        // The orders run along the bottom of the screen, not inside the map.
        if (m_briefing)
            m_app.m_stage->stageAdd(m_briefing);
    }
}

void MapScreen::finish()
{
    App& app = m_app;
    if (m_newCampaign) {
        app.replace(new MapScreen(app, false));
    } else if (m_site == m_next) {
        app.replace(new CampaignEndScreen(app));
    } else {
        app.replace(new BattleScreen(app));
    }
}

void MapScreen::layout()
{
    mapResize();
}

// ---- the map ----

ref<Vsprite> MapScreen::mapFlag(int32_t p, int32_t c, int32_t r)
{
    // The allied flag in the west differs from the one in the east; Berlin
    // shows the western one to an Allied player.
    if (c <= Campaign::kBerlinColumn && p == P::kFlagAlliedEast &&
        (c < Campaign::kBerlinColumn || m_app.m_campaign->m_side == Side::Allied))
        p = P::kFlagAlliedWest;
    ref<Vsprite> flag = new Vsprite;
    flag->setXyi(c * P::kMapCell, r * P::kMapCell);
    flag->setImage(m_app.m_lib, p);
    flag->setAlpha(p == P::kFlagGerman ? kGermanAlpha : kAlliedAlpha);
    if (m_map)
        m_map->add(flag);
    return flag;
}

void MapScreen::mapResize()
{
    if (!m_map)
        return;
    const Stage& stage = *m_app.m_stage;
    const int32_t w = stage.m_width, h = stage.m_height;
    int32_t x = (w - P::kMapWidth) / 2;
    if (x < 0) {
        // Too narrow for the whole map: it slides to centre the battle site.
        x = std::clamp(w / 2 - m_app.m_campaign->m_mapX * P::kMapCell, w - P::kMapWidth, 0);
    }
    // Centred, but high enough for the orders to run below it where the
    // screen allows.
    const ref<Vtheme>& theme = m_app.m_theme;
    const int32_t line = theme && theme->m_font ? theme->m_font->getHeight() : 16;
    const int32_t y = std::max(std::min((h - P::kMapHeight) / 2, h - kOrdersBelow - line - 2), 0);
    // The orders keep running where they are.
    m_map->setXyi(x, y);
}

int32_t MapScreen::mapOrdersY() const
{
    const int32_t below = (m_map ? m_map->getY() >> 15 : 0) + kOrdersBelow;
    return std::max(std::min(below, m_app.m_stage->m_height - m_briefing->getHeight() - 2), 0);
}

void MapScreen::mapBuild()
{
    App& app = m_app;
    m_map = new Vsprite;
    app.m_stage->stageAdd(m_map);
    // The picture reaches beyond the grid, so nothing at its edges is cut.
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(app.m_lib, P::kMap);
    picture->setXyi(-P::kMapMargin, -P::kMapMargin);
    m_map->add(picture);

    m_labels = new Vsprite;
    m_labels->setZ(-2);
    ref<Vtext> berlin = new Vtext(app.m_theme, app.m_fontSmall, Catalog::tr("Berlin"));
    berlin->setXyi(130 - berlin->getWidth() / 2, 80 - berlin->getHeight());
    ref<Vtext> moscow = new Vtext(app.m_theme, app.m_fontSmall, Catalog::tr("Moscow"));
    moscow->setXyi(P::kMapWidth - moscow->getWidth(), 20 - moscow->getHeight());
    ref<Vtext> london = new Vtext(app.m_theme, app.m_fontSmall, Catalog::tr("London"));
    london->setXyi(0, 80 - london->getHeight());
    m_labels->add(berlin);
    m_labels->add(moscow);
    m_labels->add(london);
    m_map->add(m_labels);

    for (int32_t x = 0; x < P::kMapWidth; x += P::kMapCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(kGridColor);
        line->setWidthHeight(1, P::kMapHeight);
        line->setXyi(x, 0);
        m_map->add(line);
    }
    for (int32_t y = P::kMapCell; y < P::kMapHeight; y += P::kMapCell) {
        ref<Vsprite> line = new Vsprite;
        line->setZ(-1);
        line->setColor(kGridColor);
        line->setWidthHeight(P::kMapWidth, 1);
        line->setXyi(0, y);
        m_map->add(line);
    }
    // The capitals: London, Berlin, Moscow.
    mapFlag(P::kFlagAlliedWest, 0, 4);
    mapFlag(P::kFlagGerman, Campaign::kBerlinColumn, 4);
    mapFlag(P::kFlagAlliedEast, 15, 1);
}

void MapScreen::mapFront()
{
    const Campaign::Front f = m_app.m_campaign->front();
    const int32_t ringFlag = f.germanRing ? P::kFlagGerman : P::kFlagAlliedEast;
    const int32_t beyondFlag = f.germanRing ? P::kFlagAlliedEast : P::kFlagGerman;
    for (int32_t row = 0; row < Campaign::kMapRows; row++) {
        for (int32_t col = 0; col < Campaign::kMapColumns; col++) {
            const int32_t cell = Campaign::m_map[row * Campaign::kMapColumns + col];
            if (cell == 0)
                continue;
            if (cell == f.ring || cell == -f.ring) {
                ref<Vsprite> flag = mapFlag(ringFlag, col, row);
                if (col == f.siteColumn && row == f.siteRow)
                    m_site = flag;
            } else if (cell == f.beyond || cell == -f.beyond) {
                ref<Vsprite> flag = mapFlag(beyondFlag, col, row);
                if (col == f.nextColumn && row == f.nextRow)
                    m_next = flag;
            }
        }
    }
    markNext();
}

void MapScreen::markNext()
{
    // A steady yellow frame round the next battle's flag: its blinking alone
    // was easy to miss among the others.
    if (m_nextMark) {
        m_nextMark->off();
        m_nextMark->removeAll();
        m_nextMark = nullptr;
    }
    if (!m_map || !m_next || m_next == m_site)
        return;
    constexpr int32_t kMarkColor = static_cast<int32_t>(0xFFFFD040);
    constexpr int32_t kPad = 2, kLine = 2;
    const int32_t x = (m_next->getX() >> 15) - kPad - kLine, y = (m_next->getY() >> 15) - kPad - kLine;
    const int32_t w = m_next->getWidth() + 2 * (kPad + kLine), h = m_next->getHeight() + 2 * (kPad + kLine);
    const int32_t bars[4][4] = {{0, 0, w, kLine}, {0, h - kLine, w, kLine}, {0, 0, kLine, h}, {w - kLine, 0, kLine, h}};
    m_nextMark = new Vsprite;
    m_nextMark->setWidthHeight(w, h);
    m_nextMark->setXyi(x, y);
    for (const auto& b : bars) {
        ref<Vsprite> bar = new Vsprite;
        bar->setColor(kMarkColor);
        bar->setXyi(b[0], b[1]);
        bar->setWidthHeight(b[2], b[3]);
        m_nextMark->add(bar);
    }
    m_map->add(m_nextMark);
}

void MapScreen::mapBriefing()
{
    // Orders only while the campaign goes on: the site and the next differ.
    if (!m_site || !m_next || m_site == m_next)
        return;
    const Campaign& c = *m_app.m_campaign;
    ref<StringBuffer> b = new StringBuffer;
    using C = Catalog;
    // TRANSLATORS: the orders run past as a telegram; {1} is who sends them.
    const char* from = c.m_side == Side::Allied   ? C::text("ALLIED HQ")
                       : c.m_side == Side::German ? C::text("BERLIN")
                                                  : C::text("COMRADE DRESKOV");
    b->append(C::fill(C::tr("ORDERS FROM {1}... "), {from}).c_str());
    b->append(c.m_dir == Campaign::kWest ? C::text("ADVANCE WEST AND CLEAR ENEMY FROM FAR BANK...")
                                         : C::text("ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK..."));
    if (c.m_front == Campaign::kFirstFront)
        b->append(C::text(" DISABLE CONVOYS AND SCAVENGE SUPPLIES... "));
    b->append(c.m_side == Side::Allied   ? C::text("'NEVER SURRENDER!'")
              : c.m_side == Side::German ? C::text("'VICTORY OR DEATH!'")
                                         : C::text("'NOT ONE STEP BACK!'"));
    m_briefing = new Vtext(m_app.m_theme, b->toString());
    m_briefing->setColor(kOrdersBand);
    m_ordersX = static_cast<int64_t>(m_app.m_stage->m_width) << 16;
    m_briefing->setXyi(m_app.m_stage->m_width, mapOrdersY());
    m_app.m_stage->stageAdd(m_briefing);
}
