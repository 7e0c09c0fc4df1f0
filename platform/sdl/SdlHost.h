#pragma once
#include <atomic>
#include <cstdint>

#include <SDL.h>

#include "HostFrame.h"
#include "HostOptions.h"
#include "SdlAudio.h"
#include "SdlInput.h"
#include "WindowGeometry.h"
#include "WindowManager.h"
#include "WindowSettings.h"

// The desktop host: an SDL2 window showing the logical screen at a whole
// scale, the keyboard, mouse and gamepads as the game's input, sounds through
// SDL2_mixer. The main thread runs the event loop; paint requests of the game
// thread arrive there as events.
//
// The scale is the largest whole one at which the window fits the desktop,
// unless one was asked for (or was used last time). It counts the window's
// real pixels: on a HiDPI desktop (scale 2, say) a window of 960 x 640
// coordinates shows 480 x 320 game pixels at scale 4 (WindowGeometry). A window too small for
// the game's controls at that scale is shown at a smaller one; below one
// window pixel per game pixel the screen is scaled down to fit instead of
// being cut. The window's size, scale and full-screen state are kept for the
// next start (WindowSettings).
class SdlHost : public HostFrame {
public:
    ~SdlHost() override;

    // The whole desktop run: window, game thread, event loop until the window
    // is closed (or the game ends), then the stop handshake, during which the
    // game saves its preferences. Returns the exit status: 0, or 1 when no
    // window can be opened.
    int32_t run(const HostOptions& options, RootFactory makeRoot);

    // Game thread, through Vdisplay.
    int32_t loadSound(const char* path) override { return m_audio.load(path); }
    void playSound(int32_t id) override { m_audio.play(id); }
    int32_t loopSound(int32_t id, int32_t volume) override { return m_audio.loop(id, volume); }
    void setLoopVolume(int32_t loop, int32_t volume) override { m_audio.setLoopVolume(loop, volume); }
    void stopLoop(int32_t loop) override { m_audio.stopLoop(loop); }
    // --fps, or the display's refresh rate.
    int32_t frameUs() override { return m_frameUs; }
    // The options page's window: read from what the main thread last
    // published; the changes are handed to it as events.
    Window windowState() const override;
    void setFullscreen(bool on) override;
    void setScale(int32_t scale) override;
    void setVolumes(int32_t effects, int32_t music) override { m_audio.setVolumes(effects, music); }
    // The player's frame rate, unless --fps gave one.
    void setFrameRate(int32_t fps) override;

    // The scale for a logical screen of width x height on a desktop of
    // deskWidth x deskHeight usable pixels: asked (1..16), or the largest that
    // fits when asked is 0; never more than fits, never less than 1.
    static int32_t fitScale(int32_t width, int32_t height, int32_t deskWidth, int32_t deskHeight, int32_t asked);

