#pragma once
#include <cstdint>
#include <vector>

#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vmenu.h"
#include "scene/Vsprite.h"
#include "scene/Vtext.h"

class App;
class Vfont;
class Vpicture;

// Where the pages outside the battle (map, menus, help, About) stand: a
// screen of m_width x m_height pixels shown at a whole scale m_scale, so that
// on a large screen they grow by whole pixels rather than stay small in the
// middle. It also lays out the menus on it (arrange), with a heading above
// them when they have one.
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

    // Puts m on the stage, centred and laid out by arrange, with a heading
    // above it when one is given. Returns the page that holds it (m itself
    // without a heading).
    ref<Vsprite> showMenu(const ref<Vmenu>& m, const ref<String>& heading = nullptr);
    // Takes m (and its heading) off the stage to show it again later with
    // reshowMenu, which lays it out for the stage as it is then; closeMenu
    // takes it off for good and releases its items.
    void hideMenu(const ref<Vmenu>& m);
    void reshowMenu(const ref<Vmenu>& m);
    void closeMenu(const ref<Vmenu>& m);
    // Whether m stands on the stage now.
    bool menuShown(const ref<Vmenu>& m);
    // The one layout of every menu page: inside the stage's margin, the rows
    // on button pictures where they fit one below the other, else as a list
    // of text rows on a panel, in the small font when the large one does not
    // fit; rows never cover each other or the heading, and a text too wide
    // for its row is cut short.
    void arrange(const ref<Vmenu>& m);
    // Puts the text items of m on button pictures spread over the screen
    // (the battle's controls on a screen too small for touch buttons).
    void mend(const ref<Vmenu>& m);
    // Changes the text of an item of a shown menu and places it in its row
    // again, cut to the row's width.
    void mcenter(const ref<Vtext>& t, const ref<String>& text);
    // A page of text lines on colour, put on the stage centred inside its
    // margin: the lines one below the other (gap pixels apart, headGap after
    // the first), each centred or at the left. Lines too wide or too many for
    // the room are all written in the small font, and cut short if one is
    // still too wide.
    ref<Vsprite> showLines(const std::vector<ref<Vtext>>& lines, int32_t color, bool centred, int32_t gap,
                           int32_t headGap);

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
    // Places item t in holder (a button row, or the menu of a text list) and
    // cuts it to the width there.
    void place(Vsprite& holder, const ref<Vtext>& t);
    // arrange's three parts: the items as button rows pitch apart on plate,
    // or as a list of text rows on a panel; then the heading band over them.
    void buttonRows(const ref<Vmenu>& m, const std::vector<ref<Vtext>>& items, Vsprite* selected,
                    const ref<Vfont>& own, const ref<Vpicture>& plate, int32_t pitch);
    void textRows(const ref<Vmenu>& m, const std::vector<ref<Vtext>>& items, Vsprite* selected,
                  const ref<Vfont>& own, int32_t roomW, int32_t roomH);
    void heading(const ref<Vmenu>& m, const ref<Vsprite>& page, const ref<Vsprite>& band, const ref<Vtext>& words,
                 int32_t roomW, int32_t headingH);
    // Whether the rows of m are centred: all but a long list written in a
    // font of its own (the small one).
    bool centred(const Vmenu& m) const;

    App& m_app;
};
