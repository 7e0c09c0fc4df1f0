#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "GameTest.h"
#include "game/ResultScreen.h"
#include "game/Sight.h"
#include "game/Truck.h"
#include "game/Shell.h"
#include "game/Tracer.h"

namespace {

constexpr int32_t kUnit = 32768;

// Runs check once, in the first frame of the battle.
void onFirstFrame(GameHost& host, const std::function<void(App&)>& check)
{
    auto done = std::make_shared<bool>(false);
    for (int32_t t = 2700; t < kInBattle; t += 8)
        host.at(t, [done, check](App& app) {
            if (!*done && app.m_battle->m_terrain && app.m_battle->m_terrain->isLinked() && app.m_battle->m_tank->isLinked()) {
                *done = true;
                check(app);
            }
        });
}

// Vehicles of the battle in the world's order.
std::vector<Tank*> enemies(App& app)
{
    std::vector<Tank*> out;
    for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get())
        if (b->m_id == Hud::kRadarEnemy)
            out.push_back(static_cast<Tank*>(b));
    return out;
}

int32_t shells(App& app)
{
    int32_t n = 0;
    for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get())
        n += dynamic_cast<Shell*>(b) != nullptr;
    return n;
}

// Distance of a blip's corner from the radar's centre, in pixels.
double blipRadius(const Vsprite* blip)
{
    return std::hypot((blip->m_x >> 15) - 31, (blip->m_y >> 15) - 31);
}

} // namespace

using BattleTest = GameTest;

// Enemy counts by front and level; the first enemy 60 units ahead within 30
// degrees; the start spot on level grass; HUD and radar up.
TEST_F(BattleTest, ANewBattleCountsItsEnemiesAndPutsTheFirstAhead)
{
    struct Case {
        int32_t side, front, level, total, onField;
    } cases[] = {{1, 5, 0, 5, 1}, {3, 5, 2, 15, 3}, {1, 1, 0, 9, 1}, {2, 9, 1, 14, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " front " << c.front << " level " << c.level);
        campaign(c.side, c.front, c.level);
        GameHost host;
        toBattle(host);
        bool seen = false;
        onFirstFrame(host, [&](App& app) {
            seen = true;
            EXPECT_EQ(app.m_campaign->m_enemyCount, c.total);
            EXPECT_EQ(static_cast<int32_t>(enemies(app).size()), c.onField);
            EXPECT_EQ(app.m_battle->m_tank->m_rounds, 20);
            EXPECT_EQ(app.m_battle->m_tank->m_fuel, 20 * kUnit);
            EXPECT_EQ(app.m_battle->m_tank->m_damage, 40);
            ASSERT_TRUE(app.m_battle->m_hud->m_radar && app.m_battle->m_hud->m_radar->isLinked());
            int32_t blips = 0;
            for (Vsprite* b = app.m_battle->m_hud->m_radar->m_child.get(); b; b = b->m_sibling.get())
                blips++;
            EXPECT_EQ(blips, c.onField + 1); // and the truck
            const Tank& t = *app.m_battle->m_tank;
            const Tank& e = *app.m_battle->m_enemy;
            const double dx = (e.m_wx - t.m_wx) / double(kUnit), dz = (e.m_wz - t.m_wz) / double(kUnit);
            EXPECT_NEAR(std::hypot(dx, dz), 60, 3);
            // Within 30 degrees of the tank's heading (0 faces -z).
            const double heading = t.m_heading * 2 * M_PI / 32768;
            const double cosOff = (dx * std::sin(heading) - dz * std::cos(heading)) / std::hypot(dx, dz);
            EXPECT_GT(cosOff, std::cos(31 * M_PI / 180));
            EXPECT_EQ(app.m_battle->m_physics->m_field->groundClass(t.m_wx, t.m_wz), VpolyTerrain::kGrass);
        });
        // The panel shows the numbers of the battle.
        host.at(kInBattle, [&](App& app) {
            EXPECT_EQ(app.m_battle->m_hud->m_textEnemy->getNumber(), app.m_campaign->m_enemyCount);
            EXPECT_EQ(app.m_battle->m_hud->m_textRounds->getNumber(), app.m_battle->m_tank->m_rounds);
            EXPECT_EQ(app.m_battle->m_hud->m_textFuel->getNumber(), app.m_battle->m_tank->m_fuel >> 15);
            EXPECT_EQ(app.m_battle->m_hud->m_textArmor->getNumber(), 50 - app.m_battle->m_tank->m_damage);
        });
        host.runUntil(kInBattle + 100);
        EXPECT_TRUE(seen);
    }
}

