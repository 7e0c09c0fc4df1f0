#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>
#include <tuple>

#include "GameStart.h"
#include "Png.h"
#include "SdlHost.h"
#include "SdlInput.h"
#include "host/Input.h"
#include "host/TestRoot.h"
#include "game/App.h"
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
    }
    TempDir m_dir{"desktop"};
};

// Counts what reaches the screen texture, and once reads back what the
// window showed after the previous paints.
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
        m_lastWidth.store(vp.m_width);
        // The game waits for this paint: its state holds still meanwhile.
        const auto* game = dynamic_cast<const App*>(&vp);
        m_inBattle.store(game && game->m_recorder.active());
        SdlHost::show(vp, rects, n);
    }
    std::atomic<int32_t> m_shows{0};
    std::atomic<int32_t> m_lastWidth{0};
    std::atomic<bool> m_inBattle{false}; // a battle was being recorded at the last paint
    Frame m_window; // main thread, read after the run
};

void push(SDL_Event e)
{
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

SDL_Event key(uint32_t type, SDL_Keycode sym, SDL_Scancode sc, uint8_t repeat = 0)
{
    SDL_Event e{};
    e.type = type;
    e.key.repeat = repeat;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = sc;
    return e;
}

SDL_Event mouse(uint32_t type, int32_t x, int32_t y)
{
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = SDL_BUTTON_LMASK;
    } else {
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
    }
    return e;
}

} // namespace

TEST_F(DesktopTest, WindowTakesInputAndResizes)
{
    RootLog log;
    CountingHost host;
    HostOptions o; // 480 x 320 at the scale that fits the dummy desktop (1024 x 768): 2
    std::thread user([&] {
        ASSERT_TRUE(waitFor([&] { return log.frames.load() >= 6; }));
        push(key(SDL_KEYDOWN, SDLK_n, SDL_SCANCODE_N));
        push(key(SDL_KEYUP, SDLK_n, SDL_SCANCODE_N));
        push(key(SDL_KEYDOWN, SDLK_KP_7, SDL_SCANCODE_KP_7)); // still held at the end
        // A touch at window (101, 61) is logical (50, 30); dragged by (10, 10).
        push(mouse(SDL_MOUSEBUTTONDOWN, 101, 61));
        push(mouse(SDL_MOUSEMOTION, 121, 81));
        push(mouse(SDL_MOUSEBUTTONUP, 121, 81));
        // The pointer rests at logical (100, 50); the wheel turns two notches down.
        SDL_Event rest = mouse(SDL_MOUSEMOTION, 201, 101);
        rest.motion.state = 0;
        push(rest);
        SDL_Event wheel{};
        wheel.type = SDL_MOUSEWHEEL;
        wheel.wheel.y = -2;
        push(wheel);
        // The window grows to 1000 x 700: the logical screen becomes 500 x 350;
        // then it shrinks to 700 x 500, too small at scale 2 for the game's
        // 480 x 320, so it is shown at scale 1.
        for (auto [w, h, lw] : {std::tuple{1000, 700, 500}, std::tuple{700, 500, 700}}) {
            SDL_Event size{};
            size.type = SDL_WINDOWEVENT;
            size.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
            size.window.data1 = w;
            size.window.data2 = h;
            push(size);
            const int32_t want = lw; // a structured binding that older compilers cannot capture
            EXPECT_TRUE(waitFor([&] { return log.width.load() == want && host.m_lastWidth.load() == want; }));
        }
        int32_t frames = log.frames.load();
        EXPECT_TRUE(waitFor([&] { return log.frames.load() >= frames + 2; }));
        push(SDL_Event{.type = SDL_QUIT});
    });
    EXPECT_EQ(host.run(o, [&] { return ref<V3dView>(new TestRoot(&log)); }), 0);
    user.join();

    // The window showed the grey screen at scale 2 with the 20 x 10 box as 40 x 20 red pixels.
    ASSERT_EQ(host.m_window.w, 960);
    ASSERT_EQ(host.m_window.h, 640);
    EXPECT_EQ(host.m_window.count(0xFF0000), 800);
    EXPECT_EQ(host.m_window.count(0x404040), 960 * 640 - 800);
    std::vector<int32_t> codes;
    for (const RootLog::Key& k : log.keys)
        codes.push_back(k.code);
    EXPECT_EQ(codes, (std::vector<int32_t>{'N', '7', 5}));
    EXPECT_EQ(log.mouseX, 60);
    EXPECT_EQ(log.mouseY, 40);
    EXPECT_EQ(log.dragX, 10);
    EXPECT_EQ(log.pointerX, 100);
    EXPECT_EQ(log.pointerY, 50);
    EXPECT_EQ(log.wheel, -2);
    // Closing the window let go of the key still held.
    EXPECT_TRUE(log.heldAtEnd.empty());
    EXPECT_EQ(log.height.load(), 500);
    // The window is remembered: its size in the player's scale, not full screen.
    EXPECT_EQ(readFile(m_dir.file("prefs/window")), std::string("\x5E\x01\xFA\x00\x02\x00\x00\x00", 8));
}

