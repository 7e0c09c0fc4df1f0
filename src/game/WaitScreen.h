#pragma once
#include <cstdint>

#include "game/Screen.h"

// A page that stays until the player goes on (a confirming key, Escape or a
// menu key), the screen changes its size, or its time runs out; then done()
// says what follows. Keys pressed before the page was shown for a frame do
// not count, nor does a touch still held from before.
class WaitScreen : public Screen {
public:
    // Shown for at most ms of frame time, after a first frame of leadMs if
    // given (a page that must be seen before it can be dismissed).
    WaitScreen(App& app, int32_t ms, int32_t leadMs = 0);

    void input(Input& in) override;
    void advance(int32_t ms) override;
    void layout() override;
    void draw() override;
    int32_t frameWait() const override;

protected:
    virtual void done() = 0;

private:
    // The frame from which keys and time count.
    int32_t firstCounted() const { return m_leadMs > 0 ? 2 : 1; }

    int32_t m_left = 0;
    int32_t m_leadMs = 0;
    int32_t m_frame = 0; // frames drawn so far
    bool m_done = false;
};
