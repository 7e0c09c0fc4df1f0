#include "GameTest.h"

using Items = std::vector<std::string>;

TEST_F(GameTest, FirstStartOpensTheMenuWithoutResumeUntilANewGameStartsACampaign)
{
    // No record: Allied, no campaign, easy, sound on. The menu is there at
    // once and the keys that resume do nothing without a campaign.
    m_host.at(700, [](App& app) {
        EXPECT_EQ(app.m_side, 1);
        EXPECT_EQ(app.m_front, 0);
        EXPECT_EQ(app.m_level, 0);
        EXPECT_FALSE(app.m_mute);
        EXPECT_EQ(app.prefRead(8), 20);
        EXPECT_EQ(app.prefRead(9), 20);
        EXPECT_EQ(app.prefRead(7), 40);
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
    // Back: the main menu again, still without a campaign.
    m_host.key(2600, 'B');
    m_host.at(3000, [](App& app) {
        EXPECT_EQ(menuItems(shownMenu(app)), (Items{"New Game", "Sound: On", "Help", "About"}));
        EXPECT_EQ(app.m_front, 0);
        EXPECT_TRUE(app.m_mapSprite);
    });
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
    EXPECT_EQ(storedSlot(8), 20);
    EXPECT_EQ(storedSlot(10), 0);
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

TEST_F(GameTest, TheAboutPageShowsTheCreditsCentredUntilAKey)
{
    campaign(1, 5);
    m_host.key(700, 'A');
    m_host.key(1100, '0'); // does not close a page; a blank does
    m_host.at(1500, [](App& app) {
        EXPECT_FALSE(shownMenu(app));
        ref<Vtext> title = findText(&app, "Korvath");
        ASSERT_TRUE(title);
        Vsprite* page = title->m_parent.get();
        EXPECT_EQ(page->m_x >> 15, (480 - page->m_width) >> 1);
        EXPECT_EQ(page->m_y >> 15, (320 - page->m_height) >> 1);
        for (const char* line : {"Version", "made with DejaVu Sans fonts", "licence"}) {
            ref<Vtext> t = findText(page, line);
            ASSERT_TRUE(t) << line;
            EXPECT_NEAR(t->m_x >> 15, (page->m_width - t->m_width) >> 1, 1) << line;
        }
    });
    m_host.key(1600, ' ');
    m_host.at(2000, [](App& app) {
        EXPECT_FALSE(findText(&app, "Korvath"));
        EXPECT_EQ(selectedItem(shownMenu(app)), "About");
    });
    m_host.stopAt(2100);
    m_host.run();
}

TEST_F(GameTest, HelpPagesDownAndUpStopsExactlyAtTheTop)
{
    campaign(1, 5);
    m_host.key(700, 'H');
    ref<Vtext> text;
    int32_t page = (16 * (320 / 16 - 1)) << 15;
    m_host.at(1000, [&](App& app) {
        EXPECT_FALSE(shownMenu(app));
        text = findText(&app, "HOW TO PLAY");
        ASSERT_TRUE(text);
        EXPECT_EQ(text->m_y, 0);
        EXPECT_EQ(text->m_x >> 15, (480 - 240) / 2);
        EXPECT_GT(text->m_height, 320);
        EXPECT_EQ(withImage(&app, 39).size(), 0u); // no up button at the top
        EXPECT_EQ(withImage(&app, 33).size(), 1u);
        EXPECT_EQ(withImage(&app, 34).size(), 1u);
    });
    m_host.key(1100, 4);
    m_host.at(1400, [&](App& app) {
        EXPECT_EQ(text->m_y, -page);
        EXPECT_EQ(withImage(&app, 39).size(), 1u);
    });
    // A drag up by 40 pixels scrolls back 10; a page up then stops at the top.
    m_host.at(1500, [](App& app) { app.m_dragY = 40; });
    m_host.at(1700, [&](App&) { EXPECT_EQ(text->m_y, -page + (10 << 15)); });
    m_host.key(1800, '2');
    m_host.at(2000, [&](App& app) {
        EXPECT_EQ(text->m_y, 0);
        EXPECT_EQ(withImage(&app, 39).size(), 0u);
    });
    m_host.key(2100, 3);
    m_host.at(2300, [&](App&) { EXPECT_EQ(text->m_y, 0); });
    // A drag never scrolls past either end.
    m_host.at(2400, [](App& app) { app.m_dragY = 100000; });
    m_host.at(2600, [&](App&) { EXPECT_EQ(text->m_y, 0); });
    m_host.at(2700, [](App& app) { app.m_dragY = -100000; });
    m_host.at(2900, [&](App& app) {
        EXPECT_EQ(text->m_y, (320 - text->m_height) << 15);
        EXPECT_EQ(withImage(&app, 33).size(), 0u);
    });
    // Touching the close button closes the page.
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
