#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "actors/Actors.h"

namespace {

TEST(Driving, FullDriveCoversWhatTheRatesPredictBurnsFuelByTheRuleAndBrakesToZeroBeforeReversing)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, kEast);
    hold(w, *t, Action::Forward, 640); // up to speed: it gains 1984 a ms and loses nothing else
    EXPECT_EQ(t->m_driveSpeed, Tank::kMaxDrive - 64 * 64);
    int32_t x0 = t->m_wx, fuel0 = t->m_fuel, odo0 = t->m_odometer;
    hold(w, *t, Action::Forward, 10000);
    // Speed is units per 1024 ms: 10 s at 323564 is 96.4 units; the drag
    // inside each frame takes a little.
    const double want = (Tank::kMaxDrive - 64 * 64) / 32768.0 * 10000 / 1024, went = (t->m_wx - x0) / 32768.0;
    EXPECT_NEAR(went, want, want * 0.01);
    EXPECT_EQ(t->m_wz, 100 * kUnit); // straight east
    // The odometer sums speed * time; fuel drops by 1/128 of it.
    EXPECT_NEAR((t->m_odometer - odo0) / 32768.0, went, went * 0.01);
    EXPECT_NEAR(fuel0 - t->m_fuel, (t->m_odometer - odo0) / 128.0, 160);
    w.run(8000); // it runs down without a key
    EXPECT_EQ(t->m_driveSpeed, 0);

    // Braking stops at zero before reversing.
    hold(w, *t, Action::Forward, 128);
    ASSERT_EQ(t->m_driveSpeed, 2 * (2048 - 64) * 64);
    for (int32_t speed : {2 * (2048 - 64) * 64 - 2048 * 64 - 64 * 64, 0}) { // not below 0
        hold(w, *t, Action::Reverse, 64);
        EXPECT_EQ(t->m_driveSpeed, speed);
    }
    hold(w, *t, Action::Reverse, 640);
    EXPECT_TRUE(t->m_driveSpeed == -Tank::kMaxDrive + 64 * 64 && t->m_velocity->m_x < 0) << t->m_driveSpeed;
}

// A press every frame turns the hull 8 angle units a millisecond and lays the
// gun 1 (up being negative); held, a key is fine under 400 ms (seven 64 ms
// frames), then doubles past 500 ms. The turret turns at half the hull's rate
// when aiming; on Easy half as fast again.
TEST(Driving, TurningLayingAndFiringRatesAndAHeldKeyThatSpeedsUp)
{
    BattleWorld w(1);
    ref<Tank> t = w.player(kSherman, 60, 100, 0);
    hold(w, *t, Action::TurnRight, 1024);
    EXPECT_EQ(t->m_heading, 8 * 1024);
    auto held = [&](Action a, int32_t ms) {
        t->m_orders.hold(a, true);
        hold(w, *t, Action::None, ms);
        t->m_orders.hold(a, false);
    };
    held(Action::TurnLeft, 1024);
    EXPECT_EQ(t->m_heading, 8 * 1024 - 8 * (7 * 64 + 2 * 9 * 64));
    t->m_aim = true;
    hold(w, *t, Action::GunUp, 256);
    EXPECT_EQ(t->m_gun->m_pitchAngle, -256);
    t->m_gun->m_pitchAngle = 0;
    held(Action::GunUp, 9 * 64);
    EXPECT_EQ(t->m_gun->m_pitchAngle, -(7 * 64 + 2 * 2 * 128));
    for (int32_t level : {2, 0}) {
        SCOPED_TRACE(level);
        w.m_campaign->m_level = level;
        t->m_turret->m_heading = 0;
        hold(w, *t, Action::TurnRight, 2048);
        EXPECT_EQ(t->turretHeading(), Tank::wrapAngle((level == 0 ? 6 : 4) * 2048));
    }
    // A shot needs 800 ms after the one before; without rounds the gun only
    // clicks, and the rounds go no lower than -1.
    t->m_rounds = 1;
    t->m_timer = 1000;
    struct Press {
        int32_t waitMs, rounds, shots, clicks;
    };
    for (Press p : {Press{0, 0, 1, 0}, Press{0, 0, 1, 0}, Press{800, -1, 1, 1}, Press{800, -1, 1, 2}}) {
        w.run(p.waitMs);
        t->m_orders.press = Action::Fire;
        w.step();
        EXPECT_EQ(std::tuple(t->m_rounds, w.m_view->heard("shoot"), w.m_view->heard("stinger5")),
                  std::tuple(p.rounds, p.shots, p.clicks));
    }
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
    auto driveTo = [&](int32_t x) {
        while (t->m_wx < x * kUnit)
            hold(w, *t, Action::Forward, 64);
    };
    double flat = speedOver(1024);
    driveTo(BattleLayout::kRidgeWest + 20);
    // The ramp rises 3/16 of a unit in a unit: about 10.6 degrees, front up.
    double slope = std::atan(3.0 * 4096 / 65536);
    // On the ground all the way: the hull's origin at the ground's height.
    EXPECT_EQ(t->m_roll, 0);
    EXPECT_NEAR(t->m_wy, w.m_field->height(t->m_wx, t->m_wz), 2000);
    for (int32_t side : {-1, 1}) { // up the ramp, then down its far side
        SCOPED_TRACE(side);
        EXPECT_NEAR(t->m_pitchAngle, side * slope / (2 * M_PI) * 32768, 60);
        EXPECT_NEAR(speedOver(1024) / flat, 1 + side * 1.5 * std::sin(slope), 0.04);
        driveTo(BattleLayout::kRidgeTopEast + 20);
    }
}