// Space fires: the rounds drop, a shell flies and ends in an explosion.
TEST_F(BattleTest, FiringLowersTheRoundsAndTheShellExplodes)
{
    battle();
    m_host.key(kInBattle, ' ');
    bool flew = false;
    m_host.at(kInBattle + 200, [&](App& app) {
        EXPECT_EQ(app.m_battle->m_tank->m_rounds, 19);
        EXPECT_EQ(app.m_battle->m_hud->m_textRounds->getNumber(), 19);
        flew = shells(app) > 0;
        // The shot's dust: puffs low over the ground a little before the tank.
        const Tank& t = *app.m_battle->m_tank;
        const Vbattlefield& field = *app.m_battle->m_physics->m_field;
        int32_t dust = 0;
        for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get())
            if (dynamic_cast<Tracer*>(b) && b->m_scale > 2000) {
                EXPECT_LT(std::abs(b->m_wy - field.height(b->m_wx, b->m_wz)), kUnit);
                EXPECT_LT(std::hypot(b->m_wx - t.m_wx, b->m_wz - t.m_wz), 8.0 * kUnit);
                dust++;
            }
        EXPECT_EQ(dust, 3);
    });
    m_host.runUntil(kInBattle + 6000);
    EXPECT_TRUE(flew);
    EXPECT_GE(m_host.count("shoot"), 1);
    EXPECT_GE(m_host.count("miss") + m_host.count("hit"), 1);
}

// Won: the front moves one ring toward Berlin for the Allies, away for the
// Germans; lost (fuel exactly 0) the other way. The record has no battle.
TEST_F(BattleTest, WinningAndLosingMoveTheFrontOneRing)
{
    enum How { won, noFuel, destroyed };
    struct Case {
        int32_t side;
        How how;
        int32_t front;
    } cases[] = {{1, won, 4}, {2, won, 6}, {1, noFuel, 6}, {3, destroyed, 6}, {2, destroyed, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " case " << c.how);
        campaign(c.side, 5);
        GameHost host;
        toBattle(host);
        host.at(kInBattle, [&](App& app) {
            if (c.how == won)
                app.m_campaign->m_enemyCount = 0;
            else if (c.how == noFuel)
                app.m_battle->m_tank->m_fuel = 0;
            else
                app.m_battle->m_tank->m_damage = 50;
        });
        bool stillOn = false;
        host.at(kInBattle + 1000, [&](App& app) { stillOn = mapSprite(app) == nullptr; });
        int32_t front = -1;
        host.key(kInBattle + 5500, Key::kEnter); // on from the result page
        host.at(kInBattle + 6000, [&](App& app) {
            front = app.m_campaign->m_front;
            EXPECT_TRUE(mapSprite(app)); // back on the map
        });
        host.runUntil(kInBattle + 6100);
        EXPECT_TRUE(stillOn); // the run-out
        EXPECT_EQ(front, c.front);
        EXPECT_EQ(storedSlot(1), c.front);
        EXPECT_EQ(storedSlot(10), 0);
    }
}

// Fuel at exactly 5.0 lights the fuel line; a step more dims it. Rounds
// falling to 5 light their line for one frame. The captured truck refills,
// a share each time its timer passes the supply tick.
TEST_F(BattleTest, TheStatusLinesLightUpWhenLowAndTheTruckRefills)
{
    battle();
    m_host.at(kInBattle, [](App& app) {
        Tank& t = *app.m_battle->m_tank;
        t.m_fuel = 0x28000;
        app.m_battle->m_hud->status();
        EXPECT_EQ(app.m_battle->m_hud->m_textFuel->m_alpha, 0x8000);
        EXPECT_EQ(app.m_battle->m_hud->m_textFuel->getNumber(), 5);
        t.m_fuel = 0x28001;
        app.m_battle->m_hud->status();
        EXPECT_LT(app.m_battle->m_hud->m_textFuel->m_alpha, 0x8000);

        t.m_rounds = 5;
        app.m_battle->m_hud->status();
        EXPECT_EQ(app.m_battle->m_hud->m_textRounds->m_alpha, 0x8000);
        app.m_battle->m_hud->status();
        EXPECT_LT(app.m_battle->m_hud->m_textRounds->m_alpha, 0x8000);

        // Supplies: fuel below 40.0, rounds below 98 and armor below 30 grow.
        Truck& truck = *app.m_battle->m_truck;
        truck.m_supply = 2;
        truck.m_timer = 0x2001;
        t.m_fuel = 0x140000 - 1;
        t.m_rounds = 97;
        t.m_damage = 21;
        app.m_battle->resupply();
        EXPECT_EQ(t.m_fuel, 0x140000 - 1 + 0x4000);
        EXPECT_EQ(t.m_rounds, 99);
        EXPECT_EQ(t.m_damage, 20);
        EXPECT_EQ(truck.m_supply, 1);
        truck.m_timer = 0x2001;
        app.m_battle->resupply();
        EXPECT_EQ(t.m_fuel, 0x140000 - 1 + 0x4000);
        EXPECT_EQ(t.m_rounds, 99);
        EXPECT_EQ(t.m_damage, 20);
        EXPECT_EQ(truck.m_supply, 0);
    });
    m_host.runUntil(kInBattle + 100);
}

