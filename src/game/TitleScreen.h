#pragma once
#include <cstdint>

#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The title: the splash picture, shown while the rest of the game loads and
// for two seconds after (a key or a click cuts them short), and then the
// campaign map (with the main menu open, except in the demo, which starts a
// campaign of its own).
class TitleScreen : public Screen {
public:
    using Screen::Screen;

    void enter() override;
    void input(Input& in) override;
    void advance(int32_t ms) override;
    void leave() override;
    int32_t frameWait() const override;

    // How long the title stays after the game has loaded.
    static constexpr int32_t kShownMs = 2000;

private:
    bool m_loaded = false;
    bool m_drawn = false; // the splash is on screen: the game can load
    bool m_skipped = false; // a key or a click asked to go on
    int32_t m_shownMs = 0;
    ref<Vsprite> m_splash;
};
