#include "game/App.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "scene/Vilib.h"

namespace {

// The maker's credits of the About page, title first.
constexpr const char* kCredits[] = {
    "Korvath",
    "A tank campaign across Europe",
    "Version 1.0",
    "Esc: menu   F11: full screen   Quit: Q in the menu",
    "made with DejaVu Sans fonts",
    "Free software under the MIT licence",
};

// The pages stand on a dark panel, so their text reads over the pale map.
constexpr int32_t kPagePanel = static_cast<int32_t>(0xD8182028);
// The help page keeps an inner margin; its buttons stand in a column at its right.
constexpr int32_t kHelpPad = 6;
constexpr int32_t kHelpButton = 40; // the pictures' size
constexpr int32_t kWheelLines = 3;  // lines scrolled by a notch of the wheel

} // namespace

void App::aboutPage(const ref<Vmenu>& menu)
{
    hideMenu(menu);
    ref<Vsprite> page = new Vsprite;
    page->setColor(kPagePanel);
    page->m_height = m_theme->m_inset;
    bool first = true;
    for (const char* line : kCredits) {
        // The title in the screen's font, the rest in the small one.
        ref<Vtext> t = first ? new Vtext(m_theme, String::intern(line))
                             : new Vtext(m_theme, m_fontSmall, String::intern(line));
        page->addCenterBottom(m_theme, t);
        page->m_height += first ? 6 : 2;
        first = false;
    }
    page->m_width += 8;
    for (Vsprite* c = page->m_child.get(); c; c = c->m_sibling.get())
        c->setXy((page->m_width - c->m_width) * 16384, c->m_y);
    stageCenter(page);
    waitKey(60000);
    page->off();
    page->removeAll();
    reshowMenu(menu);
}

