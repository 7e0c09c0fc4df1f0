#include "game/ActionMap.h"

namespace {

using A = Action;

// The keys of each action: the desktop's first, then the phone keypad's.
constexpr ActionMap::Binding kDefaults[] = {
    {A::Forward, Key::kUp},         {A::Forward, Key::letter('W')},   {A::Forward, Key::digit(2)},
    {A::Reverse, Key::kDown},       {A::Reverse, Key::letter('S')},   {A::Reverse, Key::digit(8)},
    {A::TurnLeft, Key::kLeft},      {A::TurnLeft, Key::letter('A')},  {A::TurnLeft, Key::digit(4)},
    {A::TurnRight, Key::kRight},    {A::TurnRight, Key::letter('D')}, {A::TurnRight, Key::digit(6)},
    {A::GunUp, Key::digit(1)},      {A::GunDown, Key::digit(7)},
    {A::Fire, Key::kEnter},         {A::Fire, Key::kSpace},           {A::Fire, Key::digit(5)},
    {A::Aim, Key::kTab},            {A::Aim, Key::digit(9)},
    {A::View, Key::letter('V')},    {A::View, Key::digit(3)},
    {A::Buttons, Key::letter('B')}, {A::Buttons, Key::kStar},     {A::Pause, Key::letter('P')},
    {A::Menu, Key::kEscape},        {A::Menu, Key::kMenu},            {A::Menu, Key::digit(0)},
    {A::Confirm, Key::kEnter},      {A::Confirm, Key::kSpace},        {A::Confirm, Key::kTouch},
    {A::Confirm, Key::digit(5)},
    {A::PageUp, Key::kPageUp},      {A::PageUp, Key::kUp},            {A::PageUp, Key::digit(2)},
    {A::PageDown, Key::kPageDown},  {A::PageDown, Key::kDown},        {A::PageDown, Key::digit(8)},
    {A::Home, Key::kHome},          {A::End, Key::kEnd},
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

} // namespace

ActionMap::ActionMap() : m_bindings(std::begin(kDefaults), std::end(kDefaults)) {}

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
    for (const Binding& b : m_bindings)
        if (b.key == k && b.action >= Action::Forward && b.action <= Action::Menu)
            return b.action;
    return Action::None;
}

bool ActionMap::held(const Input& in, Action a) const
{
    for (const Binding& b : m_bindings)
        if (b.action == a && in.keyDown(b.key))
            return true;
    return false;
}

std::vector<int32_t> ActionMap::keysOf(Action a) const
{
    std::vector<int32_t> keys;
    for (const Binding& b : m_bindings)
        if (b.action == a)
            keys.push_back(b.key);
    return keys;
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
