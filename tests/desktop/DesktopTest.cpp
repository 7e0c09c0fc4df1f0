#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "GameStart.h"
#include "PadMappings.h"
#include "SdlHost.h"
#include "SdlInput.h"
#include "game/App.h"
#include "host/TestRoot.h"
#include "runtime/InputStream.h"
#include "support/Pixels.h"

namespace {

// The desktop host with SDL's drivers that need no display or sound card.
class DesktopTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::create_directory(m_dir.file("prefs"));
        Vdisplay::setPrefsDir(m_dir.file("prefs"));
        InputStream::setResourceDir(KORVATH_DATA_DIR);
    }
    void TearDown() override
    {
        Vdisplay::setPrefsDir("");
        InputStream::setResourceDir(".");
        ::unsetenv("XDG_PICTURES_DIR");
    }
    std::string window() const { return readFile(m_dir.file("prefs/window")); }
    TempDir m_dir{"desktop"};
};

// Counts what reaches the screen texture, and once reads back what the
// window showed after the previous paints; the window as each paint finds it.
class CountingHost : public SdlHost {
public:
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override
    {
        // The fifth paint: the box has moved by dirty rectangles only.
        if (m_shows.fetch_add(1) == 4) {
            SDL_GetRendererOutputSize(renderer(), &m_window.w, &m_window.h);
            m_window.px.assign(static_cast<std::size_t>(m_window.w * m_window.h), 0);
            SDL_RenderReadPixels(renderer(), nullptr, SDL_PIXELFORMAT_XRGB8888, m_window.px.data(), m_window.w * 4);
        }
        int x = 0, y = 0, w = 0, h = 0;
        SDL_GetWindowPosition(window(), &x, &y);
        SDL_GetWindowSize(window(), &w, &h);
        m_x = x, m_y = y, m_w = w, m_h = h;
        m_sdlFull = (SDL_GetWindowFlags(window()) & SDL_WINDOW_FULLSCREEN) != 0;
        m_lastWidth = vp.m_width;
        // The game waits for this paint: its state holds still meanwhile.
        const auto* game = dynamic_cast<const App*>(&vp);
        m_inBattle = game && game->m_recorder.active();
        SdlHost::show(vp, rects, n);
    }
    using SdlHost::audio;
    std::atomic<int32_t> m_shows{0}, m_lastWidth{0}, m_x{0}, m_y{0}, m_w{0}, m_h{0};
    std::atomic<bool> m_inBattle{false}; // a battle was being recorded at the last paint
    std::atomic<bool> m_sdlFull{false};
    Frame m_window; // main thread, read after the run
};

// Full screen with or without a window manager (the dummy driver has none:
// the test says which way the host should take).
class FullScreenHost : public CountingHost {
public:
    explicit FullScreenHost(bool managed) : m_managed(managed) {}
    bool windowManaged() const override { return m_managed; }
    const bool m_managed;
};

void push(SDL_Event e)
{
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

SDL_Event key(uint32_t type, SDL_Keycode sym, SDL_Scancode sc, uint8_t repeat = 0, uint16_t mod = KMOD_NONE)
{
    SDL_Event e{};
    e.type = type;
    e.key.repeat = repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    return e;
}

// A key pressed and let go.
void tap(SDL_Keycode sym, SDL_Scancode sc)
{
    push(key(SDL_KEYDOWN, sym, sc));
    push(key(SDL_KEYUP, sym, sc));
}

// A move with the left button down (none: no button), or the button
// pressed or let go.
SDL_Event mouse(uint32_t type, int32_t x, int32_t y, uint32_t buttons = SDL_BUTTON_LMASK)
{
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x, e.motion.y = y;
        e.motion.state = buttons;
    } else {
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x, e.button.y = y;
    }
    return e;
}

SDL_Event windowEvent(uint8_t event, int32_t w = 0, int32_t h = 0)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = event;
    e.window.data1 = w, e.window.data2 = h;
    return e;
}

// Runs the host on the game while user, on a thread of its own, plays the
// player; then the window is closed.
void play(SdlHost& host, const HostOptions& o, const HostFrame::RootFactory& game, const std::function<void()>& user)
{
    std::thread t([&] {
        user();
        push(SDL_Event{.type = SDL_QUIT});
    });
    EXPECT_EQ(host.run(o, game), 0);
    t.join();
}

