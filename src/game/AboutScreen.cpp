#include "game/AboutScreen.h"

#include <vector>

#include "game/App.h"
#include "runtime/Catalog.h"

namespace {

// The maker's credits of the About page, title first.
constexpr const char* kCredits[] = {
    "Korvath",
    trMark("A tank campaign across Europe"),
    trMark("Version {1}"),
    // TRANSLATORS: Q is the key of the main menu's Quit in your language.
    trMark("Esc: menu   F11: full screen   Quit: Q in the menu"),
    trMark("made with DejaVu Sans fonts"),
    trMark("Free software under the MIT licence"),
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
        const ref<String> text = String::copyOf(Catalog::fill(Catalog::tr(line), {KORVATH_VERSION}).c_str());
        lines.push_back(lines.empty() ? new Vtext(app.m_theme, text) : new Vtext(app.m_theme, app.m_fontSmall, text));
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
