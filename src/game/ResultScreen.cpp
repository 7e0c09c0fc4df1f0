#include "game/ResultScreen.h"

#include <string>
#include <vector>

#include "game/App.h"
#include "game/MapScreen.h"
#include "runtime/Catalog.h"
#include "scene/Vtext.h"

namespace {

constexpr int32_t kPageColor = static_cast<int32_t>(0xFF303048); // opaque: the battle behind it is over
constexpr int32_t kHeadGap = 4; // below "Victory" or "Defeat"

} // namespace

ResultScreen::ResultScreen(App& app, const Result& r)
    : WaitScreen(app, app.m_demo ? kShownMs : kForever, kLeadMs), m_result(r)
{
}

ResultScreen::Why ResultScreen::why(const Result& r)
{
    using C = Catalog;
    if (r.outcome == Outcome::Victory)
        return {};
    if (r.outcome == Outcome::OutOfFuel)
        return {C::text("The tank ran out of fuel"), C::text("Tip: meet the supply truck for fuel")};
    if (r.cause == Cause::Sank)
        return {C::text("Sank in the river"), C::text("Tip: deep water sinks a tank")};
    std::string cause;
    if (r.cause == Cause::ShotThrough) {
        const char* name = r.enemy == TankKind::Sherman ? "Sherman" : r.enemy == TankKind::T34 ? "T-34" : "Tiger";
        cause = C::fill(r.outOfRounds ? C::tr("Out of rounds, shot through by a {1}") : C::tr("Shot through by a {1}"),
                        {name});
    }
    return {cause, r.outOfRounds ? C::text("Tip: the supply truck brings rounds")
                                 : C::text("Tip: keep moving; lead moving tanks")};
}

std::vector<std::string> ResultScreen::lines(const Result& r)
{
    using C = Catalog;
    const char* heading = r.outcome == Outcome::Victory  ? C::text("Victory")
                          : r.outcome == Outcome::Defeat ? C::text("Defeat")
                                                         : C::text("Out of fuel");
    const int32_t s = r.ms / 1000;
    std::string seconds = std::to_string(s % 60);
    if (seconds.size() < 2)
        seconds = "0" + seconds;
    const Why w = why(r);
    std::vector<std::string> out = {heading};
    if (!w.cause.empty())
        out.push_back(w.cause);
    out.push_back(C::fill(C::tr("Enemies destroyed: {1}"), {std::to_string(r.destroyed)}));
    out.push_back(C::fill(C::tr("Shots fired: {1}, hit: {2}"), {std::to_string(r.shots), std::to_string(r.hits)}));
    out.push_back(C::fill(C::tr("Time: {1}"), {std::to_string(s / 60) + ":" + seconds}));
    out.push_back(r.outcome == Outcome::Victory ? C::text("The front moves one ring on.")
                                                : C::text("The front falls back one ring."));
    if (!w.tip.empty())
        out.push_back(w.tip);
    out.push_back(C::text("Enter or a click: the map"));
    return out;
}

void ResultScreen::enter()
{
    App& app = m_app;
    // The battle's panel and what is left of its picture go: the page
    // stands alone.
    app.removeAll();
    app.setColor(static_cast<int32_t>(0xFF000000));
    show();
}

void ResultScreen::show()
{
    std::vector<ref<Vtext>> texts;
    for (const std::string& line : lines(m_result))
        texts.push_back(new Vtext(m_app.m_theme, String::copyOf(line.c_str())));
    m_page = m_app.m_stage->showLines(texts, kPageColor, false, 0, kHeadGap);
}

void ResultScreen::layout()
{
    // A new size lays the page out anew.
    if (!m_page)
        return;
    leave();
    show();
}

void ResultScreen::leave()
{
    if (m_page) {
        m_page->off();
        m_page->removeAllStar();
        m_page = nullptr;
    }
}

void ResultScreen::done()
{
    m_app.replace(new MapScreen(m_app, false));
}
