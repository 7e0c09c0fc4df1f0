#include "GameTest.h"
#include "game/TitleScreen.h"

using Items = std::vector<std::string>;

namespace {

const Items kFirstMenu = {"New Game", "Sound: On", "Options", "Help", "About", "Quit"};
const Items kSides = {"Allied Forces", "German Forces", "Soviet Forces", "Level: Easy", "Back"};

// The words of the heading above the shown menu, "" without one.
std::string headingOf(App& app)
{
    ref<Vmenu> m = shownMenu(app);
    ref<Vsprite> frame = m ? m->getParent() : nullptr;
    if (!frame || frame == app.m_stage->m_sprite)
        return "";
    ref<Vtext> t = findText(frame->m_child.get(), "");
    return t ? t->m_text->c_str() : "";
}

// The centre of the shown menu's item with that key, in screen pixels.
std::pair<int32_t, int32_t> itemCentre(App& app, int32_t key)
{
    for (Vsprite* c = shownMenu(app)->m_child.get(); c; c = c->m_sibling.get())
        if (c->m_id == key)
            return {(c->m_x0 + c->m_x1) / 2, (c->m_y0 + c->m_y1) / 2};
    return {0, 0};
}

} // namespace

// The title stays two seconds once the game has loaded, unless a key goes
// on at once; that key is spent on the title, not passed to the menu. With
// no record the menu is then there (the defaults it gives are checked with
// the records); the keys that resume do nothing without a campaign, and
// Escape shows the way out.
TEST_F(GameTest, FirstStartOffersQuitAndANewGameUnderAHeadingAfterTheTitle)
{
    auto onTitle = [](App& app) { return dynamic_cast<TitleScreen*>(app.top()) != nullptr; };
    m_host.at(1900, [&](App& app) { EXPECT_TRUE(onTitle(app)); });
    m_host.at(2200, [&](App& app) {
        EXPECT_FALSE(onTitle(app));
        EXPECT_FALSE(app.m_lib->m_pictures[49]) << "the splash is let go once the game is up";
        EXPECT_EQ(menuItems(shownMenu(app)), kFirstMenu);
        EXPECT_EQ(selectedItem(shownMenu(app)), "New Game");
        EXPECT_EQ(headingOf(app), "");
    });
    m_host.keys(2300, {7, '0', 'R'});
    m_host.at(3200, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "New Game"); });
    m_host.key(3300, 6);
    m_host.at(3500, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Quit"); });
    // Up five times to "New Game" and Enter: the sides under their heading.
    m_host.keys(3600, {3, 3, 3, 3, 3, 10});
    m_host.at(5500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), kSides);
        EXPECT_EQ(selectedItem(shownMenu(app)), "Allied Forces");
        EXPECT_EQ(headingOf(app), "Choose your side");
    });
    // Back to the main menu, still without a campaign, and a new one from
    // there: no question asked, as there is nothing to lose.
    m_host.key(5600, 'B');
    m_host.keys(6100, "NG");
    m_host.at(7000, [](App& app) {
        EXPECT_EQ(app.m_campaign->m_side, Side::German);
        EXPECT_EQ(app.m_campaign->m_front, 5);
        EXPECT_FALSE(shownMenu(app));
        EXPECT_TRUE(findText(&app, "ORDERS FROM BERLIN"));
    });
    m_host.runUntil(7300);
    EXPECT_EQ(storedSlot(0), 2);
    EXPECT_EQ(storedSlot(1), 5);
    // Every choice clicked: Enter on "New Game", "Back", "New Game", "German Forces".
    EXPECT_EQ(m_host.count("click"), 4);
    std::filesystem::remove(recordPath());
    GameHost quick;
    quick.key(300, Key::kDown);
    quick.at(700, [&](App& app) {
        EXPECT_FALSE(onTitle(app));
        EXPECT_EQ(selectedItem(shownMenu(app)), "New Game");
    });
    quick.runUntil(800);
}

