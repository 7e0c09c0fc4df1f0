#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "game/ActionMap.h"
#include "host/Keys.h"

namespace {

// Every battle action has a key, its first standing for it in battle, and
// its on-screen button round trips. One key serves the battle and the menus
// alike: Enter fires and goes on in a page, Up drives and pages up, a held W
// drives as the arrow does. Gamepads move through menus, and turning the gun
// around swaps laying it, and driving only in aim mode (where forward and
// back lay the gun).
TEST(ActionMap, EachKeyServesTheBattleTheMenusAndTheGamepad)
{
    const ActionMap map;
    for (int32_t i = static_cast<int32_t>(Action::Forward); i <= static_cast<int32_t>(Action::Menu); i++) {
        const Action a = static_cast<Action>(i);
        const std::vector<int32_t> keys = map.keysOf(a);
        ASSERT_FALSE(keys.empty()) << i;
        EXPECT_EQ(map.battleAction(keys.front()), a) << i;
        if (const int32_t b = ActionMap::button(a)) {
            EXPECT_EQ(ActionMap::ofButton(b), a) << i;
        }
    }
    EXPECT_EQ(ActionMap::ofButton(Key::kEnter), Action::None);
    EXPECT_EQ(map.battleAction(Key::kEnter), Action::Fire);
    EXPECT_TRUE(map.is(Key::kEnter, Action::Confirm));
    EXPECT_EQ(map.battleAction(Key::kUp), Action::Forward);
    EXPECT_TRUE(map.is(Key::kUp, Action::PageUp));
    EXPECT_FALSE(map.is(Key::kNone, Action::None));
    Input in;
    in.keyDownSys('W');
    EXPECT_TRUE(map.held(in, Action::Forward));
    EXPECT_FALSE(map.held(in, Action::Reverse));
    in.keyUpSys('W');
    EXPECT_FALSE(map.held(in, Action::Forward));
    for (auto [pad, key] : {std::pair{Key::kPadDown, Key::kDown}, {Key::kPadA, Key::kEnter},
                            {Key::kPadStart, Key::kEscape}, {int32_t{'N'}, int32_t{'N'}}})
        EXPECT_EQ(ActionMap::menuKey(pad), key) << pad;
    EXPECT_EQ(ActionMap::invertGun(Action::GunUp, false), Action::GunDown);
    EXPECT_EQ(ActionMap::invertGun(Action::Forward, false), Action::Forward);
    EXPECT_EQ(ActionMap::invertGun(Action::Forward, true), Action::Reverse);
    EXPECT_EQ(ActionMap::invertGun(Action::TurnLeft, true), Action::TurnLeft);
}

TEST(ActionMap, RebindingKeepsKeysAndButtonsApartAndShowsConflicts)
{
    ActionMap map;
    // The defaults share no key between two of the player's actions.
    for (Action a : ActionMap::rebindable()) {
        EXPECT_FALSE(map.conflicted(a)) << ActionMap::name(a);
        EXPECT_STRNE(ActionMap::name(a), "") << static_cast<int32_t>(a);
    }

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

} // namespace

// The help names the keys through the table: each action's line shows its
// keys as the player has them, and a key taken by another action's player
// key is no longer listed for its old one.
TEST(ActionMap, TheHelpNamesTheKeysAsTheyAreMapped)
{
    std::ifstream in(std::string(KORVATH_SOURCE_DIR) + "/assets/help.txt");
    const std::string help{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ActionMap map;
    const std::string shown = map.withKeys(help);
    EXPECT_EQ(shown.find('{'), std::string::npos) << "a name in braces that is no action";
    const std::pair<const char*, const char*> lines[] = {
        {"Drive forward: ", "Up, W or 2"},     {"Brake and reverse: ", "Down, S or 8"},
        {"Turn left: ", "Left, A or 4"},       {"Turn right: ", "Right, D or 6"},
        {"Gun up: ", "1"},                     {"Gun down: ", "7"},
        {"Fire: ", "Space, Enter or 5"},       {"Aim mode on or off: ", "Tab or 9"},
        {"Overhead view on or off: ", "V or 3"}, {"On-screen buttons shown or hidden: ", "B or *"},
        {"Pause: ", "P"},                      {"Menu: ", "Escape or 0"},
    };
    for (auto [label, keys] : lines)
        EXPECT_NE(shown.find(std::string("\n") + label + keys + "\n"), std::string::npos) << label << keys;

    ASSERT_TRUE(map.bind(Action::Fire, 'F'));
    EXPECT_EQ(map.keysText(Action::Fire), "F, Enter or 5");
    EXPECT_NE(map.withKeys(help).find("\nFire: F, Enter or 5\n"), std::string::npos);
    // W now fires: the help no longer says it drives.
    ASSERT_TRUE(map.bind(Action::Fire, 'W'));
    EXPECT_EQ(map.keysText(Action::Forward), "Up or 2");
    EXPECT_EQ(map.keysText(Action::Fire), "W, Enter or 5");
    EXPECT_EQ(map.withKeys("{Fire} {Nothing} {"), "W, Enter or 5 {Nothing} {");
}
