#include "GameTest.h"

namespace {

std::vector<int32_t> keysOf(const ref<Vmenu>& m)
{
    std::vector<int32_t> out;
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        out.push_back(c->m_id);
    return out;
}

} // namespace

TEST_F(GameTest, TouchScreensGetButtonControlsAndTheStatusPanel)
{
    m_host.at(700, [](App& app) {
        EXPECT_TRUE(app.m_bigScreen);
        EXPECT_TRUE(app.m_controls);
        EXPECT_EQ(app.m_menuDrive->m_buttonSize, 72);
        EXPECT_EQ(keysOf(app.m_menuDrive), (std::vector<int32_t>{'0', '2', '3', '8', '9', '4', '6', '5'}));
        // Drive and aim differ only in the '9' button's picture.
        EXPECT_EQ(app.m_menuDrive->m_child->m_sibling->m_sibling->m_sibling->m_sibling->m_child->m_image, 32);
        EXPECT_EQ(app.m_menuAim->m_child->m_sibling->m_sibling->m_sibling->m_sibling->m_child->m_image, 34);
        std::vector<std::string> lines;
        for (Vsprite* c = app.m_hud->m_child.get(); c; c = c->m_sibling.get())
            lines.push_back(static_cast<Vtext*>(c)->m_text->c_str());
        EXPECT_EQ(lines, (std::vector<std::string>{"Enemy:\t", "Rounds:\t", "Fuel:\t", "Armor:\t"}));
        // The splash is gone from the library once the game is up.
        EXPECT_FALSE(app.m_lib->m_pictures[49]);

        // In battle: the whole button grid below the panel ...
        app.menuGameShow();
        EXPECT_TRUE(app.m_menuDrive->isLinked());
        EXPECT_TRUE(app.m_hud->isLinked());
        EXPECT_EQ(app.m_menuDrive->m_y >> 15, 320 - app.m_menuDrive->m_height);
        // ... or only the menu button, in the bottom left corner.
        app.menuOff();
        EXPECT_FALSE(app.m_controls);
        EXPECT_FALSE(app.m_hud->isLinked());
        EXPECT_EQ(app.m_menuDrive->m_width, 72);
        Vsprite* first = app.m_menuDrive->m_child.get();
        EXPECT_EQ(first->m_y, 0);
        EXPECT_EQ(app.m_menuDrive->m_y >> 15, 320 - 72 - (first->m_x >> 15));
        app.menuOff(); // already off: nothing changes
        EXPECT_FALSE(app.m_controls);
        app.m_menuDrive->off();
    });
    m_host.stopAt(800);
    m_host.run();
}

TEST_F(GameTest, SmallScreensGetTextControlsRestyledWhenTheyFit)
{
    // Too small for buttons but large enough for the large font: the text
    // items are put on button pictures, the direction items as pictures.
    m_host.at(700, [](App& app) {
        EXPECT_TRUE(app.m_bigScreen);
        EXPECT_FALSE(app.m_controls);
        ref<Vmenu> m = app.m_menuDrive;
        EXPECT_EQ(m->m_buttonSize, 0);
        EXPECT_EQ(keysOf(m), (std::vector<int32_t>{'0', '2', '4', '5', '6', '8', '3', '9'}));
        std::vector<int32_t> pictures;
        for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
            ASSERT_TRUE(row->m_child);
            Vsprite* bg = row->m_child.get();
            EXPECT_TRUE(bg->m_image == 7 || bg->m_image == 8);
            pictures.push_back(bg->m_sibling->m_image);
        }
        EXPECT_EQ(pictures, (std::vector<int32_t>{-1, 39, 35, -1, 37, 33, -1, -1}));
        app.menuGameShow();
        EXPECT_EQ(selectedItem(m), "Aim");
        EXPECT_EQ(m->m_x >> 15, app.m_width - m->m_width);
        m->off();
    });
    m_host.stopAt(800);
    m_host.run(200, 170);
}

TEST_F(GameTest, TinyScreensPlayTheShellWithTextMenus)
{
    for (auto [w, h] : {std::pair{160, 120}, std::pair{100, 300}, std::pair{40, 30}, std::pair{1, 1}}) {
        std::filesystem::remove(recordPath());
        GameHost host;
        host.at(700, [w = w](App& app) {
            EXPECT_FALSE(app.m_bigScreen) << w;
            EXPECT_EQ(Vtext::m_fontDefault, app.m_fontSmall) << w;
            ref<Vmenu> m = shownMenu(app);
            ASSERT_TRUE(m) << w;
            EXPECT_TRUE(dynamic_cast<Vtext*>(m->m_child.get())) << w; // not restyled
            EXPECT_EQ(menuItems(m)[0], "New Game");
        });
        // Every page once, then a new campaign and its map.
        host.keys(800, "H\x06");
        host.keys(1500, "A ");
        host.keys(2200, "NLB");
        host.keys(3200, "NA");
        host.at(4000, [w = w](App& app) {
            EXPECT_EQ(app.m_front, 5) << w;
            EXPECT_TRUE(app.m_mapSprite) << w;
        });
        host.key(4100, ' ');
        host.stopAt(4500);
        host.run(w, h);
        EXPECT_EQ(storedSlot(1), 5) << w;
        EXPECT_EQ(storedSlot(2), 1) << w;
    }
}
