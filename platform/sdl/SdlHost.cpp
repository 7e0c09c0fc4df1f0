#include "SdlHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

void noDisplay(const char* what)
{
    std::printf("korvath: %s (%s). Without a display, run korvath --headless.\n", what,
                SDL_GetError());
}

} // namespace

SdlHost::~SdlHost()
{
    closeWindow();
}

int32_t SdlHost::run(const HostOptions& o, RootFactory makeRoot)
{
    m_scale = o.m_scale;
    m_width = o.m_width;
    m_height = o.m_height;
    if (!openWindow(o)) {
        closeWindow();
        return 1;
    }
    m_audio.open(o.m_mute);
    startGame(std::move(makeRoot), m_width, m_height);
    // The window appears with the game's first frame, not as an empty box.
    waitRepaint();
    SDL_ShowWindow(m_window);
    if (o.m_fullscreen)
        SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    eventLoop();
    if (V3dView* vp = viewport())
        m_input.releaseAll(*vp);
    if (!stop()) {
        // The game thread still runs and uses this host: end the process here.
        std::fflush(nullptr);
        std::_Exit(1);
    }
    finishGame();
    m_input.closePads();
    m_audio.close();
    closeWindow();
    std::fflush(stdout);
    return 0;
}

bool SdlHost::openWindow(const HostOptions& o)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        noDisplay("cannot open the display");
        return false;
    }
    m_sdlStarted = true;
    // SDL falls back on a driver that draws nowhere when there is no display;
    // a window nobody can see is only wanted when asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        !(asked && SDL_strcasecmp(asked, driver) == 0)) {
        SDL_SetError("no window system found");
        noDisplay("cannot open the display");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        std::printf("korvath: no gamepads (%s)\n", SDL_GetError());
    m_window = SDL_CreateWindow("Korvath", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                o.m_width * m_scale, o.m_height * m_scale,
                                SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!m_window) {
        noDisplay("cannot open a window");
        return false;
    }
    SDL_SetWindowMinimumSize(m_window, std::min(kMinWidth, o.m_width) * m_scale,
                             std::min(kMinHeight, o.m_height) * m_scale);
    m_renderer = SDL_CreateRenderer(m_window, -1, 0);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!m_renderer) {
        noDisplay("cannot draw into the window");
        return false;
    }
    m_paintEvent = SDL_RegisterEvents(1);
    if (m_paintEvent == static_cast<uint32_t>(-1)) {
        std::printf("korvath: no room for the paint event (%s)\n", SDL_GetError());
        return false;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    m_windowW = w;
    m_windowH = h;
    placeScreen();
    return true;
}

void SdlHost::closeWindow()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
    m_texW = m_texH = 0;
    if (m_sdlStarted) {
        m_input.closePads();
        m_audio.close();
        SDL_Quit();
        m_sdlStarted = false;
    }
}

void SdlHost::eventLoop()
{
    while (!m_quit && !gameEnded()) {
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, 20)) {
            handle(e);
            // A bounded batch, so a flood of motion events cannot hold off a resize.
            for (int32_t i = 0; i < 256 && !m_quit && SDL_PollEvent(&e); i++)
                handle(e);
        }
        if (m_resizePending && !m_quit)
            applyResize();
    }
}

void SdlHost::handle(const SDL_Event& e)
{
    if (e.type == m_paintEvent) {
        if (servePaint())
            present();
        return;
    }
    switch (e.type) {
    case SDL_QUIT:
        m_quit = true;
        return;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            m_windowW = e.window.data1;
            m_windowH = e.window.data2;
            m_resizePending = true;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            present();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys released while another window has the focus never arrive.
            if (V3dView* vp = viewport())
                m_input.releaseAll(*vp);
            break;
        default:
            break;
        }
        return;
    case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_F11) {
            if (!e.key.repeat) {
                bool full = (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
                            SDL_WINDOW_FULLSCREEN_DESKTOP;
                SDL_SetWindowFullscreen(m_window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
            }
            return;
        }
        break;
    default:
        break;
    }
    m_input.handle(e, viewport());
}

void SdlHost::applyResize()
{
    m_resizePending = false;
    placeScreen();
    int32_t w = std::max(m_windowW / m_scale, 1);
    int32_t h = std::max(m_windowH / m_scale, 1);
    if (w == m_width && h == m_height)
        return;
    m_width = w;
    m_height = h;
    // Like a rotation of the phone: no paints while the size changes, then
    // the main thread waits for the first frame at the new size.
    beginResize();
    endResize(w, h);
}

void SdlHost::placeScreen()
{
    int32_t w = m_texW > 0 ? m_texW : m_width;
    int32_t h = m_texH > 0 ? m_texH : m_height;
    int32_t x = std::max((m_windowW - w * m_scale) / 2, 0);
    int32_t y = std::max((m_windowH - h * m_scale) / 2, 0);
    m_input.setScreen(x, y, m_scale, w, h);
}

void SdlHost::queuePaint()
{
    SDL_Event e{};
    e.type = m_paintEvent;
    // Should the queue be full, the game gives up waiting and paints again.
    SDL_PushEvent(&e);
}

void SdlHost::show(const Viewport& vp, const int32_t* rects, int32_t n)
{
    int32_t w = vp.m_width, h = vp.m_height;
    if (w <= 0 || h <= 0 || vp.m_pixels.length < w * h || !m_renderer)
        return;
    if (!m_texture || w != m_texW || h != m_texH) {
        if (m_texture)
            SDL_DestroyTexture(m_texture);
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_XRGB8888,
                                      SDL_TEXTUREACCESS_STREAMING, w, h);
        m_texW = m_texture ? w : 0;
        m_texH = m_texture ? h : 0;
        placeScreen();
        if (!m_texture) {
            std::printf("korvath: cannot make a %d x %d screen texture (%s)\n", w, h, SDL_GetError());
            return;
        }
        SDL_SetTextureScaleMode(m_texture, SDL_ScaleModeNearest);
        // A new texture holds nothing yet: upload the whole buffer once.
        SDL_UpdateTexture(m_texture, nullptr, vp.m_pixels.a, w * 4);
        return;
    }
    for (int32_t i = 0; i < n; i++, rects += 4) {
        int32_t x0 = std::max(rects[0], 0), y0 = std::max(rects[1], 0);
        int32_t x1 = std::min(rects[2], w), y1 = std::min(rects[3], h);
        if (x0 >= x1 || y0 >= y1)
            continue;
        SDL_Rect r{x0, y0, x1 - x0, y1 - y0};
        // The rectangle is read straight from the buffer, rows a buffer width apart.
        SDL_UpdateTexture(m_texture, &r, vp.m_pixels.a + y0 * w + x0, w * 4);
    }
}

void SdlHost::present()
{
    if (!m_renderer)
        return;
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    if (m_texture) {
        int ow = 0, oh = 0;
        SDL_GetRendererOutputSize(m_renderer, &ow, &oh);
        SDL_Rect dst{std::max((ow - m_texW * m_scale) / 2, 0), std::max((oh - m_texH * m_scale) / 2, 0),
                     m_texW * m_scale, m_texH * m_scale};
        SDL_RenderCopy(m_renderer, m_texture, nullptr, &dst);
    }
    SDL_RenderPresent(m_renderer);
}