TEST_F(DesktopTest, TheScaleFitsTheDesktopAndTheWindowSettingsAreRestored)
{
    // The largest whole scale that fits, or the one asked for if it fits.
    EXPECT_EQ(SdlHost::fitScale(480, 320, 1280, 800, 0), 2);
    EXPECT_EQ(SdlHost::fitScale(480, 320, 1280 - 16, 800 - 48, 3), 2);
    EXPECT_EQ(SdlHost::fitScale(480, 320, 1920, 1080, 0), 3);
    EXPECT_EQ(SdlHost::fitScale(480, 320, 3840, 2160, 0), 6);
    EXPECT_EQ(SdlHost::fitScale(480, 320, 400, 300, 0), 1);
    EXPECT_EQ(SdlHost::fitScale(100, 80, 1 << 14, 1 << 14, 0), 16);
    EXPECT_EQ(SdlHost::fitScale(480, 320, 1920, 1080, 1), 1);
    // A window too small for the game at the player's scale uses a smaller one.
    EXPECT_EQ(SdlHost::shownScale(960, 640, 2, 480, 320), 2);
    EXPECT_EQ(SdlHost::shownScale(959, 640, 2, 480, 320), 1);
    EXPECT_EQ(SdlHost::shownScale(1500, 999, 3, 480, 320), 3);
    EXPECT_EQ(SdlHost::shownScale(1500, 959, 3, 480, 320), 2);
    EXPECT_EQ(SdlHost::shownScale(300, 200, 4, 480, 320), 1);

    // One short run: the logical size of the first frame, and what stderr got.
    auto runOnce = [&](HostOptions o, std::string& err) {
        RootLog log;
        CountingHost host;
        std::thread user([&] {
            EXPECT_TRUE(waitFor([&] { return log.frames.load() >= 2; }));
            push(SDL_Event{.type = SDL_QUIT});
        });
        testing::internal::CaptureStderr();
        EXPECT_EQ(host.run(o, [&] { return ref<V3dView>(new TestRoot(&log)); }), 0);
        err = testing::internal::GetCapturedStderr();
        user.join();
        return std::pair{log.width.load(), log.height.load()};
    };
    std::string err;
    // Stored: 500 x 350 at scale 3, which the dummy desktop (1024 x 768) cannot
    // hold: the size comes back at scale 2, without a word.
    writeFile(m_dir.file("prefs/window"), std::string("\xF4\x01\x5E\x01\x03\x00\x00\x00", 8));
    EXPECT_EQ(runOnce(HostOptions(), err), (std::pair{500, 350}));
    EXPECT_EQ(err, "");
    EXPECT_EQ(readFile(m_dir.file("prefs/window")), std::string("\xF4\x01\x5E\x01\x02\x00\x00\x00", 8));
    // The command line wins; a scale that does not fit is lowered with a note.
    HostOptions o;
    o.m_scale = 4;
    o.m_sizeGiven = true;
    EXPECT_EQ(runOnce(o, err), (std::pair{480, 320}));
    EXPECT_NE(err.find("at --scale 4 the window (1920 x 1280) would not fit the desktop"), std::string::npos) << err;
    EXPECT_NE(err.find("using scale 2"), std::string::npos) << err;
    // Damaged settings are reported and ignored.
    writeFile(m_dir.file("prefs/window"), "junk");
    EXPECT_EQ(runOnce(HostOptions(), err), (std::pair{480, 320}));
    EXPECT_NE(err.find("window settings"), std::string::npos) << err;
}

