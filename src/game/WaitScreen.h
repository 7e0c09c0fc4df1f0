#pragma once
#include <cstdint>

#include "game/Screen.h"

// A page that stays until the player goes on (a confirming key, Escape or a
// menu key), the screen changes its size, or its time runs out; then done()
// says what follows. Keys pressed before the page was shown do not count, nor
// does a touch still held from before; a page that must be seen first takes
// no keys for its first leadMs.
class WaitScreen : public Screen {
public:
    // Shown for at most ms of frame time (kForever: until a key), taking
    // keys pressed after leadMs; keys pressed before are dropped, so that a
    // key meant for the screen before cannot skip the page unread.
    WaitScreen(App& app, int32_t ms, int32_t leadMs = 0);

    static constexpr int32_t kForever = 0x7FFFFFFF;

    void input(Input& in) override;
    void advance(int32_t ms) override;
    void layout() override;
    void draw() override;

protected:
    virtual void done() = 0;

private:
    void finish();

    int32_t m_left = 0;
    int32_t m_leadMs = 0;
    int32_t m_shownMs = -1; // -1 until the page has been drawn
    bool m_done = false;
};
