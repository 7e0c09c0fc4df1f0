#include "game/AboutScreen.h"

#include "game/App.h"

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
constexpr int32_t kShownMs = 60000;

} // namespace

AboutScreen::AboutScreen(App& app) : WaitScreen(app, kShownMs) {}

void AboutScreen::enter()
{
    App& app = m_app;
    m_page = new Vsprite;
    m_page->setColor(kPagePanel);
    m_page->m_height = app.m_theme->m_inset;
    bool first = true;
    for (const char* line : kCredits) {
        // The title in the screen's font, the rest in the small one.
        ref<Vtext> t = first ? new Vtext(app.m_theme, String::intern(line))
                             : new Vtext(app.m_theme, app.m_fontSmall, String::intern(line));
        m_page->addCenterBottom(app.m_theme, t);
        m_page->m_height += first ? 6 : 2;
        first = false;
    }
    m_page->m_width += 8;
    for (Vsprite* c = m_page->m_child.get(); c; c = c->m_sibling.get())
        c->setXy((m_page->m_width - c->m_width) * 16384, c->m_y);
    app.m_stage->stageCenter(m_page);
}

void AboutScreen::leave()
{
    m_page->off();
    m_page->removeAll();
}

void AboutScreen::done()
{
    m_app.pop();
}
