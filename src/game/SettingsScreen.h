#pragma once
#include <cstdint>

#include "game/MenuScreen.h"
#include "scene/Vtext.h"

// The choice of side and level: choosing a side starts a new campaign.
class SettingsScreen : public MenuScreen {
public:
    using MenuScreen::MenuScreen;

    void enter() override;
    void input(Input& in) override;

    // Whether a side was chosen and a new campaign set up.
    bool newCampaign() const { return m_newCampaign; }

private:
    ref<Vtext> m_levelItem;
    bool m_newCampaign = false;
};
