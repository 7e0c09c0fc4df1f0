#include "SdlHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PadMappings.h"
#include "Png.h"
#include "runtime/InputStream.h"

namespace {

void noDisplay(const char* what)
{
    std::fprintf(stderr, "korvath: %s (%s). Without a display, run korvath --headless.\n", what,
                 SDL_GetError());
}

} // namespace

SdlHost::~SdlHost()
{
    closeWindow();
}

int32_t SdlHost::fitScale(int32_t width, int32_t height, int32_t deskWidth, int32_t deskHeight, int32_t asked)
{
    int32_t fits = 1;
    while (fits < 16 && width * (fits + 1) <= deskWidth && height * (fits + 1) <= deskHeight)
        fits++;
    return asked >= 1 ? std::min(std::min(asked, 16), fits) : fits;
}

int32_t SdlHost::displayFrameUs() const
{
    SDL_DisplayMode mode{};
    const int32_t display = m_window ? std::max(SDL_GetWindowDisplayIndex(m_window), 0) : 0;
    int32_t rate = SDL_GetDesktopDisplayMode(display, &mode) == 0 ? mode.refresh_rate : 0;
    if (rate <= 0)
        rate = kDefaultRate;
    return 1000000 / std::min(rate, kMostRate);
}

int32_t SdlHost::run(const HostOptions& o, RootFactory makeRoot)
{
    WindowSettings stored;
    const bool restored = stored.load();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        noDisplay("cannot open the display");
        return 1;
    }
    m_sdlStarted = true;
    chooseSize(o, stored, restored);
    if (!openWindow()) {
        closeWindow();
        return 1;
    }
    m_displayUs = displayFrameUs();
    m_paceGiven = o.m_frameUs >= 0;
    m_frameUs = m_paceGiven ? o.m_frameUs : m_displayUs;
    m_audio.open(o.m_mute);
    startGame(std::move(makeRoot), m_width, m_height);
    // The window appears with the game's first frame, not as an empty box.
    waitRepaint();
    SDL_ShowWindow(m_window);
    if (m_startFull)
        setFull(true);
    eventLoop();
    saveSettings();
    m_devices.releaseAll(input());
    if (!stop()) {
        // The game thread still runs and uses this host: end the process here.
        std::fflush(nullptr);
        std::_Exit(1);
    }
    finishGame();
    m_devices.closePads();
    m_audio.close();
    closeWindow();
    std::fflush(stdout);
    return 0;
}

void SdlHost::chooseSize(const HostOptions& o, const WindowSettings& stored, bool restored)
{
    // The options win over what was stored, which wins over the defaults.
    m_width = o.m_width;
    m_height = o.m_height;
    if (!o.m_sizeGiven && restored) {
        m_width = stored.m_width;
        m_height = stored.m_height;
    }
    m_minWidth = std::min(kMinWidth, o.m_width);
    m_minHeight = std::min(kMinHeight, o.m_height);
    int32_t asked = o.m_scale;
    if (asked == 0 && restored)
        asked = stored.m_scale;
    m_askedScale = asked;
    m_optionScale = o.m_scale;
    m_startFull = o.m_fullscreen || (restored && stored.m_fullscreen);

    SDL_Rect desk{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &desk) != 0 || desk.w <= 0 || desk.h <= 0)
        desk = SDL_Rect{0, 0, 1 << 14, 1 << 14};
    const int32_t deskW = desk.w - kFrameWidth, deskH = desk.h - kFrameHeight;
    m_desk = desk;
    m_deskW = deskW;
    m_deskH = deskH;
    // A stored size from a larger desktop shrinks to fit this one.
    if (!o.m_sizeGiven) {
        m_width = std::max(std::min(m_width, deskW), m_minWidth);
        m_height = std::max(std::min(m_height, deskH), m_minHeight);
    }
    // As if a window coordinate were a real pixel, until the window says.
    m_scale = fitScale(m_width, m_height, deskW, deskH, asked);
    m_shownScale = m_scale;
    m_windowW = m_restoreW = m_width * m_scale;
    m_windowH = m_restoreH = m_height * m_scale;
}

