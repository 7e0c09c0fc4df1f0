#pragma once
#include <cstdint>

#include "game/ActionMap.h"
#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

// The help text, "help.txt", word-wrapped on a dark panel that scrolls by
// pages, lines of the wheel or a drag, with arrow buttons to page and a
// button to close. A change of the screen's size closes it.
class HelpScreen : public Screen {
public:
    using Screen::Screen;

    void enter() override;
    void input(Input& in) override;
    void layout() override;
    void leave() override;
    void draw() override;

private:
    // The action of a touch: near the buttons' column, the button it hits.
    Action touched(const Input& in) const;

    ref<Vsprite> m_panel;
    ref<Vtext> m_text;
    ref<Vsprite> m_close, m_up, m_down;
    int32_t m_buttonsX = 0; // the buttons' column, stage pixels
    int32_t m_line = 16;    // of text, pixels
    int32_t m_page = 0;     // a page of scrolling, fixed
    int32_t m_lowest = 0;   // the text's lowest offset, fixed (<= 0)
    int32_t m_offset = 0;   // the text's offset, fixed: 0 shows its top
};
