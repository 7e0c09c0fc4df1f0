#include <gtest/gtest.h>

#include <vector>

#include "host/Input.h"
#include "host/Keys.h"

namespace {

std::vector<int32_t> drain(Input& in)
{
    std::vector<int32_t> keys;
    for (int32_t k = in.keyGet(); k != Key::kNone; k = in.keyGet())
        keys.push_back(k);
    return keys;
}

TEST(Input, AKeyHeldByTwoSourcesIsQueuedOnceAndHeldUntilBothLetGo)
{
    Input in;
    in.keyDownSys(Key::kUp);
    in.keyDownSys(Key::kUp); // the keypad's 8 as well
    in.keyDownSys('W');
    in.keyUpSys(Key::kUp);
    EXPECT_TRUE(in.keyDown(Key::kUp));
    in.keyUpSys(Key::kUp);
    in.keyUpSys(Key::kUp); // one more release than presses changes nothing
    EXPECT_FALSE(in.keyDown(Key::kUp));
    EXPECT_TRUE(in.keyDown('W'));
    EXPECT_EQ(in.keyPeek(), Key::kUp);
    EXPECT_EQ(drain(in), (std::vector<int32_t>{Key::kUp, 'W'}));
    EXPECT_FALSE(in.keyWaiting());
    // No key has code 0 or 128 and up: they are neither held nor queued.
    for (int32_t c : {0, 128, 200, -3}) {
        in.keyDownSys(c);
        EXPECT_FALSE(in.keyDown(c));
    }
    EXPECT_FALSE(in.keyWaiting());
}

TEST(Input, TheQueueHoldsNineKeysAndDropsTheRest)
{
    Input in;
    for (int32_t round = 0; round < 3; round++) { // round the ring more than once
        for (int32_t k = 'A'; k < 'A' + 12; k++)
            in.keyAddSys(k);
        std::vector<int32_t> want;
        for (int32_t k = 'A'; k < 'A' + Input::kQueued; k++)
            want.push_back(k);
        EXPECT_EQ(drain(in), want);
    }
}

TEST(Input, TheTouchProtocol)
{
    Input in;
    in.touchBegin(30, 40);
    EXPECT_TRUE(in.keyDown(Key::kTouch));
    EXPECT_EQ(in.touchX(), 30);
    in.touchMove(35, 38);
    in.touchBegin(50, 50); // a second begin while down only moves the place
    in.touchMove(51, 49);
    EXPECT_EQ(in.dragX(), 6);
    EXPECT_EQ(in.dragY(), -3);
    EXPECT_EQ(in.pointerX(), -1); // a drag is not the resting pointer
    in.touchEnd();
    EXPECT_FALSE(in.keyDown(Key::kTouch));
    EXPECT_EQ(in.touchX(), 51);
    EXPECT_EQ(in.touchY(), 49);
    in.touchMove(90, 90); // not touching: no drag
    EXPECT_EQ(in.dragX(), 6);
    EXPECT_EQ(drain(in), std::vector<int32_t>{Key::kTouch});
    in.touchUsed();
    in.dragReset();
    EXPECT_EQ(in.touchX() + in.touchY() + in.dragX() + in.dragY(), 0);
}

TEST(Input, ReleaseAllLetsGoOfWhatIsHeldAndKeepsTheQueue)
{
    Input in;
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
    EXPECT_EQ(drain(in), (std::vector<int32_t>{'5', Key::kTouch, '5'}));
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
    EXPECT_EQ(drain(frame), (std::vector<int32_t>{Key::kUp, ' ', Key::kTouch}));
    EXPECT_TRUE(frame.keyDown(Key::kUp) && frame.keyDown(Key::kTouch) && !frame.keyDown(' '));
    EXPECT_EQ(frame.touchX(), 100);
    EXPECT_EQ(frame.dragX(), 10);
    EXPECT_EQ(frame.dragY(), -10);
    EXPECT_EQ(frame.pointerX(), 7);
    EXPECT_EQ(frame.tiltY(), 400);
    frame.touchUsed();
    frame.dragReset();
    EXPECT_EQ(frame.wheelTake(), 2);

    // Nothing new: what the game used stays used; a key let go is let go.
    live.keyUpSys(Key::kUp);
    frame.latch(live);
    EXPECT_FALSE(frame.keyWaiting());
    EXPECT_EQ(frame.touchX(), 0);
    EXPECT_EQ(frame.dragX(), 0);
    EXPECT_EQ(frame.wheelTake(), 0);
    EXPECT_FALSE(frame.keyDown(Key::kUp));
    // Not taken yet, the drag and wheel add up over frames.
    live.touchMove(130, 50);
    live.wheelSys(-1);
    frame.latch(live);
    live.touchMove(135, 50);
    live.wheelSys(-1);
    frame.latch(live);
    EXPECT_EQ(frame.dragX(), 25);
    EXPECT_EQ(frame.wheelTake(), -2);
    live.touchEnd();
    frame.latch(live);
    EXPECT_EQ(frame.touchX(), 135);
    EXPECT_FALSE(frame.keyDown(Key::kTouch));
}

TEST(Input, AStateSetIsTheStateRead)
{
    Input::State s;
    s.held[0] = 1u << Key::kUp | 1u << Key::kTouch;
    s.held[3] = 1u << ('z' & 31);
    s.queued = 3;
    s.queue[0] = 'A', s.queue[1] = 10, s.queue[2] = 127;
    s.touchX = -5, s.touchY = 9, s.dragX = 1000, s.dragY = -1000;
    s.pointerX = 3, s.pointerY = 4, s.wheel = -7, s.tiltX = 32768, s.tiltY = -32768;
    Input in;
    in.setState(s);
    EXPECT_TRUE(in.state() == s);
    EXPECT_TRUE(in.keyDown('z'));
    EXPECT_EQ(drain(in), (std::vector<int32_t>{'A', 10, 127}));
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
        {"pageup", Key::kPageUp}, {"pagedown", Key::kPageDown}, {"home", Key::kHome}, {"end", Key::kEnd},
        {"esc", Key::kEscape},    {"tab", Key::kTab},           {"'N'", 'N'},         {"'#'", '#'},
        {"127", 127},             {"0", 0},                     {"f12", Key::kF12},   {"f1", Key::function(1)},
        {"pad-a", Key::kPadA},    {"pad-rt", Key::kPadRightTrigger},
    };
    for (auto [word, want] : good) {
        EXPECT_TRUE(Key::parse(word, code)) << word;
        EXPECT_EQ(code, want) << word;
    }
    EXPECT_EQ(Key::name(Key::kEnter), "Enter");
    EXPECT_EQ(Key::name(Key::kPageDown), "Page Down");
    EXPECT_EQ(Key::name('W'), "W");
    EXPECT_EQ(Key::name(Key::kNone), "");
    EXPECT_EQ(Key::name(Key::kF12), "F12");
    EXPECT_EQ(Key::name(Key::kPadLeftShoulder), "Pad LB");
    EXPECT_EQ(Key::name(126), ""); // in the gamepad's range, but no button
    EXPECT_EQ(Key::letter('w'), 'W');
}

TEST(Input, HotkeysAreCountedNotQueuedAndStillHeld)
{
    Input in;
    in.setHotkeys(Key::kF12, Key::kPadBack);
    in.keyDownSys(Key::kF12);
    in.keyDownSys('W');
    in.keyDownSys(Key::kF12); // held already: no second press
    EXPECT_TRUE(in.keyDown(Key::kF12));
    in.keyUpSys(Key::kF12);
    in.keyUpSys(Key::kF12);
    in.keyDownSys(Key::kPadBack);
    EXPECT_EQ(in.hotkeyTake(), 2);
    EXPECT_EQ(in.hotkeyTake(), 0);
    EXPECT_EQ(in.keyGet(), 'W');
    EXPECT_EQ(in.keyGet(), Key::kNone);
    // Released as hotkeys, they queue as any key.
    in.setHotkeys(Key::kNone, Key::kNone);
    in.keyUpSys(Key::kPadBack);
    in.keyDownSys(Key::kPadBack);
    EXPECT_EQ(in.keyGet(), Key::kPadBack);
    EXPECT_EQ(in.hotkeyTake(), 0);
}

} // namespace