bool SdlHost::openWindow()
{
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
        std::fprintf(stderr, "korvath: no gamepads (%s)\n", SDL_GetError());
    else
        PadMappings::load(PadMappings::files());
    m_window = SDL_CreateWindow("Korvath", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, m_windowW, m_windowH,
                                SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m_window) {
        noDisplay("cannot open a window");
        return false;
    }
    SDL_SetWindowMinimumSize(m_window, m_minWidth, m_minHeight);
    setIcon();
    // Presents wait for the display's refresh, which paces the game.
    m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, 0);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (!m_renderer) {
        noDisplay("cannot draw into the window");
        return false;
    }
    m_paintEvent = SDL_RegisterEvents(1);
    if (m_paintEvent == static_cast<uint32_t>(-1)) {
        std::fprintf(stderr, "korvath: no room for the paint event (%s)\n", SDL_GetError());
        return false;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    m_windowW = w;
    m_windowH = h;
    m_geom = measure();
    if (m_geom.scaled())
        fitRealPixels();
    if (m_optionScale > m_scale)
        std::fprintf(stderr,
                     "korvath: at --scale %d the window (%d x %d) would not fit the desktop (%d x %d); "
                     "using scale %d\n",
                     m_optionScale, m_width * m_optionScale, m_height * m_optionScale, m_geom.pixelsW(m_desk.w),
                     m_geom.pixelsH(m_desk.h), m_scale);
    // The window manager may have given another size than asked for.
    m_shownScale = m_geom.shownScale(m_scale, m_minWidth, m_minHeight);
    m_width = m_geom.logicalW(m_shownScale, m_minWidth);
    m_height = m_geom.logicalH(m_shownScale, m_minHeight);
    placeScreen();
    return true;
}

WindowGeometry SdlHost::measure() const
{
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(m_window, &ww, &wh);
    if (!m_renderer || SDL_GetRendererOutputSize(m_renderer, &dw, &dh) != 0 || dw <= 0 || dh <= 0) {
        dw = ww;
        dh = wh;
    }
    // SDL's sizes give the desktop's scale; the size is the one the last
    // window event reported, which SDL's may already be ahead of.
    return WindowGeometry(ww, wh, dw, dh).resized(m_windowW, m_windowH);
}

void SdlHost::fitRealPixels()
{
    m_scale = fitScale(m_width, m_height, deskPixelsW(), deskPixelsH(), m_askedScale);
    SDL_SetWindowMinimumSize(m_window, m_geom.coordsW(m_minWidth), m_geom.coordsH(m_minHeight));
    SDL_SetWindowSize(m_window, m_geom.coordsW(m_width * m_scale), m_geom.coordsH(m_height * m_scale));
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    m_windowW = m_restoreW = w;
    m_windowH = m_restoreH = h;
    m_geom = measure();
}

void SdlHost::setIcon()
{
    const std::string path = InputStream::resourcePath("icon.png");
    int32_t w = 0, h = 0;
    std::vector<uint32_t> argb;
    std::string why;
    if (!Png::read(path, w, h, argb, &why)) {
        std::fprintf(stderr, "korvath: no window icon (%s: %s)\n", path.c_str(), why.c_str());
        return;
    }
    SDL_Surface* icon =
        SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon) {
        SDL_SetWindowIcon(m_window, icon);
        SDL_FreeSurface(icon);
    }
}

bool SdlHost::windowManaged() const
{
    return WindowManager::running(SDL_GetCurrentVideoDriver());
}

void SdlHost::setFull(bool on)
{
    if (!m_window || on == m_full)
        return;
    if (on) {
        int x = 0, y = 0;
        SDL_GetWindowPosition(m_window, &x, &y);
        m_restoreX = x;
        m_restoreY = y;
        SDL_Rect d{0, 0, 0, 0};
        if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(m_window), 0), &d) != 0)
            d = SDL_Rect{0, 0, m_windowW, m_windowH};
        m_full = true;
        m_borderless = !windowManaged();
        if (!m_borderless) {
            SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP);
            return;
        }
        // Nobody would carry out SDL's request: the window itself covers
        // the display, without its frame, above the others.
        SDL_SetWindowBordered(m_window, SDL_FALSE);
        SDL_SetWindowPosition(m_window, d.x, d.y);
        SDL_SetWindowSize(m_window, d.w, d.h);
        SDL_RaiseWindow(m_window);
        return;
    }
    m_full = false;
    if (m_borderless)
        SDL_SetWindowBordered(m_window, SDL_TRUE);
    else
        SDL_SetWindowFullscreen(m_window, 0);
    m_borderless = false;
    // SDL would bring back the size it last set itself, which is not the
    // player's after a resize or a change of scale.
    SDL_SetWindowSize(m_window, m_restoreW, m_restoreH);
    SDL_SetWindowPosition(m_window, m_restoreX, m_restoreY);
}

void SdlHost::resized(int32_t w, int32_t h)
{
    m_windowW = w;
    m_windowH = h;
    m_resizePending = true;
    // The window manager may end its full screen by itself (its own key).
    if (!m_borderless)
        m_full = (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN) != 0;
    if (m_full)
        return;
    m_restoreW = w;
    m_restoreH = h;
}

void SdlHost::saveSettings() const
{
    if (!m_window)
        return;
    WindowSettings s;
    // The size the window had the last time it was not full screen, in the
    // player's scale.
    s.m_scale = m_scale;
    s.m_width = std::clamp(m_geom.pixelsW(m_restoreW) / m_scale, 16, 4096);
    s.m_height = std::clamp(m_geom.pixelsH(m_restoreH) / m_scale, 16, 4096);
    s.m_fullscreen = fullscreen();
    s.save();
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
        m_devices.closePads();
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
        m_audio.poll();
    }
}