// An enemy 200 units away is drawn on the radar's rim; the truck parked off
// the map is not on it.
TEST_F(BattleTest, TheRadarRimIsTwoHundredUnitsAway)
{
    battle();
    m_host.at(kInBattle, [](App& app) {
        // Placed and looked at at once: an enemy that far, unseen, soon comes nearer.
        Tank& e = *app.m_battle->m_enemy;
        e.placeOnGround(app.m_battle->m_tank->m_wx, app.m_battle->m_tank->m_wz - 200 * kUnit);
        app.m_battle->m_hud->radar();
        // An enemy is a red cross (9 dots), the truck a green ring (16): they
        // differ in shape as well as colour.
        std::vector<Vsprite*> red, green;
        for (Vsprite* b = app.m_battle->m_hud->m_radar->m_child.get(); b; b = b->m_sibling.get()) {
            int32_t dots = 0;
            for (Vsprite* d = b->m_child.get(); d; d = d->m_sibling.get())
                dots++;
            ASSERT_TRUE(b->m_child);
            if (b->m_child->m_color == static_cast<int32_t>(0xFFFF5050) && dots == 9)
                red.push_back(b);
            else if (b->m_child->m_color == static_cast<int32_t>(0xFF80FF80) && dots == 16)
                green.push_back(b);
        }
        ASSERT_EQ(red.size(), 1u);
        ASSERT_EQ(green.size(), 1u);
        EXPECT_NEAR(blipRadius(red[0]), 31, 1.5);
        EXPECT_GE(green[0]->m_x >> 15, 1000); // the truck, not yet in play
    });
    m_host.runUntil(kInBattle + 100);
}

// New Game in battle asks first; a new campaign chosen there ends the battle
// at once, without the run-out and without moving the front, and the record
// holds no battle. Another side brings another tank.
TEST_F(BattleTest, ANewCampaignChosenInBattleEndsItAtOnce)
{
    battle(1, 4);
    ref<Tank> before;
    m_host.at(kInBattle, [&](App& app) { before = app.m_battle->m_tank; });
    m_host.key(kInBattle + 100, 6);
    m_host.key(kInBattle + 400, 'N');
    m_host.at(kInBattle + 700, [](App& app) { EXPECT_TRUE(findText(&app, "Abandon the running campaign?")); });
    m_host.key(kInBattle + 800, 'Y');
    m_host.key(kInBattle + 1100, 'G');
    m_host.at(kInBattle + 1500, [&](App& app) {
        EXPECT_TRUE(mapSprite(app)); // straight back to the map
        EXPECT_EQ(app.m_campaign->m_front, 5);
        EXPECT_EQ(app.m_campaign->m_side, Side::German);
        EXPECT_NE(app.m_battle->m_tank, before);
        EXPECT_EQ(app.m_battle->m_tank->m_rounds, 20);
    });
    m_host.runUntil(kInBattle + 1600);
    EXPECT_EQ(storedSlot(1), 5);
    EXPECT_EQ(storedSlot(10), 0);
    EXPECT_EQ(m_host.count("music3"), 1); // the splash's only: no battle won
}

