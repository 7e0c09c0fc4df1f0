#include "game/HelpScreen.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/MenuLayout.h"
#include "runtime/Catalog.h"
#include "scene/Vilib.h"

namespace {

// The pages stand on a dark panel, so their text reads over the pale map.
constexpr int32_t kPagePanel = static_cast<int32_t>(0xD8182028);
// The help page keeps an inner margin; its buttons stand in a column at its right.
constexpr int32_t kHelpPad = 6;
constexpr int32_t kHelpButton = 40; // the pictures' size
constexpr int32_t kTextWidth = 228;     // the text's width where the stage has room
constexpr int32_t kLeastTextWidth = 120; // narrower, the buttons stand over the text
constexpr int32_t kWheelLines = 3;  // lines scrolled by a notch of the wheel
constexpr int32_t kUpButtonY = 58;        // from the top of the panel
constexpr int32_t kDownButtonBottom = 6;  // above the bottom of the panel
constexpr int32_t kReach = 24;            // touches count this far around a button

// The help in the chosen language: each paragraph of help.txt is a line of
// its own and a text of the catalog.
std::string translated(const char* text)
{
    std::string out;
    for (const char* p = text; *p;) {
        const char* end = std::strchr(p, '\n');
        const std::string line(p, end ? end : p + std::strlen(p));
        out += line.empty() ? line : Catalog::text(line.c_str());
        if (!end)
            break;
        out += '\n';
        p = end + 1;
    }
    return out;
}

} // namespace

void HelpScreen::enter()
{
    App& app = m_app;
    Stage& stage = *app.m_stage;
    Input& in = app.input();
    in.dragReset();
    in.wheelTake();
    const int32_t sw = stage.m_width, sh = stage.m_height;
    // The page keeps the stage's margin; inside it the panel holds the text
    // with a pad all round and, where the stage is wide enough, the buttons'
    // column beside it.
    const int32_t margin = MenuLayout::margin(sw, sh);
    const int32_t roomW = sw - 2 * margin, roomH = sh - 2 * margin;
    const int32_t beside = roomW - 3 * kHelpPad - kHelpButton;
    const int32_t w = beside >= kTextWidth ? kTextWidth : beside >= kLeastTextWidth ? beside : roomW - 2 * kHelpPad;
    m_panel = new Vsprite;
    m_panel->setColor(kPagePanel);
    m_panel->setWidthHeight(std::min(roomW, w + 3 * kHelpPad + kHelpButton), roomH);
    m_panel->setXyi((sw - m_panel->getWidth()) / 2, margin);
    // The text scrolls inside a window between the pads, which clips it.
    const int32_t shown = roomH - 2 * kHelpPad;
    ref<Vsprite> window = new Vsprite;
    window->setWidthHeight(w, shown);
    window->setXyi(kHelpPad, kHelpPad);
    m_panel->add(window);
    m_text = new Vtext(app.m_theme);
    m_text->setWidthHeight(w, 0);
    // The keys named are the player's, as remapped.
    if (ref<StringBuffer> text = Vtext::fileText("help.txt"_s)) {
        ref<StringBuffer> keyed = new StringBuffer;
        keyed->append(app.m_actions.withKeys(translated(text->c_str())).c_str());
        m_text->setTextWrap(keyed);
    }
    window->add(m_text);
    stage.stageAdd(m_panel);
    m_buttonsX = std::min((m_panel->getX() >> 15) + 2 * kHelpPad + w, sw - margin - kHelpButton - kHelpPad);

    m_close = new Vsprite;
    m_close->setImage(app.m_lib, AppPicture::kIconDrive);
    m_close->setXyi(m_buttonsX, margin + kHelpPad);
    stage.stageAdd(m_close);
    m_up = new Vsprite;
    m_up->setImage(app.m_lib, AppPicture::kIconUp);
    m_up->setXyi(m_buttonsX, margin + kUpButtonY);
    m_down = new Vsprite;
    m_down->setImage(app.m_lib, AppPicture::kIconDown);
    // Placed by its bottom edge.
    m_down->setCenter(0, m_down->getHeight());
    m_down->setXyi(m_buttonsX, sh - margin - kDownButtonBottom);

    const ref<Vtheme>& theme = app.m_theme;
    m_line = theme && theme->m_font ? theme->m_font->getHeight() : 0;
    if (m_line <= 0)
        m_line = 16;
    // A page is the window less one line, and at least one line on a very
    // low screen.
    m_page = (m_line * std::max(shown / m_line - 1, 1)) << 15;
    m_lowest = std::min(shown - m_text->getHeight(), 0) << 15;
    m_offset = 0;
}

