#include "game/ResultScreen.h"

#include <string>
#include <vector>

#include "game/App.h"
#include "game/MapScreen.h"
#include "scene/Vtext.h"

namespace {

constexpr int32_t kPageColor = static_cast<int32_t>(0xFF303048); // opaque: the battle behind it is over

} // namespace

ResultScreen::ResultScreen(App& app, const Result& r) : WaitScreen(app, kShownMs, kLeadMs), m_result(r) {}

std::vector<std::string> ResultScreen::lines(const Result& r)
{
    const char* heading = r.outcome == Outcome::Victory ? "Victory" : r.outcome == Outcome::Defeat ? "Defeat" : "Out of fuel";
    const int32_t s = r.ms / 1000;
    std::string seconds = std::to_string(s % 60);
    if (seconds.size() < 2)
        seconds = "0" + seconds;
    return {heading,
            "Enemies destroyed: " + std::to_string(r.destroyed),
            "Shots fired: " + std::to_string(r.shots) + ", hit: " + std::to_string(r.hits),
            "Time: " + std::to_string(s / 60) + ":" + seconds,
            r.outcome == Outcome::Victory ? "The front moves one ring on." : "The front falls back one ring.",
            "Enter or a click: the map"};
}

void ResultScreen::enter()
{
    App& app = m_app;
    m_page = new Vsprite;
    m_page->setColor(kPageColor);
    for (const std::string& line : lines(m_result))
        m_page->addBottom(app.m_theme, String::copyOf(line.c_str()), 8);
    app.center(m_page);
}

void ResultScreen::layout()
{
    // A new size keeps the page, centred again.
    if (!m_page)
        return;
    m_app.remove(m_page);
    m_app.center(m_page);
}

void ResultScreen::leave()
{
    if (m_page) {
        m_app.remove(m_page);
        m_page->removeAllStar();
        m_page = nullptr;
    }
}

void ResultScreen::done()
{
    m_app.replace(new MapScreen(m_app, false));
}