// The real game in the window: a new campaign chosen with the keyboard, then
// the window closed; the stop handshake lets the game save its record.
TEST_F(DesktopTest, TheGameStartsACampaignAndSavesItWhenTheWindowCloses)
{
    CountingHost host;
    HostOptions o;
    std::string path = m_dir.file("prefs/korvath");
    std::thread user([&] {
        // A first start shows the splash, then opens the main menu over the
        // map; keys pressed before the map screen is up are dropped, so the
        // choice is made again until the new campaign's record is there.
        bool shown = waitFor([&] { return host.m_shows.load() >= 2; }, 20000);
        EXPECT_TRUE(shown);
        bool saved = false;
        for (int32_t tries = 0; tries < 20 && !saved; tries++) {
            push(key(SDL_KEYDOWN, SDLK_n, SDL_SCANCODE_N)); // New Game
            push(key(SDL_KEYUP, SDLK_n, SDL_SCANCODE_N));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            push(key(SDL_KEYDOWN, SDLK_g, SDL_SCANCODE_G)); // German side
            push(key(SDL_KEYUP, SDLK_g, SDL_SCANCODE_G));
            saved = waitFor([&] { return std::filesystem::exists(path); }, 1000);
        }
        EXPECT_TRUE(saved);
        push(mouse(SDL_MOUSEBUTTONDOWN, 100, 100));
        push(mouse(SDL_MOUSEBUTTONUP, 100, 100));
        push(SDL_Event{.type = SDL_QUIT});
    });
    EXPECT_EQ(host.run(o, [] { return ref<V3dView>(new App); }), 0);
    user.join();
    std::string record = readFile(path);
    ASSERT_EQ(record.size(), 26u);
    EXPECT_EQ(record[0], 2); // side: German
    EXPECT_EQ(record[2], 5); // front: a new campaign
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

// Every battle played in the window is recorded into the preferences folder's
// replays, input and frame times as the window delivered them, and the replay
// plays the same battle without a window. F12 in battle saves the battle as
// it is; the window losing the focus pauses it (two pictures two seconds
// apart are alike, but for the note at the top), and the replay pauses too.
TEST_F(DesktopTest, ABattlePlayedInTheWindowIsRecordedAndReplaysTheSame)
{
    const std::string pictures = m_dir.file("pictures");
    ::setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    GameStart start;
    const std::string prefs = m_dir.file("prefs");
    const char* argv[] = {"korvath", "--prefs", prefs.c_str()};
    ASSERT_EQ(start.prepare(3, argv, false), -1);
    CountingHost host;
    std::vector<std::string> shots; // in the order taken
    // F12 pressed; the picture it saved, once it is complete (the note that
    // it was saved is painted after it).
    auto shoot = [&] {
        const std::set<std::string> before = filesIn(pictures + "/Korvath");
        push(key(SDL_KEYDOWN, SDLK_F12, SDL_SCANCODE_F12));
        push(key(SDL_KEYUP, SDLK_F12, SDL_SCANCODE_F12));
        EXPECT_TRUE(waitFor([&] { return filesIn(pictures + "/Korvath").size() > before.size(); }, 5000));
        const int32_t shows = host.m_shows.load();
        waitFor([&] { return host.m_shows.load() > shows + 1; }, 2000);
        for (const std::string& f : filesIn(pictures + "/Korvath"))
            if (!before.count(f))
                shots.push_back(f);
    };
    std::thread user([&] {
        EXPECT_TRUE(waitFor([&] { return host.m_shows.load() >= 2; }, 20000));
        // A new Allied campaign (tried until its record is saved), then Enter
        // now and then: on the map it starts the battle, in battle it fires.
        bool saved = false;
        for (int32_t tries = 0; tries < 20 && !saved; tries++) {
            push(key(SDL_KEYDOWN, SDLK_n, SDL_SCANCODE_N));
            push(key(SDL_KEYUP, SDLK_n, SDL_SCANCODE_N));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            push(key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A));
            push(key(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A));
            saved = waitFor([&] { return std::filesystem::exists(prefs + "/korvath"); }, 1000);
        }
        EXPECT_TRUE(saved);
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
                SDL_Event lost{};
                lost.type = SDL_WINDOWEVENT;
                lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
                push(lost);
                std::this_thread::sleep_for(std::chrono::milliseconds(1000));
                shoot();
                std::this_thread::sleep_for(std::chrono::milliseconds(2000));
                shoot();
            }
        }
        EXPECT_TRUE(shot) << "no battle";
        push(SDL_Event{.type = SDL_QUIT});
    });
    EXPECT_EQ(host.run(start.m_options, start.game()), 0);
    user.join();
    ::unsetenv("XDG_PICTURES_DIR");
    ASSERT_EQ(shots.size(), 3u);
    Frame shot[3];
    for (std::size_t i = 0; i < 3; i++)
        ASSERT_TRUE(Png::read(shots[i], shot[i].w, shot[i].h, shot[i].px)) << shots[i];
    // The first is the battle (its sky at the top, light blue), not the map
    // (black above it) or a page.
    const uint32_t sky = shot[0].at(shot[0].w / 2, shot[0].h / 40);
    EXPECT_GE(sky & 0xFF, 128u) << std::hex << sky;
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF) << std::hex << sky;
    // Paused: below the note at the top, the same picture two seconds on.
    ASSERT_EQ(shot[1].w, shot[2].w);
    ASSERT_EQ(shot[1].h, shot[2].h);
    const std::size_t quarter = static_cast<std::size_t>(shot[1].w * (shot[1].h / 4));
    EXPECT_TRUE(std::equal(shot[1].px.begin() + static_cast<std::ptrdiff_t>(quarter), shot[1].px.end(),
                           shot[2].px.begin() + static_cast<std::ptrdiff_t>(quarter)));
    std::vector<std::string> replays;
    for (const auto& e : std::filesystem::directory_iterator(prefs + "/replays"))
        replays.push_back(e.path().string());
    ASSERT_EQ(replays.size(), 1u);
    std::string out;
    EXPECT_EQ(runCommand(std::string(KORVATH_BIN_DIR) + "/korvath --headless --replay " + replays[0], out), 0) << out;
    EXPECT_NE(out.find("the battle went as recorded"), std::string::npos) << out;
}

