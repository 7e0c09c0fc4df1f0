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

TEST(ActionMap, RebindingKeepsKeysAndButtonsApartAndShowsConflicts)
{
    ActionMap map;
    // The defaults share no key between two of the player's actions.
    for (Action a : ActionMap::rebindable()) {
        EXPECT_FALSE(map.conflicted(a)) << ActionMap::name(a);
        EXPECT_STRNE(ActionMap::name(a), "") << static_cast<int32_t>(a);
    }
    EXPECT_EQ(map.key(Action::Screenshot), Key::kF12);
    EXPECT_EQ(map.pad(Action::Fire), Key::kPadA);

    // A gamepad button goes to the button, a key to the key; the other keys stay.
    EXPECT_TRUE(map.bind(Action::Fire, Key::kPadRightTrigger));
    EXPECT_TRUE(map.bind(Action::Forward, 'I'));
    EXPECT_EQ(map.key(Action::Fire), Key::kSpace);
    EXPECT_EQ(map.pad(Action::Fire), Key::kPadRightTrigger);
    EXPECT_EQ(map.battleAction(Key::kPadA), Action::None);
    EXPECT_TRUE(map.is(Key::kPadA, Action::Confirm)); // the menus keep their A
    EXPECT_EQ(map.battleAction('I'), Action::Forward);
    EXPECT_EQ(map.battleAction(Key::kUp), Action::None);
    EXPECT_EQ(map.battleAction('W'), Action::Forward);

    // W for Fire: W is Forward's too. The player's choice wins, and the
    // conflict is there to be shown.
    EXPECT_TRUE(map.bind(Action::Fire, 'W'));
    EXPECT_EQ(map.conflict(Action::Fire, 'W'), Action::Forward);
    EXPECT_TRUE(map.conflicted(Action::Fire));
    EXPECT_EQ(map.battleAction('W'), Action::Fire);
    // Two of the player's keys alike conflict both ways.
    EXPECT_TRUE(map.bind(Action::Aim, 'I'));
    EXPECT_EQ(map.conflict(Action::Aim, 'I'), Action::Forward);
    EXPECT_EQ(map.conflict(Action::Forward, 'I'), Action::Aim);

    // What cannot be bound changes nothing.
    EXPECT_FALSE(map.bind(Action::Confirm, 'Q'));
    EXPECT_FALSE(map.bind(Action::Fire, Key::kTouch));
    EXPECT_FALSE(map.bind(Action::Fire, 127));
    EXPECT_EQ(map.key(Action::Fire), 'W');

    map.reset();
    EXPECT_EQ(map.key(Action::Forward), Key::kUp);
    EXPECT_EQ(map.pad(Action::Fire), Key::kPadA);
    EXPECT_EQ(map.battleAction('W'), Action::Forward);
}

TEST(ActionMap, GamepadsMoveThroughMenusAndTheGunCanBeTurnedAround)
{
    EXPECT_EQ(ActionMap::menuKey(Key::kPadDown), Key::kDown);
    EXPECT_EQ(ActionMap::menuKey(Key::kPadA), Key::kEnter);
    EXPECT_EQ(ActionMap::menuKey(Key::kPadStart), Key::kEscape);
    EXPECT_EQ(ActionMap::menuKey('N'), 'N');
    // Laying the gun swaps; driving does not, unless forward and back lay
    // the gun (aim mode).
    EXPECT_EQ(ActionMap::invertGun(Action::GunUp, false), Action::GunDown);
    EXPECT_EQ(ActionMap::invertGun(Action::Forward, false), Action::Forward);
    EXPECT_EQ(ActionMap::invertGun(Action::Forward, true), Action::Reverse);
    EXPECT_EQ(ActionMap::invertGun(Action::TurnLeft, true), Action::TurnLeft);
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
            // The phone's menu key is on no keyboard; the gamepad has its own lines.
            if (k != Key::kMenu && k != Key::kNone && std::string(Key::name(k)).rfind("Pad ", 0) != 0)
                keys.insert(Key::name(k));
        EXPECT_EQ(named, keys) << label;
    }
}