// A tank that strayed over the map's edge is kept at the edge: the record
// neither loses the battle (x 0) nor wraps the place round 16 bits.
TEST_F(BattleTest, TheRecordKeepsATankOverTheEdgeOnTheMap)
{
    battle();
    m_host.at(kInBattle, [&](App& app) {
        for (auto [x, z, slot10, slot11] : {std::array{-5, 600, 1, 511}, std::array{0, -3, 1, 0}}) {
            app.m_battle->m_tank->m_wx = x == 0 ? 100 : x * kUnit; // just off 0: still in battle
            app.m_battle->m_tank->m_wz = z * kUnit;
            app.prefSave();
            EXPECT_EQ(storedSlot(10), slot10);
            EXPECT_EQ(storedSlot(11), slot11);
        }
        app.requestStop();
    });
    m_host.run();
}

// A new window size in battle lays out the radar, the panel and the buttons
// again; a resize while the in-battle menu hides the HUD brings the radar
// back at the new width's corner.
TEST_F(BattleTest, AResizeInBattleReLaysOutHudRadarAndButtons)
{
    battle();
    m_host.at(kInBattle, [](App& app) { app.setWidthHeight(800, 600); });
    m_host.at(kInBattle + 200, [](App& app) {
        EXPECT_EQ(app.m_width, 800);
        // The radar and the panel 24 pixels (4% of 600) from their corners.
        EXPECT_EQ(app.m_battle->m_hud->m_radar->m_x >> 15, 800 - 64 - 24);
        EXPECT_EQ(app.m_battle->m_hud->m_panel->m_x >> 15, 24);
        EXPECT_EQ(app.m_battle->m_hud->m_panel->m_y >> 15, 24);
        EXPECT_EQ(app.m_battle->m_terrain->m_width, 800);
        ref<Vmenu> m = app.m_battle->m_hud->m_menuDrive;
        ASSERT_TRUE(m->isLinked());
        // Hidden, the buttons leave the menu button in the bottom left corner,
        // inside the margin.
        EXPECT_EQ(m->m_x >> 15, 24);
        EXPECT_EQ((m->m_y >> 15) + m->m_buttonSize, 600 - 24);
        EXPECT_TRUE(app.m_battle->m_hud->m_panel->isLinked());
    });
    m_host.key(kInBattle + 300, 6);
    m_host.at(kInBattle + 600, [](App& app) {
        EXPECT_FALSE(app.m_battle->m_hud->m_radar->isLinked());
        app.setWidthHeight(480, 320);
    });
    m_host.key(kInBattle + 900, 6);
    m_host.at(kInBattle + 1200, [](App& app) {
        ASSERT_TRUE(app.m_battle->m_hud->m_radar->isLinked());
        EXPECT_EQ(app.m_battle->m_hud->m_radar->m_x >> 15, 480 - 64 - 13); // 4% of 320
    });
    m_host.runUntil(kInBattle + 1300);
}

// Near the west edge the overhead map stops at the screen's left border and
// the tank is drawn left of the centre; '3' again goes back. The overhead map
// taken from aim mode leaves it, and says so with the aim key as the player
// has it; from the driving view it says nothing.
TEST_F(BattleTest, TheOverheadMapStopsAtTheTerrainsEdgeAndEndsAimModeWithANote)
{
    battle();
    m_host.at(kInBattle, [](App& app) {
        app.m_battle->m_tank->placeOnGround(10 * kUnit, 256 * kUnit);
        app.input().keyAddSys('3');
    });
    m_host.at(kInBattle + 200, [](App& app) {
        ASSERT_TRUE(app.m_battle->m_polyTerrain->isLinked());
        EXPECT_FALSE(app.m_battle->m_terrain->isLinked());
        EXPECT_EQ(app.m_battle->m_polyTerrain->m_x, 0);
        EXPECT_EQ(app.m_heading, 0);
        const Vsprite& turret = *app.m_battle->m_tank->m_turret;
        EXPECT_LT((turret.m_x0 + turret.m_x1) / 2, 240 - 50);
        EXPECT_FALSE(findText(&app, "Aim mode off"));
        app.input().keyAddSys('3');
    });
    m_host.at(kInBattle + 400, [](App& app) {
        EXPECT_TRUE(app.m_battle->m_terrain->isLinked());
        app.m_actions.bind(Action::Aim, 'G');
        app.input().keyAddSys('G');
    });
    m_host.at(kInBattle + 600, [](App& app) {
        EXPECT_TRUE(app.m_battle->m_tank->m_aim);
        EXPECT_FALSE(findText(&app, "Aim mode off"));
        app.input().keyAddSys('V');
    });
    m_host.at(kInBattle + 800, [](App& app) {
        EXPECT_FALSE(app.m_battle->m_tank->m_aim);
        EXPECT_TRUE(findText(&app, "Aim mode off - G or 9 to aim again"));
    });
    m_host.runUntil(kInBattle + 900);
}