TEST_F(DesktopTest, KeysMouseAndHeldCodesMapToTheGame)
{
    struct {
        SDL_Keycode key = 0;
        int32_t code = 0;
    } keys[] = {{SDLK_LEFT, Key::kLeft},     {SDLK_DOWN, Key::kDown},      {SDLK_KP_0, '0'},
                {SDLK_KP_9, '9'},            {SDLK_9, '9'},                {SDLK_KP_ENTER, Key::kEnter},
                {SDLK_ESCAPE, Key::kEscape}, {SDLK_a, 'A'},                {SDLK_z, 'Z'},
                {SDLK_u, 'U'},               {SDLK_EQUALS, Key::kPlus},    {SDLK_MINUS, Key::kMinus},
                {SDLK_F1, Key::function(1)}, {SDLK_LSHIFT, Key::kNone},    {SDLK_TAB, Key::kTab},
                {SDLK_KP_MULTIPLY, Key::kStar}, {SDLK_F12, Key::kF12}, {SDLK_PRINTSCREEN, Key::kNone},
                // The keypad's arrows as printed on it; its other digits stay digits.
                {SDLK_KP_8, Key::kUp},       {SDLK_KP_2, Key::kDown},      {SDLK_KP_4, Key::kLeft},
                {SDLK_KP_6, Key::kRight},    {SDLK_8, '8'},                {SDLK_PAGEUP, Key::kPageUp},
                {SDLK_PAGEDOWN, Key::kPageDown}, {SDLK_HOME, Key::kHome},  {SDLK_END, Key::kEnd}};
    for (const auto& k : keys)
        EXPECT_EQ(SdlInput::keyCode(k.key), k.code) << SDL_GetKeyName(k.key);

    // Mouse positions map into the logical screen of 100 x 50 shown at (20, 10), scale 3.
    Input in;
    SdlInput input;
    input.setScreen(20, 10, 300, 150, 100, 50);
    input.handle(mouse(SDL_MOUSEBUTTONDOWN, 19, 500), &in);
    EXPECT_EQ(in.touchX(), 0); // left of the screen: clamped, not rounded up
    EXPECT_EQ(in.touchY(), 49);
    EXPECT_TRUE(in.keyDown(Key::kTouch));
    input.handle(mouse(SDL_MOUSEMOTION, 21, 500), &in); // one pixel of a 3-pixel cell: no move
    input.handle(mouse(SDL_MOUSEMOTION, 23, 500), &in);
    EXPECT_EQ(in.dragX(), 1);
    EXPECT_EQ(in.pointerX(), 1);
    input.handle(mouse(SDL_MOUSEBUTTONUP, 50, 40), &in);
    EXPECT_EQ(in.touchX(), 10);
    EXPECT_EQ(in.touchY(), 10);
    EXPECT_FALSE(in.keyDown(Key::kTouch));

    // Two keys giving the same code: it stays held until both are up.
    input.handle(key(SDL_KEYDOWN, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), &in);
    input.handle(key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN), &in);
    input.handle(key(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN), &in);
    EXPECT_TRUE(in.keyDown(Key::kEnter));
    input.handle(key(SDL_KEYUP, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), &in);
    EXPECT_FALSE(in.keyDown(Key::kEnter));
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
    EXPECT_FALSE(in.keyDown('5'));
    EXPECT_FALSE(in.keyDown('D'));
    input.handle(key(SDL_KEYDOWN, SDLK_d, SDL_SCANCODE_D), &in);
    EXPECT_TRUE(in.keyDown('D'));
    std::vector<int32_t> queued;
    for (int32_t k = in.keyGet(); k != 0; k = in.keyGet())
        queued.push_back(k);
    EXPECT_EQ(queued, (std::vector<int32_t>{Key::kTouch, Key::kEnter, 'H', 'H', '5', 'D', 'D'}));
}