TEST(Driving, InTheLakeATankSinksSlowlyAndIsLostBelowTheLimit)
{
    // Driving into the lake from its western shore at full speed.
    BattleWorld w(1);
    int32_t shore = BattleLayout::kLakeX - BattleLayout::kLakeRadius;
    ref<Tank> t = w.player(kSherman, shore - 12, BattleLayout::kLakeZ, kEast);
    int32_t ms = 0, wet = -1, afloat = 0, vy = 0;
    int64_t dv = 0;
    for (; t->isLinked() && ms < 10000; ms += 64) {
        t->m_orders.press = Action::Forward;
        w.step();
        if (wet < 0 && t->m_gravity == Tank::kWaterGravity)
            wet = ms;
        if (t->m_contacts == 0 && t->isLinked()) {
            if (afloat++ > 0)
                dv += t->m_velocity->m_y - vy;
            vy = t->m_velocity->m_y;
        }
    }
    // Out of the world as well; afloat, it gained a quarter of gravity's speed
    // a frame, a little less for the drag: it sank slowly, lost within a few seconds.
    ASSERT_TRUE(wet >= 0 && afloat > 2) << wet << " " << afloat;
    EXPECT_TRUE(!t->isLinked() && t->m_wy < Tank::kSunk && t->m_world == nullptr);
    double perFrame = static_cast<double>(dv) / (afloat - 1), quarter = V::fmul(Tank::kWaterGravity, 2048);
    EXPECT_TRUE(perFrame <= quarter * 0.8 && perFrame >= quarter * 1.01) << perFrame;
    EXPECT_TRUE(ms - wet < 5000 && t->m_wx < (shore + 30) * kUnit && w.m_field->water(t->m_wx, t->m_wz)) << ms - wet;

    // Standing in the water, the drive keys do nothing.
    BattleWorld w2(1);
    ref<Tank> u = w2.player(kSherman, BattleLayout::kLakeX, BattleLayout::kLakeZ, 0);
    w2.step();
    EXPECT_EQ(std::pair(u->m_gravity, u->m_contacts), std::pair(Tank::kWaterGravity, 0));
    hold(w2, *u, Action::Forward, 640);
    EXPECT_TRUE(u->m_wx == BattleLayout::kLakeX * kUnit && u->m_wy < w.m_field->height(u->m_wx, u->m_wz));
}

} // namespace
