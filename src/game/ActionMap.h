#pragma once
#include <cstdint>
#include <vector>

#include "host/Input.h"

// What the player can do, by name. Keys mean actions only through the table
// of ActionMap.
enum class Action : int32_t {
    None,
    // Battle: held to drive and turn (in aim mode: lay the gun and turn the
    // turret); the gun keys lay the gun while driving.
    Forward,
    Reverse,
    TurnLeft,
    TurnRight,
    GunUp,
    GunDown,
    Fire,
    Aim,     // aim mode on or off
    View,    // overhead view on or off
    Buttons, // the on-screen buttons shown or hidden
    Pause,   // the battle stops or goes on
    Menu,    // the menu; in a menu, back
    // Pages and menus.
    Confirm, // choose, go on, close a page
    PageUp,
    PageDown,
    Home,
    End,
    Count
};

// The one table from keys to actions. A key may stand for several actions
// (Enter fires in battle and chooses in a menu: the screen asks for the ones it
// knows), and an action has several keys: the desktop's, the phone keypad's
// digit, the gamepad's. Later options rebind the battle's keys here.
class ActionMap {
public:
    ActionMap();

    // Whether key k stands for action a.
    bool is(int32_t k, Action a) const;
    // The first of the battle's actions (Forward .. Menu) that key k stands
    // for, or Action::None.
    Action battleAction(int32_t k) const;
    // Whether any key of action a is held.
    bool held(const Input& in, Action a) const;
    // The keys of action a, in the table's order.
    std::vector<int32_t> keysOf(Action a) const;
    // The on-screen button of a battle action ('2' Go, '5' Fire, ...; the
    // phone keypad digit it is keyed by), or 0 for an action without one.
    static int32_t button(Action a);
    // The action of an on-screen button, or Action::None.
    static Action ofButton(int32_t button);
    // Whether a is one of the four that drive and turn.
    static bool steers(Action a) { return a >= Action::Forward && a <= Action::TurnRight; }

    struct Binding {
        Action action = Action::None;
        int32_t key = Key::kNone;
    };

private:
    std::vector<Binding> m_bindings;
};
