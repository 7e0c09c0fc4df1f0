#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "PadState.h"
#include "WebScreen.h"
#include "game/FrameStats.h"
#include "host/Host.h"
#include "render3d/V3dView.h"
#include "runtime/ref.h"

struct EmscriptenKeyboardEvent;
struct EmscriptenMouseEvent;
struct EmscriptenTouchEvent;
class GameStart;

// The game in a browser page. The page has one thread and it must never
// block, so the browser drives the game: on every animation frame the host
// reads the gamepads and runs the game's next frame when its wait is over
// (Viewport::step), and a paint goes straight into the canvas. The keyboard,
// the mouse and touches reach the game's input from the page's events between
// frames, as the desktop's do: the same key codes, the left button and a
// finger as the game's touch. Sounds play through Web Audio, the player's
// files live in a folder that IndexedDB keeps (the storage sync after every
// change), and a hidden page pauses the game and stores the battle.
class WebHost : public Host {
public:
    explicit WebHost(GameStart& start);

    // Once, from main: the page's events, then the player's folder read from
    // IndexedDB; the game starts when it is there (storageReady).
    void open();
    // The player's folder was read (stored: it is kept; false: the browser
    // refused, and the game plays with a folder in memory).
    void storageReady(bool stored);
    // The window changed its size or the display its scale.
    void resized();
    // The page was hidden (another tab, closed) or shown again.
    void hidden(bool hidden);

    // ---- Host ----
    void redrawAll(Viewport& vp) override;
    void redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    int32_t nowMs() override;
    // Never called while the page drives the game; nothing may block here.
    void sleepMs(int32_t) override {}
    int32_t loadSound(const char* path) override;
    void playSound(int32_t id) override;
    int32_t loopSound(int32_t id, int32_t volume) override;
    void setLoopVolume(int32_t loop, int32_t volume) override;
    void stopLoop(int32_t loop) override;
    // The browser's animation frames pace the game unless the player chose
    // a rate.
    int32_t frameUs() override { return m_frameUs; }
    Window windowState() const override;
    void setFullscreen(bool on) override;
    void setScale(int32_t scale) override;
    void setVolumes(int32_t effects, int32_t music) override;
    void setFrameRate(int32_t fps) override;
    // Downloads the canvas, each pixel scale x scale, as a PNG picture.
    std::string saveScreenshot(const Viewport& vp) override;
    // Writes the player's folder back to IndexedDB.
    void stored() override;

    // How the frames went so far, as --frame-stats prints it; the work of a
    // frame here includes putting it on the canvas.
    std::string frameReport(bool reset);

    static WebHost* s_host;

private:
    void frame();
    // The game's frames due by now; false once the game is over.
    bool play();
    void over();
    void layout();
    void pads();
    bool key(int32_t type, const EmscriptenKeyboardEvent& e);
    void mouse(int32_t type, const EmscriptenMouseEvent& e);
    void touch(int32_t type, const EmscriptenTouchEvent& e);
    void toLogical(double x, double y, int32_t& lx, int32_t& ly) const;
    void show(const Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    GameStart& m_start;
    ref<V3dView> m_root;
    WebScreen m_screen;
    int32_t m_wantedScale = 0;  // the player's; 0: the largest that fits
    int32_t m_frameUs = 0;
    int32_t m_wait = 0;         // what the last step asked for
    bool m_playing = false;
    bool m_hidden = false;
    FrameStats m_stats;
    std::vector<uint32_t> m_rgba; // the canvas's pixels: bytes red, green, blue, opaque
    int16_t m_keyDown[256] = {}; // by the browser's key number: the code it pressed
    int32_t m_touchId = -1;      // the finger that is the game's touch
    static constexpr int32_t kPads = 4;
    PadState m_pads[kPads];
    bool m_padOn[kPads] = {};
};
