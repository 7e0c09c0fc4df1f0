#pragma once
#include <cstdint>

#include "runtime/Object.h"

class App;
class Input;

// One screen of the game: the title, the map, a menu, a page, the battle.
// The game keeps them in a stack and runs the one on top, a frame at a time
// (App::frame): a change of the screen's size is laid out, the screen takes
// the input of the frame and advances by the frame's time, and the frame is
// drawn and shown. A screen opens another by pushing it and closes itself by
// popping; the one below is resumed where its frame stood.
class Screen : public Object {
public:
    explicit Screen(App& app) : m_app(app) {}

    // Put on the stack: builds and shows what it shows.
    virtual void enter() {}
    // The keys, touches, pointer and wheel of this frame.
    virtual void input(Input&) {}
    // Moves on by ms of game time (the length of the last frame).
    virtual void advance(int32_t) {}
    // The screen changed its size: lays out again (every screen on the
    // stack, bottom first).
    virtual void layout() {}
    // Taken off the stack: hides and lets go of what it showed.
    virtual void leave() {}
    // The screen above it, from, has just left: goes on with the frame.
    virtual void resume(Screen&) {}
    // Draws the frame into the screen's buffer and shows it: by default
    // what changed in the sprite tree.
    virtual void draw();
    // The length of the frame in ms: how long the game waits after it.
    virtual int32_t frameWait() const { return kFrameMs; }

    // The frame of a screen that asks for nothing else.
    static constexpr int32_t kFrameMs = 64;
    // A frame that goes on to the next at once, without a wait.
    static constexpr int32_t kNoWait = -1;

protected:
    App& m_app; // owns the screen and outlives it
};
