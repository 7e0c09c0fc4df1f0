#include "game/SettingsScreen.h"

#include "game/App.h"

namespace {

ref<String> levelText(int32_t level)
{
    if (level == 0)
        return "Level: Easy"_s;
    if (level == 1)
        return "Level: Medium"_s;
    return "Level: Hard"_s;
}

// The item of each side: its first letter.
constexpr struct {
    char key = 0;
    Side side = Side::None;
} kSides[] = {{'A', Side::Allied}, {'G', Side::German}, {'S', Side::Soviet}};

constexpr int32_t kLevels = 3;

} // namespace

void SettingsScreen::enter()
{
    const Campaign& c = *m_app.m_campaign;
    m_menu->add("Allied Forces"_s);
    m_menu->add("German Forces"_s);
    m_menu->add("Soviet Forces"_s);
    m_levelItem = m_menu->add(levelText(c.m_level), 'L');
    m_menu->add("Back"_s);
    for (const auto& s : kSides)
        if (s.side == c.m_side)
            m_menu->select(s.key);
    show("Choose your side"_s);
}

void SettingsScreen::input(Input& in)
{
    App& app = m_app;
    Campaign& c = *app.m_campaign;
    int32_t pressed = 0;
    const int32_t k = menuKey(in, &pressed);
    if (k == 'B' || back(k)) {
        app.pop();
        return;
    }
    for (const auto& s : kSides) {
        if (k != s.key)
            continue;
        // Another side drives another tank.
        if (s.side != c.m_side && app.m_battle)
            app.m_battle->newTank(s.side);
        c.m_side = s.side;
        c.resetGame(Campaign::kFirstFront, app.m_display.get(), app.tank());
        m_newCampaign = true;
        app.pop();
        return;
    }
    if (k == 'L') {
        // Left lowers the level, anything else raises it; both wrap.
        if (pressed == Key::kLeft)
            c.m_level = c.m_level <= 0 || c.m_level >= kLevels ? kLevels - 1 : c.m_level - 1;
        else
            c.m_level = c.m_level >= kLevels - 1 ? 0 : c.m_level + 1;
        app.m_stage->mcenter(m_levelItem, levelText(c.m_level));
    }
}
