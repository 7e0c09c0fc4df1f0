#include "game/SettingsScreen.h"

#include "game/App.h"
#include "runtime/Catalog.h"

namespace {

ref<String> levelText(int32_t level)
{
    if (level == 0)
        return Catalog::tr("Level: Easy");
    if (level == 1)
        return Catalog::tr("Level: Medium");
    return Catalog::tr("Level: Hard");
}

// The item of each side: its id, the English first letter.
constexpr struct {
    char key = 0;
    Side side = Side::None;
} kSides[] = {{'A', Side::Allied}, {'G', Side::German}, {'S', Side::Soviet}};

constexpr int32_t kLevels = 3;

} // namespace

void SettingsScreen::enter()
{
    const Campaign& c = *m_app.m_campaign;
    // TRANSLATORS: the choice of side; the five items begin with different letters.
    m_menu->addItem(Catalog::tr("Allied Forces"), 'A');
    m_menu->addItem(Catalog::tr("German Forces"), 'G');
    m_menu->addItem(Catalog::tr("Soviet Forces"), 'S');
    m_levelItem = m_menu->addItem(levelText(c.m_level), 'L');
    m_menu->addItem(Catalog::tr("Back"), 'B');
    for (const auto& s : kSides)
        if (s.side == c.m_side)
            m_menu->select(s.key);
    show(Catalog::tr("Choose your side"));
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