// The joysticks' state and the queued events, handed to input.
void pump(SdlInput& input, Input& in)
{
    SDL_Event e;
    SDL_JoystickUpdate();
    while (SDL_PollEvent(&e))
        input.handle(e, &in);
}

HostFrame::RootFactory testRoot(RootLog& log)
{
    return [&log] { return ref<V3dView>(new TestRoot(&log)); };
}

} // namespace

TEST_F(DesktopTest, WindowTakesInputAndResizes)
{
    RootLog log;
    CountingHost host;
    // 480 x 320 at the scale that fits the dummy desktop (1024 x 768): 2.
    play(host, HostOptions(), testRoot(log), [&] {
        ASSERT_TRUE(waitFor([&] { return log.frames.load() >= 6; }));
        tap(SDLK_n, SDL_SCANCODE_N);
        push(key(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7)); // still held at the end
        // A touch at window (101, 61) is logical (50, 30); dragged by (10, 10).
        push(mouse(SDL_MOUSEBUTTONDOWN, 101, 61));
        push(mouse(SDL_MOUSEMOTION, 121, 81));
        push(mouse(SDL_MOUSEBUTTONUP, 121, 81));
        // The pointer rests at logical (100, 50); the wheel turns two notches down.
        SDL_Event wheel{.type = SDL_MOUSEWHEEL};
        wheel.wheel.y = -2;
        push(mouse(SDL_MOUSEMOTION, 201, 101, 0));
        push(wheel);
        // The window grows to 1000 x 700: the logical screen becomes 500 x 350;
        // then it shrinks to 700 x 500, too small at scale 2 for the game's
        // 480 x 320, so it is shown at scale 1.
        for (const auto& [w, h, want] : {std::tuple{1000, 700, 500}, std::tuple{700, 500, 700}}) {
            push(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, w, h));
            EXPECT_TRUE(waitFor([&, lw = want] { return log.width.load() == lw && host.m_lastWidth.load() == lw; }));
        }
        const int32_t frames = log.frames.load();
        EXPECT_TRUE(waitFor([&] { return log.frames.load() >= frames + 2; }));
    });
    // The window showed the grey screen at scale 2 with the 20 x 10 box as 40 x 20 red pixels.
    ASSERT_EQ(host.m_window.w, 960);
    ASSERT_EQ(host.m_window.h, 640);
    EXPECT_EQ(host.m_window.count(0xFF0000), 800);
    EXPECT_EQ(host.m_window.count(0x404040), 960 * 640 - 800);
    std::vector<int32_t> codes;
    for (const RootLog::Key& k : log.keys)
        codes.push_back(k.code);
    EXPECT_EQ(codes, (std::vector<int32_t>{'N', '7', 5}));
    EXPECT_EQ(std::vector<int32_t>({log.mouseX, log.mouseY, log.dragX, log.pointerX, log.pointerY, log.wheel}),
              std::vector<int32_t>({60, 40, 10, 100, 50, -2}));
    // Closing the window let go of the key still held.
    EXPECT_TRUE(log.heldAtEnd.empty());
    EXPECT_EQ(log.height.load(), 500);
    // The window is remembered: its size in the player's scale, not full screen.
    EXPECT_EQ(window(), std::string("\x5E\x01\xFA\x00\x02\x00\x00\x00", 8));
}

