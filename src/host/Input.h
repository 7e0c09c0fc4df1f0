#pragma once
#include <atomic>
#include <cstdint>

#include "host/Keys.h"

// What the player does, as the game sees it: the keys held, the keys pressed
// and not yet taken, the touch (the left mouse button) with its position and
// drag, where the pointer rests, the mouse wheel and the gamepad's right stick.
//
// Two sides, two threads and no locks. The host side (the "Sys" operations and
// the touch protocol) is called by the host's input thread, the one thread that
// writes what it owns; the game side by the game thread. A field written by one
// side and read by the other is atomic; the key queue is a ring with one writer
// per index.
class Input {
public:
    // ---- host side ----

    // Key c pressed by one source (a key, a button, a stick): held while any
    // source holds it, queued when the first one presses it.
    void keyDownSys(int32_t c);
    // One source let go of key c.
    void keyUpSys(int32_t c);
    // Queues c without holding it.
    void keyAddSys(int32_t c);
    // A touch begins at (x, y) in screen pixels: the touch key goes down. A
    // second begin while touching only moves the touch's place.
    void touchBegin(int32_t x, int32_t y);
    // The touch moves: the way adds to the drag.
    void touchMove(int32_t x, int32_t y);
    // The touch ends where it is now, or at (x, y); the touch key goes up.
    void touchEnd();
    void touchEnd(int32_t x, int32_t y);
    // The mouse pointer rests at (x, y), for hover highlights; pointerLeft:
    // it left the screen.
    void pointerSys(int32_t x, int32_t y);
    void pointerLeft() { pointerSys(-1, -1); }
    // Notches of the mouse wheel, positive away from the player.
    void wheelSys(int32_t notches);
    // The stick that stands in for tilting the phone: 32768 is full deflection.
    void tiltSys(int32_t x, int32_t y);
    // Lets go of every key and the touch (the window lost the focus; the
    // releases will never arrive). The queue keeps what was pressed.
    void releaseAll();
    // The window lost the focus or was minimised: the game pauses. Called by
    // the host's event thread when it happens.
    void focusLostSys() { m_focusLost.store(true, std::memory_order_release); }

    // ---- game side ----

    // The next queued key, or Key::kNone; keyPeek leaves it queued.
    int32_t keyGet();
    int32_t keyPeek() const;
    bool keyWaiting() const;
    // Whether key c is held now.
    bool keyDown(int32_t c) const;
    // Where the last touch began or ended, whole screen pixels; (0, 0) once
    // the game has used it (touchUsed), so that it does not count twice.
    int32_t touchX() const { return m_touchX.load(); }
    int32_t touchY() const { return m_touchY.load(); }
    void touchUsed();
    // The drag not taken yet, in screen pixels; dragReset takes it.
    int32_t dragX() const { return m_dragX.load(); }
    int32_t dragY() const { return m_dragY.load(); }
    void dragReset();
    // Where the pointer rests, (-1, -1) off the screen.
    int32_t pointerX() const { return m_pointerX.load(); }
    int32_t pointerY() const { return m_pointerY.load(); }
    // The wheel notches turned since the last take (and forgets them).
    int32_t wheelTake() { return m_wheel.exchange(0); }
    int32_t tiltX() const { return m_tiltX.load(); }
    // Whether the window lost the focus since the last take (and forgets it).
    bool focusLostTake() { return m_focusLost.exchange(false, std::memory_order_acq_rel); }
    int32_t tiltY() const { return m_tiltY.load(); }
    // Keys the game takes for itself whatever screen runs (the screenshot's
    // key and gamepad button): a press of one is counted instead of queued;
    // it is held as any key. Key::kNone for none.
    void setHotkeys(int32_t key, int32_t button);
    // The presses of the hotkeys since the last take (and forgets them).
    int32_t hotkeyTake() { return m_hotPresses.exchange(0); }

    // Keys queued at most at once; more are dropped.
    static constexpr int32_t kQueued = 9;

    // ---- one frame's copy (recorded and replayed battles) ----

    // Everything the game side can read, as plain values.
    struct State {
        uint32_t held[Key::kCount / 32] = {};
        int32_t queued = 0; // keys in queue, oldest first
        int8_t queue[kQueued] = {};
        int32_t touchX = 0, touchY = 0;
        int32_t dragX = 0, dragY = 0;
        int32_t pointerX = -1, pointerY = -1;
        int32_t wheel = 0;
        int32_t tiltX = 0, tiltY = 0;
        bool focusLost = false; // the window lost the focus, not taken yet
        bool operator==(const State&) const = default;
    };
    // Game thread: what the game would read now (nothing is taken).
    State state() const;
    // Game thread, on a copy no host writes to: becomes s; a state out of
    // range (a key code, a queue too long) is kept to what the game accepts.
    void setState(const State& s);
    // Game thread, on a copy no host writes to: takes over what the host
    // delivered to live since the last latch (the keys queued, a touch not
    // used, the drag, the wheel, a focus lost) and what live holds now. The
    // game then reads this copy, unchanged by the host for the whole frame.
    void latch(Input& live);

private:
    static int32_t next(int32_t i) { return i == kQueued ? 0 : i + 1; }
    static bool holdable(int32_t c) { return c > 0 && c < Key::kCount; }
    void hold(int32_t c, bool held);

    // Bit (c & 31) of word c >> 5 is set while key c is held.
    std::atomic<uint32_t> m_held[Key::kCount / 32] = {};
    // Ring of kQueued + 1 slots: the host writes a slot and publishes it by
    // storing m_tail (release); the game reads m_tail (acquire) before the
    // slot and frees it by storing m_head (release).
    int8_t m_queue[kQueued + 1] = {};
    std::atomic<int32_t> m_head{0};
    std::atomic<int32_t> m_tail{0};
    std::atomic<int32_t> m_touchX{0};
    std::atomic<int32_t> m_touchY{0};
    std::atomic<int32_t> m_dragX{0};
    std::atomic<int32_t> m_dragY{0};
    std::atomic<int32_t> m_pointerX{-1};
    std::atomic<int32_t> m_pointerY{-1};
    std::atomic<int32_t> m_wheel{0};
    std::atomic<int32_t> m_tiltX{0};
    std::atomic<int32_t> m_tiltY{0};
    std::atomic<int32_t> m_hotkeys[2] = {Key::kNone, Key::kNone};
    std::atomic<int32_t> m_hotPresses{0};
    std::atomic<bool> m_focusLost{false};

    // Host side only.
    int32_t m_holders[Key::kCount] = {}; // sources holding each key
    bool m_touching = false;
    int32_t m_touchAtX = 0; // where the touch is now
    int32_t m_touchAtY = 0;
};
