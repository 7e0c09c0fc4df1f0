#include "WebHost.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "GameStart.h"
#include "HostFrame.h"
#include "Screenshot.h"
#include "WebKeys.h"
#include "host/Vdisplay.h"

extern "C" {
// library_page.js
void korvath_page_open();
void korvath_page_size(int32_t* sizes);
void korvath_canvas_size(int32_t cssWidth, int32_t cssHeight);
void korvath_canvas_shown(double* sizes);
void korvath_canvas_blit(const uint8_t* rgba, int32_t width, int32_t height, int32_t x, int32_t y, int32_t w,
                         int32_t h);
void korvath_canvas_download(int32_t scale, const char* name);
void korvath_fullscreen(int32_t on);
int32_t korvath_fullscreen_on();
void korvath_say(const char* text);
int32_t korvath_sound_load(const uint8_t* bytes, int32_t n, int32_t music, const char* name);
void korvath_sound_play(int32_t id);
int32_t korvath_sound_loop(int32_t id, int32_t volume);
void korvath_sound_loop_volume(int32_t loop, int32_t volume);
void korvath_sound_loop_stop(int32_t loop);
void korvath_sound_volumes(int32_t effects, int32_t music);
void korvath_storage_open(const char* folder);
void korvath_storage_sync();
void korvath_storage_journal(const char* folder);
}

WebHost* WebHost::s_host = nullptr;

namespace {

// A frame that ran without a wait is followed at once by the next, but never
// more of them than this in one animation frame.
constexpr int32_t kMostStepsAtOnce = 8;
// A wait that ends within this of the animation frame counts as over: the
// browser's frames come when they come.
constexpr int32_t kEarlyMs = 3;

} // namespace

WebHost::WebHost(GameStart& start) : m_start(start)
{
    s_host = this;
}

void WebHost::open()
{
    Host::install(this);
    korvath_page_open();
    const char* canvas = "#canvas";
    auto onKey = [](int type, const EmscriptenKeyboardEvent* e, void*) -> EM_BOOL {
        return s_host->key(type, *e);
    };
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, onKey);
    auto onMouse = [](int type, const EmscriptenMouseEvent* e, void*) -> EM_BOOL {
        s_host->mouse(type, *e);
        return type != EMSCRIPTEN_EVENT_MOUSEMOVE;
    };
    emscripten_set_mousedown_callback(canvas, nullptr, false, onMouse);
    emscripten_set_mouseup_callback(canvas, nullptr, false, onMouse);
    emscripten_set_mousemove_callback(canvas, nullptr, false, onMouse);
    emscripten_set_mouseleave_callback(canvas, nullptr, false, onMouse);
    emscripten_set_wheel_callback(canvas, nullptr, false, [](int, const EmscriptenWheelEvent* e, void*) -> EM_BOOL {
        s_host->input().wheelSys(e->deltaY < 0 ? 1 : e->deltaY > 0 ? -1 : 0);
        return true;
    });
    auto onTouch = [](int type, const EmscriptenTouchEvent* e, void*) -> EM_BOOL {
        s_host->touch(type, *e);
        return true;
    };
    emscripten_set_touchstart_callback(canvas, nullptr, false, onTouch);
    emscripten_set_touchmove_callback(canvas, nullptr, false, onTouch);
    emscripten_set_touchend_callback(canvas, nullptr, false, onTouch);
    emscripten_set_touchcancel_callback(canvas, nullptr, false, onTouch);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false,
                                 [](int, const EmscriptenFocusEvent*, void*) -> EM_BOOL {
                                     s_host->input().releaseAll();
                                     std::fill(std::begin(s_host->m_keyDown), std::end(s_host->m_keyDown), 0);
                                     return false;
                                 });
    layout();
    korvath_storage_open(Vdisplay::folder(Vdisplay::Store::Data).c_str());
}

void WebHost::storageReady(bool)
{
    // What the journal of the last visit put back is stored for good.
    korvath_storage_sync();
    g_d = new Vdisplay;
    m_root = m_start.game()();
    g_p = m_root;
    m_root->init(g_d);
    m_root->setWidthHeight(m_screen.width, m_screen.height);
    m_root->begin();
    m_playing = true;
    m_wait = 0;
    emscripten_set_main_loop_arg([](void* host) { static_cast<WebHost*>(host)->frame(); }, this, 0, false);
}

// ---- the frame ----

void WebHost::frame()
{
    if (!m_playing || m_hidden)
        return;
    pads();
    if (!play())
        over();
}

bool WebHost::play()
{
    for (int32_t steps = 0; steps < kMostStepsAtOnce; steps++) {
        if (m_wait != Viewport::kStepAtOnce) {
            const int32_t elapsed = nowMs() - m_root->m_time;
            if (elapsed < m_wait - kEarlyMs)
                return true;
            // Over by now, so the wait returns at once.
            m_root->waitMs(std::min(m_wait, elapsed));
        }
        const double began = emscripten_get_now();
        m_wait = m_root->step();
        if (m_wait == Viewport::kStepOver)
            return false;
        if (m_wait != Viewport::kStepAtOnce) {
            m_stats.add(m_root->m_frameMs, static_cast<int64_t>((emscripten_get_now() - began) * 1000));
            return true;
        }
    }
    return true;
}