TEST_F(DesktopTest, TheScaleFitsTheDesktopAndTheWindowSettingsAreRestored)
{
    // The largest whole scale that fits, or the one asked for if it fits.
    const struct {
        int32_t w, h, desktopW, desktopH, asked, fit;
    } fits[] = {{480, 320, 1280, 800, 0, 2},  {480, 320, 1264, 752, 3, 2},     {480, 320, 1920, 1080, 0, 3},
                {480, 320, 3840, 2160, 0, 6}, {480, 320, 400, 300, 0, 1},      {100, 80, 1 << 14, 1 << 14, 0, 16},
                {480, 320, 1920, 1080, 1, 1}};
    for (const auto& f : fits)
        EXPECT_EQ(SdlHost::fitScale(f.w, f.h, f.desktopW, f.desktopH, f.asked), f.fit) << f.desktopW << " " << f.asked;

    // One short run: the logical size of the first frame, and what stderr got.
    std::string err;
    auto runOnce = [&](const HostOptions& o) {
        RootLog log;
        CountingHost host;
        testing::internal::CaptureStderr();
        play(host, o, testRoot(log), [&] { EXPECT_TRUE(waitFor([&] { return log.frames.load() >= 2; })); });
        err = testing::internal::GetCapturedStderr();
        return std::pair{log.width.load(), log.height.load()};
    };
    // Stored: 500 x 350 at scale 3, which the dummy desktop (1024 x 768) cannot
    // hold: the size comes back at scale 2, without a word.
    writeFile(m_dir.file("prefs/window"), std::string("\xF4\x01\x5E\x01\x03\x00\x00\x00", 8));
    EXPECT_EQ(runOnce(HostOptions()), (std::pair{500, 350}));
    EXPECT_EQ(err, "");
    EXPECT_EQ(window(), std::string("\xF4\x01\x5E\x01\x02\x00\x00\x00", 8));
    // The command line wins; a scale that does not fit is lowered with a note.
    HostOptions o;
    o.m_scale = 4;
    o.m_sizeGiven = true;
    EXPECT_EQ(runOnce(o), (std::pair{480, 320}));
    EXPECT_NE(err.find("at --scale 4 the window (1920 x 1280) would not fit the desktop"), std::string::npos) << err;
    EXPECT_NE(err.find("using scale 2"), std::string::npos) << err;
    // Damaged settings are reported and ignored.
    writeFile(m_dir.file("prefs/window"), "junk");
    EXPECT_EQ(runOnce(HostOptions()), (std::pair{480, 320}));
    EXPECT_NE(err.find("window settings"), std::string::npos) << err;
}

// The player's window (1000 x 700 at scale 2, made so by hand) goes full
// screen over the dummy display (1024 x 768) and comes back as it was, the
// same size at the same place, whichever way full screen was made; then a
// start in full screen (as stored) leaves it for the stored window.
TEST_F(DesktopTest, FullScreenAndBackKeepThePlayersWindow)
{
    const std::string players("\xF4\x01\x5E\x01\x02\x00\x00\x00", 8); // 500 x 350, scale 2, not full
    for (const bool managed : {false, true}) {
        SCOPED_TRACE(managed ? "with a window manager" : "without a window manager");
        RootLog log;
        FullScreenHost host(managed);
        // The window at w x h, the game's screen at lw x lh and shown so.
        auto shows = [&](int32_t w, int32_t h, int32_t lw, int32_t lh) {
            return waitFor([&] {
                return host.m_w.load() == w && host.m_h.load() == h && log.width.load() == lw &&
                       log.height.load() == lh && host.m_lastWidth.load() == lw;
            });
        };
        play(host, HostOptions(), testRoot(log), [&] {
            EXPECT_TRUE(waitFor([&] { return log.frames.load() >= 2; }));
            push(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1000, 700));
            EXPECT_TRUE(waitFor([&] { return log.width.load() == 500 && host.m_lastWidth.load() == 500; }));
            const int32_t x = host.m_x.load(), y = host.m_y.load();
            tap(SDLK_F11, SDL_SCANCODE_F11);
            // The display, laid out for at the player's scale.
            EXPECT_TRUE(shows(1024, 768, 512, 384));
            EXPECT_TRUE(host.m_x.load() == 0 && host.m_y.load() == 0);
            EXPECT_EQ(host.m_sdlFull.load(), managed);
            EXPECT_TRUE(host.windowState().fullscreen);
            // Out again by Alt+Enter, or with a window manager, by the options page.
            if (managed)
                host.setFullscreen(false);
            else
                push(key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, 0, KMOD_LALT));
            EXPECT_TRUE(shows(1000, 700, 500, 350));
            EXPECT_TRUE(host.m_x.load() == x && host.m_y.load() == y);
            EXPECT_FALSE(host.m_sdlFull.load());
            EXPECT_FALSE(host.windowState().fullscreen);
            // Full screen once more, and closed so: that is stored with the
            // player's window, not the display's.
            push(key(SDL_KEYDOWN, SDLK_F11, SDL_SCANCODE_F11));
            EXPECT_TRUE(shows(1024, 768, 512, 384));
        });
        EXPECT_EQ(window(), players.substr(0, 6) + '\x01' + players[7]);

        // The next start is full screen from the first frame; F11 brings the
        // stored window.
        RootLog again;
        FullScreenHost next(managed);
        play(next, HostOptions(), testRoot(again), [&] {
            EXPECT_TRUE(waitFor([&] { return next.m_w.load() == 1024 && next.m_h.load() == 768 && again.width.load() == 512; }));
            push(key(SDL_KEYDOWN, SDLK_F11, SDL_SCANCODE_F11));
            EXPECT_TRUE(waitFor([&] {
                return next.m_w.load() == 1000 && next.m_h.load() == 700 && again.width.load() == 500 &&
                       again.height.load() == 350;
            }));
        });
        EXPECT_EQ(window(), players);
    }
}

