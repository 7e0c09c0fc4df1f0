#pragma once
#include <cstdint>

#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The title: the splash picture, shown while the rest of the game loads, and
// then the campaign map (with the main menu open, except in the demo, which
// starts a campaign of its own).
class TitleScreen : public Screen {
public:
    using Screen::Screen;

    void enter() override;
    void advance(int32_t ms) override;
    void draw() override;
    int32_t frameWait() const override;

private:
    // 0: the splash is drawn; 1: the game loads behind it; 2: on to the map.
    int32_t m_step = 0;
    ref<Vsprite> m_splash;
};