void WebHost::over()
{
    m_playing = false;
    emscripten_cancel_main_loop();
    m_root->end();
    m_root->removeAllStar();
    m_root = nullptr;
    g_p = nullptr;
    g_d = nullptr;
    korvath_say("The game has ended. Reload the page to play again.");
}

void WebHost::hidden(bool hidden)
{
    if (hidden == m_hidden)
        return;
    m_hidden = hidden;
    if (!m_root || !m_playing)
        return;
    if (hidden) {
        // The player may never come back: the battle is stored as it stands,
        // and the game pauses as for a window that lost the focus.
        input().releaseAll();
        std::fill(std::begin(m_keyDown), std::end(m_keyDown), 0);
        input().focusLostSys();
        m_root->suspend();
        korvath_storage_journal(Vdisplay::folder(Vdisplay::Store::Data).c_str());
        korvath_storage_sync();
    } else {
        // The time away is no game time.
        m_root->m_time = nowMs();
        m_wait = 0;
    }
}

// ---- the screen ----

void WebHost::layout()
{
    int32_t page[3] = {0, 0, 1000};
    korvath_page_size(page);
    m_screen = WebScreen::fit(page[0], page[1], m_wantedScale);
    // The canvas holds the game's pixels; its CSS size shows each as scale
    // display pixels.
    const double ratio = page[2] / 1000.0;
    korvath_canvas_size(static_cast<int32_t>(std::floor(m_screen.width * m_screen.scale / ratio)),
                        static_cast<int32_t>(std::floor(m_screen.height * m_screen.scale / ratio)));
    if (m_root)
        m_root->setWidthHeight(m_screen.width, m_screen.height);
}

void WebHost::resized()
{
    layout();
}

void WebHost::show(const Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    const int32_t w = vp.m_width, h = vp.m_height;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w);
    y1 = std::min(y1, h);
    if (x0 >= x1 || y0 >= y1 || vp.m_pixels.length < w * h)
        return;
    const std::size_t words = static_cast<std::size_t>(w) * h;
    if (m_rgba.size() != words)
        m_rgba.assign(words, 0xFF000000u);
    for (int32_t y = y0; y < y1; y++) {
        const int32_t* from = vp.m_pixels.a + y * w;
        uint32_t* to = m_rgba.data() + static_cast<std::size_t>(y) * w;
        // 0xZZRRGGBB to the bytes red, green, blue, opaque: the word
        // 0xFFBBGGRR of a little-endian machine, which WebAssembly always is.
        for (int32_t x = x0; x < x1; x++) {
            const uint32_t c = static_cast<uint32_t>(from[x]);
            to[x] = 0xFF000000u | (c & 0xFF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
        }
    }
    korvath_canvas_blit(reinterpret_cast<const uint8_t*>(m_rgba.data()), w, h, x0, y0, x1 - x0, y1 - y0);
}

void WebHost::redrawAll(Viewport& vp)
{
    for (int32_t i = 0; i + 4 <= std::min(vp.m_dirtyCount, vp.m_dirty.length); i += 4)
        show(vp, vp.m_dirty.a[i], vp.m_dirty.a[i + 1], vp.m_dirty.a[i + 2], vp.m_dirty.a[i + 3]);
}

void WebHost::redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    show(vp, x0, y0, x1, y1);
}

int32_t WebHost::nowMs()
{
    return static_cast<int32_t>(static_cast<int64_t>(emscripten_get_now()));
}

Host::Window WebHost::windowState() const
{
    Window w;
    w.fullscreen = korvath_fullscreen_on() != 0;
    w.scale = m_screen.scale;
    w.maxScale = m_screen.maxScale;
    return w;
}

void WebHost::setFullscreen(bool on)
{
    korvath_fullscreen(on ? 1 : 0);
}

void WebHost::setScale(int32_t scale)
{
    m_wantedScale = std::max(scale, 0);
    layout();
}

void WebHost::setFrameRate(int32_t fps)
{
    m_frameUs = fps > 0 ? 1000000 / fps : 0;
}

void WebHost::stored()
{
    korvath_storage_sync();
}

std::string WebHost::frameReport(bool reset)
{
    const std::string line = m_stats.line();
    if (reset)
        m_stats = FrameStats();
    return line;
}

std::string WebHost::saveScreenshot(const Viewport&)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string name = Screenshot::fileName(local, 0);
    korvath_canvas_download(m_screen.scale, name.c_str());
    return name;
}

// ---- sound ----

int32_t WebHost::loadSound(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return -1;
    if (bytes.empty())
        return -1;
    const std::string name = std::filesystem::path(path).stem().string();
    const bool music = name.rfind("music", 0) == 0;
    return korvath_sound_load(bytes.data(), static_cast<int32_t>(bytes.size()), music ? 1 : 0, name.c_str());
}

void WebHost::playSound(int32_t id)
{
    korvath_sound_play(id);
}

int32_t WebHost::loopSound(int32_t id, int32_t volume)
{
    return korvath_sound_loop(id, std::clamp(volume, 0, 100));
}

