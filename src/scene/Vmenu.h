#pragma once
#include <algorithm>
#include <cstdint>

#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"
#include "scene/Vtheme.h"

// A menu: either a column of text items, moved through with up and down and
// picked by item key or touch, or a grid of square picture buttons picked by
// touch. Items are the menu's children in order; an item's key is its id.
// key() turns a key press or a touch into the key of the item chosen and
// highlights it, so a menu item and a keypad key with the same code act alike.
//
// The selected item shows at full alpha, the others at m_dim. The menu keeps
// the theme it was made with: its colour, its items' font and text colour,
// the pictures of its buttons, the margin and whether it is used by pointer.
class Vmenu : public Vsprite {
public:
    explicit Vmenu(const ref<Vtheme>& theme);
    ~Vmenu() override;

    using Vsprite::add;
    // A text item keyed by the first character of text; when the menu is
    // used by pointer, a "K label" text shows only the label.
    virtual ref<Vtext> add(const ref<String>& text);
    virtual ref<Vtext> add(const ref<String>& text, int32_t key);
    // A text item with id, picked by the key of its first letter (a
    // translated text brings its own); the id stays what the screen acts on.
    virtual ref<Vtext> addItem(const ref<String>& text, int32_t id);
    // The key of the first letter of a UTF-8 text: A..Z, 0..9, a Latin
    // letter with a mark as its plain letter (É as E), a Cyrillic letter as
    // the key it sits on in the Russian layout (Н on Y); 0 for any other,
    // and for the Cyrillic letters on keys that type signs (Ж, Х, ...).
    static int32_t letterKey(const ref<String>& text);
    // The key that picks a menu item (on a row restyled as a button, its text's).
    static int32_t keyOf(const Vsprite* item);
    // A text item that also carries a picture index, for menus restyled with
    // pictures; it never counts as a plain text item.
    virtual ref<Vtext> addIcon(const ref<String>& text, int32_t picture);
    // Stacks any sprite below the items; the first becomes the selection.
    virtual void addSprite(const ref<Vsprite>& s);
    // A square button of m_buttonSize with picture of the theme's library
    // centred on it.
    virtual void addTouch(int32_t key, int32_t picture);
    virtual void deselect();
    // Touch menus: the chosen button's highlight goes after 200 ms of the
    // game's time (advance).
    virtual void fade();
    // The game's time moved on by ms.
    void advance(int32_t ms) { m_litMs += std::clamp(ms, 0, kMostLitMs - m_litMs); }
    // The sprite that shows the selection: a button's picture, else the item.
    virtual ref<Vsprite> getSelected();
    // The selected item if it is a plain text item, else null.
    virtual ref<Vtext> getSelectedText();
    // Translates key k, or a touch at (x, y) when k is 5 and the position is
    // not (0, 0), into an item id; 0 when nothing is chosen. An item's id
    // that is no longer its key (a translated item) picks nothing; other keys
    // that name no item pass through unchanged.
    virtual char key(char k, int32_t x, int32_t y);
    // Touch menus: lays the buttons out inside a screen area: two columns of
    // two at its sides and one row along its bottom, the buttons smaller
    // than m_buttonSize where the area is too low or narrow for them.
    virtual void resize(int32_t width, int32_t height);
    virtual void select();
    // Selects the first item with that key, unless it is already selected.
    virtual void select(int32_t key);
    // Selects the n-th item (0 the first); beyond the end only the current
    // one is dimmed.
    virtual void selectOrdinal(int32_t n);
    // Items before the selected one; the item count if it is not an item.
    virtual int32_t selectedOrdinal();
    // Touch menus: the alpha of buttons not chosen.
    virtual void setDim(int32_t alpha);
    // The pointer moved to (x, y): the item under it is highlighted, as
    // desktop menus follow the mouse (a button lights up as when chosen).
    // True when an item lies under the point.
    virtual bool hover(int32_t x, int32_t y);
    // The item under the screen point (x, y), or null: in a text menu the
    // first item whose rows hold y, inside the menu's rectangle; in a touch
    // menu the first button holding the point, edges included.
    virtual ref<Vsprite> itemAt(int32_t x, int32_t y);

    ref<Vtheme> m_theme;
    int32_t m_dim = 0x4000;
    ref<Vsprite> m_selected;
    int32_t m_buttonSize = 0; // 0 for a text menu
    // The rows of a text menu are laid out at least this wide where the
    // screen has room, for texts that grow later.
    int32_t m_leastWidth = 0;
    // Game time since the last select(), in ms, up to kMostLitMs: the game's
    // own time, so a replay fades the buttons at the same frames.
    int32_t m_litMs = 0;
    static constexpr int32_t kMostLitMs = 1 << 20;

private:
    // Makes item the selection and highlights it.
    void choose(const ref<Vsprite>& item);
};