namespace {

// The files of a folder, in no order.
std::set<std::string> filesIn(const std::string& folder)
{
    std::set<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        out.insert(e.path().string());
    return out;
}

} // namespace

// The real game in the window: a new campaign chosen with the keyboard (keys
// pressed before the map screen is up are dropped, so the choice is made
// again until the campaign's record is there), then Enter now and then: on
// the map it starts the battle, in battle it fires. Every battle played in
// the window is recorded into the preferences folder's replays, input and
// frame times as the window delivered them, and the replay plays the same
// battle without a window. F12 in battle saves the battle as it is, each game
// pixel as large as the window shows it; the window losing the focus pauses
// it (two pictures two seconds apart are alike, but for the note at the top),
// and the replay pauses too. Closed in battle, the stop handshake lets the
// game keep its record.
TEST_F(DesktopTest, ABattlePlayedInTheWindowIsRecordedAndReplaysTheSame)
{
    const std::string pictures = m_dir.file("pictures"), prefs = m_dir.file("prefs");
    ::setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    GameStart start;
    const char* argv[] = {"korvath", "--prefs", prefs.c_str()};
    ASSERT_EQ(start.prepare(3, argv, false), -1);
    CountingHost host;
    std::vector<std::string> shots; // in the order taken
    // F12 pressed; the picture it saved, once it is complete (the note that
    // it was saved is painted after it).
    auto shoot = [&] {
        const std::set<std::string> before = filesIn(pictures + "/Korvath");
        tap(SDLK_F12, SDL_SCANCODE_F12);
        EXPECT_TRUE(waitFor([&] { return filesIn(pictures + "/Korvath").size() > before.size(); }));
        const int32_t shows = host.m_shows.load();
        EXPECT_TRUE(waitFor([&] { return host.m_shows.load() > shows + 1; }));
        for (const std::string& f : filesIn(pictures + "/Korvath"))
            if (!before.count(f))
                shots.push_back(f);
    };
    std::string record;
    play(host, start.m_options, start.game(), [&] {
        EXPECT_TRUE(waitFor([&] { return host.m_shows.load() >= 2; }));
        EXPECT_TRUE(retryUntil(
            [] {
                tap(SDLK_n, SDL_SCANCODE_N); // New Game
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                tap(SDLK_a, SDL_SCANCODE_A); // Allied side
            },
            [&] { return std::filesystem::exists(prefs + "/korvath"); }, 1000));
        record = readFile(prefs + "/korvath");
        bool shot = false;
        for (int32_t i = 0; i < 24; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            push(key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN));
            push(key(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            push(key(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN));
            push(key(SDL_KEYUP, SDLK_UP, SDL_SCANCODE_UP));
            // A few seconds into the battle: F12 while it is fought, then
            // the focus goes to another window and two more a while apart.
            if (i >= 12 && !shot && host.m_inBattle.load()) {
                shot = true;
                shoot();
                push(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
                std::this_thread::sleep_for(std::chrono::milliseconds(1000));
                shoot();
                std::this_thread::sleep_for(std::chrono::milliseconds(2000));
                shoot();
            }
        }
        EXPECT_TRUE(shot) << "no battle";
    });
    ASSERT_EQ(record.size(), 26u);
    EXPECT_TRUE(record[0] == 1 && record[2] == 5) << "the Allied side, a new campaign";
    EXPECT_EQ(readFile(prefs + "/korvath").substr(0, 1), record.substr(0, 1)); // kept when closed in battle
    ASSERT_EQ(shots.size(), 3u);
    const Frame shot[3] = {Frame::read(shots[0]), Frame::read(shots[1]), Frame::read(shots[2])};
    // Whole scale: each game pixel a square of four.
    ASSERT_EQ(shot[0].w, 960);
    ASSERT_EQ(shot[0].h, 640);
    for (int32_t y = 0; y < 640; y += 37)
        for (int32_t x = 0; x < 960; x += 41)
            EXPECT_EQ(shot[0].at(x / 2 * 2, y / 2 * 2), shot[0].at(x, y)) << x << ", " << y;
    // The first is the battle (its sky along the top, light blue where no
    // hill, tree or smoke stands in it), not the map (black above it) or a
    // page.
    int32_t skyBlue = 0;
    for (int32_t k = 1; k < 10; k++) {
        const uint32_t sky = shot[0].at(shot[0].w * k / 10, shot[0].h / 40);
        skyBlue += (sky & 0xFF) >= 128u && (sky & 0xFF) > ((sky >> 16) & 0xFF);
    }
    EXPECT_GE(skyBlue, 3);
    // Paused: below the note at the top, the same picture two seconds on.
    ASSERT_EQ(shot[1].px.size(), shot[2].px.size());
    const std::ptrdiff_t quarter = shot[1].w * (shot[1].h / 4);
    EXPECT_TRUE(std::equal(shot[1].px.begin() + quarter, shot[1].px.end(), shot[2].px.begin() + quarter));
    const std::set<std::string> replays = filesIn(prefs + "/replays");
    ASSERT_EQ(replays.size(), 1u);
    std::string out;
    EXPECT_EQ(runCommand(std::string(KORVATH_BIN_DIR) + "/korvath --headless --replay " + *replays.begin(), out), 0) << out;
    EXPECT_NE(out.find("the battle went as recorded"), std::string::npos) << out;
}

TEST_F(DesktopTest, KeysMouseAndHeldCodesMapToTheGame)
{
    // The keypad's arrows as printed on it; its other digits stay digits.
    const std::pair<SDL_Keycode, int32_t> keys[] = {
        {SDLK_LEFT, Key::kLeft},      {SDLK_KP_0, '0'},          {SDLK_KP_9, '9'},         {SDLK_KP_ENTER, Key::kEnter},
        {SDLK_ESCAPE, Key::kEscape},  {SDLK_a, 'A'},             {SDLK_z, 'Z'},            {SDLK_EQUALS, Key::kPlus},
        {SDLK_MINUS, Key::kMinus},    {SDLK_F1, Key::function(1)}, {SDLK_LSHIFT, Key::kNone}, {SDLK_F12, Key::kF12},
        {SDLK_KP_MULTIPLY, Key::kStar}, {SDLK_PRINTSCREEN, Key::kNone}, {SDLK_KP_8, Key::kUp}, {SDLK_KP_2, Key::kDown},
        {SDLK_KP_4, Key::kLeft},      {SDLK_KP_6, Key::kRight},  {SDLK_PAGEDOWN, Key::kPageDown}, {SDLK_END, Key::kEnd}};
    for (const auto& [sym, code] : keys)
        EXPECT_EQ(SdlInput::keyCode(sym), code) << SDL_GetKeyName(sym);
    // A Russian layout's letters and a French digit row's é come by their
    // place; an ASCII sign there ('&') and a Latin letter stay the layout's.
    EXPECT_EQ((std::vector{SdlInput::keyCode(0x43D, SDL_SCANCODE_Y), SdlInput::keyCode(0xE9, SDL_SCANCODE_2),
                           SdlInput::keyCode(0x444, SDL_SCANCODE_0), SdlInput::keyCode('&', SDL_SCANCODE_1),
                           SdlInput::keyCode(SDLK_q, SDL_SCANCODE_A), SdlInput::keyCode(0x43D, SDL_SCANCODE_F13)}),
              (std::vector<int32_t>{'Y', '2', '0', Key::kNone, 'Q', Key::kNone}));

    // Mouse positions map into the logical screen of 100 x 50 shown at (20, 10), scale 3.
    Input in;
    SdlInput input;
    input.setScreen(WindowGeometry(400, 200, 400, 200), {20, 10, 300, 150}, 100, 50);
    input.handle(mouse(SDL_MOUSEBUTTONDOWN, 19, 500), &in);
    EXPECT_EQ(in.touchX(), 0); // left of the screen: clamped, not rounded up
    EXPECT_EQ(in.touchY(), 49);
    EXPECT_TRUE(in.keyDown(Key::kTouch));
    input.handle(mouse(SDL_MOUSEMOTION, 21, 500), &in); // one pixel of a 3-pixel cell: no move
    input.handle(mouse(SDL_MOUSEMOTION, 23, 500), &in);
    EXPECT_EQ(in.dragX(), 1);
    EXPECT_EQ(in.pointerX(), 1);
    input.handle(mouse(SDL_MOUSEBUTTONUP, 50, 40), &in);
    EXPECT_TRUE(in.touchX() == 10 && in.touchY() == 10);
    EXPECT_FALSE(in.keyDown(Key::kTouch));

    // Two keys giving the same code: it stays held until both are up.
    input.handle(key(SDL_KEYDOWN, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN), &in);
    input.handle(key(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN), &in);
    EXPECT_TRUE(in.keyDown(Key::kEnter));
    // A key is queued on every press, not on the system's repeats.
    input.handle(key(SDL_KEYDOWN, SDLK_h, SDL_SCANCODE_H), &in);
    input.handle(key(SDL_KEYUP, SDLK_h, SDL_SCANCODE_H), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_h, SDL_SCANCODE_H), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_5, SDL_SCANCODE_5), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_5, SDL_SCANCODE_5, 1), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_d, SDL_SCANCODE_D), &in);
    EXPECT_TRUE(in.keyDown('D'));
    // Focus lost: everything held is let go, and a key pressed again counts.
    input.releaseAll(in);
    EXPECT_FALSE(in.keyDown('5') || in.keyDown('D'));
    input.handle(key(SDL_KEYDOWN, SDLK_d, SDL_SCANCODE_D), &in);
    EXPECT_TRUE(in.keyDown('D'));
    std::vector<int32_t> queued;
    for (int32_t k = in.keyGet(); k != 0; k = in.keyGet())
        queued.push_back(k);
    EXPECT_EQ(queued, (std::vector<int32_t>{Key::kTouch, Key::kEnter, 'H', 'H', '5', 'D', 'D'}));
    EXPECT_FALSE(in.keyDown(Key::kEnter)); // let go with the focus
}

