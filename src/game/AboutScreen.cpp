#include "game/AboutScreen.h"

#include <vector>

#include "game/App.h"

namespace {

// The maker's credits of the About page, title first.
constexpr const char* kCredits[] = {
    "Korvath",
    "A tank campaign across Europe",
    "Version " KORVATH_VERSION,
    "Esc: menu   F11: full screen   Quit: Q in the menu",
    "made with DejaVu Sans fonts",
    "Free software under the MIT licence",
};

// The pages stand on a dark panel, so their text reads over the pale map.
constexpr int32_t kPagePanel = static_cast<int32_t>(0xD8182028);
constexpr int32_t kShownMs = 60000;
constexpr int32_t kTitleGap = 6, kLineGap = 2;

} // namespace

AboutScreen::AboutScreen(App& app) : WaitScreen(app, kShownMs) {}

void AboutScreen::enter()
{
    App& app = m_app;
    std::vector<ref<Vtext>> lines;
    for (const char* line : kCredits) {
        // The title in the screen's font, the rest in the small one.
        lines.push_back(lines.empty() ? new Vtext(app.m_theme, String::intern(line))
                                      : new Vtext(app.m_theme, app.m_fontSmall, String::intern(line)));
    }
    m_page = app.m_stage->showLines(lines, kPagePanel, true, kLineGap, kTitleGap);
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
