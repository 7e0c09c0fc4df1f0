#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "BattleWorld.h"

namespace {

constexpr int32_t kUnit = 32768;
constexpr int32_t kEast = 0x2000;

// Presses an action every frame for ms of game time.
void hold(BattleWorld& w, Tank& t, Action a, int32_t ms)
{
    for (int32_t e = 0; e < ms; e += BattleWorld::kFrameMs) {
        t.m_orders.press = a;
        w.step();
    }
}

TEST(Driving, FullDriveOnThePlainCoversWhatTheRatesPredictAndBurnsFuelByTheRule)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, kEast);
    hold(w, *t, Action::Forward, 640); // up to speed: it gains 1984 a ms and loses nothing else
    EXPECT_EQ(t->m_driveSpeed, Tank::kMaxDrive - 64 * 64);
    int32_t x0 = t->m_wx, fuel0 = t->m_fuel, odo0 = t->m_odometer;
    hold(w, *t, Action::Forward, 10000);
    // Speed is units per 1024 ms: 10 s at 323564 is 96.4 units; the drag
    // inside each frame takes a little.
    double want = (Tank::kMaxDrive - 64 * 64) / 32768.0 * 10000 / 1024;
    double went = (t->m_wx - x0) / 32768.0;
    EXPECT_NEAR(went, want, want * 0.01);
    EXPECT_EQ(t->m_wz, 100 * kUnit); // straight east
    // The odometer sums speed * time; fuel drops by 1/128 of it.
    double odo = (t->m_odometer - odo0) / 32768.0;
    EXPECT_NEAR(odo, went, went * 0.01);
    EXPECT_NEAR(fuel0 - t->m_fuel, (t->m_odometer - odo0) / 128.0, 160);
}

TEST(Driving, TurningRatesAndAHeldKeyThatSpeedsUp)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, 0);
    // A press every frame: 8 angle units a millisecond.
    hold(w, *t, Action::TurnRight, 1024);
    EXPECT_EQ(t->m_heading, 8 * 1024);
    hold(w, *t, Action::TurnLeft, 1024);
    EXPECT_EQ(t->m_heading, 0);
    // Held: once held for more than 500 ms, the rate doubles.
    t->m_orders.hold(Action::TurnLeft, true);
    hold(w, *t, Action::None, 1024);
    t->m_orders.hold(Action::TurnLeft, false);
    EXPECT_EQ(t->m_heading, -8 * (7 * 64 + 2 * 9 * 64));
    // The turret turns at half the hull's rate when aiming, within +-half a
    // turn; on Easy half as fast again.
    t->m_aim = true;
    for (int32_t level : {2, 0}) {
        SCOPED_TRACE(level);
        w.m_campaign->m_level = level;
        t->m_turret->m_heading = 0;
        hold(w, *t, Action::TurnRight, 2048);
        EXPECT_EQ(t->turretHeading(), Tank::wrapAngle((level == 0 ? 6 : 4) * 2048));
    }
}

TEST(Driving, TheGunIsLaidFinelyByATapAndAtTheStartOfAHold)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, 0);
    t->m_aim = true;
    // A tap each frame: 1 a millisecond, the gun up being negative.
    hold(w, *t, Action::GunUp, 256);
    EXPECT_EQ(t->m_gun->m_pitchAngle, -256);
    t->m_gun->m_pitchAngle = 0;
    // Held: fine while held under 400 ms (seven 64 ms frames), then 2 a
    // millisecond, over the doubled steps of a hold past 500 ms.
    t->m_orders.hold(Action::GunUp, true);
    hold(w, *t, Action::None, 9 * 64);
    t->m_orders.hold(Action::GunUp, false);
    EXPECT_EQ(t->m_gun->m_pitchAngle, -(7 * 64 + 2 * 2 * 128));
}

TEST(Driving, BrakingStopsAtZeroBeforeReversing)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, kEast);
    hold(w, *t, Action::Forward, 128);
    ASSERT_EQ(t->m_driveSpeed, 2 * (2048 - 64) * 64);
    hold(w, *t, Action::Reverse, 64);
    EXPECT_EQ(t->m_driveSpeed, 2 * (2048 - 64) * 64 - 2048 * 64 - 64 * 64);
    hold(w, *t, Action::Reverse, 64);
    EXPECT_EQ(t->m_driveSpeed, 0); // not below
    hold(w, *t, Action::Reverse, 640);
    EXPECT_EQ(t->m_driveSpeed, -Tank::kMaxDrive + 64 * 64);
    EXPECT_LT(t->m_velocity->m_x, 0);
    w.run(6000);
    EXPECT_EQ(t->m_driveSpeed, 0); // it runs down without a key
}