// The landing marker turns red on an enemy where the shell comes down, not
// on the friendly truck standing there.
TEST_F(BattleTest, TheMarkerTurnsRedOnlyOnAnEnemy)
{
    battle();
    m_host.at(kInBattle, [](App& app) { app.input().keyAddSys(Key::kTab); });
    int32_t x = 0, z = 0;
    int32_t normal = 0;
    auto markerColor = [](App& app) { return app.m_battle->m_hud->m_sight->m_marker->m_child->m_color; };
    m_host.at(kInBattle + 300, [&](App& app) {
        const Sight& sight = *app.m_battle->m_hud->m_sight;
        ASSERT_TRUE(sight.m_landed);
        x = sight.m_path->m_x;
        z = sight.m_path->m_z;
        normal = markerColor(app);
        for (const ref<Tank>& t : app.m_battle->m_forces)
            t->placeOnGround(x + 100 * kUnit, z + 100 * kUnit);
        // The truck in play (it waits off the field at first), standing there.
        Truck& truck = *app.m_battle->m_truck;
        truck.m_damage = 0;
        truck.m_maxDamage = 1;
        truck.placeOnGround(x, z);
    });
    m_host.at(kInBattle + 400, [&](App& app) {
        const Sight& sight = *app.m_battle->m_hud->m_sight;
        ASSERT_EQ(sight.m_path->m_hit, app.m_battle->m_truck.get());
        EXPECT_EQ(markerColor(app), normal);
        app.m_battle->m_truck->placeOnGround(x + 100 * kUnit, z - 100 * kUnit);
        app.m_battle->m_enemy->placeOnGround(x, z);
    });
    m_host.at(kInBattle + 500, [&](App& app) {
        const Sight& sight = *app.m_battle->m_hud->m_sight;
        ASSERT_EQ(sight.m_path->m_hit, app.m_battle->m_enemy.get());
        EXPECT_NE(markerColor(app), normal);
    });
    m_host.runUntil(kInBattle + 600);
}

// Driving towards water, or standing in it, the HUD warns before the tank
// sinks; on dry ground it says nothing.
TEST_F(BattleTest, WaterAheadIsWarnedOf)
{
    battle();
    int32_t wetX = -1, dryX = -1;
    const int32_t z = 256;
    m_host.at(kInBattle, [&](App& app) {
        const auto& field = *app.m_battle->m_physics->m_field;
        auto dry = [&](int32_t from, int32_t to) {
            for (int32_t x = from; x <= to; x++)
                if (field.water(x * kUnit, z * kUnit))
                    return false;
            return true;
        };
        for (int32_t x = 40; x < 470 && (wetX < 0 || dryX < 0); x++) {
            if (wetX < 0 && dry(x - 6, x - 1) && field.water(x * kUnit, z * kUnit))
                wetX = x;
            if (dryX < 0 && dry(x - 2, x + 16))
                dryX = x;
        }
        ASSERT_GE(wetX, 0);
        ASSERT_GE(dryX, 0);
        for (const ref<Tank>& e : app.m_battle->m_forces)
            e->park();
        Tank& t = *app.m_battle->m_tank;
        t.placeOnGround(dryX * kUnit, z * kUnit);
        t.m_heading = 8192; // towards +x
        t.m_driveSpeed = 100000;
    });
    m_host.at(kInBattle + 200, [&](App& app) {
        const ref<Vtext>& warning = app.m_battle->m_hud->m_waterWarning;
        EXPECT_TRUE(!warning || !warning->isLinked());
        Tank& t = *app.m_battle->m_tank;
        t.placeOnGround((wetX - 5) * kUnit, z * kUnit);
        t.m_heading = 8192;
        t.m_driveSpeed = 100000;
    });
    m_host.at(kInBattle + 300, [](App& app) {
        EXPECT_TRUE(findText(&app, "Deep water - turn back"));
        // Backing away from it: no warning.
        Tank& t = *app.m_battle->m_tank;
        t.m_driveSpeed = -100000;
    });
    m_host.at(kInBattle + 400, [](App& app) {
        const ref<Vtext>& warning = app.m_battle->m_hud->m_waterWarning;
        EXPECT_TRUE(!warning || !warning->isLinked());
    });
    m_host.runUntil(kInBattle + 500);
}

