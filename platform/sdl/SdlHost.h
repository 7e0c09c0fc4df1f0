#pragma once
#include <cstdint>

#include <SDL.h>

#include "HostFrame.h"
#include "HostOptions.h"
#include "SdlAudio.h"
#include "SdlInput.h"

// The desktop host: an SDL2 window showing the logical screen at a whole
// scale, the keyboard, mouse and gamepads as the game's input, sounds through
// SDL2_mixer. The main thread runs the event loop; paint requests of the game
// thread arrive there as events.
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

    // The smallest window, in logical pixels (unless --size asks for less).
    static constexpr int32_t kMinWidth = 120;
    static constexpr int32_t kMinHeight = 80;

protected:
    // Game thread: posts a paint event to the main thread's queue.
    void queuePaint() override;
    // Main thread: uploads the rectangles into the screen texture.
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override;
    // Main thread: what draws into the window (null before it is open).
    SDL_Renderer* renderer() const { return m_renderer; }

private:
    bool openWindow(const HostOptions& o);
    void closeWindow();
    void eventLoop();
    void handle(const SDL_Event& e);
    void present();
    void applyResize();
    void placeScreen();

    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int32_t m_texW = 0; // size of the texture = the logical size last painted
    int32_t m_texH = 0;
    int32_t m_scale = 2;
    int32_t m_width = 480; // logical size asked of the game
    int32_t m_height = 320;
    uint32_t m_paintEvent = 0;
    bool m_quit = false;
    bool m_resizePending = false;
    int32_t m_windowW = 0; // window size in window pixels
    int32_t m_windowH = 0;
    bool m_sdlStarted = false;
    SdlInput m_input;
    SdlAudio m_audio;
};
