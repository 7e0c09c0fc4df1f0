#include "GameTest.h"

TEST_F(GameTest, TouchScreensGetButtonControlsAndTheStatusPanel)
{
    m_host.at(2200, [](App& app) {
        Hud& hud = *app.m_battle->m_hud;
        Vmenu& buttons = *hud.m_menuDrive;
        EXPECT_TRUE(app.m_bigScreen);
        // The buttons start hidden on the desktop; B shows them.
        EXPECT_FALSE(hud.m_controls);
        EXPECT_EQ(buttons.m_buttonSize, 72);
        EXPECT_FALSE(app.m_lib->m_pictures[49]); // the splash is let go once the game is up
        // In battle: the whole button grid below the panel, inside the margin of 13 pixels ...
        hud.m_controls = true;
        hud.menuGameShow();
        EXPECT_TRUE(buttons.isLinked() && hud.m_panel->isLinked());
        EXPECT_EQ(buttons.m_y >> 15, 320 - 13 - buttons.m_height);
        // ... or only the menu button, in the bottom left corner; the panel
        // stays for the keyboard's driver. Twice: the second changes nothing.
        for (int32_t i = 0; i < 2; i++) {
            hud.menuOff();
            EXPECT_FALSE(hud.m_controls);
            EXPECT_TRUE(hud.m_panel->isLinked());
            EXPECT_EQ(buttons.m_width, 72);
            EXPECT_EQ(buttons.m_child->m_y, 0);
            EXPECT_EQ(buttons.m_y >> 15, 320 - 72 - 13);
        }
        buttons.off();
    });
    m_host.runUntil(2300);
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