// While the turn key is held the camera lags any angle behind; let go, it
// catches up.
// The lazy camera, as an option.
TEST_F(BattleTest, TheCameraWaitsWhileTheTurnKeyIsHeld)
{
    battle();
    int32_t start = 0;
    m_host.at(kInBattle - 100, [&](App& app) {
        app.m_battle->m_camera->m_lazy = true;
        app.m_battle->m_camera->lookAt();
    });
    m_host.at(kInBattle, [&](App& app) {
        start = app.m_battle->m_terrain->getHeading();
        app.input().keyDownSys(2);
    });
    m_host.at(kInBattle + 1000, [&](App& app) {
        EXPECT_GT(Tank::wrapAngle(app.m_battle->m_tank->m_heading - start), 0x1000); // turned well over 28 degrees
        EXPECT_EQ(app.m_battle->m_terrain->getHeading(), start);
        app.input().keyUpSys(2);
    });
    m_host.at(kInBattle + 1300, [&](App& app) {
        // Caught up (a hit may have jolted the tank since by a few degrees).
        EXPECT_LT(std::abs(Tank::wrapAngle(app.m_battle->m_terrain->getHeading() - app.m_battle->m_tank->m_heading)), 0x200);
    });
    m_host.runUntil(kInBattle + 1400);
}

// The demo plays from the map into a battle, where the pilot drives the
// player's tank; a key hands it back.
TEST_F(BattleTest, TheDemoPilotDrivesUntilAKeyIsPressed)
{
    m_host.m_demo = true;
    int32_t odometer = 0;
    m_host.at(41500, [&](App& app) {
        EXPECT_TRUE(app.m_demo);
        ASSERT_TRUE(app.m_battle->m_terrain && app.m_battle->m_terrain->isLinked());
        EXPECT_EQ(app.m_campaign->m_front, 5); // a campaign of its own
        EXPECT_TRUE(app.m_battle->m_tank->m_pilot);
        odometer = app.m_battle->m_tank->m_odometer;
    });
    m_host.key(61500, 'A');
    m_host.at(61700, [&](App& app) {
        EXPECT_FALSE(app.m_demo);
        EXPECT_FALSE(app.m_battle->m_tank->m_pilot);
        EXPECT_GT(app.m_battle->m_tank->m_odometer, odometer);
    });
    m_host.runUntil(61800);
}

namespace {

// Where the world point (x, y, z) is on the screen; false behind the camera.
bool onScreen(App& app, int32_t x, int32_t y, int32_t z, int32_t& sx, int32_t& sy)
{
    int32_t depth = 0;
    return app.screenPoint(x, y, z, sx, sy, depth);
}

} // namespace

// The smooth chase camera keeps the player's tank in the lower half of the
// screen, across the middle, while it turns a whole circle; it follows
// without a wipe.
TEST_F(BattleTest, TheChaseCameraKeepsTheTankLowOnTheScreenThroughAFullTurn)
{
    battle();
    int32_t turned = 0, last = 0, checks = 0;
    m_host.at(kInBattle, [&](App& app) {
        last = app.m_battle->m_tank->m_heading;
        app.input().keyDownSys(Key::kRight);
    });
    m_host.every(kInBattle + 100, kInBattle + 12000, 64, [&](App& app) {
        Tank& t = *app.m_battle->m_tank;
        turned += Tank::wrapAngle(t.m_heading - last);
        last = t.m_heading;
        int32_t sx = 0, sy = 0, tx = 0, ty = 0;
        EXPECT_TRUE(onScreen(app, t.m_wx, t.m_wy, t.m_wz, sx, sy));
        EXPECT_TRUE(onScreen(app, t.m_wx, t.m_wy + t.m_gunHeight + kUnit, t.m_wz, tx, ty));
        EXPECT_GT(ty, app.m_height / 2) << "turret top";
        EXPECT_LT(sy, app.m_height) << "hull";
        EXPECT_GT(sx, app.m_width / 4);
        EXPECT_LT(sx, app.m_width * 3 / 4);
        checks++;
        return turned > 0x8000;
    });
    m_host.at(kInBattle + 12000, [&](App& app) {
        app.input().keyUpSys(Key::kRight);
        EXPECT_GT(turned, 0x8000);
        EXPECT_FALSE(app.m_battle->m_camera->m_jumped);
    });
    m_host.runUntil(kInBattle + 12100);
    EXPECT_GT(checks, 20);
}

