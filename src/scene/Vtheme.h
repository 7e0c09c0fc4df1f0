#pragma once
#include <cstdint>

#include "runtime/Object.h"
#include "runtime/ref.h"

class Vfont;
class Vilib;

// The look of the texts, panels and menus an application builds: the font
// and colour of new texts, the background of new menus and the library their
// buttons' pictures come from, whether menus are used by pointer, and the
// margin of the stacking operations. One object is shared by everything built
// with it; menus keep it, so a change reaches the items they add later.
//
// A null theme is the plain look: no font, black text, no background, menus
// used by keys, no margin.
class Vtheme : public Object {
public:
    Vtheme();
    ~Vtheme() override;

    ref<Vfont> m_font;       // of new texts
    int32_t m_textColor = 0; // of new texts, 0xRRGGBB
    int32_t m_menuColor = 0; // of new menus and their buttons, 0xAARRGGBB
    ref<Vilib> m_lib;        // pictures of the menus' touch buttons
    // Menus are picked by pointer: an item "K label" shows only the label.
    bool m_mouse = false;
    int32_t m_inset = 0; // margin of the stacking operations, in pixels
};
