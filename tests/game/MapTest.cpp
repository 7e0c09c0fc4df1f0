#include "GameTest.h"

namespace {

// What the map screen of one campaign shows, taken a second after the menu
// that opens at start-up was left.
struct MapView {
    int32_t mapX = -1, mapY = -1, dir = 0;
    int32_t siteImage = -1, nextImage = -1;
    int32_t alphaSum = 0;
    std::string briefing;
};

} // namespace

class MapTest : public GameTest {
protected:
    MapView look(int32_t side, int32_t front, int32_t siteC, int32_t siteR, int32_t nextC, int32_t nextR)
    {
        campaign(side, front);
        MapView v;
        GameHost host;
        host.key(700, 'R');
        host.at(1700, [&](App& app) {
            v.mapX = app.m_mapX;
            v.mapY = app.m_mapY;
            v.dir = Tank::m_dir;
            Vsprite* site = flagAt(app, siteC, siteR);
            Vsprite* next = flagAt(app, nextC, nextR);
            if (site && next) {
                v.siteImage = site->m_image;
                v.nextImage = next->m_image;
                v.alphaSum = site->m_alpha + next->m_alpha;
            }
            if (ref<Vtext> t = findText(&app, "ORDERS FROM "))
                v.briefing = t->m_text->c_str();
        });
        host.stopAt(1800);
        host.run();
        return v;
    }
};

TEST_F(MapTest, TheSiteTheNextSiteAndTheBriefingFollowSideAndFront)
{
    MapView allied = look(1, 5, 2, 6, 2, 7);
    EXPECT_EQ(allied.mapX, 2);
    EXPECT_EQ(allied.mapY, 6);
    EXPECT_EQ(allied.dir, 1);
    EXPECT_EQ(allied.siteImage, 29); // the enemy holds the site
    EXPECT_EQ(allied.nextImage, 31); // the allied flag of the west
    EXPECT_EQ(allied.alphaSum, 0x7FFF); // the two flags cross-fade
    EXPECT_EQ(allied.briefing, "ORDERS FROM ALLIED HQ... ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK... "
                               "DISABLE CONVOYS AND SCAVENGE SUPPLIES... 'NEVER SURRENDER!'");

    MapView german4 = look(2, 4, 9, 4, 8, 4);
    EXPECT_EQ(german4.mapX, 9);
    EXPECT_EQ(german4.mapY, 4);
    EXPECT_EQ(german4.dir, 1);
    EXPECT_EQ(german4.siteImage, 30);
    EXPECT_EQ(german4.nextImage, 29);
    EXPECT_EQ(german4.briefing,
              "ORDERS FROM BERLIN... ADVANCE EAST AND CLEAR ENEMY FROM FAR BANK...'VICTORY OR DEATH!'");

    MapView german3 = look(2, 3, 4, 4, 5, 4);
    EXPECT_EQ(german3.mapX, 4);
    EXPECT_EQ(german3.mapY, 4);
    EXPECT_EQ(german3.dir, 3);
    EXPECT_EQ(german3.siteImage, 31);
    EXPECT_NE(german3.briefing.find("ADVANCE WEST AND"), std::string::npos);

    MapView soviet = look(3, 5, 10, 4, 11, 3);
    EXPECT_EQ(soviet.mapX, 10);
    EXPECT_EQ(soviet.dir, 3);
    EXPECT_EQ(soviet.nextImage, 30);
    EXPECT_EQ(soviet.briefing, "ORDERS FROM COMRADE DRESKOV... ADVANCE WEST AND CLEAR ENEMY FROM FAR BANK... "
                               "DISABLE CONVOYS AND SCAVENGE SUPPLIES... 'NOT ONE STEP BACK!'");

    // Berlin as the Allied site carries the western flag.
    MapView berlin = look(1, 1, 6, 4, 5, 4);
    EXPECT_EQ(berlin.mapX, 6);
    EXPECT_EQ(berlin.siteImage, 29);
    EXPECT_EQ(berlin.nextImage, 31);
}

TEST_F(MapTest, TheBriefingEndsTheScreenOnceItHasScrolledPast)
{
    campaign(1, 5);
    m_host.key(700, 'R');
    ref<Vsprite> first;
    m_host.at(1000, [&](App& app) { first = app.m_mapSprite; });
    int32_t ended = -1;
    for (int32_t t = 1100; t < 40000; t += 100) {
        m_host.at(t, [&, t](App& app) {
            if (ended < 0 && app.m_mapSprite != first)
                ended = t;
        });
    }
    m_host.stopAt(40000);
    m_host.run();
    // Some 700 pixels of text and 480 of screen at 4 pixels a frame.
    EXPECT_GT(ended, 15000);
    EXPECT_LT(ended, 30000);
    // The map music starts with the map and repeats every 4 seconds.
    EXPECT_GE(m_host.count("music2"), ended / 4000 - 1);
}

