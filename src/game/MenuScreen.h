#pragma once
#include <cstdint>

#include "game/Screen.h"
#include "runtime/ref.h"
#include "scene/Vmenu.h"

// What every menu page shares: a menu on the stage, the keys, touches,
// pointer and wheel turned into the key of the item chosen, and a click when
// one is chosen. It goes when the screen leaves.
class MenuScreen : public Screen {
public:
    explicit MenuScreen(App& app);

    // A resize spreads the menu over the stage anew, unless another page
    // covers it.
    void layout() override;
    void leave() override;

    ref<Vmenu> menu() const { return m_menu; }

protected:
    // Shows the menu: the wheel's notches turned before it was there do not
    // move it.
    void show(const ref<String>& heading = nullptr);
    // Once a frame while the menu is shown: the mouse pointer, when it moved,
    // highlights the item under it and each wheel notch moves the highlight;
    // then the next queued key or touch (a touch is used once) is translated
    // into the menu's key. pressed, if given, receives the key as it came
    // (Key::kLeft on a setting, say).
    int32_t menuKey(Input& in, int32_t* pressed = nullptr);
    // Whether k is one of the keys that go back (Escape, the menu keys).
    bool back(int32_t k) const;
    // The page made anew by enter(), in the language now chosen.
    void rebuild();
    // Whether the language changed since the page was shown.
    bool stale() const;

    ref<Vmenu> m_menu;

private:
    int32_t m_texts = 0; // the generation of the catalog the page was shown in
};