void App::help()
{
    Input& in = input();
    in.dragReset();
    in.wheelTake();
    const int32_t sw = m_stageWidth, sh = m_stageHeight;
    const int32_t w = sw > 227 ? 228 : sw - 12;
    // The panel holds the text with a margin all round and, where the stage
    // is wide enough, the buttons' column beside it.
    ref<Vsprite> panel = new Vsprite;
    panel->setColor(kPagePanel);
    panel->setWidthHeight(std::min(sw, w + 3 * kHelpPad + kHelpButton), sh);
    panel->setXyi((sw - panel->getWidth()) / 2, 0);
    // The text scrolls inside a window between the margins, which clips it.
    const int32_t shown = sh - 2 * kHelpPad;
    ref<Vsprite> window = new Vsprite;
    window->setWidthHeight(w, shown);
    window->setXyi(kHelpPad, kHelpPad);
    panel->add(window);
    ref<Vtext> t = new Vtext(m_theme);
    t->setWidthHeight(w, 0);
    t->setFile("help.txt"_s);
    window->add(t);
    stageAdd(panel);
    const int32_t ax = std::min((panel->getX() >> 15) + 2 * kHelpPad + w, sw - kHelpButton - 2);

    ref<Vsprite> close = new Vsprite;
    close->setImage(m_lib, AppPicture::kIconDrive);
    close->setXyi(ax, 6);
    stageAdd(close);
    ref<Vsprite> up = new Vsprite;
    up->setImage(m_lib, AppPicture::kIconUp);
    up->setXyi(ax, 64);
    ref<Vsprite> down = new Vsprite;
    down->setImage(m_lib, AppPicture::kIconDown);
    // Placed by its bottom edge, 10 pixels above the bottom of the screen.
    down->setCenter(0, down->getHeight());
    down->setXyi(ax, sh - 10);

    int32_t line = m_theme && m_theme->m_font ? m_theme->m_font->getHeight() : 0;
    if (line <= 0)
        line = 16;
    // A page is the window less one line, and at least one line on a very
    // low screen.
    const int32_t page = (line * std::max(shown / line - 1, 1)) << 15;
    const int32_t lowest = std::min(shown - t->getHeight(), 0) << 15;
    int32_t o = 0;
    for (;;) {
        if (!isRunning() || screenResize())
            break;
        bool upShown = o < 0;
        bool downShown = o > lowest;
        if (upShown && !up->isLinked())
            stageAdd(up);
        else if (!upShown)
            up->off();
        if (downShown && !down->isLinked())
            stageAdd(down);
        else if (!downShown)
            down->off();
        render();
        waitMs(64);
        int32_t k = in.keyGet();
        Action a = Action::None;
        if (k == Key::kTouch && in.touchX() != 0) {
            // Touches count near the buttons' column, in stage pixels.
            const int32_t mx = stageX(in.touchX()), my = stageY(in.touchY());
            auto top = [](const ref<Vsprite>& s) { return (s->getY() >> 15) - s->m_cy; };
            if (mx - ax >= -24 && mx - ax <= 32) {
                if (upShown && my >= top(up) && my <= top(up) + up->getHeight() + 24)
                    a = Action::PageUp;
                else if (downShown && my >= top(down) - 24 && my <= top(down) + down->getHeight() + 24)
                    a = Action::PageDown;
                else if (my >= top(close) - 6 && my <= top(close) + close->getHeight() + 24)
                    a = Action::Confirm;
            }
            in.touchUsed();
            if (a != Action::None)
                in.dragReset();
            k = Key::kNone;
        } else {
            for (Action paging : {Action::PageUp, Action::PageDown, Action::Home, Action::End})
                if (a == Action::None && m_actions.is(k, paging))
                    a = paging;
        }
        const int32_t wheel = in.wheelTake();
        int32_t old = o;
        if (a == Action::PageUp) {
            o = std::min(o + page, 0);
        } else if (a == Action::PageDown) {
            if (downShown)
                o -= page;
        } else if (a == Action::Home) {
            o = 0;
        } else if (a == Action::End) {
            o = lowest;
        } else if (int32_t drag = in.dragY(); drag != 0 || wheel != 0) {
            // A drag of 4 pixels scrolls 1; a notch of the wheel a few lines.
            int64_t moved = static_cast<int64_t>(o) + static_cast<int64_t>(drag) * 0x2000 +
                            (static_cast<int64_t>(wheel) * kWheelLines * line << 15);
            o = static_cast<int32_t>(std::clamp<int64_t>(moved, lowest, 0));
            in.dragReset();
        } else if (a == Action::Confirm || k == Key::kTouch || k == Key::kEscape) {
            break;
        }
        if (o != old)
            t->setXy(0, o);
    }
    panel->off();
    panel->removeAllStar();
    close->off();
    up->off();
    down->off();
}

void App::gameOver()
{
    setColor(static_cast<int32_t>(0xFF000000));
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(m_lib, AppPicture::kBattlefield);
    center(picture);
    // Victory: Allied and Soviet players after a last battle at Berlin in
    // the centre column, German players after one anywhere else.
    if ((m_mapX == 6) != (m_side == 2)) {
        ref<Vsprite> victory = new Vsprite;
        victory->setImage(m_lib, AppPicture::kVictory);
        victory->setXy(picture->getX(), picture->getY());
        victory->setScale(picture->getScale());
        add(victory);
    }
    sound("music3"_s);
    render();
    waitMs(500);
    waitKey(m_demo ? 5000 : 0x7FFFFFFF);
    removeAll();
    setColor(0);
    resetGame(0);
}

void App::waitKey(int32_t ms)
{
    render();
    input().touchUsed();
    for (;;) {
        if (screenResize())
            return;
        waitMs(64);
        ms -= m_frameMs;
        const int32_t k = input().keyGet();
        if (m_actions.is(k, Action::Confirm) || k == Key::kEscape || k == Key::kMenu)
            return;
        if (!isRunning() || ms < 1)
            return;
    }
}