TEST(Driving, OnTheSlopeTheTankTiltsAndSlowsUphillAndSpeedsDownhill)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, BattleLayout::kRidgeWest - 30, 256, kEast);
    hold(w, *t, Action::Forward, 1000);
    auto speedOver = [&](int32_t ms) {
        int32_t x = t->m_wx;
        hold(w, *t, Action::Forward, ms);
        return (t->m_wx - x) / static_cast<double>(ms);
    };
    double flat = speedOver(1024);
    while (t->m_wx < (BattleLayout::kRidgeWest + 20) * kUnit)
        hold(w, *t, Action::Forward, 64);
    // The ramp rises 3/16 of a unit in a unit: about 10.6 degrees, front up.
    double slope = std::atan(3.0 * 4096 / 65536);
    EXPECT_NEAR(t->m_pitchAngle, -slope / (2 * M_PI) * 32768, 60);
    EXPECT_EQ(t->m_roll, 0);
    double up = speedOver(1024);
    EXPECT_NEAR(up / flat, 1 - 1.5 * std::sin(slope), 0.04);
    // On the ground all the way: the hull's origin at the ground's height.
    EXPECT_NEAR(t->m_wy, w.m_field->height(t->m_wx, t->m_wz), 2000);
    while (t->m_wx < (BattleLayout::kRidgeTopEast + 20) * kUnit)
        hold(w, *t, Action::Forward, 64);
    EXPECT_NEAR(t->m_pitchAngle, slope / (2 * M_PI) * 32768, 60);
    double down = speedOver(1024);
    EXPECT_NEAR(down / flat, 1 + 1.5 * std::sin(slope), 0.04);
}

TEST(Driving, InTheLakeATankSinksSlowlyAndIsLostBelowTheLimit)
{
    // Driving into the lake from its western shore at full speed.
    BattleWorld w(1);
    int32_t shore = BattleLayout::kLakeX - BattleLayout::kLakeRadius;
    ref<Tank> t = w.player(kSherman, shore - 12, BattleLayout::kLakeZ, kEast);
    int32_t ms = 0, wet = -1, afloat = 0;
    int64_t dv = 0;
    int32_t vy = 0;
    while (t->isLinked() && ms < 10000) {
        t->m_orders.press = Action::Forward;
        w.step();
        ms += 64;
        if (wet < 0 && t->m_gravity == Tank::kWaterGravity)
            wet = ms;
        if (t->m_contacts == 0 && t->isLinked()) {
            if (afloat++ > 0)
                dv += t->m_velocity->m_y - vy;
            vy = t->m_velocity->m_y;
        }
    }
    ASSERT_GE(wet, 0);
    EXPECT_FALSE(t->isLinked());
    EXPECT_LT(t->m_wy, Tank::kSunk);
    EXPECT_EQ(t->m_world, nullptr); // out of the world as well
    // Afloat, it gains a quarter of gravity's speed a frame, a little less
    // for the drag: it sinks slowly, and it is lost within a few seconds.
    ASSERT_GT(afloat, 2);
    double perFrame = static_cast<double>(dv) / (afloat - 1), quarter = V::fmul(Tank::kWaterGravity, 2048);
    EXPECT_LE(perFrame, quarter * 0.8);
    EXPECT_GE(perFrame, quarter * 1.01);
    EXPECT_LT(ms - wet, 5000);
    EXPECT_LT(t->m_wx, (shore + 30) * kUnit);
    EXPECT_TRUE(w.m_field->water(t->m_wx, t->m_wz));

    // Standing in the water, the drive keys do nothing.
    BattleWorld w2(1);
    ref<Tank> u = w2.player(kSherman, BattleLayout::kLakeX, BattleLayout::kLakeZ, 0);
    w2.step();
    EXPECT_EQ(u->m_gravity, Tank::kWaterGravity);
    EXPECT_EQ(u->m_contacts, 0);
    hold(w2, *u, Action::Forward, 640);
    EXPECT_EQ(u->m_wx, BattleLayout::kLakeX * kUnit);
    EXPECT_LT(u->m_wy, w.m_field->height(u->m_wx, u->m_wz));
}

TEST(Driving, FiringWithoutRoundsClicksAndAShotNeedsItsInterval)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, kEast);
    t->m_rounds = 1;
    t->m_timer = 1000;
    t->m_orders.press = Action::Fire;
    w.step();
    EXPECT_EQ(t->m_rounds, 0);
    EXPECT_EQ(w.m_view->heard("shoot"), 1);
    // Within 800 ms: nothing.
    t->m_orders.press = Action::Fire;
    w.step();
    EXPECT_EQ(t->m_rounds, 0);
    w.run(800);
    t->m_orders.press = Action::Fire;
    w.step();
    EXPECT_EQ(t->m_rounds, -1);
    EXPECT_EQ(w.m_view->heard("stinger5"), 1);
    EXPECT_EQ(w.m_view->heard("shoot"), 1);
    w.run(800);
    t->m_orders.press = Action::Fire;
    w.step();
    EXPECT_EQ(t->m_rounds, -1); // no lower
    EXPECT_EQ(w.m_view->heard("stinger5"), 2);
}

} // namespace