void HelpScreen::leave()
{
    m_panel->off();
    m_panel->removeAllStar();
    m_close->off();
    m_up->off();
    m_down->off();
}

void HelpScreen::layout()
{
    m_app.pop();
}

void HelpScreen::draw()
{
    // The arrows show where there is more to scroll to.
    const bool upShown = m_offset < 0, downShown = m_offset > m_lowest;
    if (upShown && !m_up->isLinked())
        m_app.m_stage->stageAdd(m_up);
    else if (!upShown)
        m_up->off();
    if (downShown && !m_down->isLinked())
        m_app.m_stage->stageAdd(m_down);
    else if (!downShown)
        m_down->off();
    Screen::draw();
}

Action HelpScreen::touched(const Input& in) const
{
    // Touches count near the buttons' column, in stage pixels.
    const Stage& stage = *m_app.m_stage;
    const int32_t mx = stage.stageX(in.touchX()), my = stage.stageY(in.touchY());
    auto top = [](const ref<Vsprite>& s) { return (s->getY() >> 15) - s->m_cy; };
    if (mx - m_buttonsX < -kReach || mx - m_buttonsX > kReach + 8)
        return Action::None;
    if (m_offset < 0 && my >= top(m_up) && my <= top(m_up) + m_up->getHeight() + kReach)
        return Action::PageUp;
    if (m_offset > m_lowest && my >= top(m_down) - kReach && my <= top(m_down) + m_down->getHeight() + kReach)
        return Action::PageDown;
    if (my >= top(m_close) - kHelpPad && my <= top(m_close) + m_close->getHeight() + kReach)
        return Action::Confirm;
    return Action::None;
}

void HelpScreen::input(Input& in)
{
    const ActionMap& actions = m_app.m_actions;
    int32_t k = ActionMap::menuKey(in.keyGet());
    Action a = Action::None;
    if (k == Key::kTouch && in.touchX() != 0) {
        a = touched(in);
        in.touchUsed();
        if (a != Action::None)
            in.dragReset();
        k = Key::kNone;
    } else {
        for (Action paging : {Action::PageUp, Action::PageDown, Action::Home, Action::End})
            if (a == Action::None && actions.is(k, paging))
                a = paging;
    }
    const int32_t wheel = in.wheelTake();
    const int32_t old = m_offset;
    if (a == Action::PageUp) {
        m_offset = std::min(m_offset + m_page, 0);
    } else if (a == Action::PageDown) {
        if (m_offset > m_lowest)
            m_offset -= m_page;
    } else if (a == Action::Home) {
        m_offset = 0;
    } else if (a == Action::End) {
        m_offset = m_lowest;
    } else if (const int32_t drag = in.dragY(); drag != 0 || wheel != 0) {
        // A drag of 4 pixels scrolls 1; a notch of the wheel a few lines.
        const int64_t moved = static_cast<int64_t>(m_offset) + static_cast<int64_t>(drag) * 0x2000 +
                              (static_cast<int64_t>(wheel) * kWheelLines * m_line << 15);
        m_offset = static_cast<int32_t>(std::clamp<int64_t>(moved, m_lowest, 0));
        in.dragReset();
    } else if (a == Action::Confirm || k == Key::kTouch || k == Key::kEscape) {
        m_app.pop();
        return;
    }
    if (m_offset != old)
        m_text->setXy(0, m_offset);
}
