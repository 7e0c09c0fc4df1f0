#pragma once
#include <atomic>
#include <cstdint>

#include "host/Input.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

class Vdisplay;

// The root of a sprite tree and the owner of its pixel buffer. Each frame it
// collects the rectangles that changed, redraws only those into the buffer,
// has the host show them and paces the next frame. It also plays sounds and
// runs the screen transitions.
//
// A viewport linked as the child of another sprite (nested, without a
// display) draws into its own buffer and is copied into its parent's.
class Viewport : public Vsprite {
public:
    Viewport();
    ~Viewport() override;

    // Copies the clip rectangle from the own buffer; the children were drawn
    // into it by this viewport's own render.
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1) override;
    void redraw() override;
    // Adds a rectangle to the dirty list, clipped to the screen and merged
    // with every listed rectangle it touches; a nested viewport passes it on.
    void redraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    // One frame: change detection, redraw of the dirty rectangles, paint.
    void render() override;
    // New buffer of w x h pixels, everything marked dirty. Game thread only.
    void setWidthHeight(int32_t w, int32_t h) override;
    void sound(const ref<String>& name) override;
    // Plays name unless any sound started less than interval ms ago.
    void soundBkg(const ref<String>& name, int32_t interval) override;

    virtual void destroy();
    // Raises s's alpha from 2048 to one by (frame ms << shift) per frame.
    virtual void fadeIn(const ref<Vsprite>& s, int32_t shift);
    // Darkens the buffer by an eighth per step, at most 18 steps over ms.
    virtual void fadeToBlack(int32_t ms);
    virtual void init(const ref<Vdisplay>& d);
    // Whether the game goes on: here, while no stop is requested.
    virtual bool isRunning();
    // What the player does, delivered by the host in charge.
    static Input& input();
    // render, then wait out the rest of a 64 ms frame.
    virtual void renderWait();
    // The whole game, on a thread that may sleep: begin, then steps with the
    // waits they ask for, then end.
    virtual void run();
    // The same driven by a host a frame at a time, for a host whose thread
    // must not block (a browser page). begin: once, before the first frame.
    // step: one frame, without its wait; the ms to wait after the end of the
    // last wait before the next step (kStepAtOnce: no wait, the frame did not
    // happen for the player), or kStepOver once the game is over. Between two
    // steps the host calls waitMs with that number once the time has come,
    // so that the wait never sleeps. end: once, after the last step.
    virtual void begin() {}
    virtual int32_t step() { return kStepOver; }
    virtual void end() {}
    // Between frames, when the host may go away without warning (a browser
    // page hidden or closed): store what the player would lose.
    virtual void suspend() {}
    static constexpr int32_t kStepAtOnce = -1;
    static constexpr int32_t kStepOver = -2;
    // Whether s, or else its first child, lies on screen.
    virtual bool visible(const ref<Vsprite>& s);
    // Sleeps until ms after the end of the last wait; m_frameMs becomes the
    // length of the frame just ended.
    virtual void waitMs(int32_t ms);
    virtual void wipeLeftToRight();
    virtual void wipeTopToBottom();

    // Redraws the tree into the rectangle and shows it at once; wipeRect
    // then waits 10 ms.
    void paintRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void wipeRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // One step of a fade to black: the whole buffer darkened by an eighth
    // and shown.
    void fadeStep();
    // The whole tree drawn again at a brightness of level / 256 and shown: a
    // still scene fades from its own sprites, with no copy of its picture.
    void paintDimmed(int32_t level);

    // The stop request: the host asks the game to end (requestStop, from any
    // thread; the game may ask itself), every wait gives up while it is set,
    // and the host's game thread clears it once the game has returned.
    void requestStop() { m_stop.store(true); }
    void clearStop() { m_stop.store(false); }
    bool stopRequested() const { return m_stop.load(); }
    // Set by the host while the screen changes its size: no paints then.
    void setRotating(bool on) { m_rotating.store(on); }
    bool rotating() const { return m_rotating.load(); }

    ref<Vdisplay> m_display;
    // Pixels 0xZZRRGGBB (ZZ a depth code, ignored on screen), m_width x
    // m_height. The host thread reads the buffer and the dirty list below
    // during a paint, while the game thread waits in render or a transition;
    // the game thread changes them only outside such a wait.
    Array<int32_t> m_pixels;
    bool m_mute = false;
    int32_t m_soundTime = 0; // ms, when the last sound started
    int32_t m_time = 0;    // ms, end of the last frame wait
    int32_t m_frameMs = 0; // length of the last frame
    // Dirty rectangles (x0, y0, x1, y1), x1 and y1 exclusive: room for 32.
    // Read by the host thread during a paint, like m_pixels.
    Array<int32_t> m_dirty;
    int32_t m_dirtyCount = 0; // words in use, four per rectangle

private:
    void releasePixels();

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_rotating{false};
};