TEST_F(DesktopTest, GamepadButtonsSticksAndHotPlug)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    Input in;
    SdlInput input;
    auto pump = [&] {
        SDL_Event e;
        SDL_JoystickUpdate();
        while (SDL_PollEvent(&e))
            input.handle(e, &in);
    };
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    pump(); // plugged in: the host opens it
    SDL_Joystick* joy = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(joy, nullptr) << "the gamepad was not opened";
    auto button = [&](SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(joy, b, down ? 1 : 0);
        pump();
    };
    auto axis = [&](SDL_GameControllerAxis a, int16_t v) {
        SDL_JoystickSetVirtualAxis(joy, a, v);
        pump();
    };
    button(SDL_CONTROLLER_BUTTON_A, true);
    button(SDL_CONTROLLER_BUTTON_A, false);
    button(SDL_CONTROLLER_BUTTON_B, true);
    button(SDL_CONTROLLER_BUTTON_START, true);
    button(SDL_CONTROLLER_BUTTON_START, false);
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
    // The right stick is the tilt: full deflection is one g.
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    axis(SDL_CONTROLLER_AXIS_RIGHTY, -32768);
    EXPECT_EQ(in.tiltX(), 32768);
    EXPECT_EQ(in.tiltY(), -32768);
    axis(SDL_CONTROLLER_AXIS_RIGHTX, 1000);
    EXPECT_EQ(in.tiltX(), 0);
    // A trigger is a button past half way (a virtual trigger's -32768 is
    // let go, its 32767 pulled all the way).
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -20000);
    EXPECT_FALSE(in.keyDown(Key::kPadRightTrigger));
    axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    EXPECT_TRUE(in.keyDown(Key::kPadRightTrigger));
    // Unplugged while "B" and "down" are held: both are let go.
    EXPECT_TRUE(in.keyDown(Key::kPadB));
    SDL_JoystickDetachVirtual(index);
    pump();
    EXPECT_FALSE(in.keyDown(Key::kPadB));
    EXPECT_FALSE(in.keyDown(Key::kPadDown));
    EXPECT_EQ(in.tiltY(), 0);
    std::vector<int32_t> queued;
    for (int32_t k = in.keyGet(); k != 0; k = in.keyGet())
        queued.push_back(k);
    EXPECT_EQ(queued, (std::vector<int32_t>{Key::kPadA, Key::kPadB, Key::kPadStart, Key::kPadLeft, Key::kPadDown,
                                             Key::kPadRightTrigger}));
    input.closePads();
    SDL_Quit();
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
    std::filesystem::create_directory(dir.file("empty"));
    EXPECT_EQ(korvath("--data " + dir.file("empty")), 1);
    EXPECT_EQ(out, "korvath: the game data in " + dir.file("empty") + " is incomplete: app0.bin is missing (build "
                   "the game, or give the data folder with --data DIR)\n");
    // With the data there, the same program runs headless to the end.
    EXPECT_EQ(korvath("--headless --until 200"), 0) << out;
}

