#include <gtest/gtest.h>

#include "game/ActionMap.h"

namespace {

TEST(ActionMap, EveryBattleActionHasAKeyAndTheButtonsRoundTrip)
{
    const ActionMap map;
    for (int32_t i = static_cast<int32_t>(Action::Forward); i <= static_cast<int32_t>(Action::Menu); i++) {
        const Action a = static_cast<Action>(i);
        const std::vector<int32_t> keys = map.keysOf(a);
        ASSERT_FALSE(keys.empty()) << i;
        // The first key of an action stands for it in battle.
        EXPECT_EQ(map.battleAction(keys.front()), a) << i;
        if (const int32_t b = ActionMap::button(a)) {
            EXPECT_EQ(ActionMap::ofButton(b), a) << i;
        }
    }
    EXPECT_EQ(ActionMap::ofButton(Key::kEnter), Action::None);
}

TEST(ActionMap, OneKeyServesTheBattleAndTheMenusAlike)
{
    const ActionMap map;
    // Enter fires in battle and goes on in a page; Up drives and pages up.
    EXPECT_EQ(map.battleAction(Key::kEnter), Action::Fire);
    EXPECT_TRUE(map.is(Key::kEnter, Action::Confirm));
    EXPECT_EQ(map.battleAction(Key::kUp), Action::Forward);
    EXPECT_TRUE(map.is(Key::kUp, Action::PageUp));
    EXPECT_FALSE(map.is(Key::kNone, Action::None));
    // A held key holds its action: W drives as the arrow does.
    Input in;
    in.keyDownSys('W');
    EXPECT_TRUE(map.held(in, Action::Forward));
    EXPECT_FALSE(map.held(in, Action::Reverse));
    in.keyUpSys('W');
    EXPECT_FALSE(map.held(in, Action::Forward));
}

} // namespace
