#include "game/ActionMap.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "runtime/Catalog.h"

namespace {

using A = Action;
using S = ActionMap::Slot;

// The keys of each action: the player's key and gamepad button first (the
// desktop's key), then the fixed others (the letters' and the phone keypad's).
constexpr ActionMap::Binding kDefaults[] = {
    {A::Forward, Key::kUp, S::Key},            {A::Forward, Key::kPadUp, S::Pad},
    {A::Forward, Key::letter('W')},            {A::Forward, Key::digit(2)},
    {A::Reverse, Key::kDown, S::Key},          {A::Reverse, Key::kPadDown, S::Pad},
    {A::Reverse, Key::letter('S')},            {A::Reverse, Key::digit(8)},
    {A::TurnLeft, Key::kLeft, S::Key},         {A::TurnLeft, Key::kPadLeft, S::Pad},
    {A::TurnLeft, Key::letter('A')},           {A::TurnLeft, Key::digit(4)},
    {A::TurnRight, Key::kRight, S::Key},       {A::TurnRight, Key::kPadRight, S::Pad},
    {A::TurnRight, Key::letter('D')},          {A::TurnRight, Key::digit(6)},
    {A::GunUp, Key::digit(1), S::Key},         {A::GunUp, Key::kPadLeftShoulder, S::Pad},
    {A::GunDown, Key::digit(7), S::Key},       {A::GunDown, Key::kPadRightShoulder, S::Pad},
    {A::Fire, Key::kSpace, S::Key},            {A::Fire, Key::kPadA, S::Pad},
    {A::Fire, Key::kEnter},                    {A::Fire, Key::digit(5)},
    {A::Aim, Key::kTab, S::Key},               {A::Aim, Key::kPadX, S::Pad},
    {A::Aim, Key::digit(9)},
    {A::View, Key::letter('V'), S::Key},       {A::View, Key::kPadB, S::Pad},
    {A::View, Key::digit(3)},
    {A::Buttons, Key::letter('B'), S::Key},    {A::Buttons, Key::kNone, S::Pad},
    {A::Pause, Key::letter('P'), S::Key},      {A::Pause, Key::kPadBack, S::Pad},
    {A::Buttons, Key::kStar},
    {A::Menu, Key::kEscape, S::Key},           {A::Menu, Key::kPadStart, S::Pad},
    {A::Menu, Key::kMenu},                     {A::Menu, Key::digit(0)},
    {A::Menu, Key::kPadY},
    {A::Screenshot, Key::kF12, S::Key},        {A::Screenshot, Key::kNone, S::Pad},
    {A::Confirm, Key::kEnter},                 {A::Confirm, Key::kSpace},
    {A::Confirm, Key::kTouch},                 {A::Confirm, Key::digit(5)},
    {A::Confirm, Key::kPadA},
    {A::PageUp, Key::kPageUp},                 {A::PageUp, Key::kUp},
    {A::PageUp, Key::digit(2)},                {A::PageUp, Key::kPadUp},
    {A::PageDown, Key::kPageDown},             {A::PageDown, Key::kDown},
    {A::PageDown, Key::digit(8)},              {A::PageDown, Key::kPadDown},
    {A::Home, Key::kHome},                     {A::End, Key::kEnd},
};

constexpr Action kRebindable[] = {A::Forward, A::Reverse, A::TurnLeft, A::TurnRight, A::GunUp, A::GunDown,
                                  A::Fire,    A::Aim,     A::View,     A::Buttons,   A::Pause, A::Menu,  A::Screenshot};

constexpr struct {
    Action action = Action::None;
    const char* name = "";
} kNames[] = {
    {A::Forward, trMarkIn("action", "Forward")},
    {A::Reverse, trMarkIn("action", "Back")},
    {A::TurnLeft, trMarkIn("action", "Turn left")},
    {A::TurnRight, trMarkIn("action", "Turn right")},
    {A::GunUp, trMarkIn("action", "Gun up")},
    {A::GunDown, trMarkIn("action", "Gun down")},
    {A::Fire, trMarkIn("action", "Fire")},
    {A::Aim, trMarkIn("action", "Aim mode")},
    {A::View, trMarkIn("action", "Overhead view")},
    {A::Buttons, trMarkIn("action", "Buttons")},
    {A::Pause, trMarkIn("action", "Pause")},
    {A::Menu, trMarkIn("action", "Menu")},
    {A::Screenshot, trMarkIn("action", "Screenshot")},
};

// The on-screen buttons are keyed by the phone keypad's digits.
constexpr struct {
    Action action = Action::None;
    int32_t button = 0;
} kButtons[] = {
    {A::Forward, Key::digit(2)}, {A::Reverse, Key::digit(8)}, {A::TurnLeft, Key::digit(4)},
    {A::TurnRight, Key::digit(6)}, {A::Fire, Key::digit(5)}, {A::Aim, Key::digit(9)},
    {A::View, Key::digit(3)}, {A::Menu, Key::digit(0)},
};

// The gamepad in the menus, which the player does not rebind.
constexpr struct {
    int32_t pad = 0;
    int32_t key = 0;
} kPadMenu[] = {
    {Key::kPadUp, Key::kUp},     {Key::kPadDown, Key::kDown}, {Key::kPadLeft, Key::kLeft},
    {Key::kPadRight, Key::kRight}, {Key::kPadA, Key::kEnter}, {Key::kPadB, Key::kEscape},
    {Key::kPadY, Key::kEscape},  {Key::kPadStart, Key::kEscape},
};

bool isBattle(Action a)
{
    return a >= Action::Forward && a <= Action::Menu;
}

} // namespace