void SdlHost::handle(const SDL_Event& e)
{
    if (e.type == m_paintEvent) {
        if (e.user.code != kPaint)
            request(e.user.code, static_cast<int32_t>(reinterpret_cast<intptr_t>(e.user.data1)));
        else if (servePaint())
            present();
        return;
    }
    switch (e.type) {
    case SDL_QUIT:
        m_quit = true;
        return;
    case SDL_AUDIODEVICEREMOVED:
        if (!e.adevice.iscapture)
            m_audio.removed(e.adevice.which);
        return;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            resized(e.window.data1, e.window.data2);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            input().pointerLeft();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            present();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys released while another window has the focus never arrive.
            m_devices.releaseAll(input());
            input().focusLostSys();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            input().focusLostSys();
            break;
        default:
            break;
        }
        return;
    case SDL_KEYDOWN:
        // F11, or Alt+Enter as in most desktop games, toggles full screen.
        if (e.key.keysym.sym == SDLK_F11 ||
            ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT))) {
            if (!e.key.repeat) {
                setFull(!m_full);
                publish();
            }
            return;
        }
        break;
    default:
        break;
    }
    // Before the game runs there is nobody to give the input to.
    m_devices.handle(e, viewport() ? &input() : nullptr);
}

void SdlHost::applyResize()
{
    m_resizePending = false;
    // Too small for the game at the player's scale, the window shows it at a
    // smaller one; below one window pixel per game pixel, scaled down.
    m_geom = measure();
    m_shownScale = m_geom.shownScale(m_scale, m_minWidth, m_minHeight);
    const int32_t w = m_geom.logicalW(m_shownScale, m_minWidth);
    const int32_t h = m_geom.logicalH(m_shownScale, m_minHeight);
    placeScreen();
    if (w == m_width && h == m_height)
        return;
    m_width = w;
    m_height = h;
    // Like a rotation of the phone: no paints while the size changes, then
    // the main thread waits for the first frame at the new size.
    beginResize();
    endResize(w, h);
}

WindowGeometry::Rect SdlHost::screenRect() const
{
    return m_geom.screen(m_texW > 0 ? m_texW : m_width, m_texH > 0 ? m_texH : m_height, m_shownScale);
}

void SdlHost::placeScreen()
{
    m_devices.setScreen(m_geom, screenRect(), m_texW > 0 ? m_texW : m_width, m_texH > 0 ? m_texH : m_height);
    publish();
}

void SdlHost::publish()
{
    m_published.fullscreen.store(fullscreen());
    m_published.scale.store(m_scale);
    m_published.maxScale.store(fitScale(m_width, m_height, deskPixelsW(), deskPixelsH(), 0));
    m_published.shownScale.store(m_shownScale);
}

// ---- the options page ----

Host::Window SdlHost::windowState() const
{
    return Window{m_published.fullscreen.load(), m_published.scale.load(), m_published.maxScale.load()};
}

void SdlHost::setFullscreen(bool on)
{
    SDL_Event e{};
    e.type = m_paintEvent;
    e.user.code = kFullscreen;
    e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(on ? 1 : 0));
    SDL_PushEvent(&e);
}

void SdlHost::setScale(int32_t scale)
{
    SDL_Event e{};
    e.type = m_paintEvent;
    e.user.code = kScale;
    e.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(scale));
    SDL_PushEvent(&e);
}

void SdlHost::setFrameRate(int32_t fps)
{
    if (!m_paceGiven)
        m_frameUs = fps > 0 ? 1000000 / fps : m_displayUs;
}

void SdlHost::request(int32_t code, int32_t value)
{
    if (!m_window)
        return;
    if (code == kFullscreen)
        setFull(value != 0);
    else if (code == kScale)
        applyScale(value);
    publish();
}

void SdlHost::applyScale(int32_t scale)
{
    m_scale = std::clamp(scale, 1, fitScale(m_width, m_height, deskPixelsW(), deskPixelsH(), 0));
    // The window takes the game's size at the new scale; in full screen the
    // size is kept for when it leaves it.
    m_restoreW = m_geom.coordsW(m_width * m_scale);
    m_restoreH = m_geom.coordsH(m_height * m_scale);
    if (!fullscreen())
        SDL_SetWindowSize(m_window, m_restoreW, m_restoreH);
    m_resizePending = true;
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
            std::fprintf(stderr, "korvath: cannot make a %d x %d screen texture (%s)\n", w, h, SDL_GetError());
            return;
        }
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
        const WindowGeometry::Rect r = screenRect();
        const SDL_Rect dst{r.x, r.y, r.w, r.h};
        // Whole scales keep their sharp pixels; a screen scaled down is smoothed.
        const bool whole = dst.w == m_texW * m_shownScale && dst.h == m_texH * m_shownScale;
        SDL_SetTextureScaleMode(m_texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        SDL_RenderCopy(m_renderer, m_texture, nullptr, &dst);
    }
    SDL_RenderPresent(m_renderer);
}
