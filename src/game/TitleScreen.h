#pragma once
#include <cstdint>

#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The title: the splash picture, shown while the rest of the game loads and
// for a while after, and then the campaign map (with the main menu open,
// except in the demo, which starts a campaign of its own).
class TitleScreen : public Screen {
public:
    using Screen::Screen;

    void enter() override;
    void advance(int32_t ms) override;
    void leave() override;
    int32_t frameWait() const override;

    // How long the title stays after the game has loaded.
    static constexpr int32_t kShownMs = 500;

private:
    bool m_loaded = false;
    bool m_drawn = false; // the splash is on screen: the game can load
    int32_t m_shownMs = 0;
    ref<Vsprite> m_splash;
};
