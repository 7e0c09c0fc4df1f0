#include <gtest/gtest.h>

#include "PadState.h"
#include "WebKeys.h"
#include "WebScreen.h"
#include "host/Input.h"

namespace {

std::vector<int32_t> drain(Input& in)
{
    std::vector<int32_t> keys;
    for (int32_t k = in.keyGet(); k != Key::kNone; k = in.keyGet())
        keys.push_back(k);
    return keys;
}

} // namespace

// The browser's keys give the desktop's codes: the keys that type nothing by
// their place, the rest by what the player's layout types on them.
TEST(WebKeys, PlacesAndTypedCharactersGiveTheDesktopCodes)
{
    const struct {
        const char* code;
        const char* key;
        int32_t want;
    } cases[] = {
        {"ArrowLeft", "ArrowLeft", Key::kLeft}, {"Numpad4", "4", Key::kLeft},   {"Numpad8", "ArrowUp", Key::kUp},
        {"Numpad2", "2", Key::kDown},           {"Numpad5", "5", '5'},          {"Numpad0", "0", '0'},
        {"Enter", "Enter", Key::kEnter},        {"NumpadEnter", "Enter", Key::kEnter},
        {"Space", " ", Key::kSpace},            {"Escape", "Escape", Key::kEscape}, {"Tab", "Tab", Key::kTab},
        {"NumpadAdd", "+", Key::kPlus},         {"Equal", "=", Key::kPlus},     {"Minus", "-", Key::kMinus},
        {"NumpadMultiply", "*", Key::kStar},    {"PageDown", "PageDown", Key::kPageDown}, {"End", "End", Key::kEnd},
        // A French keyboard: the key in the place of Q types A.
        {"KeyQ", "a", 'A'},                     {"KeyW", "Z", 'Z'},             {"Digit7", "7", '7'},
        {"F1", "F1", Key::function(1)},         {"F12", "F12", Key::kF12},     {"F10", "F10", Key::function(10)},
        // What the game has no key for.
        {"F13", "F13", Key::kNone},             {"F0", "F0", Key::kNone},       {"Digit1", "!", Key::kNone},
        {"KeyE", "Dead", Key::kNone},           {"ShiftLeft", "Shift", Key::kNone}, {"", "", Key::kNone},
        {nullptr, nullptr, Key::kNone},         {"Semicolon", "é", Key::kNone},
        // A Russian layout's letters and a French digit row's é by their place.
        {"KeyY", "н", 'Y'},                     {"Digit2", "é", '2'},           {"KeyF", "А", 'F'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebKeys::code(c.code, c.key), c.want) << (c.code ? c.code : "null") << " " << (c.key ? c.key : "");

    EXPECT_EQ(WebKeys::padButton(0), Key::kPadA);
    EXPECT_EQ(WebKeys::padButton(9), Key::kPadStart);
    EXPECT_EQ(WebKeys::padButton(15), Key::kPadRight);
    for (int32_t analogue : {6, 7, 16, -1})
        EXPECT_EQ(WebKeys::padButton(analogue), Key::kNone) << analogue;
}

// The page shows the game at the largest whole scale that still shows the
// 480 x 320 screen, filling the window; a player's scale is kept where it
// fits; a point of the canvas maps onto whole logical pixels in any unit.
TEST(WebScreen, WholeScalesFillTheWindowAndPointsMapOntoTheScreen)
{
    WebScreen s = WebScreen::fit(960, 640, 0);
    EXPECT_EQ(s.scale, 2);
    EXPECT_EQ(s.width, 480);
    EXPECT_EQ(s.height, 320);
    s = WebScreen::fit(1920, 1080, 0); // limited by the height
    EXPECT_EQ(s.scale, 3);
    EXPECT_EQ(s.maxScale, 3);
    EXPECT_EQ(s.width, 640);
    EXPECT_EQ(s.height, 360);
    s = WebScreen::fit(1920, 1080, 1);
    EXPECT_EQ(s.width, 1920);
    s = WebScreen::fit(1920, 1080, 9); // more than fits: the largest
    EXPECT_EQ(s.scale, 3);
    s = WebScreen::fit(400, 250, 0); // a window smaller than the screen: all of it
    EXPECT_EQ(s.scale, 1);
    EXPECT_EQ(s.width, 400);
    EXPECT_EQ(s.height, 250);
    s = WebScreen::fit(0, -5, 0);
    EXPECT_EQ(s.width, 1);
    EXPECT_EQ(s.height, 1);
    s = WebScreen::fit(100000, 100000, 0);
    EXPECT_EQ(s.scale, WebScreen::kMostScale);

    s = WebScreen::fit(960, 640, 0);
    int32_t x = -1, y = -1;
    s.logical(0, 0, 960, 640, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    s.logical(1.99, 3.01, 960, 640, x, y); // within the first pixel, the second row
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1);
    s.logical(479.5, 319.9, 480, 320, x, y); // CSS pixels on a display twice as fine
    EXPECT_EQ(x, 479);
    EXPECT_EQ(y, 319);
    s.logical(-3, 5000, 960, 640, x, y); // off the canvas: onto its edge
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 319);
    s.logical(10, 10, 0, 0, x, y); // a canvas not shown
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

// A gamepad, whoever reports it: a button presses once however often it is
// reported, the stick presses past half way and lets go only below a quarter,
// a trigger is a button, the right stick is the tilt outside its dead zone,
// and a pad that goes away lets go of everything it held.
TEST(PadState, ButtonsSticksTriggersAndTiltReachTheInput)
{
    Input in;
    PadState pad;
    pad.button(in, Key::kPadA, true);
    pad.button(in, Key::kPadA, true);
    pad.button(in, Key::kPadLeftTrigger, true); // a trigger is an axis here
    EXPECT_EQ(drain(in), std::vector<int32_t>{Key::kPadA});
    EXPECT_TRUE(in.keyDown(Key::kPadA));

    pad.axis(in, PadState::LeftX, PadState::kStickPress - 1);
    EXPECT_FALSE(in.keyDown(Key::kPadRight));
    pad.axis(in, PadState::LeftX, PadState::kStickPress);
    EXPECT_TRUE(in.keyDown(Key::kPadRight));
    pad.axis(in, PadState::LeftX, PadState::kStickRelease + 1); // resting near the edge
    EXPECT_TRUE(in.keyDown(Key::kPadRight));
    pad.axis(in, PadState::LeftX, -32768); // straight across
    EXPECT_FALSE(in.keyDown(Key::kPadRight));
    EXPECT_TRUE(in.keyDown(Key::kPadLeft));
    pad.axis(in, PadState::LeftY, 20000); // y grows downwards
    EXPECT_TRUE(in.keyDown(Key::kPadDown));
    pad.axis(in, PadState::RightTrigger, 30000);
    EXPECT_TRUE(in.keyDown(Key::kPadRightTrigger));
    EXPECT_EQ(drain(in), (std::vector<int32_t>{Key::kPadRight, Key::kPadLeft, Key::kPadDown, Key::kPadRightTrigger}));

    pad.axis(in, PadState::RightX, PadState::kTiltDeadZone - 1);
    pad.axis(in, PadState::RightY, -32768);
    EXPECT_EQ(in.tiltX(), 0);
    EXPECT_EQ(in.tiltY(), -32768);
    pad.axis(in, PadState::RightX, 32767);
    EXPECT_EQ(in.tiltX(), 32768);

    pad.release(in);
    for (int32_t k : {Key::kPadA, Key::kPadLeft, Key::kPadDown, Key::kPadRightTrigger})
        EXPECT_FALSE(in.keyDown(k)) << k;
    EXPECT_EQ(in.tiltX(), 0);
    EXPECT_EQ(in.tiltY(), 0);
    EXPECT_TRUE(drain(in).empty());

    // Forgotten (the input let go itself): the next press counts again.
    pad.button(in, Key::kPadB, true);
    in.releaseAll();
    pad.forget();
    pad.button(in, Key::kPadB, true);
    EXPECT_EQ(drain(in), (std::vector<int32_t>{Key::kPadB, Key::kPadB}));
}