ActionMap::ActionMap()
{
    reset();
}

void ActionMap::reset()
{
    m_bindings.assign(std::begin(kDefaults), std::end(kDefaults));
}

bool ActionMap::is(int32_t k, Action a) const
{
    if (k == Key::kNone)
        return false;
    for (const Binding& b : m_bindings)
        if (b.key == k && b.action == a)
            return true;
    return false;
}

Action ActionMap::battleAction(int32_t k) const
{
    if (k == Key::kNone)
        return Action::None;
    // The player's own keys first: a key chosen for one action wins over the
    // fixed key of another.
    for (const bool own : {true, false})
        for (const Binding& b : m_bindings)
            if (b.key == k && (b.slot != Slot::Extra) == own && isBattle(b.action))
                return b.action;
    return Action::None;
}

bool ActionMap::held(const Input& in, Action a) const
{
    for (const Binding& b : m_bindings)
        if (b.action == a && b.key != Key::kNone && in.keyDown(b.key))
            return true;
    return false;
}

std::vector<int32_t> ActionMap::keysOf(Action a) const
{
    std::vector<int32_t> keys;
    for (const Binding& b : m_bindings)
        if (b.action == a && b.key != Key::kNone)
            keys.push_back(b.key);
    return keys;
}

std::string ActionMap::keysText(Action a) const
{
    std::vector<std::string> names;
    for (int32_t k : keysOf(a)) {
        // The phone's menu key is on no keyboard, and the gamepad has its own lines.
        const std::string name = Key::name(k);
        if (k == Key::kMenu || name.empty() || name.rfind("Pad ", 0) == 0)
            continue;
        if (isBattle(a) && battleAction(k) != a)
            continue;
        const std::string shown = keyName(k);
        if (std::find(names.begin(), names.end(), shown) == names.end())
            names.push_back(shown);
    }
    if (names.empty())
        return Catalog::text("no key");
    std::string out = names[0];
    for (std::size_t i = 1; i < names.size(); i++)
        out = i + 1 == names.size() ? Catalog::fill(Catalog::tr("{1} or {2}"), {out, names[i]}) : out + ", " + names[i];
    return out;
}

std::string ActionMap::shownName(Action a)
{
    return Catalog::trc("action", name(a))->c_str();
}

std::string ActionMap::keyName(int32_t k)
{
    return Catalog::trc("key", Key::name(k).c_str())->c_str();
}

