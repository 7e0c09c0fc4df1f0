#pragma once
#include <cstdint>
#include <vector>

#include "game/MenuScreen.h"
#include "scene/Vtext.h"

// The options page of the main menu: the loudness of effects and music, full
// screen and the window's scale, the frame rate, the chase camera, the
// on-screen buttons, the gun's up and down, and the way to the controls.
// Left and Right lower and raise a setting; choosing it raises it or switches
// it, round to the first value after the last. Each change takes effect at
// once; the options are saved when the page closes.
class OptionsScreen : public MenuScreen {
public:
    using MenuScreen::MenuScreen;

    void enter() override;
    void input(Input& in) override;
    void leave() override;
    void resume(Screen& from) override;

    // The frame rates offered; 0 is the host's own (the display's).
    static constexpr int32_t kFrameRates[] = {0, 30, 60, 120, 144, 240};

private:
    // Changes the setting of item key by one step: dir -1 lower, +1 higher
    // (round at the ends when wrap).
    void change(int32_t key, int32_t dir, bool wrap);
    // Shows every setting's value on its item.
    void refresh();
    ref<String> text(int32_t key) const;

    std::vector<ref<Vtext>> m_items; // the settings' items
    bool m_fullscreen = false;       // as asked of the host
    int32_t m_scale = 0;
};