// New Game during a campaign asks first, with "No" chosen first; Escape and
// Enter on "No" answer no, "Y" goes on to the sides, where nothing is lost
// before a side is chosen. There Left lowers the level (wrapping to Hard),
// Right and L raise it; Back returns, and the game closed with the settings
// open keeps the campaign and the level as changed.
TEST_F(GameTest, ANewGameDuringACampaignIsConfirmedAndItsLevelChangedOnTheSides)
{
    campaign(3, 7);
    m_host.key(2200, 'N');
    m_host.at(2500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"Yes", "No"}));
        EXPECT_EQ(selectedItem(shownMenu(app)), "No");
        EXPECT_EQ(headingOf(app), "Abandon the running campaign?");
    });
    m_host.key(2600, 6);
    m_host.at(2900, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "New Game"); });
    m_host.keys(3000, {'N', 10});
    m_host.at(3700, [](App& app) { EXPECT_EQ(menuItems(shownMenu(app))[1], "Resume"); });
    m_host.keys(3800, "NY");
    m_host.at(4500, [](App& app) { EXPECT_EQ(menuItems(shownMenu(app)), kSides); });
    // On the level item: Left wraps down to Hard, then Medium; Right and L raise it.
    m_host.key(4600, 4);
    std::vector<std::string> seen;
    const int32_t keys[] = {1, 1, 2, 'L', 'L'};
    for (int32_t i = 0; i < 5; i++) {
        m_host.key(4900 + 300 * i, keys[i]);
        m_host.at(5100 + 300 * i, [&seen](App& app) { seen.push_back(menuItems(shownMenu(app))[3]); });
    }
    m_host.at(6500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app))[0], "Allied Forces"); // the page stays open
        EXPECT_EQ(selectedItem(shownMenu(app)), "Level: Medium");
    });
    m_host.key(6600, 'B');
    m_host.at(7000, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"New Game", "Resume", "Sound: On", "Options", "Help", "About", "Quit"}));
        EXPECT_EQ(app.m_campaign->m_level, 1);
        EXPECT_EQ(app.m_campaign->m_front, 7);
    });
    m_host.keys(7100, {'N', 'Y', 'L'});
    m_host.runUntil(8300);
    EXPECT_EQ(seen, (Items{"Level: Hard", "Level: Medium", "Level: Hard", "Level: Easy", "Level: Medium"}));
    EXPECT_EQ(storedSlot(0), 3);
    EXPECT_EQ(storedSlot(1), 7);
    EXPECT_EQ(storedSlot(2), 2);
}