namespace {

// The window's game keeps the frame rate asked for: over a few seconds the
// frames drawn are the game time they covered over the frame's length.
TEST_F(DesktopTest, FramesArePacedAtTheRateAskedFor)
{
    SdlHost host;
    HostOptions o;
    o.m_mute = true;
    o.m_frameUs = 50000; // 20 frames a second: slow enough for a sanitizer build
    // The game is asked to stop after three seconds (an atomic request: no
    // SDL call from this thread).
    std::atomic<App*> game{nullptr};
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        while (!game.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        game.load()->requestStop();
    });
    testing::internal::CaptureStdout();
    EXPECT_EQ(host.run(o,
                       [&game] {
                           ref<App> app = new App;
                           app->m_frameStats = true;
                           game.store(app.get());
                           return ref<V3dView>(app);
                       }),
              0);
    const std::string out = testing::internal::GetCapturedStdout();
    user.join();
    int64_t frames = 0, gameMs = 0;
    const std::size_t at = out.find("frames: ");
    ASSERT_NE(at, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + at, "frames: %" SCNd64 ", game time: %" SCNd64, &frames, &gameMs), 2) << out;
    EXPECT_GT(gameMs, 2000);
    EXPECT_NEAR(static_cast<double>(frames), gameMs / 50.0, gameMs / 50.0 / 10) << out;
}

} // namespace

// F12 in the window: the frame on screen, each game pixel as large as the
// window shows it, in the pictures folder.
TEST_F(DesktopTest, F12SavesTheWindowsPictureInThePicturesFolder)
{
    const std::string pictures = m_dir.file("pictures");
    ::setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    CountingHost host;
    HostOptions o;
    o.m_scale = 2;
    std::thread user([&] {
        EXPECT_TRUE(waitFor([&] { return host.m_shows.load() >= 2; }, 20000));
        push(key(SDL_KEYDOWN, SDLK_F12, SDL_SCANCODE_F12));
        push(key(SDL_KEYUP, SDLK_F12, SDL_SCANCODE_F12));
        EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(pictures + "/Korvath"); }, 5000));
        // The file is complete once the note that it was saved is painted.
        const int32_t shows = host.m_shows.load();
        waitFor([&] { return host.m_shows.load() > shows + 1; }, 2000);
        push(SDL_Event{.type = SDL_QUIT});
    });
    EXPECT_EQ(host.run(o, [] { return ref<V3dView>(new App); }), 0);
    user.join();
    ::unsetenv("XDG_PICTURES_DIR");
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(pictures + "/Korvath", ec))
        files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 1u);
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    ASSERT_TRUE(Png::read(files[0], w, h, px));
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 640);
    // Whole scale: each game pixel a square of four.
    for (int32_t y = 0; y < h; y += 37)
        for (int32_t x = 0; x < w; x += 41)
            EXPECT_EQ(px[static_cast<std::size_t>(y / 2 * 2 * w + x / 2 * 2)], px[static_cast<std::size_t>(y * w + x)]);
}
