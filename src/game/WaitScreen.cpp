#include "game/WaitScreen.h"

#include "game/App.h"

WaitScreen::WaitScreen(App& app, int32_t ms, int32_t leadMs) : Screen(app), m_left(ms), m_leadMs(leadMs) {}

void WaitScreen::input(Input& in)
{
    if (m_done)
        return;
    if (m_frame == firstCounted() - 1) {
        in.touchUsed();
        return;
    }
    if (m_frame < firstCounted())
        return;
    const int32_t k = in.keyGet();
    if (m_app.m_actions.is(k, Action::Confirm) || k == Key::kEscape || k == Key::kMenu) {
        m_done = true;
        done();
    }
}

void WaitScreen::advance(int32_t ms)
{
    if (m_done || m_frame < firstCounted())
        return;
    m_left -= ms;
    if (m_left < 1) {
        m_done = true;
        done();
    }
}

void WaitScreen::layout()
{
    if (!m_done) {
        m_done = true;
        done();
    }
}

void WaitScreen::draw()
{
    Screen::draw();
    m_frame++;
}

int32_t WaitScreen::frameWait() const
{
    // m_frame counts the frame just drawn.
    return m_frame == 1 && m_leadMs > 0 ? m_leadMs : Screen::frameWait();
}