// A notch of the wheel is an arrow key; the pointer moved onto an item
// lights it, and resting there does not take the highlight back from the
// keys; moving the highlight chooses nothing. The sound switch is saved at
// once and kept after a restart. The help pages go by arrows, paging keys,
// the wheel and a drag, and stop at both ends. The Quit item ends the game,
// and so does 'E', as the phone's hidden key did.
TEST_F(GameTest, TheWheelPointerAndHelpPagesMoveAsAskedAndTheSoundSwitchIsKept)
{
    campaign(1, 5);
    auto expectSelected = [&](int32_t ms, const std::string& item, const std::function<void(App&, Input&)>& then) {
        m_host.at(ms, [=](App& app) {
            EXPECT_EQ(selectedItem(shownMenu(app)), item);
            then(app, app.input());
        });
    };
    expectSelected(2500, "Resume", [](App&, Input& in) { in.wheelSys(-2); });
    expectSelected(2700, "Options", [](App&, Input& in) { in.wheelSys(1); });
    expectSelected(2900, "Sound: On", [](App& app, Input& in) {
        auto [x, y] = itemCentre(app, 'A');
        in.pointerSys(x, y);
    });
    expectSelected(3100, "About", [](App& app, Input&) { press(app, 3); });
    expectSelected(3400, "Help", [](App&, Input& in) { in.pointerSys(2, 2); }); // off the menu: nothing changes
    expectSelected(3700, "Help", [](App&, Input&) {});
    m_host.at(3750, [this](App&) { EXPECT_EQ(m_host.count("click"), 0); });
    m_host.key(3800, 'S');
    m_host.at(4100, [this](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
        EXPECT_EQ(storedSlot(5), 1); // already on disk
    });
    // The help page, paged and scrolled by every means, stops at both ends.
    m_host.key(4200, 'H');
    ref<Vtext> text;
    // The window inside the stage's margin of 13 and the panel's pad of 6 is
    // 320 - 26 - 12 high; a page is that less a line.
    const int32_t page = (16 * (282 / 16 - 1)) << 15;
    int32_t bottom = 0;
    constexpr int32_t kBottom = 1; // the text's end at the window's
    m_host.at(4500, [&](App& app) {
        EXPECT_FALSE(shownMenu(app));
        text = findText(&app, "HOW TO PLAY");
        ASSERT_TRUE(text);
        // Inside the dark panel with a pad of 6, the buttons beside it.
        EXPECT_EQ(text->m_x0, (480 - 286) / 2 + 6);
        EXPECT_EQ(text->m_y0, 13 + 6);
        EXPECT_GT(text->m_height, 320);
        bottom = (282 - text->m_height) << 15;
    });
    // Each step: what is done, then where the text is and whether the up (39)
    // and down (33) buttons show. A drag up by 40 pixels scrolls back 10, a
    // notch of the wheel 3 lines; neither goes past either end, nor do the keys.
    struct Step { std::function<void(App&)> act; int32_t y; bool up, down; };
    auto key = [](int32_t code) { return [code](App& app) { press(app, code); }; };
    const Step steps[] = {
        {[](App&) {}, 0, false, true},
        {key(4), -page, true, true},
        {[](App& app) { drag(app, 40); }, -page + (10 << 15), true, true},
        {[](App& app) { app.input().wheelSys(1); }, -page + ((10 + 48) << 15), true, true},
        {key(Key::kPageUp), 0, false, true},
        {key(3), 0, false, true},
        {key(Key::kEnd), kBottom, true, false},
        {key(Key::kHome), 0, false, true},
        {key(Key::kPageDown), -page, true, true},
        {key('8'), -2 * page, true, true},
        {[](App& app) { drag(app, 100000); }, 0, false, true},
        {[](App& app) { app.input().wheelSys(-1000); }, kBottom, true, false},
    };
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(steps)); i++) {
        const Step& st = steps[i];
        m_host.at(4600 + 300 * i, st.act);
        m_host.at(4800 + 300 * i, [&, i](App& app) {
            EXPECT_EQ(text->m_y, st.y == kBottom ? bottom : st.y) << "step " << i;
            EXPECT_EQ(withImage(&app, 39).size(), st.up ? 1u : 0u) << "step " << i;
            EXPECT_EQ(withImage(&app, 33).size(), st.down ? 1u : 0u) << "step " << i;
        });
    }
    // Touching the close button (34) closes the page.
    m_host.at(8300, [](App& app) {
        Vsprite* close = withImage(&app, 34)[0];
        app.input().touchBegin(close->m_x0 + 10, close->m_y0 + 10);
        app.input().touchEnd();
    });
    m_host.at(8600, [](App& app) {
        EXPECT_FALSE(findText(&app, "HOW TO PLAY"));
        EXPECT_TRUE(withImage(&app, 34).empty());
        EXPECT_EQ(selectedItem(shownMenu(app)), "Help");
    });
    m_host.key(8700, 'Q');
    m_host.run();
    EXPECT_LT(m_host.m_elapsed, 9000);
    EXPECT_EQ(m_host.count("music3"), 1); // the splash, before the switch
    EXPECT_EQ(m_host.count("click"), 1);  // the switch; then the sound is off

    GameHost second;
    second.at(2200, [](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
    });
    second.key(2300, 'E');
    second.runUntil(7500);
    EXPECT_LT(second.m_elapsed, 3500);
    EXPECT_TRUE(second.m_played.empty());
    EXPECT_EQ(storedSlot(5), 1);
    EXPECT_EQ(storedSlot(1), 5);
}


TEST_F(GameTest, TinyScreensPlayTheShellWithTextMenus)
{
    for (auto [w, h] : {std::pair{160, 120}, std::pair{100, 300}, std::pair{40, 30}, std::pair{1, 1}}) {
        std::filesystem::remove(recordPath());
        GameHost host;
        host.at(2200, [w = w](App& app) {
            EXPECT_FALSE(app.m_bigScreen) << w;
            EXPECT_EQ(app.m_theme->m_font, app.m_fontSmall) << w;
            ref<Vmenu> m = shownMenu(app);
            ASSERT_TRUE(m) << w;
            EXPECT_TRUE(dynamic_cast<Vtext*>(m->m_child.get())) << w; // not restyled
        });
        // Every page once ('0' does not close the About page, a blank does),
        // then a new campaign and its map.
        host.keys(2300, "H\x06");
        host.keys(3000, "A0 ");
        host.at(3500, [w = w](App& app) { EXPECT_TRUE(findText(&app, "Version")) << w; });
        host.at(3700, [w = w](App& app) { EXPECT_FALSE(findText(&app, "Version")) << w; });
        host.keys(3800, "NLB");
        host.keys(4700, "NA");
        host.at(5500, [w = w](App& app) { EXPECT_TRUE(mapSprite(app)) << w; });
        host.key(5600, ' ');
        host.runUntil(6000, w, h);
        EXPECT_EQ(storedSlot(1), 5) << w;
        EXPECT_EQ(storedSlot(2), 1) << w;
    }
}