std::string ActionMap::withKeys(const std::string& text) const
{
    static constexpr std::pair<const char*, Action> kTokens[] = {
        {"{Forward}", Action::Forward}, {"{Reverse}", Action::Reverse},   {"{TurnLeft}", Action::TurnLeft},
        {"{TurnRight}", Action::TurnRight}, {"{GunUp}", Action::GunUp}, {"{GunDown}", Action::GunDown},
        {"{Fire}", Action::Fire},       {"{Aim}", Action::Aim},           {"{View}", Action::View},
        {"{Buttons}", Action::Buttons}, {"{Pause}", Action::Pause},       {"{Menu}", Action::Menu},
        {"{Screenshot}", Action::Screenshot},
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        if (text[at] == '{')
            for (const auto& [token, action] : kTokens)
                if (text.compare(at, std::strlen(token), token) == 0) {
                    out += keysText(action);
                    at += std::strlen(token);
                    replaced = true;
                    break;
                }
        if (!replaced)
            out += text[at++];
    }
    return out;
}

int32_t ActionMap::button(Action a)
{
    for (const auto& b : kButtons)
        if (b.action == a)
            return b.button;
    return 0;
}

Action ActionMap::ofButton(int32_t button)
{
    for (const auto& b : kButtons)
        if (b.button == button)
            return b.action;
    return Action::None;
}

Action ActionMap::invertGun(Action a, bool aiming)
{
    switch (a) {
    case Action::GunUp:
        return Action::GunDown;
    case Action::GunDown:
        return Action::GunUp;
    case Action::Forward:
        return aiming ? Action::Reverse : a;
    case Action::Reverse:
        return aiming ? Action::Forward : a;
    default:
        return a;
    }
}

// ---- the player's keys ----

std::span<const Action> ActionMap::rebindable()
{
    return kRebindable;
}

bool ActionMap::isRebindable(Action a)
{
    return std::find(std::begin(kRebindable), std::end(kRebindable), a) != std::end(kRebindable);
}

const char* ActionMap::name(Action a)
{
    for (const auto& n : kNames)
        if (n.action == a)
            return n.name;
    return "";
}

ActionMap::Binding* ActionMap::find(Action a, Slot slot)
{
    for (Binding& b : m_bindings)
        if (b.action == a && b.slot == slot)
            return &b;
    return nullptr;
}

const ActionMap::Binding* ActionMap::find(Action a, Slot slot) const
{
    for (const Binding& b : m_bindings)
        if (b.action == a && b.slot == slot)
            return &b;
    return nullptr;
}

int32_t ActionMap::key(Action a) const
{
    const Binding* b = find(a, Slot::Key);
    return b ? b->key : Key::kNone;
}

int32_t ActionMap::pad(Action a) const
{
    const Binding* b = find(a, Slot::Pad);
    return b ? b->key : Key::kNone;
}

bool ActionMap::bindable(int32_t k)
{
    return k != Key::kTouch && k > Key::kNone && k < Key::kCount && !Key::name(k).empty();
}

bool ActionMap::bind(Action a, int32_t k)
{
    if (!isRebindable(a) || (k != Key::kNone && !bindable(k)))
        return false;
    // Every rebindable action has both slots in the default table.
    Binding* b = find(a, Key::isPad(k) ? Slot::Pad : Slot::Key);
    if (!b)
        return false;
    b->key = k;
    return true;
}

void ActionMap::unbindPad(Action a)
{
    if (Binding* b = find(a, Slot::Pad))
        b->key = Key::kNone;
}

Action ActionMap::conflict(Action a, int32_t k) const
{
    if (k == Key::kNone)
        return Action::None;
    for (const Binding& b : m_bindings)
        if (b.key == k && b.action != a && isRebindable(b.action))
            return b.action;
    return Action::None;
}

bool ActionMap::conflicted(Action a) const
{
    return conflict(a, key(a)) != Action::None || conflict(a, pad(a)) != Action::None;
}

int32_t ActionMap::menuKey(int32_t k)
{
    for (const auto& p : kPadMenu)
        if (p.pad == k)
            return p.key;
    return k;
}