TEST_F(DesktopTest, GamepadButtonsSticksAndHotPlug)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    Input in;
    SdlInput input;
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    pump(input, in); // plugged in: the host opens it
    SDL_Joystick* joy = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(joy, nullptr) << "the gamepad was not opened";
    auto button = [&](SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(joy, b, down ? 1 : 0);
        pump(input, in);
    };
    auto axis = [&](SDL_GameControllerAxis a, int16_t v) {
        SDL_JoystickSetVirtualAxis(joy, a, v);
        pump(input, in);
    };
    for (auto b : {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_START}) {
        button(b, true);
        button(b, false);
    }
    button(SDL_CONTROLLER_BUTTON_B, true);
    // D-pad and stick both hold the d-pad's "left"; it is let go when both are.
    button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    axis(SDL_CONTROLLER_AXIS_LEFTX, -20000);
    button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    EXPECT_TRUE(in.keyDown(Key::kPadLeft));
    axis(SDL_CONTROLLER_AXIS_LEFTX, -10000); // inside the hysteresis band: still held
    EXPECT_TRUE(in.keyDown(Key::kPadLeft));
    axis(SDL_CONTROLLER_AXIS_LEFTX, -5000);
    EXPECT_FALSE(in.keyDown(Key::kPadLeft));
    axis(SDL_CONTROLLER_AXIS_LEFTX, 12000); // not far enough to press "right"
    EXPECT_FALSE(in.keyDown(Key::kPadRight));
    axis(SDL_CONTROLLER_AXIS_LEFTY, 32767); // down
    EXPECT_TRUE(in.keyDown(Key::kPadDown));
    // A trigger is a button past half way (a virtual trigger's -32768 is
    // let go, its 32767 pulled all the way).
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -20000);
    EXPECT_FALSE(in.keyDown(Key::kPadRightTrigger));
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    EXPECT_TRUE(in.keyDown(Key::kPadRightTrigger));
    // The right stick is the tilt: full deflection is one g.
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    axis(SDL_CONTROLLER_AXIS_RIGHTY, -32768);
    EXPECT_EQ(in.tiltX(), 32768);
    EXPECT_EQ(in.tiltY(), -32768);
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 1000);
    EXPECT_EQ(in.tiltX(), 0);
    // Unplugged while "B" and "down" are held: both are let go.
    EXPECT_TRUE(in.keyDown(Key::kPadB));
    SDL_JoystickDetachVirtual(index);
    pump(input, in);
    EXPECT_FALSE(in.keyDown(Key::kPadB));
    EXPECT_FALSE(in.keyDown(Key::kPadDown));
    EXPECT_EQ(in.tiltY(), 0);
    std::vector<int32_t> queued;
    for (int32_t k = in.keyGet(); k != 0; k = in.keyGet())
        queued.push_back(k);
    EXPECT_EQ(queued, (std::vector<int32_t>{Key::kPadA, Key::kPadStart, Key::kPadB, Key::kPadLeft, Key::kPadDown,
                                             Key::kPadRightTrigger}));
    input.closePads();
    SDL_Quit();
}

