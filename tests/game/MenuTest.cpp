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
// on at once; that key is spent on the title, not passed to the menu.
TEST_F(GameTest, TheTitleStaysTwoSecondsOrUntilAKey)
{
    auto onTitle = [](App& app) { return dynamic_cast<TitleScreen*>(app.top()) != nullptr; };
    m_host.at(1900, [&](App& app) { EXPECT_TRUE(onTitle(app)); });
    m_host.at(2400, [&](App& app) {
        EXPECT_FALSE(onTitle(app));
        EXPECT_EQ(selectedItem(shownMenu(app)), "New Game");
    });
    m_host.runUntil(2500);
    GameHost quick;
    quick.key(300, Key::kDown);
    quick.at(700, [&](App& app) {
        EXPECT_FALSE(onTitle(app));
        EXPECT_EQ(selectedItem(shownMenu(app)), "New Game");
    });
    quick.runUntil(800);
}

TEST_F(GameTest, FirstStartOffersQuitAndANewGameUnderAHeading)
{
    // No record (the defaults it gives are checked with the records): the
    // menu is there at once; the keys that resume do nothing without a
    // campaign, and Escape shows the way out.
    m_host.at(2200, [](App& app) {
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
}

TEST_F(GameTest, ANewGameDuringACampaignIsConfirmedFirst)
{
    campaign(3, 7);
    // New Game: the question, with "No" chosen first; Escape answers no.
    m_host.key(2200, 'N');
    m_host.at(2500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"Yes", "No"}));
        EXPECT_EQ(selectedItem(shownMenu(app)), "No");
        EXPECT_EQ(headingOf(app), "Abandon the running campaign?");
    });
    m_host.key(2600, 6);
    m_host.at(2900, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "New Game"); });
    // Enter on "No" answers no too; "Y" goes on to the sides.
    m_host.keys(3000, {'N', 10});
    m_host.at(3700, [](App& app) { EXPECT_EQ(menuItems(shownMenu(app))[1], "Resume"); });
    m_host.keys(3800, "NY");
    m_host.at(4500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), kSides);
        EXPECT_EQ(app.m_campaign->m_front, 7); // nothing is lost before a side is chosen
    });
    m_host.key(4600, 'A');
    m_host.runUntil(5000);
    EXPECT_EQ(storedSlot(0), 1);
    EXPECT_EQ(storedSlot(1), 5);
}

TEST_F(GameTest, LeftLowersTheLevelRightAndLRaiseItBackReturnsAndClosingKeepsTheCampaign)
{
    campaign(3, 7, 0);
    m_host.keys(2200, "NY");
    // On the level item: Left wraps down to Hard, then Medium; Right and L raise it.
    m_host.key(2900, 4);
    std::vector<std::string> seen;
    const int32_t keys[] = {1, 1, 2, 'L', 'L'};
    for (int32_t i = 0; i < 5; i++) {
        m_host.key(3900 + 300 * i, keys[i]);
        m_host.at(4100 + 300 * i, [&seen](App& app) { seen.push_back(menuItems(shownMenu(app))[3]); });
    }
    m_host.at(5500, [](App& app) {
        // The settings page stays open while the level changes.
        EXPECT_EQ(menuItems(shownMenu(app))[0], "Allied Forces");
        EXPECT_EQ(selectedItem(shownMenu(app)), "Level: Medium");
    });
    m_host.key(5600, 'B');
    m_host.at(6000, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"New Game", "Resume", "Sound: On", "Options", "Help", "About", "Quit"}));
        EXPECT_EQ(app.m_campaign->m_level, 1);
        EXPECT_EQ(app.m_campaign->m_front, 7);
    });
    // The game closed with the settings open: the campaign and the level as changed.
    m_host.keys(6100, {'N', 'Y', 'L'});
    m_host.runUntil(7300);
    EXPECT_EQ(seen, (Items{"Level: Hard", "Level: Medium", "Level: Hard", "Level: Easy", "Level: Medium"}));
    EXPECT_EQ(storedSlot(0), 3);
    EXPECT_EQ(storedSlot(1), 7);
    EXPECT_EQ(storedSlot(2), 2);
}

TEST_F(GameTest, TheMouseWheelAndPointerMoveTheHighlight)
{
    campaign(1, 5);
    // Two notches down from "Resume", one up; a notch is an arrow key.
    m_host.at(2500, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "Resume");
        app.input().wheelSys(-2);
    });
    m_host.at(2700, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "Options");
        app.input().wheelSys(1);
    });
    // The pointer moved onto "About" lights it; resting there, it does not
    // take the highlight back from the keys.
    m_host.at(2900, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "Sound: On");
        auto [x, y] = itemCentre(app, 'A');
        app.input().pointerSys(x, y);
    });
    m_host.at(3100, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "About");
        app.input().keyDownSys(3);
        app.input().keyUpSys(3);
    });
    m_host.at(3400, [](App& app) {
        EXPECT_EQ(selectedItem(shownMenu(app)), "Help");
        // Off the menu: nothing changes.
        app.input().pointerSys(2, 2);
    });
    m_host.at(3700, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Help"); });
    m_host.runUntil(3800);
    EXPECT_EQ(m_host.count("click"), 0); // moving the highlight chooses nothing
}

