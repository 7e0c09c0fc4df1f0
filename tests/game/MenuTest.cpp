#include "GameTest.h"

using Items = std::vector<std::string>;

TEST_F(GameTest, FirstStartOpensTheMenuWithoutResumeUntilANewGameStartsACampaign)
{
    // No record (the defaults it gives are checked with the records): the
    // menu is there at once and the keys that resume do nothing without a campaign.
    m_host.at(700, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"New Game", "Sound: On", "Help", "About"}));
        EXPECT_EQ(selectedItem(shownMenu(app)), "New Game");
    });
    m_host.keys(800, {6, 7, '0', 'R', 10});
    // Enter picked "New Game": the settings page, Allied preselected.
    m_host.at(2500, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)),
                  (Items{"Allied Varnel", "German Varnel", "Soviet Varnel", "Level: Easy", "Back"}));
        EXPECT_EQ(selectedItem(shownMenu(app)), "Allied Varnel");
    });
    // Back to the main menu, still without a campaign, and a new one from there.
    m_host.key(2600, 'B');
    m_host.keys(3100, "NG");
    m_host.at(4000, [](App& app) {
        EXPECT_EQ(app.m_side, 2);
        EXPECT_EQ(app.m_front, 5);
        EXPECT_FALSE(shownMenu(app));
        EXPECT_TRUE(findText(&app, "ORDERS FROM BERLIN"));
    });
    m_host.stopAt(4500);
    m_host.run();
    EXPECT_EQ(storedSlot(0), 2);
    EXPECT_EQ(storedSlot(1), 5);
}

TEST_F(GameTest, SettingsCycleTheLevelBackReturnsAndClosingThereKeepsTheCampaign)
{
    campaign(3, 7, 0);
    m_host.keys(700, "N");
    std::vector<std::string> seen;
    for (int32_t i = 0; i < 4; i++) {
        m_host.at(1000 + 300 * i, [&seen](App& app) { seen.push_back(menuItems(shownMenu(app))[3]); });
        m_host.key(1100 + 300 * i, 'L');
    }
    m_host.at(2300, [](App& app) {
        // The settings page stays open while the level cycles.
        EXPECT_EQ(menuItems(shownMenu(app))[0], "Allied Varnel");
        EXPECT_EQ(selectedItem(shownMenu(app)), "Level: Medium");
    });
    m_host.key(2400, 'B');
    m_host.at(2800, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"New Game", "Resume", "Sound: On", "Help", "About"}));
        EXPECT_EQ(app.m_level, 1);
        EXPECT_EQ(app.m_front, 7);
    });
    // The game closed with the settings open: the campaign and the level as cycled.
    m_host.keys(2900, "NL");
    m_host.stopAt(3800);
    m_host.run();
    EXPECT_EQ(seen, (Items{"Level: Easy", "Level: Medium", "Level: Hard", "Level: Easy"}));
    EXPECT_EQ(storedSlot(0), 3);
    EXPECT_EQ(storedSlot(1), 7);
    EXPECT_EQ(storedSlot(2), 2);
}

TEST_F(GameTest, TheSoundSwitchIsSavedAtOnceAndKeptAfterARestartAndEEnds)
{
    campaign(1, 5);
    m_host.key(700, 'S');
    m_host.at(1000, [this](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
        EXPECT_EQ(storedSlot(5), 1); // already on disk
    });
    m_host.key(1100, 'E'); // ends the game from the main menu
    m_host.run();
    EXPECT_LT(m_host.m_elapsed, 2000);
    EXPECT_EQ(m_host.count("music3"), 1); // the splash, before the switch

    GameHost second;
    second.at(700, [](App& app) {
        EXPECT_TRUE(app.m_mute);
        EXPECT_EQ(menuItems(shownMenu(app))[2], "Sound: Off");
    });
    second.keys(800, "R");
    second.stopAt(6000);
    second.run();
    EXPECT_TRUE(second.m_played.empty());
    EXPECT_EQ(storedSlot(5), 1);
    EXPECT_EQ(storedSlot(1), 5);
}

TEST_F(GameTest, HelpPagesDownAndUpStopsExactlyAtTheTop)
{
    campaign(1, 5);
    m_host.key(700, 'H');
    ref<Vtext> text;
    const int32_t page = (16 * (320 / 16 - 1)) << 15;
    // Where the text is, and whether the up (39) and down (33) buttons show.
    auto expectAt = [&](App& app, int32_t y, bool up, bool down) {
        EXPECT_EQ(text->m_y, y);
        EXPECT_EQ(withImage(&app, 39).size(), up ? 1u : 0u);
        EXPECT_EQ(withImage(&app, 33).size(), down ? 1u : 0u);
    };
    m_host.at(1000, [&](App& app) {
        EXPECT_FALSE(shownMenu(app));
        text = findText(&app, "HOW TO PLAY");
        ASSERT_TRUE(text);
        EXPECT_EQ(text->m_x >> 15, (480 - 240) / 2);
        EXPECT_GT(text->m_height, 320);
        expectAt(app, 0, false, true);
    });
    m_host.key(1100, 4);
    m_host.at(1400, [&](App& app) { expectAt(app, -page, true, true); });
    // A drag up by 40 pixels scrolls back 10; a page up then stops at the top,
    // and another one stays there.
    m_host.at(1500, [](App& app) { app.m_dragY = 40; });
    m_host.at(1700, [&](App& app) { expectAt(app, -page + (10 << 15), true, true); });
    m_host.key(1800, '2');
    m_host.at(2000, [&](App& app) { expectAt(app, 0, false, true); });
    m_host.key(2100, 3);
    m_host.at(2300, [&](App& app) { expectAt(app, 0, false, true); });
    // A drag never scrolls past either end.
    m_host.at(2400, [](App& app) { app.m_dragY = 100000; });
    m_host.at(2600, [&](App& app) { expectAt(app, 0, false, true); });
    m_host.at(2700, [](App& app) { app.m_dragY = -100000; });
    m_host.at(2900, [&](App& app) { expectAt(app, (320 - text->m_height) << 15, true, false); });
    // Touching the close button (34) closes the page.
    m_host.at(3000, [](App& app) {
        Vsprite* close = withImage(&app, 34)[0];
        app.m_mouseX = close->m_x0 + 10;
        app.m_mouseY = close->m_y0 + 10;
        app.keyDownSys(5);
        app.keyUpSys(5);
    });
    m_host.at(3300, [](App& app) {
        EXPECT_FALSE(findText(&app, "HOW TO PLAY"));
        EXPECT_TRUE(withImage(&app, 34).empty());
        EXPECT_EQ(selectedItem(shownMenu(app)), "Help");
    });
    m_host.stopAt(3400);
    m_host.run();
}