// In aim mode the land 50 units ahead along the gun, where an enemy would
// stand, is in the middle third of the screen, and the status panel and the
// radar stay out of that third, at every window size.
TEST_F(BattleTest, InAimModeATargetFiftyUnitsAheadIsInTheMiddleThirdAtEverySize)
{
    for (auto [w, h] : {std::pair{320, 240}, std::pair{640, 360}, std::pair{1920, 1080}}) {
        campaign(1, 5);
        GameHost host;
        toBattle(host);
        host.key(kInBattle, Key::kTab);
        host.at(kInBattle + 1500, [w = w, h = h](App& app) {
            Tank& t = *app.m_battle->m_tank;
            ASSERT_TRUE(t.m_aim);
            const int32_t a = t.m_heading + t.turretHeading();
            const int32_t x = t.m_wx + 50 * V::fsin(a), z = t.m_wz - 50 * V::fcos(a);
            const int32_t y = app.m_battle->m_physics->m_field->height(x, z);
            int32_t sx = 0, sy = 0;
            ASSERT_TRUE(onScreen(app, x, y, z, sx, sy));
            EXPECT_GT(sy, h / 3) << w;
            EXPECT_LT(sy, h * 2 / 3) << w;
            EXPECT_GT(sx, w / 3) << w;
            EXPECT_LT(sx, w * 2 / 3) << w;
            const Hud& hud = *app.m_battle->m_hud;
            for (const ref<Vsprite>& p : {hud.m_panel, hud.m_radar}) {
                ASSERT_TRUE(p && p->isLinked()) << w;
                const int32_t left = p->m_x >> 15, top = p->m_y >> 15;
                const bool apart = left + p->getWidth() <= w / 3 || left >= w * 2 / 3 ||
                                   top + p->getHeight() <= h / 3 || top >= h * 2 / 3;
                EXPECT_TRUE(apart) << w << "x" << h << ": " << left << "," << top;
            }
        });
        host.runUntil(kInBattle + 1600, w, h);
    }
}

// In aim mode the camera turns with the turret, not after it, and stands
// where the own turret is below an enemy's hull 15 units ahead of the gun.
TEST_F(BattleTest, InAimModeTheCameraTurnsWithTheTurretOverTheTurretsTop)
{
    battle();
    m_host.key(kInBattle, Key::kTab);
    m_host.at(kInBattle + 1500, [](App& app) { app.input().keyDownSys(Key::kRight); });
    int32_t checks = 0, turned = 0;
    m_host.every(kInBattle + 1700, kInBattle + 3500, 64, [&](App& app) {
        Tank& t = *app.m_battle->m_tank;
        const int32_t gun = t.m_heading + t.turretHeading();
        EXPECT_LE(std::abs(Tank::wrapAngle(-app.m_heading - gun)), 4) << "the camera lags the turret";
        turned = t.turretHeading();
        const int32_t x = t.m_wx + 15 * V::fsin(gun), z = t.m_wz - 15 * V::fcos(gun);
        int32_t gx = 0, gy = 0, tx = 0, ty = 0;
        EXPECT_TRUE(onScreen(app, x, app.m_battle->m_physics->m_field->height(x, z) + 3 * kUnit / 2, z, gx, gy));
        EXPECT_TRUE(onScreen(app, t.m_wx, t.m_wy + t.m_gunHeight + kUnit, t.m_wz, tx, ty));
        EXPECT_LT(gy, ty) << "an enemy 15 units ahead behind the turret";
        checks++;
        return false;
    });
    m_host.runUntil(kInBattle + 3600);
    EXPECT_GT(checks, 20);
    EXPECT_GT(std::abs(turned), 1000) << "the turret turned";
}

