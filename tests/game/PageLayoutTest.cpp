#include <filesystem>
#include <set>

#include "GameTest.h"
#include "game/AboutScreen.h"
#include "game/CampaignEndScreen.h"
#include "game/Language.h"
#include "game/MenuLayout.h"
#include "game/Options.h"
#include "game/ResultScreen.h"
#include "runtime/Catalog.h"

// Every page of the game, and the battle's panel, at the screen sizes a
// player meets, from the smallest the game plays at to full HD: what it
// shows keeps clear of the screen's edges by 4% of the shorter side, nothing
// covers anything else, and no text is cut off by what holds it.

namespace {

struct Box {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string what;
};

Box boxOf(const Vsprite& s, const std::string& what) { return {s.m_x0, s.m_y0, s.m_x1, s.m_y1, what}; }

bool meet(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

bool holds(const Box& outer, const Box& inner)
{
    return inner.x0 >= outer.x0 && inner.y0 >= outer.y0 && inner.x1 <= outer.x1 && inner.y1 <= outer.y1;
}

std::string show(const Box& b)
{
    return b.what + " [" + std::to_string(b.x0) + "," + std::to_string(b.y0) + " - " + std::to_string(b.x1) + "," +
           std::to_string(b.y1) + ")";
}

// What shows below s, skip's subtrees aside: its texts and its pictures. A
// text taller than the window that holds it scrolls there, and the window is
// its box; any other text reaching out of what holds it is cut off.
struct Shown {
    std::vector<Box> texts, pictures;
    std::vector<std::string> cut, missing;

    void collect(Vsprite& s, const std::set<Vsprite*>& skip)
    {
        for (Vsprite* c = s.m_child.get(); c; c = c->m_sibling.get()) {
            if (skip.count(c))
                continue;
            if (c->m_image != -1 && c->m_x1 > c->m_x0)
                pictures.push_back(boxOf(*c, "picture " + std::to_string(c->m_image)));
            auto* t = dynamic_cast<Vtext*>(c);
            if (t && t->m_text && t->m_text->length() > 0 && t->m_alpha > 0) {
                Vsprite* holder = t->m_parent.get();
                while (holder && holder->m_width == 0) // groups clip nothing
                    holder = holder->m_parent.get();
                Box box = boxOf(*t, t->m_text->c_str());
                if (holder && t->m_height > holder->m_height)
                    box = boxOf(*holder, "scrolling text");
                else if (holder && !holds(boxOf(*holder, ""), box))
                    cut.push_back(show(box) + " out of " + show(boxOf(*holder, "its holder")));
                texts.push_back(box);
                if (t->m_font && t->m_font->firstMissing(t->m_text) != -1)
                    missing.push_back(t->m_text->c_str());
            }
            collect(*c, skip);
        }
    }
};

void expectInside(const std::vector<Box>& boxes, const App& app)
{
    const int32_t w = app.m_width, h = app.m_height, m = std::min(w, h) * 4 / 100;
    for (const Box& b : boxes)
        EXPECT_TRUE(holds(Box{m, m, w - m, h - m, ""}, b)) << show(b) << " leaves the margin of " << m;
}

void expectApart(const std::vector<Box>& boxes)
{
    for (std::size_t i = 0; i < boxes.size(); i++)
        for (std::size_t j = i + 1; j < boxes.size(); j++)
            EXPECT_FALSE(meet(boxes[i], boxes[j])) << show(boxes[i]) << " covers " << show(boxes[j]);
}

int32_t g_checked = 0; // screens looked at in a run

// The page on the stage (the map and its orders aside): its texts and
// pictures, the rows and heading of its menu; with solid, the page is opaque
// wherever a text stands.
void expectPage(App& app, const std::string& page, bool solid = false)
{
    SCOPED_TRACE(page);
    g_checked++;
    std::set<Vsprite*> skip;
    for (const ref<Screen>& s : app.screens())
        if (auto* map = dynamic_cast<MapScreen*>(s.get()))
            skip = {map->mapSprite().get(), map->briefing().get()};
    Shown shown;
    shown.collect(*app.m_stage->m_sprite, skip);
    ASSERT_FALSE(shown.texts.empty());
    EXPECT_TRUE(shown.cut.empty()) << shown.cut.front();
    EXPECT_TRUE(shown.missing.empty()) << shown.missing.front() << " has a letter the font lacks";
    expectInside(shown.texts, app);
    expectInside(shown.pictures, app);
    expectApart(shown.texts);
    const ref<Vmenu> m = shownMenu(app);
    if (!m)
        return;
    std::vector<Box> rows;
    std::set<int32_t> keys;
    for (Vsprite* r = m->m_child.get(); r; r = r->m_sibling.get()) {
        rows.push_back(boxOf(*r, "row " + itemText(r)));
        // Every item has a key, and one of its own.
        const int32_t k = Vmenu::keyOf(r);
        EXPECT_TRUE(k != 0 && keys.insert(k).second) << itemText(r) << " has no key of its own";
    }
    const ref<Vsprite> frame = m->getParent();
    if (frame != app.m_stage->m_sprite)
        rows.push_back(boxOf(*frame->getChild(), "heading"));
    expectInside(rows, app);
    expectApart(rows);
    if (solid) {
        EXPECT_EQ(static_cast<uint32_t>(frame->m_color) >> 24, 0xFFu);
        for (const Box& b : shown.texts)
            EXPECT_TRUE(holds(boxOf(*frame, "page"), b)) << show(b);
    }
}

// The battle's panel and radar: inside the margin, out of each other's way,
// of the middle of the view and of the on-screen buttons; the panel's lines
// at least of the large font's size, inside it and apart.
void expectHud(App& app, const std::string& what)
{
    SCOPED_TRACE(what);
    g_checked++;
    const int32_t w = app.m_width, h = app.m_height;
    const Hud& hud = *app.m_battle->m_hud;
    ASSERT_TRUE(hud.m_panel->isLinked() && hud.m_radar->isLinked());
    const Box panel = boxOf(*hud.m_panel, "panel"), radar = boxOf(*hud.m_radar, "radar");
    expectInside({panel, radar}, app);
    expectApart({panel, radar, Box{w / 3, h / 3, w * 2 / 3, h * 2 / 3, "the middle"}});
    std::vector<Box> lines;
    for (const ref<Vtext>& t : {hud.m_textEnemy, hud.m_textRounds, hud.m_textFuel, hud.m_textArmor}) {
        lines.push_back(boxOf(*t, t->m_text->c_str()));
        EXPECT_TRUE(holds(panel, lines.back())) << show(lines.back());
        EXPECT_GE(lines.back().y1 - lines.back().y0, 16) << show(lines.back());
    }
    expectApart(lines);
    // The buttons shown: all of them, or the menu button alone.
    const ref<Vmenu> buttons = hud.activeMenu();
    ASSERT_TRUE(buttons->isLinked());
    for (Vsprite* b = buttons->m_child.get(); b && (hud.m_controls || b == buttons->m_child.get()); b = b->m_sibling.get()) {
        const Box button = boxOf(*b, "button " + std::to_string(b->m_id));
        expectInside({button}, app);
        expectApart({button, panel, radar});
    }
}

// The sizes the hosts give the game: the smallest, the window's own sizes
// and those of a window made larger, and full screen on the usual displays
// at scale 1 (a display at scale 2 or 3 gives 960 x 540 or 640 x 360).
constexpr std::pair<int32_t, int32_t> kSizes[] = {{320, 240}, {400, 300},  {480, 320},  {640, 360},
                                                  {640, 480}, {800, 600},  {960, 540},  {1024, 768},
                                                  {1280, 720}, {1366, 768}, {1920, 1080}};

// Presses the key of the item with id on the menu shown: its own first
// letter in the language shown.
void pick(GameHost& host, int32_t ms, int32_t id)
{
    host.at(ms, [id](App& app) {
        const ref<Vmenu> m = shownMenu(app);
        ASSERT_TRUE(m);
        for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
            if (c->m_id == id) {
                app.input().keyDownSys(Vmenu::keyOf(c));
                app.input().keyUpSys(Vmenu::keyOf(c));
                return;
            }
        ADD_FAILURE() << "no item " << static_cast<char>(id);
    });
}

// The game in a language from here to the end of the scope (as the host
// chooses it at the start), then English again.
struct Speaking {
    explicit Speaking(const char* language)
    {
        Language::setDesktop(language, false);
        Catalog::choose(language);
    }
    ~Speaking()
    {
        Language::setDesktop("", false);
        Catalog::choose("");
    }
};

} // namespace

// One run a size and language: the main menu over the map, the options
// (changed on the way, and stored), the keys (with the longest row they can
// have, and a key asked for and given, which from then on drives), the
// question, the sides, the help and About; then the battle's panel, without
// and with the buttons, the longest result a battle can have, and the
// campaign's end. English at every size, each translation at the two
// smallest a player meets; the menus are used by their own letters.
TEST_F(GameTest, EveryPageAndThePanelKeepTheMarginAndNothingCoversAnythingAtEverySizeAndLanguage)
{
    std::vector<std::tuple<const char*, int32_t, int32_t>> runs;
    for (auto [w, h] : kSizes)
        runs.emplace_back("", w, h);
    for (const char* language : {"de", "fr", "ru"})
        for (auto [w, h] : {std::pair{320, 240}, {480, 320}})
            runs.emplace_back(language, w, h);
    for (auto [language, w, h] : runs) {
        SCOPED_TRACE(std::string(language) + " " + std::to_string(w) + "x" + std::to_string(h));
        Speaking speaking(language);
        ASSERT_TRUE(!*language || Catalog::current().size() > 0) << "no catalog";
        const bool english = !*language;
        campaign(1, 5);
        std::filesystem::remove(m_dir.file("options")); // the buttons hidden, as at a first start
        GameHost host;
        host.at(2300, [](App& app) {
            expectPage(app, "main menu");
            app.m_actions.bind(Action::View, Key::kPageDown);
            app.m_actions.bind(Action::View, Key::kPadRightStick);
            app.m_actions.bind(Action::Menu, Key::kPageDown);
        });
        pick(host, 2400, 'O');
        host.at(2700, [english](App& app) {
            expectPage(app, "options");
            if (english) {
                EXPECT_EQ(menuItems(shownMenu(app)),
                          (std::vector<std::string>{"Effects: 100%", "Music: 100%", "Full screen: Off", "Scale: -",
                                                    "Frame rate: Display", "Camera: Smooth", "Buttons: Hidden",
                                                    "Invert gun: Off", "Language: Auto", "Controls", "Back"}));
            }
        });
        // Effects (highlighted first) lowered twice, the frame rate chosen
        // twice, the camera and the gun switched.
        host.keys(2800, {Key::kLeft, Key::kLeft, 'R', 'R', 'A', 'I'});
        host.at(4500, [english](App& app) {
            const Options& o = app.m_options;
            EXPECT_EQ((std::vector{o.m_effects, o.m_frameRate}), (std::vector{80, 60}));
            EXPECT_TRUE(o.m_lazyCamera && o.m_invertGun);
            if (english) {
                EXPECT_EQ(selectedItem(shownMenu(app)), "Invert gun: On");
            }
        });
        host.key(4600, 'C');
        host.at(4900, [english](App& app) {
            expectPage(app, "controls", true);
            if (english) {
                EXPECT_EQ(selectedItem(shownMenu(app)), "Forward: Up, Pad Up");
            }
            EXPECT_EQ(menuItems(shownMenu(app)).size(), ActionMap::rebindable().size() + 2);
        });
        host.key(5000, Key::kEnter);
        host.at(5300, [english](App& app) {
            expectPage(app, "controls asking for a key", true);
            if (english) {
                EXPECT_EQ(selectedItem(shownMenu(app)), "Forward: press a key or a gamepad button");
            }
        });
        // From then on 'I' drives the tank, and the arrow does not.
        host.key(5400, 'I');
        host.at(5500, [english](App& app) {
            if (english) {
                EXPECT_EQ(selectedItem(shownMenu(app)), "Forward: I, Pad Up");
            }
        });
        host.keys(5600, {Key::kEscape, Key::kEscape});
        pick(host, 6200, 'N');
        host.at(6600, [](App& app) { expectPage(app, "the question"); });
        pick(host, 6700, 'Y');
        host.at(7000, [](App& app) { expectPage(app, "the sides"); });
        pick(host, 7100, 'B');
        pick(host, 7400, 'H');
        host.at(7800, [](App& app) { expectPage(app, "help"); });
        host.key(7900, Key::kEscape);
        pick(host, 8200, 'A');
        host.at(8600, [](App& app) { expectPage(app, "about"); });
        // Back to the map (About closes on a blank) and on into the battle.
        host.key(8800, ' ');
        pick(host, 9100, 'R');
        host.key(9500, Key::kEnter);
        host.at(11300, [](App& app) {
            expectHud(app, "the panel");
            app.input().keyDownSys(Key::kUp);
        });
        host.at(11800, [](App& app) {
            EXPECT_LE(app.m_battle->m_tank->m_driveSpeed, 0) << "the arrow no longer drives";
            app.input().keyUpSys(Key::kUp);
            app.input().keyDownSys('I');
        });
        host.at(12300, [](App& app) {
            EXPECT_GT(app.m_battle->m_tank->m_driveSpeed, 0);
            app.input().keyUpSys('I');
        });
        host.key(12400, 'B');
        host.at(12700, [](App& app) { expectHud(app, "with the buttons"); });
        host.at(12800, [](App& app) {
            ResultScreen::Result r{ResultScreen::Outcome::Defeat, ResultScreen::Cause::ShotThrough, true,
                                   TankKind::Sherman, 12, 120, 99, 3599000};
            app.replace(new ResultScreen(app, r));
        });
        host.at(13200, [](App& app) { expectPage(app, "the result"); });
        host.at(13300, [](App& app) { app.replace(new CampaignEndScreen(app)); });
        host.at(13700, [](App& app) { expectPage(app, "the campaign's end"); });
        host.stopAt(13800);
        g_checked = 0;
        host.run(w, h);
        EXPECT_EQ(g_checked, 12);
        // All of it is stored.
        ActionMap keys;
        Options o;
        ASSERT_TRUE(o.load(keys));
        EXPECT_EQ((std::vector{o.m_effects, o.m_frameRate, int32_t{o.m_invertGun}}), (std::vector{80, 60, 1}));
        EXPECT_EQ(keys.key(Action::Forward), 'I');
    }
}

// In German the main menu's keys are the German first letters, doing what
// the English ones did; the English letter that no item begins with now
// does nothing. Options changes the language at once, and it is stored.
TEST_F(GameTest, TheMenusKeyByTheTranslatedLettersAndOptionsChangeTheLanguage)
{
    Speaking speaking("de");
    campaign(1, 5);
    GameHost host;
    host.at(2300, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (std::vector<std::string>{"Neues Spiel", "Fortsetzen", "Ton: An",
                                                                        "Optionen", "Hilfe", "Info", "Beenden"}));
    });
    // T (Ton) switches the sound; S, now nobody's key, does nothing.
    host.key(2400, 'S');
    host.key(2500, 'T');
    host.at(2700, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Ton: Aus"); });
    // The language from Auto (German here) to English on the options page,
    // which shows itself anew in it, as does the main menu after.
    host.key(2800, 'O');
    host.key(3100, 'L');
    host.at(3900, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "Language: English");
        EXPECT_EQ(app.m_options.m_language, "en");
    });
    host.key(4000, Key::kEscape);
    host.at(4300, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Options"); });
    host.key(4400, 'A');
    host.at(4800, [](App& app) { EXPECT_TRUE(dynamic_cast<AboutScreen*>(app.screens().back().get())); });
    host.stopAt(4900);
    host.run(480, 320);
    ActionMap keys;
    Options o;
    ASSERT_TRUE(o.load(keys));
    EXPECT_EQ(o.m_language, "en");
}

TEST(MenuLayout, TheMarginIsFourPercentOfTheShorterSideAndPagesGrowByWholeFactors)
{
    struct Case {
        int32_t w, h, margin, scale; // the scale of a 320 x 240 page
    };
    const Case cases[] = {
        {320, 240, 10, 1},   // 9.6 rounded up
        {480, 320, 13, 1},   // 12.8
        {240, 480, 10, 1},   // portrait: the width is the shorter side
        {640, 480, 20, 2},   {1366, 768, 31, 3},
        {1920, 1080, 44, 4}, // 43.2
        {3000, 240, 10, 1},  // the height limits the growth
        {50, 40, 4, 1},      // a few pixels however small the screen, no shrinking
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(MenuLayout::margin(c.w, c.h), c.margin);
        EXPECT_EQ(MenuLayout::scale(c.w, c.h, 320, 240), c.scale);
    }
    EXPECT_EQ(MenuLayout::scale(1920, 1080, 0, 240), 1); // no page: no growth
}
