#include "host/Input.h"

// ---- host side ----

void Input::setHotkeys(int32_t key, int32_t button)
{
    m_hotkeys[0].store(key);
    m_hotkeys[1].store(button);
}

void Input::hold(int32_t c, bool held)
{
    const uint32_t bit = 1u << (c & 31);
    if (held)
        m_held[c >> 5].fetch_or(bit);
    else
        m_held[c >> 5].fetch_and(~bit);
}

void Input::keyDownSys(int32_t c)
{
    if (holdable(c)) {
        // A key held by another source already is not pressed again.
        if (m_holders[c]++ > 0)
            return;
        hold(c, true);
        if (c == m_hotkeys[0].load() || c == m_hotkeys[1].load()) {
            m_hotPresses.fetch_add(1);
            return;
        }
    }
    keyAddSys(c);
}

void Input::keyUpSys(int32_t c)
{
    if (holdable(c) && m_holders[c] > 0 && --m_holders[c] == 0)
        hold(c, false);
}

void Input::keyAddSys(int32_t c)
{
    if (c <= 0 || c >= Key::kCount)
        return;
    const int32_t tail = m_tail.load(std::memory_order_relaxed);
    const int32_t after = next(tail);
    if (after == m_head.load(std::memory_order_acquire))
        return;
    m_queue[tail] = static_cast<int8_t>(c);
    m_tail.store(after, std::memory_order_release);
}

void Input::touchBegin(int32_t x, int32_t y)
{
    m_touchAtX = x;
    m_touchAtY = y;
    m_touchX.store(x);
    m_touchY.store(y);
    if (!m_touching) {
        m_touching = true;
        keyDownSys(Key::kTouch);
    }
}

void Input::touchMove(int32_t x, int32_t y)
{
    if (!m_touching)
        return;
    m_dragX.fetch_add(x - m_touchAtX);
    m_dragY.fetch_add(y - m_touchAtY);
    m_touchAtX = x;
    m_touchAtY = y;
}

void Input::touchEnd()
{
    touchEnd(m_touchAtX, m_touchAtY);
}

void Input::touchEnd(int32_t x, int32_t y)
{
    if (!m_touching)
        return;
    m_touching = false;
    m_touchAtX = x;
    m_touchAtY = y;
    m_touchX.store(x);
    m_touchY.store(y);
    keyUpSys(Key::kTouch);
}

void Input::pointerSys(int32_t x, int32_t y)
{
    m_pointerX.store(x);
    m_pointerY.store(y);
}

void Input::wheelSys(int32_t notches)
{
    m_wheel.fetch_add(notches);
}

void Input::tiltSys(int32_t x, int32_t y)
{
    m_tiltX.store(x);
    m_tiltY.store(y);
}

void Input::releaseAll()
{
    touchEnd();
    for (int32_t c = 1; c < Key::kCount; c++) {
        if (m_holders[c] > 0) {
            m_holders[c] = 0;
            hold(c, false);
        }
    }
    tiltSys(0, 0);
}

// ---- game side ----

int32_t Input::keyGet()
{
    const int32_t head = m_head.load(std::memory_order_relaxed);
    if (head == m_tail.load(std::memory_order_acquire))
        return Key::kNone;
    const int32_t c = m_queue[head];
    m_head.store(next(head), std::memory_order_release);
    return c;
}

int32_t Input::keyPeek() const
{
    const int32_t head = m_head.load(std::memory_order_relaxed);
    return head == m_tail.load(std::memory_order_acquire) ? Key::kNone : m_queue[head];
}

bool Input::keyWaiting() const
{
    return m_head.load(std::memory_order_relaxed) != m_tail.load(std::memory_order_acquire);
}

bool Input::keyDown(int32_t c) const
{
    return holdable(c) && ((m_held[c >> 5].load() >> (c & 31)) & 1) != 0;
}

void Input::touchUsed()
{
    m_touchX.store(0);
    m_touchY.store(0);
}

void Input::dragReset()
{
    m_dragX.store(0);
    m_dragY.store(0);
}

// ---- one frame's copy ----

Input::State Input::state() const
{
    State s;
    for (int32_t i = 0; i < Key::kCount / 32; i++)
        s.held[i] = m_held[i].load();
    const int32_t tail = m_tail.load(std::memory_order_acquire);
    for (int32_t i = m_head.load(std::memory_order_relaxed); i != tail; i = next(i))
        s.queue[s.queued++] = m_queue[i];
    s.touchX = touchX();
    s.touchY = touchY();
    s.dragX = dragX();
    s.dragY = dragY();
    s.pointerX = pointerX();
    s.pointerY = pointerY();
    s.wheel = m_wheel.load();
    s.tiltX = tiltX();
    s.tiltY = tiltY();
    s.focusLost = m_focusLost.load(std::memory_order_acquire);
    return s;
}

void Input::setState(const State& s)
{
    for (int32_t i = 0; i < Key::kCount / 32; i++)
        m_held[i].store(i == 0 ? s.held[i] & ~1u : s.held[i]); // code 0 is no key
    m_head.store(0);
    m_tail.store(0);
    for (int32_t i = 0; i < s.queued && i < kQueued; i++)
        keyAddSys(s.queue[i]);
    m_touchX.store(s.touchX);
    m_touchY.store(s.touchY);
    m_dragX.store(s.dragX);
    m_dragY.store(s.dragY);
    pointerSys(s.pointerX, s.pointerY);
    m_wheel.store(s.wheel);
    tiltSys(s.tiltX, s.tiltY);
    m_focusLost.store(s.focusLost, std::memory_order_release);
}

void Input::latch(Input& live)
{
    for (int32_t i = 0; i < Key::kCount / 32; i++)
        m_held[i].store(live.m_held[i].load());
    for (int32_t c = live.keyGet(); c != Key::kNone; c = live.keyGet())
        keyAddSys(c);
    const int32_t x = live.m_touchX.exchange(0), y = live.m_touchY.exchange(0);
    if (x != 0 || y != 0) {
        m_touchX.store(x);
        m_touchY.store(y);
    }
    m_dragX.fetch_add(live.m_dragX.exchange(0));
    m_dragY.fetch_add(live.m_dragY.exchange(0));
    m_wheel.fetch_add(live.wheelTake());
    pointerSys(live.pointerX(), live.pointerY());
    tiltSys(live.tiltX(), live.tiltY());
    if (live.focusLostTake())
        focusLostSys();
}