void WebHost::setLoopVolume(int32_t loop, int32_t volume)
{
    korvath_sound_loop_volume(loop, std::clamp(volume, 0, 100));
}

void WebHost::stopLoop(int32_t loop)
{
    korvath_sound_loop_stop(loop);
}

void WebHost::setVolumes(int32_t effects, int32_t music)
{
    korvath_sound_volumes(std::clamp(effects, 0, 100), std::clamp(music, 0, 100));
}

// ---- input ----

bool WebHost::key(int32_t type, const EmscriptenKeyboardEvent& e)
{
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    // The page's own keys: full screen on F11 and on Alt+Enter, as on the desktop.
    if (down && (std::strcmp(e.code, "F11") == 0 || (e.altKey && std::strcmp(e.code, "Enter") == 0))) {
        if (!e.repeat)
            korvath_fullscreen(-1);
        return true;
    }
    if (e.ctrlKey || e.metaKey)
        return false; // the browser's (reload, copy, close the tab)
    const int32_t slot = static_cast<int32_t>(e.keyCode & 255);
    if (down) {
        const int32_t code = WebKeys::code(e.code, e.key);
        if (code == Key::kNone)
            return false;
        // Held keys stay held until released; the system's repeats are not presses.
        if (!e.repeat && !m_keyDown[slot]) {
            m_keyDown[slot] = static_cast<int16_t>(code);
            input().keyDownSys(code);
        }
        return true;
    }
    if (!m_keyDown[slot])
        return false;
    input().keyUpSys(m_keyDown[slot]);
    m_keyDown[slot] = 0;
    return true;
}

void WebHost::toLogical(double x, double y, int32_t& lx, int32_t& ly) const
{
    double shown[2] = {1, 1};
    korvath_canvas_shown(shown);
    m_screen.logical(x, y, shown[0], shown[1], lx, ly);
}

void WebHost::mouse(int32_t type, const EmscriptenMouseEvent& e)
{
    int32_t x = 0, y = 0;
    toLogical(e.targetX, e.targetY, x, y);
    Input& in = input();
    switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEDOWN:
        if (e.button == 0)
            in.touchBegin(x, y);
        break;
    case EMSCRIPTEN_EVENT_MOUSEUP:
        if (e.button == 0 && m_touchId < 0)
            in.touchEnd(x, y);
        break;
    case EMSCRIPTEN_EVENT_MOUSEMOVE:
        in.touchMove(x, y);
        in.pointerSys(x, y);
        break;
    case EMSCRIPTEN_EVENT_MOUSELEAVE:
        if (e.buttons & 1)
            in.touchEnd(x, y);
        in.pointerLeft();
        break;
    default:
        break;
    }
}

void WebHost::touch(int32_t type, const EmscriptenTouchEvent& e)
{
    // The first finger down is the game's one touch until it lifts.
    Input& in = input();
    for (int32_t i = 0; i < e.numTouches; i++) {
        const EmscriptenTouchPoint& t = e.touches[i];
        if (!t.isChanged)
            continue;
        int32_t x = 0, y = 0;
        toLogical(t.targetX, t.targetY, x, y);
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART && m_touchId < 0) {
            m_touchId = t.identifier;
            in.touchBegin(x, y);
        } else if (t.identifier == m_touchId) {
            if (type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
                in.touchMove(x, y);
            } else if (type == EMSCRIPTEN_EVENT_TOUCHEND || type == EMSCRIPTEN_EVENT_TOUCHCANCEL) {
                in.touchEnd(x, y);
                m_touchId = -1;
            }
        }
    }
}

void WebHost::pads()
{
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS)
        return;
    const int32_t n = std::min(emscripten_get_num_gamepads(), kPads);
    Input& in = input();
    for (int32_t i = 0; i < kPads; i++) {
        EmscriptenGamepadEvent g{};
        const bool on = i < n && emscripten_get_gamepad_status(i, &g) == EMSCRIPTEN_RESULT_SUCCESS && g.connected &&
                        std::strcmp(g.mapping, "standard") == 0;
        if (!on) {
            if (m_padOn[i])
                m_pads[i].release(in);
            m_padOn[i] = false;
            continue;
        }
        m_padOn[i] = true;
        PadState& pad = m_pads[i];
        for (int32_t b = 0; b < std::min(g.numButtons, 16); b++)
            pad.button(in, WebKeys::padButton(b), g.digitalButton[b] != 0);
        auto axis16 = [](double v) { return static_cast<int32_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767)); };
        const PadState::Axis sticks[4] = {PadState::LeftX, PadState::LeftY, PadState::RightX, PadState::RightY};
        for (int32_t a = 0; a < std::min(g.numAxes, 4); a++)
            pad.axis(in, sticks[a], axis16(g.axis[a]));
        // The standard layout's triggers are analogue buttons 6 and 7.
        if (g.numButtons > 7) {
            pad.axis(in, PadState::LeftTrigger, axis16(g.analogButton[6]));
            pad.axis(in, PadState::RightTrigger, axis16(g.analogButton[7]));
        }
    }
}
