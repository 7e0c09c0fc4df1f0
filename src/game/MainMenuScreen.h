#pragma once
#include <cstdint>

#include "game/MenuScreen.h"
#include "scene/Vtext.h"

// The main menu, over the map or the battle: New Game (which asks before a
// running campaign is given up, then the side and level), Resume, the sound
// switch, Options, Help, About and Quit.
class MainMenuScreen : public MenuScreen {
public:
    using MenuScreen::MenuScreen;

    void enter() override;
    void input(Input& in) override;
    void resume(Screen& from) override;
    int32_t frameWait() const override;

    // Whether a new campaign was set up from this menu.
    bool newCampaign() const { return m_newCampaign; }

private:
    // Goes on with the menu after a page over it closed: it takes the
    // frame's keys again.
    void goOn();

    ref<Vtext> m_soundItem;
    bool m_newCampaign = false;
    bool m_again = false; // the frame goes on at once, without a wait
};