TEST_F(GameTest, TheSoundSwitchIsSavedAtOnceAndKeptAfterARestartAndQuitEnds)
{
    campaign(1, 5);
    m_host.key(2200, 'S');
    m_host.at(2500, [this](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
        EXPECT_EQ(storedSlot(5), 1); // already on disk
    });
    m_host.key(2600, 'Q'); // the Quit item ends the game
    m_host.run();
    EXPECT_LT(m_host.m_elapsed, 3500);
    EXPECT_EQ(m_host.count("music3"), 1); // the splash, before the switch
    EXPECT_EQ(m_host.count("click"), 1);  // the switch; then the sound is off

    GameHost second;
    second.at(2200, [](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
    });
    second.key(2300, 'E'); // as the phone's hidden key did
    second.runUntil(7500);
    EXPECT_LT(second.m_elapsed, 3500);
    EXPECT_TRUE(second.m_played.empty());
    EXPECT_EQ(storedSlot(5), 1);
    EXPECT_EQ(storedSlot(1), 5);
}

TEST_F(GameTest, HelpPagesWithArrowsPagingKeysWheelAndDragAndStopsAtBothEnds)
{
    campaign(1, 5);
    m_host.key(2200, 'H');
    ref<Vtext> text;
    // The window inside the stage's margin of 13 and the panel's pad of 6 is
    // 320 - 26 - 12 high; a page is that less a line.
    const int32_t page = (16 * (282 / 16 - 1)) << 15;
    int32_t bottom = 0;
    // Where the text is, and whether the up (39) and down (33) buttons show.
    auto expectAt = [&](App& app, int32_t y, bool up, bool down) {
        EXPECT_EQ(text->m_y, y);
        EXPECT_EQ(withImage(&app, 39).size(), up ? 1u : 0u);
        EXPECT_EQ(withImage(&app, 33).size(), down ? 1u : 0u);
    };
    m_host.at(2500, [&](App& app) {
        EXPECT_FALSE(shownMenu(app));
        text = findText(&app, "HOW TO PLAY");
        ASSERT_TRUE(text);
        // Inside the dark panel with a pad of 6, the buttons beside it.
        EXPECT_EQ(text->m_x0, (480 - 286) / 2 + 6);
        EXPECT_EQ(text->m_y0, 13 + 6);
        EXPECT_GT(text->m_height, 320);
        bottom = (282 - text->m_height) << 15;
        expectAt(app, 0, false, true);
    });
    m_host.key(2600, 4);
    m_host.at(2900, [&](App& app) { expectAt(app, -page, true, true); });
    // A drag up by 40 pixels scrolls back 10; a notch of the wheel 3 lines;
    // a page up then stops at the top, and another one stays there.
    m_host.at(3000, [](App& app) { drag(app, 40); });
    m_host.at(3200, [&](App& app) {
        expectAt(app, -page + (10 << 15), true, true);
        app.input().wheelSys(1);
    });
    m_host.at(3400, [&](App& app) { expectAt(app, -page + ((10 + 48) << 15), true, true); });
    m_host.key(3500, Key::kPageUp);
    m_host.at(3700, [&](App& app) { expectAt(app, 0, false, true); });
    m_host.key(3800, 3);
    m_host.at(4000, [&](App& app) { expectAt(app, 0, false, true); });
    // End and Home go to the ends; Page Down and '8' page down.
    m_host.key(4100, Key::kEnd);
    m_host.at(4300, [&](App& app) { expectAt(app, bottom, true, false); });
    m_host.key(4400, Key::kHome);
    m_host.at(4600, [&](App& app) { expectAt(app, 0, false, true); });
    m_host.keys(4700, {Key::kPageDown, '8'});
    m_host.at(5200, [&](App& app) { expectAt(app, -2 * page, true, true); });
    // Neither a drag nor the wheel scrolls past either end.
    m_host.at(5300, [](App& app) { drag(app, 100000); });
    m_host.at(5500, [&](App& app) { expectAt(app, 0, false, true); });
    m_host.at(5600, [](App& app) { app.input().wheelSys(-1000); });
    m_host.at(5800, [&](App& app) { expectAt(app, bottom, true, false); });
    // Touching the close button (34) closes the page.
    m_host.at(5900, [](App& app) {
        Vsprite* close = withImage(&app, 34)[0];
        app.input().touchBegin(close->m_x0 + 10, close->m_y0 + 10);
        app.input().touchEnd();
    });
    m_host.at(6200, [](App& app) {
        EXPECT_FALSE(findText(&app, "HOW TO PLAY"));
        EXPECT_TRUE(withImage(&app, 34).empty());
        EXPECT_EQ(selectedItem(shownMenu(app)), "Help");
    });
    m_host.runUntil(6300);
}