    // The game lays out its controls for at least this many logical pixels;
    // the window cannot be made smaller (unless --size asks for less).
    static constexpr int32_t kMinWidth = 480;
    static constexpr int32_t kMinHeight = 320;
    // The frame rate when the display does not say its own, and the most
    // the game draws by default.
    static constexpr int32_t kDefaultRate = 60;
    static constexpr int32_t kMostRate = 240;
    // Room the window manager takes for frames and title bars.
    static constexpr int32_t kFrameWidth = 16;
    static constexpr int32_t kFrameHeight = 48;

protected:
    // Game thread: posts a paint event to the main thread's queue.
    void queuePaint() override;
    // Main thread: uploads the rectangles into the screen texture.
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override;
    int32_t shotScale() const override { return m_published.shownScale.load(); }
    // Main thread: what draws into the window (null before it is open).
    SDL_Renderer* renderer() const { return m_renderer; }
    SDL_Window* window() const { return m_window; }
    SdlAudio& audio() { return m_audio; }
    // Main thread, each time full screen is entered: whether a window manager
    // will carry out SDL's full screen (WindowManager); without one the host
    // covers the display with a borderless window instead.
    virtual bool windowManaged() const;

private:
    // Chooses the scale and the logical size from the options, the stored
    // settings and the desktop.
    void chooseSize(const HostOptions& o, const WindowSettings& stored, bool restored);
    bool openWindow();
    // The window's geometry now, at the size last reported (m_windowW x
    // m_windowH).
    WindowGeometry measure() const;
    // On a HiDPI desktop: the scale chosen again for the desktop's real
    // pixels, the window made the size that holds it.
    void fitRealPixels();
    // The usable desktop in real pixels, less the window's frame.
    int32_t deskPixelsW() const { return m_geom.pixelsW(m_deskW); }
    int32_t deskPixelsH() const { return m_geom.pixelsH(m_deskH); }
    // A frame of the display the window is on, in microseconds.
    int32_t displayFrameUs() const;
    void setIcon();
    void closeWindow();
    void eventLoop();
    void handle(const SDL_Event& e);
    void present();
    void applyResize();
    // Where the screen lies in the window, in real pixels: shown at
    // m_shownScale when it fits, else scaled down to fit.
    WindowGeometry::Rect screenRect() const;
    void placeScreen();
    // What the game thread may read of the window, after every change.
    void publish();
    // Main thread: the options page's requests (events kFullscreen, kScale).
    void request(int32_t code, int32_t value);
    void applyScale(int32_t scale);
    // Enters or leaves full screen (F11, the options page, the stored state
    // at start). Leaving puts the window back where the player had it, at
    // the size it had.
    void setFull(bool on);
    bool fullscreen() const { return m_full; }
    // A new size of the window: the player's own unless it is full screen.
    void resized(int32_t w, int32_t h);
    void saveSettings() const;

    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    std::atomic<int32_t> m_frameUs{1000000 / kDefaultRate}; // read by the game thread
    bool m_paceGiven = false;  // --fps was given
    int32_t m_displayUs = 0;   // a frame of the display; both set before the game runs
    // The window as published for the game thread.
    struct Published {
        std::atomic<bool> fullscreen{false};
        std::atomic<int32_t> scale{0};
        std::atomic<int32_t> maxScale{0};
        std::atomic<int32_t> shownScale{1};
    } m_published;
    int32_t m_deskW = 1 << 14; // usable desktop, less the window's frame (coordinates)
    int32_t m_deskH = 1 << 14;
    SDL_Rect m_desk{0, 0, 1 << 14, 1 << 14}; // the usable desktop itself
    int32_t m_askedScale = 0;  // by the options or the stored settings; 0: the largest that fits
    int32_t m_optionScale = 0; // --scale
    // The kinds of the events the game thread posts (SDL_UserEvent::code).
    static constexpr int32_t kPaint = 0, kFullscreen = 1, kScale = 2;
    int32_t m_texW = 0; // size of the texture = the logical size last painted
    int32_t m_texH = 0;
    int32_t m_scale = 2;      // the player's scale, in real pixels
    int32_t m_shownScale = 2; // the scale in use for the window's size
    int32_t m_width = 480;    // logical size asked of the game
    int32_t m_height = 320;
    int32_t m_minWidth = kMinWidth; // the smallest logical size
    int32_t m_minHeight = kMinHeight;
    bool m_startFull = false;
    // The window's size (coordinates) and place the last time it was not
    // full screen.
    int32_t m_restoreW = 0;
    int32_t m_restoreH = 0;
    int32_t m_restoreX = SDL_WINDOWPOS_CENTERED;
    int32_t m_restoreY = SDL_WINDOWPOS_CENTERED;
    bool m_full = false;       // full screen, either way
    bool m_borderless = false; // full screen made by the host, not by SDL
    uint32_t m_paintEvent = 0;
    bool m_quit = false;
    bool m_resizePending = false;
    int32_t m_windowW = 0; // window size in coordinates
    int32_t m_windowH = 0;
    WindowGeometry m_geom; // and in real pixels
    bool m_sdlStarted = false;
    SdlInput m_devices; // keyboard, mouse and gamepads
    SdlAudio m_audio;
};
