#include "GameTest.h"
#include "Png.h"
#include "game/CampaignEndScreen.h"
#include "game/ResultScreen.h"

#include <filesystem>
#include <set>

// Every page of the game, and the battle's panel, at the screen sizes a
// player meets, from the smallest the game plays at to full HD: what it
// shows keeps clear of the screen's edges by 4% of the shorter side, nothing
// covers anything else, and no text is cut off by what holds it. With
// KORVATH_LAYOUT_PNG set to a folder, each screen checked is also written
// there as a picture to look at.

namespace {

struct Box {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string what;
};

Box boxOf(const Vsprite& s, std::string what)
{
    return {s.m_x0, s.m_y0, s.m_x1, s.m_y1, std::move(what)};
}

bool meet(const Box& a, const Box& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool holds(const Box& outer, const Box& inner)
{
    return inner.x0 >= outer.x0 && inner.y0 >= outer.y0 && inner.x1 <= outer.x1 && inner.y1 <= outer.y1;
}

std::string show(const Box& b)
{
    return b.what + " [" + std::to_string(b.x0) + "," + std::to_string(b.y0) + " - " + std::to_string(b.x1) + "," +
           std::to_string(b.y1) + ")";
}

std::string textOf(const Vtext& t)
{
    return t.m_text ? t.m_text->c_str() : "";
}

// The nearest sprite above s that clips it (groups do not).
Vsprite* holderOf(Vsprite& s)
{
    for (Vsprite* p = s.m_parent.get(); p; p = p->m_parent.get())
        if (p->m_width != 0)
            return p;
    return nullptr;
}

// The pictures shown below s (buttons, arrows), skip's subtrees aside.
void pictures(Vsprite& s, const std::set<Vsprite*>& skip, std::vector<Box>& out)
{
    for (Vsprite* c = s.m_child.get(); c; c = c->m_sibling.get()) {
        if (skip.count(c))
            continue;
        if (c->m_image != -1 && c->m_x1 > c->m_x0)
            out.push_back(boxOf(*c, "picture " + std::to_string(c->m_image)));
        pictures(*c, skip, out);
    }
}

// The texts shown below s, skip's subtrees aside. A text taller than the
// window that holds it scrolls there: the window is its box. Any other text
// that reaches out of what holds it is cut off, and named in cut.
void texts(Vsprite& s, const std::set<Vsprite*>& skip, std::vector<Box>& out, std::vector<std::string>& cut)
{
    for (Vsprite* c = s.m_child.get(); c; c = c->m_sibling.get()) {
        if (skip.count(c))
            continue;
        auto* t = dynamic_cast<Vtext*>(c);
        if (t && !textOf(*t).empty() && t->m_alpha > 0) {
            Vsprite* holder = holderOf(*t);
            Box box = boxOf(*t, textOf(*t));
            if (holder && t->m_height > holder->m_height)
                box = boxOf(*holder, "scrolling " + textOf(*t).substr(0, 20));
            else if (holder && !holds(boxOf(*holder, ""), box))
                cut.push_back(show(box) + " out of " + show(boxOf(*holder, "")));
            out.push_back(box);
        }
        texts(*c, skip, out, cut);
    }
}

// The margin the pages keep on a w x h screen, in its pixels.
int32_t marginOf(int32_t w, int32_t h)
{
    return std::min(w, h) * 4 / 100;
}

void expectInside(const Box& b, int32_t w, int32_t h)
{
    const int32_t m = marginOf(w, h);
    EXPECT_TRUE(holds(Box{m, m, w - m, h - m, ""}, b)) << show(b) << " leaves the margin of " << m;
}

void expectApart(const std::vector<Box>& boxes)
{
    for (std::size_t i = 0; i < boxes.size(); i++)
        for (std::size_t j = i + 1; j < boxes.size(); j++)
            EXPECT_FALSE(meet(boxes[i], boxes[j])) << show(boxes[i]) << " covers " << show(boxes[j]);
}

int32_t g_checked = 0; // pages and panels looked at

void keepPicture(App& app, const std::string& what)
{
    if (const char* dir = std::getenv("KORVATH_LAYOUT_PNG"))
        Png::write(std::string(dir) + "/" + what + " " + std::to_string(app.m_width) + "x" +
                       std::to_string(app.m_height) + ".png",
                   app.m_width, app.m_height, reinterpret_cast<const uint32_t*>(app.m_pixels.a), false);
}

// The page on the stage: its texts, and the rows and heading of its menu.
void expectPage(App& app, const std::string& page, bool solid = false)
{
    SCOPED_TRACE(page);
    g_checked++;
    keepPicture(app, page);
    const int32_t w = app.m_width, h = app.m_height;
    std::set<Vsprite*> skip;
    for (const ref<Screen>& s : app.screens())
        if (auto* map = dynamic_cast<MapScreen*>(s.get())) {
            skip.insert(map->mapSprite().get());
            skip.insert(map->briefing().get());
        }
    std::vector<Box> shown;
    std::vector<std::string> cut;
    texts(*app.m_stage->m_sprite, skip, shown, cut);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(cut.empty()) << cut.front();
    for (const Box& b : shown)
        expectInside(b, w, h);
    expectApart(shown);
    std::vector<Box> pics;
    pictures(*app.m_stage->m_sprite, skip, pics);
    for (const Box& b : pics)
        expectInside(b, w, h);
    if (ref<Vmenu> m = shownMenu(app)) {
        std::vector<Box> rows;
        for (Vsprite* r = m->m_child.get(); r; r = r->m_sibling.get())
            rows.push_back(boxOf(*r, "row " + itemText(r)));
        ref<Vsprite> frame = m->getParent();
        if (frame && frame != app.m_stage->m_sprite)
            rows.push_back(boxOf(*frame->getChild(), "heading"));
        for (const Box& b : rows)
            expectInside(b, w, h);
        expectApart(rows);
    }
    // Where the page is opaque, nothing behind it shows through a text's place.
    if (solid) {
        ref<Vmenu> m = shownMenu(app);
        ASSERT_TRUE(m);
        ref<Vsprite> frame = m->getParent();
        EXPECT_EQ(static_cast<uint32_t>(frame->m_color) >> 24, 0xFFu);
        for (const Box& b : shown)
            EXPECT_TRUE(holds(boxOf(*frame, "page"), b)) << show(b);
    }
}

// The battle's panel and radar: inside the margin, out of each other's way,
// out of the middle of the view and of the on-screen buttons' way, the
// panel's lines in the large font at least and inside it.
void expectHud(App& app, const std::string& what)
{
    SCOPED_TRACE(what);
    g_checked++;
    keepPicture(app, what);
    const int32_t w = app.m_width, h = app.m_height;
    const Hud& hud = *app.m_battle->m_hud;
    ASSERT_TRUE(hud.m_panel->isLinked());
    ASSERT_TRUE(hud.m_radar->isLinked());
    const Box panel = boxOf(*hud.m_panel, "panel"), radar = boxOf(*hud.m_radar, "radar");
    expectInside(panel, w, h);
    expectInside(radar, w, h);
    EXPECT_FALSE(meet(panel, radar));
    EXPECT_FALSE(meet(panel, Box{w / 3, h / 3, w * 2 / 3, h * 2 / 3, "the middle"})) << show(panel);
    std::vector<Box> lines;
    for (const ref<Vtext>& t : {hud.m_textEnemy, hud.m_textRounds, hud.m_textFuel, hud.m_textArmor}) {
        const Box line = boxOf(*t, textOf(*t));
        EXPECT_TRUE(holds(panel, line)) << show(line);
        EXPECT_GE(line.y1 - line.y0, 16) << show(line);
        lines.push_back(line);
    }
    expectApart(lines);
    if (hud.m_waterWarning && hud.m_waterWarning->isLinked())
        expectInside(boxOf(*hud.m_waterWarning, "water"), w, h);
    const ref<Vmenu> buttons = hud.activeMenu();
    ASSERT_TRUE(buttons && buttons->isLinked());
    for (Vsprite* b = buttons->m_child.get(); b; b = b->m_sibling.get()) {
        if (!b->isLinked() || b->m_x1 <= b->m_x0 || (hud.touchLayout() && b != buttons->m_child.get() && !hud.m_controls))
            continue;
        const Box button = boxOf(*b, "button " + std::to_string(b->m_id));
        EXPECT_TRUE(holds(Box{0, 0, w, h, ""}, button)) << show(button);
        EXPECT_FALSE(meet(button, panel)) << show(button);
        EXPECT_FALSE(meet(button, radar)) << show(button);
    }
}

struct Size {
    int32_t w, h;
};

// The sizes the hosts give the game: the small screen, the window's own
// sizes and those of a window made larger, and full screen on the usual
// displays at scale 1 (a display at scale 2 or 3 gives 960 x 540, 640 x 360).
constexpr Size kSizes[] = {{320, 240},  {400, 300},  {480, 320},  {640, 360},  {640, 480},  {800, 600},
                           {960, 540},  {1024, 768}, {1280, 720}, {1366, 768}, {1920, 1080}};

std::string named(const Size& s)
{
    return std::to_string(s.w) + "x" + std::to_string(s.h);
}

class PageLayoutTest : public GameTest {};

} // namespace

TEST_F(PageLayoutTest, EveryPageKeepsTheMarginAndNothingCoversAnything)
{
    for (const Size& size : kSizes) {
        SCOPED_TRACE(named(size));
        campaign(1, 5);
        GameHost host;
        // From the main menu over the map through the options, the keys (and
        // a key asked for), the question, the sides, the help and About.
        host.at(2300, [](App& app) {
            expectPage(app, "main menu");
            // The longest row the keys page can have: a long key and button that the menu has too.
            app.m_actions.bind(Action::View, Key::kPageDown);
            app.m_actions.bind(Action::View, Key::kPadRightStick);
            app.m_actions.bind(Action::Menu, Key::kPageDown);
        });
        host.key(2400, 'O');
        host.at(2700, [](App& app) { expectPage(app, "options"); });
        host.key(2800, 'C');
        host.at(3100, [](App& app) { expectPage(app, "controls", true); });
        host.key(3200, Key::kEnter);
        host.at(3500, [](App& app) { expectPage(app, "controls asking for a key", true); });
        host.keys(3600, {Key::kEscape, Key::kEscape, Key::kEscape});
        host.key(4600, 'N');
        host.at(4900, [](App& app) { expectPage(app, "the question"); });
        host.key(5000, 'Y');
        host.at(5300, [](App& app) { expectPage(app, "the sides"); });
        host.key(5400, 'B');
        host.key(5700, 'H');
        host.at(6100, [](App& app) { expectPage(app, "help"); });
        host.key(6200, Key::kEscape);
        host.key(6500, 'A');
        host.at(6900, [](App& app) { expectPage(app, "about"); });
        host.key(7000, Key::kEscape);
        host.stopAt(7300);
        g_checked = 0;
        host.run(size.w, size.h);
        EXPECT_EQ(g_checked, 8);
    }
}

TEST_F(PageLayoutTest, TheBattlePanelAndTheResultPagesFitEverySize)
{
    for (const Size& size : kSizes) {
        SCOPED_TRACE(named(size));
        campaign(1, 5);
        std::filesystem::remove(m_dir.file("options")); // the buttons hidden, as at a first start
        GameHost host;
        host.key(2200, 'R');
        host.key(2700, Key::kEnter);
        host.at(4500, [](App& app) { expectHud(app, "the panel"); });
        // The on-screen buttons shown.
        host.key(4600, 'B');
        host.at(4900, [](App& app) { expectHud(app, "with the buttons"); });
        // The longest result a battle can have, then the end of the campaign.
        host.at(5000, [](App& app) {
            ResultScreen::Result r;
            r.cause = ResultScreen::Cause::ShotThrough;
            r.outOfRounds = true;
            r.enemy = TankKind::Sherman;
            r.destroyed = 12;
            r.shots = 120;
            r.hits = 99;
            r.ms = 3599000;
            app.replace(new ResultScreen(app, r));
        });
        host.at(5400, [](App& app) { expectPage(app, "the result"); });
        host.at(5500, [](App& app) { app.replace(new CampaignEndScreen(app)); });
        host.at(5900, [](App& app) { expectPage(app, "the campaign's end"); });
        host.stopAt(6000);
        g_checked = 0;
        host.run(size.w, size.h);
        EXPECT_EQ(g_checked, 4);
    }
}