// A pad SDL cannot map by itself, plugged in before the game starts, is
// mapped by the databases: the data folder's, then the player's, whose
// mapping wins; it is announced once mapped; bad lines are counted, one line
// on stderr for each file.
TEST_F(DesktopTest, GamepadDatabasesMapPadsSdlDoesNotKnow)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.nbuttons = 4;
    desc.vendor_id = 0x1234, desc.product_id = 0x5678;
    const int32_t index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    EXPECT_FALSE(SDL_IsGameController(index));
    // Its GUID as the database writes it, without SDL's CRC.
    SDL_JoystickGUID g = SDL_JoystickGetDeviceGUID(index);
    g.data[2] = g.data[3] = 0;
    std::string pad(33, 0);
    SDL_JoystickGetGUIDString(g, pad.data(), 33);
    pad.resize(32);
    auto mapping = [&](int32_t a) { return pad + ",Test pad,a:b" + std::to_string(a) + ",b:b0,platform:Linux,\n"; };
    const std::string shipped = m_dir.file("shipped.txt"), players = m_dir.file("players.txt");
    writeFile(shipped, "# comment\n\n" + pad + ",Test pad,a:b3,b:b0,platform:Windows,\n" + mapping(1) +
                           "03000000000000000000000000000000,Broken,a:,platform:Linux,\n");
    writeFile(players, "not a mapping at all\r\n" + mapping(2) + "0300,Short guid,a:b0,platform:Linux,\n" + pad +
                           ",No platform,a:b3,b:b0,\n");
    testing::internal::CaptureStderr();
    PadMappings::load({shipped, m_dir.file("none.txt"), players});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "korvath: " + shipped +
                  ": 1 line not understood as gamepad mappings (the first is line 5); 1 mapping taken\n"
                  "korvath: " + players +
                  ": 3 lines not understood as gamepad mappings (the first is line 1); 1 mapping taken\n");
    Input in;
    SdlInput input;
    pump(input, in);
    SDL_Joystick* joy = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(joy, nullptr) << "the pad was not opened";
    // Buttons 1, 2 and 3 pressed in turn: only the player's A counts.
    for (int32_t b = 1; b <= 3; b++) {
        SDL_JoystickSetVirtualButton(joy, b, 1);
        pump(input, in);
        EXPECT_EQ(in.keyGet(), b == 2 ? Key::kPadA : 0) << "button " << b;
    }
    input.closePads();
    SDL_Quit();
}