TEST_F(MapTest, AKeyWaitingWhenTheMapAppearsIsIgnoredForASecond)
{
    campaign(1, 5);
    m_host.key(700, 'R');
    ref<Vsprite> a, b;
    m_host.at(1000, [&](App& app) { a = app.m_mapSprite; });
    // The second blank is still queued when the next map screen appears.
    m_host.key(1500, ' ');
    m_host.key(1510, ' ');
    m_host.at(1700, [&](App& app) {
        b = app.m_mapSprite;
        EXPECT_NE(b, a);
    });
    m_host.key(1900, ' ');
    m_host.at(2400, [&](App& app) { EXPECT_EQ(app.m_mapSprite, b); });
    m_host.key(2700, '5');
    m_host.at(3000, [&](App& app) {
        EXPECT_TRUE(app.m_mapSprite);
        EXPECT_NE(app.m_mapSprite, b);
    });
    m_host.stopAt(3100);
    m_host.run();
}

TEST_F(MapTest, WinningAtBerlinAsAlliedShowsTheVictoryAndClearsTheCampaign)
{
    campaign(1, 1);
    m_host.key(700, 'R');
    m_host.at(1200, [](App& app) {
        EXPECT_EQ(app.m_mapX, 6);
        // What a battle won at Berlin does to the front.
        app.m_front = 0;
        app.keyDownSys(' ');
        app.keyUpSys(' ');
    });
    m_host.at(1600, [](App& app) { EXPECT_FALSE(findText(&app, "ORDERS")); }); // nowhere left to go
    m_host.key(1700, 10);
    // The victory over the game-over picture stays for '0' and goes on a blank.
    m_host.key(2600, '0');
    m_host.at(3000, [](App& app) {
        EXPECT_FALSE(app.m_mapSprite);
        EXPECT_EQ(withImage(&app, 42).size(), 1u);
        EXPECT_EQ(withImage(&app, 43).size(), 1u);
    });
    m_host.key(3100, ' ');
    m_host.at(3500, [](App& app) {
        EXPECT_TRUE(withImage(&app, 42).empty());
        EXPECT_EQ(menuItems(shownMenu(app)), (std::vector<std::string>{"New Game", "Sound: On", "Help", "About"}));
    });
    m_host.stopAt(3600);
    m_host.run();
    EXPECT_EQ(storedSlot(1), 0);
    EXPECT_EQ(m_host.count("music3"), 2); // the splash and the end
}

TEST_F(MapTest, ZeroOpensTheMenuAndNarrowScreensSlideTheMapToTheSite)
{
    campaign(2, 4);
    m_host.key(700, 'R');
    m_host.at(1200, [](App& app) {
        EXPECT_EQ(app.m_mapSprite->m_x >> 15, 120 - 9 * 20);
        EXPECT_EQ(app.m_mapSprite->m_y >> 15, 40);
        app.setWidthHeight(480, 320);
    });
    m_host.at(1300, [](App& app) {
        EXPECT_EQ(app.m_mapSprite->m_x >> 15, 80);
        // The briefing starts again from the right edge.
        EXPECT_GT(findText(&app, "ORDERS")->m_x >> 15, 480 - 3 * 4);
    });
    // While the screen rotates the game waits.
    int32_t x = 0;
    m_host.at(1400, [&](App& app) {
        app.m_rotating = true;
        x = findText(&app, "ORDERS")->m_x;
    });
    m_host.at(2000, [&](App& app) {
        EXPECT_EQ(findText(&app, "ORDERS")->m_x, x);
        app.m_rotating = false;
    });
    m_host.at(2300, [&](App& app) { EXPECT_LT(findText(&app, "ORDERS")->m_x, x); });
    // A menu open during a resize is centred again.
    m_host.key(2400, '0');
    m_host.at(2600, [](App& app) { app.setWidthHeight(320, 480); });
    m_host.at(2900, [](App& app) {
        ref<Vmenu> m = shownMenu(app);
        ASSERT_TRUE(m);
        EXPECT_EQ(selectedItem(m), "Resume");
        EXPECT_EQ(m->m_x >> 15, (320 - m->m_width) >> 1);
        EXPECT_EQ(m->m_y >> 15, (480 - m->m_height) >> 1);
        EXPECT_EQ(app.m_mapSprite->m_x >> 15, 0);
        EXPECT_EQ(app.m_mapSprite->m_y >> 15, 120);
    });
    m_host.stopAt(3000);
    m_host.run(240, 320);
}