// P pauses the battle: for ten seconds nothing moves, no fuel burns, under a
// dimmed "Paused"; P again goes on. Losing the window's focus pauses too.
TEST_F(BattleTest, PauseFreezesFuelAndEnemiesUntilPAgain)
{
    battle();
    struct Still {
        int32_t fuel = 0, battleMs = 0;
        std::vector<std::array<int32_t, 3>> enemies;
    };
    auto look = [](App& app) {
        Still s;
        s.fuel = app.m_battle->m_tank->m_fuel;
        s.battleMs = app.m_battle->m_tank->m_battleMs;
        for (Tank* e : enemies(app))
            s.enemies.push_back({e->m_wx, e->m_wy, e->m_wz});
        return s;
    };
    Still before;
    m_host.at(kInBattle, [](App& app) { app.input().keyDownSys(Key::kUp); });
    m_host.at(kInBattle + 3000, [&](App& app) {
        app.input().keyDownSys('P');
        app.input().keyUpSys('P');
    });
    m_host.at(kInBattle + 3200, [&](App& app) { before = look(app); });
    m_host.at(kInBattle + 13200, [&](App& app) {
        const Still after = look(app);
        EXPECT_EQ(after.fuel, before.fuel);
        EXPECT_EQ(after.battleMs, before.battleMs);
        EXPECT_EQ(after.enemies, before.enemies);
        EXPECT_TRUE(findText(&app, "Paused"));
        app.input().keyDownSys('P');
        app.input().keyUpSys('P');
    });
    m_host.at(kInBattle + 14200, [&](App& app) {
        EXPECT_GT(app.m_battle->m_tank->m_battleMs, before.battleMs);
        EXPECT_LT(app.m_battle->m_tank->m_fuel, before.fuel);
        ref<Vtext> paused = findText(&app, "Paused");
        EXPECT_TRUE(!paused || !paused->isLinked());
        app.input().focusLostSys();
    });
    m_host.at(kInBattle + 14400, [&](App& app) { before = look(app); });
    m_host.at(kInBattle + 15400, [&](App& app) { EXPECT_EQ(look(app).battleMs, before.battleMs); });
    m_host.runUntil(kInBattle + 15500);
}

// After the run-out and the fade a page sums the battle up: won, lost (and
// why, with a tip), or lost for want of fuel. It stays until a key pressed
// after it appeared: a key as it comes up is dropped.
TEST_F(BattleTest, TheResultPageFollowsAWinALossAndRunningOutOfFuel)
{
    struct Case {
        std::function<void(App&)> end;
        const char* heading;
        const char* cause;
    };
    const Case cases[] = {
        {[](App& app) { app.m_campaign->m_enemyCount = 0; }, "Victory", nullptr},
        {[](App& app) { app.m_battle->m_tank->m_damage = 50; }, "Defeat", "Shot through by a "},
        {[](App& app) {
             app.m_battle->m_tank->m_rounds = 0;
             app.m_battle->m_tank->m_damage = 50;
         },
         "Defeat", "Out of rounds, shot through by a "},
        {[](App& app) { app.m_battle->m_tank->m_wy = Tank::kSunk - 1; }, "Defeat", "Sank in the river"},
        {[](App& app) { app.m_battle->m_tank->m_fuel = 0; }, "Out of fuel", "The tank ran out of fuel"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(recordPath());
        campaign(1, 5);
        GameHost host;
        toBattle(host);
        host.at(kInBattle, c.end);
        int32_t shownAt = -1;
        bool shown = false;
        host.every(kInBattle + 3000, kInBattle + 9000, 50, [&](App& app) {
            auto* page = dynamic_cast<ResultScreen*>(app.top());
            if (page && shownAt < 0) {
                shownAt = host.m_elapsed;
                // Pressed as the page comes up: not taken as the answer.
                app.input().keyDownSys(Key::kEnter);
                app.input().keyUpSys(Key::kEnter);
            }
            if (page)
                shown = findText(&app, c.heading) && findText(&app, "Enemies destroyed: ") &&
                        (!c.cause || findText(&app, c.cause)) && (!c.cause || findText(&app, "Tip: "));
            return page != nullptr;
        });
        host.at(kInBattle + 9000 + ResultScreen::kShownMs, [](App& app) {
            EXPECT_TRUE(dynamic_cast<ResultScreen*>(app.top())) << "the page went on by itself";
            app.input().keyDownSys(Key::kEnter);
            app.input().keyUpSys(Key::kEnter);
        });
        host.at(kInBattle + 9500 + ResultScreen::kShownMs,
                [](App& app) { EXPECT_TRUE(dynamic_cast<MapScreen*>(app.top())); });
        host.runUntil(kInBattle + 9600 + ResultScreen::kShownMs);
        EXPECT_TRUE(shown) << c.heading << " " << (c.cause ? c.cause : "");
        EXPECT_GE(shownAt, 0);
    }
}