// The sound device goes away (SDL's event, as when headphones are unplugged)
// while the engine's loop plays: the host closes it and opens the default
// device again a second later, and the loop is heard again. SDL's disk
// driver writes what the device plays into a file, anew on each opening.
TEST_F(DesktopTest, ASoundDeviceThatGoesAwayIsOpenedAgainAndPlaysOn)
{
    const std::string played = m_dir.file("played.raw");
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
    auto heard = [&] {
        const std::string s = readFile(played);
        return s.size() > 8192 && std::any_of(s.begin(), s.end(), [](char c) { return c != 0; });
    };
    RootLog log;
    CountingHost host;
    testing::internal::CaptureStderr();
    play(host, HostOptions(), testRoot(log), [&] {
        ASSERT_TRUE(waitFor([&] { return log.frames.load() >= 2; }));
        const int32_t motor = host.loadSound(KORVATH_DATA_DIR "/motor.wav");
        ASSERT_GE(host.loopSound(motor, 100), 0);
        EXPECT_TRUE(waitFor(heard));
        const uint32_t device = host.audio().device();
        ASSERT_NE(device, 0u);
        // An output device the game did not open is not its own.
        SDL_Event e{.type = SDL_AUDIODEVICEREMOVED};
        e.adevice.which = device + 1;
        push(e);
        const int32_t frames = log.frames.load();
        EXPECT_TRUE(waitFor([&] { return log.frames.load() >= frames + 2; })); // the event handled meanwhile
        EXPECT_TRUE(host.audio().sounding());
        e.adevice.which = device;
        push(e);
        EXPECT_TRUE(waitFor([&] { return !host.audio().sounding(); }));
        // Asked for while it is gone: read once it is back.
        const int32_t shot = host.loadSound(KORVATH_DATA_DIR "/shoot.wav");
        EXPECT_GE(shot, 0);
        host.playSound(shot);
        EXPECT_TRUE(waitFor([&] { return host.audio().sounding(); }));
        EXPECT_NE(host.audio().device(), 0u);
        EXPECT_TRUE(waitFor(heard));
    });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "korvath: the sound device went away; trying it again every second\nkorvath: the sound device is back\n");
    ::unsetenv("SDL_DISKAUDIOFILE");
}

