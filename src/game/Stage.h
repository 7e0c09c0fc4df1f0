#pragma once
#include <cstdint>

#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vmenu.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

class App;

// Where the pages outside the battle (map, menus, help, About) stand: a
// screen of m_width x m_height pixels shown at a whole scale m_scale, so that
// on a large screen they grow by whole pixels rather than stay small in the
// middle. It also lays out the menus on it: restyled on button pictures on a
// large screen, with a heading above them when they have one.
class Stage : public Object {
public:
    explicit Stage(App& app);

    // Fits the stage to the screen: the largest whole scale at which the
    // campaign map still fits, at least 1.
    void stageLayout();
    // Adds s to the stage (linking the stage into the view if needed), at
    // its position, or centred.
    void stageAdd(const ref<Vsprite>& s);
    void stageCenter(const ref<Vsprite>& s);
    // A screen position in stage pixels.
    int32_t stageX(int32_t screenX) const;
    int32_t stageY(int32_t screenY) const;
    // Takes everything off the stage, and the stage off the screen.
    void clear();

    // Puts m on the stage, centred: restyled on button pictures on a large
    // screen, and with a heading above it when one is given. Returns the
    // page that holds it (m itself without a heading).
    ref<Vsprite> showMenu(const ref<Vmenu>& m, const ref<String>& heading = nullptr);
    // Takes m (and its heading) off the stage to show it again later with
    // reshowMenu; closeMenu takes it off for good and releases its items.
    void hideMenu(const ref<Vmenu>& m);
    void reshowMenu(const ref<Vmenu>& m);
    void closeMenu(const ref<Vmenu>& m);
    // Whether m stands on the stage now.
    bool menuShown(const ref<Vmenu>& m);
    // Puts the text items of m on button pictures, for large screens, spread
    // over the height of the screen less reserved rows (for a heading).
    void mend(const ref<Vmenu>& m, int32_t reserved = 0);
    // Changes the text of t and centres it in the width of its parent's
    // first child.
    static void mcenter(const ref<Vtext>& t, const ref<String>& text);

    ref<Vsprite> m_sprite; // the group node holding the pages
    int32_t m_scale = 1;   // screen pixels per stage pixel
    int32_t m_width = 0;   // 0 until laid out
    int32_t m_height = 0;
    // The pointer position the menus last followed: a menu opened under a
    // resting pointer is not highlighted by it.
    int32_t m_pointerSeenX = -1;
    int32_t m_pointerSeenY = -1;

private:
    // The page (a heading's frame, else m) that stands on the stage for m.
    ref<Vsprite> pageOf(const ref<Vmenu>& m);
    // Spreads the rows of a restyled text menu over the stage as it is now,
    // the way mend first spread them.
    void respread(const ref<Vmenu>& m);
    // Brings the rows of a long list written small closer together, when
    // they stand taller than room, so that the last one ends on the stage.
    static void squeeze(const ref<Vmenu>& m, int32_t room);

    App& m_app;
};
