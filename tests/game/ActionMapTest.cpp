#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "game/ActionMap.h"
#include "host/Keys.h"

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

// The help's list of keys names exactly the keys of the table, action by
// action, so that the two cannot drift apart.
TEST(ActionMap, TheHelpNamesTheKeysOfTheTable)
{
    std::ifstream in(std::string(KORVATH_SOURCE_DIR) + "/assets/help.txt");
    std::map<std::string, std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (const auto colon = line.find(": "); colon != std::string::npos)
            lines.emplace(line.substr(0, colon), line.substr(colon + 2));
    const std::pair<Action, const char*> labels[] = {
        {Action::Forward, "Drive forward"}, {Action::Reverse, "Brake and reverse"},
        {Action::TurnLeft, "Turn left"},     {Action::TurnRight, "Turn right"},
        {Action::GunUp, "Gun up"},           {Action::GunDown, "Gun down"},
        {Action::Fire, "Fire"},              {Action::Aim, "Aim mode on or off"},
        {Action::View, "Overhead view on or off"}, {Action::Buttons, "On-screen buttons shown or hidden"},
        {Action::Pause, "Pause"},            {Action::Menu, "Menu"},
    };
    ActionMap map;
    for (auto [action, label] : labels) {
        ASSERT_TRUE(lines.count(label)) << label;
        std::set<std::string> named;
        std::string rest = lines[label];
        for (std::size_t at = 0; at < rest.size();) {
            std::size_t end = std::min(rest.find(", ", at), rest.find(" or ", at));
            named.insert(rest.substr(at, end - at));
            at = end == std::string::npos ? end : rest.find(' ', end + 1) + 1;
        }
        std::set<std::string> keys;
        for (int32_t k : map.keysOf(action))
            if (k != Key::kMenu) // no keyboard has it
                keys.insert(Key::name(k));
        EXPECT_EQ(named, keys) << label;
    }
}