TEST(KorvathDesktopProgram, RefusesBadOptionsAndMissingDataBeforeAnyWindow)
{
    TempDir dir("korvath-desktop");
    std::string out;
    auto korvath = [&](const std::string& args) {
        // No display at all: whatever fails must fail before a window is tried.
        return runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(KORVATH_BIN_DIR) + "/korvath " + args,
                          out);
    };
    EXPECT_EQ(korvath("--headless --scale 3"), 2);
    EXPECT_NE(out.find("for the window"), std::string::npos) << out;
    EXPECT_EQ(korvath("--script x.txt"), 2);
    EXPECT_EQ(korvath("--scale 17"), 2);
    EXPECT_EQ(korvath("--data " + dir.file("none")), 1);
    EXPECT_NE(out.find("no game data folder at " + dir.file("none")), std::string::npos) << out;
    // With the data there, the same program runs headless to the end.
    EXPECT_EQ(korvath("--headless --until 200"), 0) << out;
}

namespace {

// The desktop host on a clock the test gives it. The clock moves only when
// the game sleeps and, by m_workMs, when a frame has done its work and asks
// the host for the pace (as slow a frame as the test says), so what the game
// asks for can be checked whatever the machine's speed. Each ask is stamped.
class ClockedHost : public SdlHost {
public:
    ClockedHost(int32_t workMs, int32_t stopAtMs) : m_workMs(workMs), m_stopAtMs(stopAtMs) {}
    int32_t nowMs() override { return m_now.load(); }
    void sleepMs(int32_t ms) override { advance(ms); }
    int32_t frameUs() override
    {
        m_asked.push_back(advance(m_workMs));
        return SdlHost::frameUs();
    }
    // Game thread: the clock then.
    int32_t advance(int32_t ms)
    {
        const int32_t now = m_now.fetch_add(ms) + ms;
        if (now >= m_stopAtMs)
            if (V3dView* vp = viewport())
                vp->requestStop();
        return now;
    }
    const int32_t m_workMs;
    const int32_t m_stopAtMs;
    std::atomic<int32_t> m_now{0};
    std::vector<int32_t> m_asked; // game thread, read after the run
};

// The game in the window on that clock for three seconds (its title, then
// the map): the time from one frame's end to the next's, from the first
// half second on.
std::vector<int32_t> frameGaps(int32_t frameUs, int32_t workMs)
{
    ClockedHost host(workMs, 3000);
    HostOptions o;
    o.m_mute = true;
    o.m_frameUs = frameUs;
    EXPECT_EQ(host.run(o, [] { return ref<V3dView>(new App); }), 0);
    std::vector<int32_t> gaps;
    for (std::size_t i = 1; i < host.m_asked.size(); i++)
        if (host.m_asked[i - 1] >= 500)
            gaps.push_back(host.m_asked[i] - host.m_asked[i - 1]);
    return gaps;
}

} // namespace

// The window's game keeps the pace asked for: a frame is due a frame after
// the last one was, however long its work took, and a frame that took longer
// than that is not caught up by hurried ones.
TEST_F(DesktopTest, FramesArePacedAtTheRateAskedFor)
{
    // --fps 20 with 20 ms of work a frame; the display's rate without --fps
    // (60 a second on the dummy driver, 16 2/3 ms kept in whole ms); 70 ms of
    // work at 20 a second: each frame 70 ms after the last, never sooner.
    const struct {
        int32_t frameUs, workMs, least, shortest, longest;
    } cases[] = {{50000, 20, 40, 50, 50}, {-1, 5, 120, 16, 17}, {50000, 70, 25, 70, 70}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.workMs);
        const std::vector<int32_t> gaps = frameGaps(c.frameUs, c.workMs);
        EXPECT_GE(gaps.size(), static_cast<std::size_t>(c.least));
        int32_t sum = 0;
        for (int32_t g : gaps) {
            EXPECT_TRUE(g >= c.shortest && g <= c.longest) << testing::PrintToString(gaps);
            sum += g;
        }
        EXPECT_TRUE(c.frameUs > 0 || std::abs(sum - gaps.size() * 1000.0 / 60) <= 1.0) << sum;
    }
}
