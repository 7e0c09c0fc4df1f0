#include <gtest/gtest.h>

#include <vector>

#include "host/Input.h"
#include "host/Keys.h"

namespace {

using Codes = std::vector<int32_t>;

Codes drain(Input& in)
{
    Codes keys;
    for (int32_t k = in.keyGet(); k != Key::kNone; k = in.keyGet())
        keys.push_back(k);
    return keys;
}

// A key held by two sources (an arrow and the keypad's 8) is queued once and
// held until both let go; hotkeys are counted, not queued, yet held; the queue
// holds nine keys and drops the rest, round its ring more than once.
TEST(Input, KeysAreHeldUntilEverySourceLetsGoQueuedOnceAndHotkeysCounted)
{
    Input in;
    in.keyDownSys(Key::kUp);
    in.keyDownSys(Key::kUp);
    in.keyDownSys('W');
    in.keyUpSys(Key::kUp);
    EXPECT_TRUE(in.keyDown(Key::kUp));
    in.keyUpSys(Key::kUp);
    in.keyUpSys(Key::kUp); // one more release than presses changes nothing
    EXPECT_FALSE(in.keyDown(Key::kUp));
    EXPECT_TRUE(in.keyDown('W'));
    EXPECT_EQ(in.keyPeek(), Key::kUp);
    EXPECT_EQ(drain(in), (Codes{Key::kUp, 'W'}));
    // No key has code 0 or 128 and up: they are neither held nor queued.
    for (int32_t c : {0, 128, 200, -3}) {
        in.keyDownSys(c);
        EXPECT_FALSE(in.keyDown(c));
    }
    EXPECT_FALSE(in.keyWaiting());

    in.setHotkeys(Key::kF12, Key::kPadBack);
    in.keyDownSys(Key::kF12);
    in.keyDownSys('X');
    in.keyDownSys(Key::kF12); // held already: no second press
    EXPECT_TRUE(in.keyDown(Key::kF12));
    in.keyUpSys(Key::kF12);
    in.keyUpSys(Key::kF12);
    in.keyDownSys(Key::kPadBack);
    EXPECT_EQ(in.hotkeyTake(), 2);
    EXPECT_EQ(in.hotkeyTake(), 0);
    EXPECT_EQ(drain(in), Codes{'X'});
    // Released as hotkeys, they queue as any key.
    in.setHotkeys(Key::kNone, Key::kNone);
    in.keyUpSys(Key::kPadBack);
    in.keyDownSys(Key::kPadBack);
    EXPECT_EQ(drain(in), Codes{Key::kPadBack});
    EXPECT_EQ(in.hotkeyTake(), 0);

    Codes nine;
    for (int32_t k = 'A'; k < 'A' + Input::kQueued; k++)
        nine.push_back(k);
    for (int32_t round = 0; round < 3; round++) {
        for (int32_t k = 'A'; k < 'A' + 12; k++)
            in.keyAddSys(k);
        EXPECT_EQ(drain(in), nine);
    }
}

// The touch's ordinary course is checked through the script and the window;
// here its edges. Releasing everything (the focus lost) lets go of what is
// held and keeps the queue and the wheel.
TEST(Input, TheTouchProtocolAndReleaseAll)
{
    Input in;
    in.touchBegin(30, 40);
    in.touchMove(35, 38);
    in.touchBegin(50, 50); // a second begin while down only moves the place
    in.touchMove(51, 49);
    EXPECT_EQ(Codes({in.dragX(), in.dragY(), in.pointerX()}), Codes({6, -3, -1})); // a drag is no resting pointer
    in.touchEnd();
    in.touchMove(90, 90); // not touching: no drag
    EXPECT_EQ(Codes({in.touchX(), in.touchY(), in.dragX()}), Codes({51, 49, 6}));
    EXPECT_EQ(drain(in), Codes{Key::kTouch});
    in.touchUsed();
    in.dragReset();
    EXPECT_EQ(in.touchX() + in.touchY() + in.dragX() + in.dragY(), 0);

    in.keyDownSys('5');
    in.keyDownSys('5');
    in.touchBegin(1, 2);
    in.tiltSys(9000, -9000);
    in.wheelSys(3);
    in.releaseAll();
    EXPECT_FALSE(in.keyDown('5'));
    EXPECT_FALSE(in.keyDown(Key::kTouch));
    EXPECT_EQ(in.tiltX(), 0);
    in.keyDownSys('5'); // pressed anew after the focus came back: a press
    EXPECT_EQ(drain(in), (Codes{'5', Key::kTouch, '5'}));
    EXPECT_EQ(in.wheelTake(), 3);
    EXPECT_EQ(in.wheelTake(), 0);
}

// The frame's copy of a recorded battle: each latch takes over what the host
// delivered since the last one, once, and what is held now; the game's use of
// the copy (keys taken, the touch used) never brings anything back.
TEST(Input, ALatchTakesOverWhatTheHostDeliveredOnce)
{
    Input live, frame;
    live.keyDownSys(Key::kUp);
    live.keyDownSys(' ');
    live.keyUpSys(' ');
    live.touchBegin(100, 60);
    live.touchMove(110, 50);
    live.wheelSys(2);
    live.pointerSys(7, 8);
    live.tiltSys(-300, 400);
    frame.latch(live);
    EXPECT_FALSE(live.keyWaiting());
    EXPECT_EQ(drain(frame), (Codes{Key::kUp, ' ', Key::kTouch}));
    EXPECT_TRUE(frame.keyDown(Key::kUp) && frame.keyDown(Key::kTouch) && !frame.keyDown(' '));
    EXPECT_EQ(Codes({frame.touchX(), frame.dragX(), frame.dragY(), frame.pointerX(), frame.tiltY()}),
              Codes({100, 10, -10, 7, 400}));
    frame.touchUsed();
    frame.dragReset();
    EXPECT_EQ(frame.wheelTake(), 2);
    // Nothing new: what the game used stays used; a key let go is let go.
    live.keyUpSys(Key::kUp);
    frame.latch(live);
    EXPECT_FALSE(frame.keyWaiting());
    EXPECT_EQ(Codes({frame.touchX(), frame.dragX(), frame.wheelTake()}), Codes({0, 0, 0}));
    EXPECT_FALSE(frame.keyDown(Key::kUp));
    // Not taken yet, the drag and wheel add up over frames.
    for (int32_t x : {130, 135}) {
        live.touchMove(x, 50);
        live.wheelSys(-1);
        frame.latch(live);
    }
    EXPECT_EQ(frame.dragX(), 25);
    EXPECT_EQ(frame.wheelTake(), -2);
    live.touchEnd();
    frame.latch(live);
    EXPECT_EQ(frame.touchX(), 135);
    EXPECT_FALSE(frame.keyDown(Key::kTouch));
}

TEST(Input, AStateSetIsTheStateRead)
{
    Input::State s{.held = {1u << Key::kUp | 1u << Key::kTouch, 0, 0, 1u << ('z' & 31)}, .queued = 3, .queue = {'A', 10, 127},
                   .touchX = -5, .touchY = 9, .dragX = 1000, .dragY = -1000, .pointerX = 3, .pointerY = 4,
                   .wheel = -7, .tiltX = 32768, .tiltY = -32768};
    Input in;
    in.setState(s);
    EXPECT_TRUE(in.state() == s && in.keyDown('z'));
    EXPECT_EQ(drain(in), (Codes{'A', 10, 127}));
    // What the game cannot have read is not taken: no key 0, no tenth key.
    s.held[0] |= 1;
    s.queued = Input::kQueued + 1;
    in.setState(s);
    EXPECT_FALSE(in.keyDown(0));
    EXPECT_EQ(in.state().queued, 3);
}

TEST(Keys, ScriptWordsAndNames)
{
    int32_t code = 0;
    for (const char* bad : {"128", "-1", "+5", "'ab'", "x", "5x", "ESC", "", "page"})
        EXPECT_FALSE(Key::parse(bad, code)) << bad;
    const std::pair<const char*, int32_t> good[] = {
        {"pagedown", Key::kPageDown}, {"end", Key::kEnd}, {"esc", Key::kEscape},  {"'#'", '#'},          {"127", 127},
        {"0", 0},                     {"f12", Key::kF12}, {"f1", Key::function(1)}, {"pad-rt", Key::kPadRightTrigger},
    };
    for (auto [word, want] : good) {
        EXPECT_TRUE(Key::parse(word, code)) << word;
        EXPECT_EQ(code, want) << word;
    }
    // 126 is in the gamepad's range, but no button.
    const std::pair<int32_t, const char*> names[] = {
        {Key::kPageDown, "Page Down"}, {'W', "W"}, {Key::kNone, ""}, {Key::kF12, "F12"}, {Key::kPadLeftShoulder, "Pad LB"}, {126, ""}};
    for (auto [key, name] : names)
        EXPECT_EQ(Key::name(key), name) << key;
    EXPECT_EQ(Key::letter('w'), 'W');
}

} // namespace
