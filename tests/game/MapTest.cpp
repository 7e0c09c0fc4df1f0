#include "GameTest.h"

using MapTest = GameTest;

// The map screen of each campaign, a second after the menu that opens at
// start-up was left: the site (where the map says the tank is), the next
// site, their flags, the direction and the orders. On a large screen the map
// screen grows by whole pixels: 1920 x 1080 shows a stage of 480 x 270 at
// scale 4, the map high enough for the orders below it; 320 x 240 keeps the
// orders on the screen, over the map.
TEST_F(MapTest, TheSiteTheBriefingAndTheScaleFollowSideFrontAndScreen)
{
    const std::string convoys = " DISABLE CONVOYS AND SCAVENGE SUPPLIES... ";
    struct Case {
        int32_t side, front, siteC, siteR, nextC, nextR, dir, siteFlag, nextFlag;
        std::string briefing;
        int32_t w = 480, h = 320, scale = 1, mapX = 80, mapY = 40, ordersY = 286;
    } cases[] = {
        {1, 5, 2, 6, 2, 7, 1, 29, 31, "ALLIED HQ... ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK..." + convoys + "'NEVER SURRENDER!'", 1920, 1080, 4, 80, 6, 252},
        // The Germans, who hold Berlin, first fight in the west.
        {2, 5, 2, 6, 3, 5, 3, 31, 29, "BERLIN... ADVANCE WEST AND CLEAR ENEMY FROM FAR BANK..." + convoys + "'VICTORY OR DEATH!'", 800, 600, 2, 40, 30, 276},
        {2, 4, 9, 4, 8, 4, 1, 30, 29, "BERLIN... ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK...'VICTORY OR DEATH!'", 320, 240, 1, 0, 0, 240 - 18},
        {2, 3, 4, 4, 5, 4, 3, 31, 29, "BERLIN... ADVANCE WEST AND CLEAR ENEMY FROM FAR BANK...'VICTORY OR DEATH!'"},
        {3, 5, 10, 4, 11, 3, 3, 29, 30, "COMRADE DRESKOV... ADVANCE WEST AND CLEAR ENEMY FROM FAR BANK..." + convoys + "'NOT ONE STEP BACK!'"},
        // Berlin as the Allied site carries the western flag.
        {1, 1, 6, 4, 5, 4, 1, 29, 31, "ALLIED HQ... ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK...'NEVER SURRENDER!'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " front " << c.front << ", " << c.w << "x" << c.h);
        campaign(c.side, c.front);
        GameHost host;
        host.key(2200, 'R');
        host.at(3200, [&](App& app) {
            EXPECT_EQ(app.m_campaign->m_mapX, c.siteC);
            EXPECT_EQ(app.m_campaign->m_mapY, c.siteR);
            EXPECT_EQ(app.m_campaign->m_dir, c.dir);
            Vsprite* site = flagAt(app, c.siteC, c.siteR);
            Vsprite* next = flagAt(app, c.nextC, c.nextR);
            ASSERT_TRUE(site && next);
            EXPECT_EQ(site->m_image, c.siteFlag);
            EXPECT_EQ(next->m_image, c.nextFlag);
            if (c.front == 5 && c.side == 1) {
                EXPECT_EQ(site->m_alpha + next->m_alpha, 0x7FFF); // the two flags cross-fade
            }
            // A steady frame round the next flag, and only round it.
            auto* screen = dynamic_cast<MapScreen*>(app.top());
            ASSERT_TRUE(screen && screen->nextMark());
            Vsprite& mark = *screen->nextMark();
            EXPECT_LT(mark.getX(), next->getX());
            EXPECT_LT(mark.getY(), next->getY());
            EXPECT_GT((mark.getX() >> 15) + mark.getWidth(), (next->getX() >> 15) + next->getWidth());
            EXPECT_EQ(mark.m_alpha, 0x8000); // steady: it does not blink with the flag
            ref<Vtext> orders = findText(&app, "ORDERS FROM ");
            ASSERT_TRUE(orders);
            EXPECT_EQ(orders->m_text->c_str(), "ORDERS FROM " + c.briefing);
            EXPECT_EQ(app.m_stage->m_scale, c.scale);
            EXPECT_EQ(app.m_stage->m_sprite->m_x, 0);
            EXPECT_EQ(mapSprite(app)->m_x >> 15, c.mapX);
            EXPECT_EQ(mapSprite(app)->m_y >> 15, c.mapY);
            EXPECT_EQ(orders->m_y >> 15, c.ordersY);
            EXPECT_LE(orders->m_y1, c.h);
            // Screen pixels: the map's grid spans 320 x 240 stage pixels.
            Vsprite* picture = withImage(mapSprite(app).get(), 41)[0];
            EXPECT_EQ(picture->m_x1 - picture->m_x0, 336 * c.scale);
        });
        host.runUntil(3300, c.w, c.h);
    }
}

// The map waits for a player, the orders running in again, its music
// repeating every 4 seconds. (The demo goes on once they have scrolled past:
// BattleTest's demo.)
TEST_F(MapTest, TheMapWaitsForAPlayer)
{
    campaign(1, 5);
    m_host.key(2200, 'R');
    ref<Vsprite> first;
    m_host.at(2500, [&](App& app) { first = mapSprite(app); });
    m_host.at(41400, [&](App& app) { EXPECT_EQ(mapSprite(app), first); });
    m_host.runUntil(41500);
    EXPECT_GE(m_host.count("music2"), 40000 / 4000 - 2);
}

// The map after a battle: a key pressed during the battle's fade is dropped
// by the result page (which shows from about 7.3 s); a key pressed just as
// the page gives way to the map is still queued when it appears, and is
// ignored; one a second later goes on.
TEST_F(MapTest, AKeyWaitingWhenTheMapAppearsIsIgnoredForASecond)
{
    campaign(1, 5);
    m_host.key(2200, 'R');
    m_host.key(3000, ' ');
    m_host.at(3200, [&](App& app) {
        EXPECT_FALSE(mapSprite(app)); // in battle
        app.m_campaign->m_enemyCount = 0;        // and won
    });
    m_host.key(6000, ' ');
    m_host.key(8600, ' ');
    m_host.key(8600, ' '); // still queued when the map appears
    std::map<int32_t, Vsprite*> shown;
    for (int32_t t = 5500; t < 11500; t += 50)
        m_host.at(t, [&shown, t](App& app) { shown[t] = mapSprite(app).get(); });
    m_host.key(10500, ' ');
    m_host.runUntil(11500);
    int32_t appeared = -1;
    for (auto [t, map] : shown)
        if (map && appeared < 0)
            appeared = t;
    ASSERT_GT(appeared, 8600);
    ASSERT_LT(appeared, 9000);
    EXPECT_EQ(shown[appeared + 900], shown[appeared]);
    EXPECT_FALSE(shown[11000]); // the next battle
}

// The battle at Berlin won as Allied ends the campaign: the map has nowhere
// left to go, so the campaign's end page follows the battle at once and
// shows the victory.
TEST_F(MapTest, WinningAtBerlinAsAlliedShowsTheVictoryAndClearsTheCampaign)
{
    campaign(1, 1);
    m_host.key(2200, 'R');
    m_host.at(2700, [](App& app) { EXPECT_EQ(app.m_campaign->m_mapX, 6); });
    m_host.key(2800, ' ');
    m_host.at(3100, [](App& app) { app.m_campaign->m_enemyCount = 0; });
    m_host.key(8300, 10); // on from the result page (shown from about 7.2 s)
    m_host.at(8800, [](App& app) {
        EXPECT_EQ(app.m_campaign->m_front, 0);
        EXPECT_FALSE(mapSprite(app));
        EXPECT_FALSE(findText(&app, "ORDERS")); // nowhere left to go
        EXPECT_EQ(withImage(&app, 43).size(), 1u);
    });
    // The victory over the end picture stays for '0' and goes on a blank.
    m_host.key(9900, '0');
    m_host.at(10300, [](App& app) {
        EXPECT_FALSE(mapSprite(app));
        EXPECT_EQ(withImage(&app, 42).size(), 1u);
        EXPECT_EQ(withImage(&app, 43).size(), 1u);
    });
    m_host.key(10400, ' ');
    m_host.at(10800, [](App& app) {
        EXPECT_TRUE(withImage(&app, 42).empty());
        EXPECT_EQ(menuItems(shownMenu(app))[1], "Sound: On"); // no campaign to resume
    });
    m_host.runUntil(10900);
    EXPECT_EQ(storedSlot(1), 0);
    EXPECT_EQ(m_host.count("music3"), 3); // the splash, the battle won and the end
}

TEST_F(MapTest, ZeroOpensTheMenuNarrowScreensSlideTheMapAndAResizeKeepsTheOrdersRunning)
{
    campaign(2, 4);
    m_host.key(2200, 'R');
    int32_t x = 0;
    m_host.at(2700, [&](App& app) {
        EXPECT_EQ(mapSprite(app)->m_x >> 15, 120 - 9 * 20);
        EXPECT_EQ(mapSprite(app)->m_y >> 15, 40);
        x = findText(&app, "ORDERS")->m_x;
        app.setWidthHeight(480, 320);
    });
    m_host.at(2800, [&](App& app) {
        EXPECT_EQ(mapSprite(app)->m_x >> 15, 80);
        // The orders go on from where they were, one step a frame.
        EXPECT_LT(findText(&app, "ORDERS")->m_x, x);
        EXPECT_GT(findText(&app, "ORDERS")->m_x, x - (3 * 4 << 15));
    });
    // While the screen rotates the game waits.
    m_host.at(2900, [&](App& app) {
        app.setRotating(true);
        x = findText(&app, "ORDERS")->m_x;
    });
    m_host.at(3500, [&](App& app) {
        EXPECT_EQ(findText(&app, "ORDERS")->m_x, x);
        app.setRotating(false);
    });
    m_host.at(3800, [&](App& app) { EXPECT_LT(findText(&app, "ORDERS")->m_x, x); });
    // A menu open during a resize is centred again.
    m_host.key(3900, '0');
    m_host.at(4100, [](App& app) { app.setWidthHeight(320, 480); });
    m_host.at(4400, [](App& app) {
        ref<Vmenu> m = shownMenu(app);
        ASSERT_TRUE(m);
        EXPECT_EQ(selectedItem(m), "Resume");
        EXPECT_EQ(m->m_x >> 15, (320 - m->m_width) >> 1);
        EXPECT_EQ(m->m_y >> 15, (480 - m->m_height) >> 1);
        EXPECT_EQ(mapSprite(app)->m_x >> 15, 0);
        EXPECT_EQ(mapSprite(app)->m_y >> 15, 120);
    });
    m_host.runUntil(4500, 240, 320);
}
