#pragma once
#include <cstdint>
#include <span>
#include <string>
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
    // Any screen: the frame shown saved as a picture.
    Screenshot,
    Count
};

// The one table from keys to actions. A key may stand for several actions
// (Enter fires in battle and chooses in a menu: the screen asks for the ones it
// knows), and an action has several keys: the desktop's, the phone keypad's
// digit, the gamepad's.
//
// The player's actions (the battle's and the screenshot) each have one key
// and one gamepad button of the player's choice, which the options rebind;
// their other keys (W, A, S, D, the keypad's digits) stay. Where the player's
// key of one action is also a key of another, the player's choice wins, and
// conflict() tells the controls page to show it.
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
    // The keys of action a, in the table's order: the player's key and
    // button first.
    std::vector<int32_t> keysOf(Action a) const;
    // The keyboard's keys of action a as the player reads them, "Up, W or
    // 2": the player's key first; a key that another action's player key
    // has taken is left out (in battle it does the other thing).
    std::string keysText(Action a) const;
    // text with each {Name} of an action (its enum name: {Fire},
    // {TurnLeft} ...) replaced by keysText; other braces stay.
    std::string withKeys(const std::string& text) const;
    // The on-screen button of a battle action ('2' Go, '5' Fire, ...; the
    // phone keypad digit it is keyed by), or 0 for an action without one.
    static int32_t button(Action a);
    // The action of an on-screen button, or Action::None.
    static Action ofButton(int32_t button);
    // a with the gun's up and down swapped: the gun keys, and while aiming
    // forward and back, which lay the gun then.
    static Action invertGun(Action a, bool aiming);
    // Whether a is one of the four that drive and turn.
    static bool steers(Action a) { return a >= Action::Forward && a <= Action::TurnRight; }

    // ---- the player's keys ----

    // The actions the player binds, in the order the controls page lists them.
    static std::span<const Action> rebindable();
    static bool isRebindable(Action a);
    // The English name of an action: "Forward", "Turn left", ...
    static const char* name(Action a);
    // The names a player reads, in the chosen language: of an action, of a key.
    static std::string shownName(Action a);
    static std::string keyName(int32_t k);
    // The player's key and gamepad button of a (Key::kNone: none).
    int32_t key(Action a) const;
    int32_t pad(Action a) const;
    // Gives a the key k: a gamepad code becomes its button, any other its
    // key; Key::kNone clears the key. False, changing nothing, when a is not
    // rebindable or k cannot be bound (the mouse's click, a code no key has).
    bool bind(Action a, int32_t k);
    // Clears a's gamepad button.
    void unbindPad(Action a);
    // Whether k can be one of the player's keys (kind: pad or not).
    static bool bindable(int32_t k);
    // Another of the player's actions that key k also stands for, or
    // Action::None.
    Action conflict(Action a, int32_t k) const;
    // Whether a's key or button is also another action's.
    bool conflicted(Action a) const;
    // The keys and buttons of the default table again.
    void reset();
    // A gamepad button as the menus read it: the d-pad and stick move, A
    // chooses, B, Y and Start go back; any other key unchanged.
    static int32_t menuKey(int32_t k);

    // Which of an action's keys a binding is: the player's key, the player's
    // gamepad button, or one of the fixed others.
    enum class Slot : int8_t { Extra, Key, Pad };
    struct Binding {
        Action action = Action::None;
        int32_t key = Key::kNone;
        Slot slot = Slot::Extra;
    };

private:
    Binding* find(Action a, Slot slot);
    const Binding* find(Action a, Slot slot) const;

    std::vector<Binding> m_bindings;
};
