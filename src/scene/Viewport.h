#pragma once
#include <atomic>
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

class Vdisplay;

// The root of a sprite tree and the owner of its pixel buffer. Each frame it
// collects the rectangles that changed, redraws only those into the buffer,
// has the host show them and paces the next frame. It also holds the input
// that the host thread delivers (held keys, a small key queue, the touch
// position, drag and tilt), plays sounds and runs the screen transitions.
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
    virtual bool isRunning();
    // Host thread: queues key c.
    virtual void keyAddSys(int32_t c);
    // Game thread: whether key c (0..57) is held.
    virtual bool keyDown(int32_t c);
    // Host thread: key c pressed; a held key is not queued again.
    virtual void keyDownSys(int32_t c);
    // Game thread: the next queued key, or 0.
    virtual int32_t keyGet();
    virtual int32_t keyPeek();
    // Game thread: k is c, or c is held.
    virtual bool keyPress(int32_t k, int32_t c);
    // Host thread: key c released.
    virtual void keyUpSys(int32_t c);
    // Host thread: sets or clears the held bit of key c (0..57) without
    // queueing it, for a key that stands in for another while held.
    virtual void keyHoldSys(int32_t c, bool held);
    virtual bool keyWaiting();
    // render, then wait out the rest of a 64 ms frame.
    virtual void renderWait();
    virtual void run();
    // Whether s, or else its first child, lies on screen.
    virtual bool visible(const ref<Vsprite>& s);
    // Sleeps until ms after the end of the last wait; m_frameMs becomes the
    // length of the frame just ended.
    virtual void waitMs(int32_t ms);
    virtual void wipeLeftToRight();
    virtual void wipeTopToBottom();

    // Redraws the tree into the rectangle and shows it at once.
    void wipeRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    // Written by the host thread, read by the game thread.
    std::atomic<int32_t> m_tiltX{0}; // accelerometer, 1 g = 32768
    std::atomic<int32_t> m_tiltY{0};
    ref<Vdisplay> m_display;
    // Touch drag in view points; the host adds to it, the game resets it.
    std::atomic<int32_t> m_dragX{0};
    std::atomic<int32_t> m_dragY{0};
    // Bit (k & 31) of word k >> 5 is set while key k (0..57) is held; only
    // the host thread writes them.
    std::atomic<int32_t> m_keyBits[2] = {0, 0};
    // Ring of 10 key codes holding at most 9: the host thread writes a slot
    // and then publishes it by storing m_keyTail (release); the game thread
    // reads m_keyTail (acquire) before the slot and frees it by storing
    // m_keyHead (release). Each index has one writer.
    int8_t m_keyQueue[10] = {};
    std::atomic<int32_t> m_keyHead{0};
    std::atomic<int32_t> m_keyTail{0};
    std::atomic<int32_t> m_mouseX{0}; // last touch, whole view points
    std::atomic<int32_t> m_mouseY{0};
    // Where the mouse pointer rests, for hover highlights: whole view points,
    // (-1, -1) while it is off the screen. Written by the desktop host.
    std::atomic<int32_t> m_pointerX{-1};
    std::atomic<int32_t> m_pointerY{-1};
    // Mouse wheel notches the game has not taken yet, positive away from the
    // player; the host adds to it, the game takes it with exchange(0).
    std::atomic<int32_t> m_wheel{0};
    std::atomic<bool> m_rotating{false};
    // Pixels 0xZZRRGGBB (ZZ a depth code, ignored on screen), m_width x
    // m_height. The host thread reads the buffer and the dirty list below
    // during a paint, while the game thread waits in render or a transition;
    // the game thread changes them only outside such a wait.
    Array<int32_t> m_pixels;
    bool m_mute = false;
    int32_t m_soundTime = 0; // ms, when the last sound started
    std::atomic<bool> m_stop{false};
    int32_t m_time = 0;    // ms, end of the last frame wait
    int32_t m_frameMs = 0; // length of the last frame
    // Dirty rectangles (x0, y0, x1, y1), x1 and y1 exclusive: room for 32.
    // Read by the host thread during a paint, like m_pixels.
    Array<int32_t> m_dirty;
    int32_t m_dirtyCount = 0; // words in use, four per rectangle

    // Codes of the desktop's paging keys, which a phone keypad does not have.
    static constexpr int32_t kKeyPageUp = 14;
    static constexpr int32_t kKeyPageDown = 15;
    static constexpr int32_t kKeyHome = 16;
    static constexpr int32_t kKeyEnd = 17;

private:
    static int32_t nextKeyIndex(int32_t i) { return i == 9 ? 0 : i + 1; }
    void releasePixels();
};
