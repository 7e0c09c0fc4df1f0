#include "game/WaitScreen.h"

#include "game/App.h"

WaitScreen::WaitScreen(App& app, int32_t ms, int32_t leadMs) : Screen(app), m_left(ms), m_leadMs(leadMs) {}

void WaitScreen::input(Input& in)
{
    if (m_done || m_shownMs < 0)
        return;
    if (m_shownMs == 0) {
        // The touch that opened the page is over.
        in.touchUsed();
        return;
    }
    if (m_shownMs < m_leadMs) {
        while (in.keyGet() != Key::kNone) {
        }
        in.touchUsed();
        return;
    }
    const int32_t k = ActionMap::menuKey(in.keyGet());
    if (m_app.m_actions.is(k, Action::Confirm) || k == Key::kEscape || k == Key::kMenu)
        finish();
}

void WaitScreen::advance(int32_t ms)
{
    if (m_done || m_shownMs < 0)
        return;
    // The time counts from the first frame the page was on screen.
    m_left -= ms;
    m_shownMs += ms;
    if (m_left < 1)
        finish();
}

void WaitScreen::layout()
{
    finish();
}

void WaitScreen::draw()
{
    Screen::draw();
    if (m_shownMs < 0)
        m_shownMs = 0;
}

void WaitScreen::finish()
{
    if (!m_done) {
        m_done = true;
        done();
    }
}
