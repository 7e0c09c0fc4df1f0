#include <array>
#include <cmath>
#include <cstdlib>

#include "GameTest.h"
#include "game/BattleSound.h"
#include "game/GameSound.h"
#include "game/ResultScreen.h"
#include "game/Shell.h"
#include "game/Sight.h"
#include "game/Tracer.h"
#include "game/Truck.h"

namespace {

constexpr int32_t kUnit = 32768;

// Vehicles of the battle in the world's order.
std::vector<Tank*> enemies(App& app)
{
    std::vector<Tank*> out;
    for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get())
        if (b->m_id == Hud::kRadarEnemy)
            out.push_back(static_cast<Tank*>(b));
    return out;
}

// The blips of the radar, each its colour and count of dots.
std::vector<std::array<int32_t, 4>> blips(App& app)
{
    std::vector<std::array<int32_t, 4>> out;
    for (Vsprite* b = app.m_battle->m_hud->m_radar->m_child.get(); b; b = b->m_sibling.get()) {
        int32_t dots = 0;
        for (Vsprite* d = b->m_child.get(); d; d = d->m_sibling.get())
            dots++;
        out.push_back({b->m_child ? b->m_child->m_color : 0, dots, b->m_x >> 15, b->m_y >> 15});
    }
    return out;
}

// What a pause holds still: the fuel, the battle's clock and the enemies' places.
std::vector<int32_t> still(App& app)
{
    std::vector<int32_t> s = {app.m_battle->m_tank->m_fuel, app.m_battle->m_tank->m_battleMs};
    for (Tank* e : enemies(app))
        s.insert(s.end(), {e->m_wx, e->m_wy, e->m_wz});
    return s;
}

// The engine's loop is within [least, most] and the theme's at music (-1: not checked).
void expectLoops(const GameHost& host, int32_t least, int32_t most, int32_t music = -1)
{
    const int32_t engine = host.looping(GameSound::kEngine);
    EXPECT_GE(engine, least);
    EXPECT_LE(engine, most);
    if (music >= 0) {
        EXPECT_EQ(host.looping(GameSound::kBattleTheme), music);
    }
}

} // namespace

using BattleTest = GameTest;

// A new battle: its enemies counted by front and level; the first enemy 60
// units ahead within 30 degrees; the start spot on level grass; HUD and radar
// up, the panel showing the battle's numbers. Won, the front moves one ring
// toward Berlin for the Allies, away for the Germans; lost (fuel exactly 0)
// the other way, and the record has no battle. After the run-out and the
// fade a page sums the battle up: won, lost (and why, with a tip), or out of
// fuel. It stays until a key pressed after it appeared: a key as it comes up
// is dropped. A battle lost takes the engine's loop at once, the theme goes
// down with the fade, and the page is silent.
TEST_F(BattleTest, ANewBattleCountsItsEnemiesAndItsResultPageMovesTheFrontOneRing)
{
    struct Case {
        int32_t side, front, level, total, onField;
        std::function<void(Tank&)> end; // none: the last enemy destroyed
        const char *heading, *cause;
        int32_t frontAfter;
    };
    const Case cases[] = {
        {1, 5, 0, 5, 1, nullptr, "Victory", nullptr, 4},
        {2, 9, 1, 14, 2, nullptr, "Victory", nullptr, 10},
        {1, 1, 0, 9, 1, [](Tank& t) { t.m_fuel = 0; }, "Out of fuel", "The tank ran out of fuel", 2},
        {3, 5, 2, 15, 3, [](Tank& t) { t.m_damage = 50; }, "Defeat", "Shot through by a ", 6},
        {2, 5, 0, 5, 1, [](Tank& t) { t.m_rounds = 0, t.m_damage = 50; }, "Defeat", "Out of rounds, shot through by a ", 4},
        {1, 5, 0, 5, 1, [](Tank& t) { t.m_wy = Tank::kSunk - 1; }, "Defeat", "Sank in the river", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "side " << c.side << " front " << c.front << " level " << c.level << ": "
                                        << (c.cause ? c.cause : c.heading));
        campaign(c.side, c.front, c.level);
        GameHost host;
        toBattle(host);
        bool seen = false;
        // Once, in the first frame of the battle.
        host.every(2700, kInBattle, 8, [&](App& app) {
            if (!app.m_battle->m_terrain || !app.m_battle->m_terrain->isLinked() || !app.m_battle->m_tank->isLinked())
                return false;
            seen = true;
            const Tank& t = *app.m_battle->m_tank;
            EXPECT_EQ(app.m_campaign->m_enemyCount, c.total);
            EXPECT_EQ(static_cast<int32_t>(enemies(app).size()), c.onField);
            EXPECT_EQ((std::array{t.m_rounds, t.m_fuel, t.m_damage}), (std::array{20, 20 * kUnit, 40}));
            EXPECT_EQ(static_cast<int32_t>(blips(app).size()), c.onField + 1); // and the truck
            const Tank& e = *app.m_battle->m_enemy;
            const double dx = (e.m_wx - t.m_wx) / double(kUnit), dz = (e.m_wz - t.m_wz) / double(kUnit);
            EXPECT_NEAR(std::hypot(dx, dz), 60, 3);
            // Within 30 degrees of the tank's heading (0 faces -z).
            const double heading = t.m_heading * 2 * M_PI / 32768;
            EXPECT_GT((dx * std::sin(heading) - dz * std::cos(heading)) / std::hypot(dx, dz), std::cos(31 * M_PI / 180));
            EXPECT_EQ(app.m_battle->m_physics->m_field->groundClass(t.m_wx, t.m_wz), VpolyTerrain::kGrass);
            return true;
        });
        host.at(kInBattle, [&](App& app) {
            const Hud& hud = *app.m_battle->m_hud;
            const Tank& t = *app.m_battle->m_tank;
            EXPECT_EQ((std::array{hud.m_textEnemy->getNumber(), hud.m_textRounds->getNumber(), hud.m_textFuel->getNumber(),
                                  hud.m_textArmor->getNumber()}),
                      (std::array{app.m_campaign->m_enemyCount, t.m_rounds, t.m_fuel >> 15, 50 - t.m_damage}));
            if (c.end)
                c.end(*app.m_battle->m_tank);
            else
                app.m_campaign->m_enemyCount = 0;
        });
        bool runOut = false, shown = false, faded = false;
        host.at(kInBattle + 1000, [&](App& app) {
            runOut = mapSprite(app) == nullptr;
            if (c.end) {
                SCOPED_TRACE("a battle lost takes the engine at once");
                expectLoops(host, 0, 0, BattleSound::kMusicLevel);
            }
        });
        host.every(kInBattle + 1000, kInBattle + 9000, 50, [&](App& app) {
            const int32_t music = host.looping(GameSound::kBattleTheme);
            faded = faded || (music > 0 && music < BattleSound::kMusicLevel);
            if (!dynamic_cast<ResultScreen*>(app.top()))
                return false;
            expectLoops(host, 0, 0, 0); // the page is silent
            press(app, Key::kEnter); // as the page comes up: not taken as the answer
            shown = findText(&app, c.heading) && findText(&app, "Enemies destroyed: ") &&
                    (!c.cause || (findText(&app, c.cause) && findText(&app, "Tip: ")));
            return true;
        });
        host.at(kInBattle + 9000 + ResultScreen::kShownMs, [](App& app) {
            EXPECT_TRUE(dynamic_cast<ResultScreen*>(app.top())) << "the page went on by itself";
            press(app, Key::kEnter);
        });
        int32_t front = -1;
        host.at(kInBattle + 9500 + ResultScreen::kShownMs, [&](App& app) {
            EXPECT_TRUE(dynamic_cast<MapScreen*>(app.top()));
            front = app.m_campaign->m_front;
        });
        host.runUntil(kInBattle + 9600 + ResultScreen::kShownMs);
        EXPECT_TRUE(seen);
        EXPECT_TRUE(runOut);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(faded) << "the theme goes down with the fade";
        EXPECT_EQ(front, c.frontAfter);
        EXPECT_EQ(storedSlot(1), c.frontAfter);
        EXPECT_EQ(storedSlot(10), 0);
    }
}

// The steps of the battle below, each scheduled on m_host from t0 on.
class HudBattle : public GameTest {
protected:
    // Space fires: the rounds drop and the shot's dust rises a little before the tank.
    void shot(int32_t t0)
    {
        m_host.key(t0, ' ');
        m_host.at(t0 + 200, [this](App& app) {
            EXPECT_EQ(app.m_battle->m_tank->m_rounds, 19);
            EXPECT_EQ(app.m_battle->m_hud->m_textRounds->getNumber(), 19);
            const Tank& t = *app.m_battle->m_tank;
            const Vbattlefield& field = *app.m_battle->m_physics->m_field;
            int32_t dust = 0;
            for (Vphob* b = app.m_battle->m_physics->first().get(); b; b = b->m_nextBody.get()) {
                m_flew = m_flew || dynamic_cast<Shell*>(b);
                // The dust: puffs low over the ground a little before the tank.
                if (dynamic_cast<Tracer*>(b) && b->m_scale > 2000) {
                    EXPECT_LT(std::abs(b->m_wy - field.height(b->m_wx, b->m_wz)), kUnit);
                    EXPECT_LT(std::hypot(b->m_wx - t.m_wx, b->m_wz - t.m_wz), 8.0 * kUnit);
                    dust++;
                }
            }
            EXPECT_EQ(dust, 3);
        });
    }
    // The status lines light up when low; the captured truck refills a share each supply tick.
    void statusAndSupplies(int32_t t0)
    {
        m_host.at(t0 + 300, [](App& app) {
            Tank& t = *app.m_battle->m_tank;
            Hud& hud = *app.m_battle->m_hud;
            // Fuel at exactly 5.0 lights its line, a step more dims it; rounds
            // falling to 5 light theirs for one frame.
            for (auto [fuel, lit] : {std::pair{0x28000, true}, std::pair{0x28001, false}}) {
                t.m_fuel = fuel;
                hud.status();
                EXPECT_EQ(hud.m_textFuel->m_alpha == 0x8000, lit) << fuel;
            }
            EXPECT_EQ(hud.m_textFuel->getNumber(), 5);
            t.m_rounds = 5;
            hud.status();
            EXPECT_EQ(hud.m_textRounds->m_alpha, 0x8000);
            hud.status();
            EXPECT_LT(hud.m_textRounds->m_alpha, 0x8000);
            // Supplies: fuel below 40.0, rounds below 98 and armor below 30 grow.
            Truck& truck = *app.m_battle->m_truck;
            truck.m_supply = 2;
            t.m_fuel = 0x140000 - 1, t.m_rounds = 97, t.m_damage = 21;
            for (int32_t supply : {1, 0}) {
                truck.m_timer = 0x2001;
                app.m_battle->resupply();
                EXPECT_EQ((std::array{t.m_fuel, t.m_rounds, t.m_damage, truck.m_supply}),
                          (std::array{0x140000 - 1 + 0x4000, 99, 20, supply}));
            }
        });
    }
    // The radar shows an enemy 200 units off on its rim, the truck off it; the record keeps a tank on the map.
    void radarAndRecord(int32_t t0)
    {
        m_host.at(t0 + 300, [this](App& app) {
            Tank& t = *app.m_battle->m_tank;
            // Placed and looked at at once: an enemy that far, unseen, soon comes nearer.
            app.m_battle->m_enemy->placeOnGround(app.m_battle->m_tank->m_wx, app.m_battle->m_tank->m_wz - 200 * kUnit);
            app.m_battle->m_hud->radar();
            int32_t red = 0, green = 0;
            for (auto [color, dots, x, y] : blips(app)) {
                if (color == static_cast<int32_t>(0xFFFF5050) && dots == 9 && ++red) {
                    EXPECT_NEAR(std::hypot(x - 31, y - 31), 31, 1.5);
                } else if (color == static_cast<int32_t>(0xFF80FF80) && dots == 16 && ++green) {
                    EXPECT_GE(x, 1000); // the truck, not yet in play
                }
            }
            EXPECT_EQ((std::pair{red, green}), (std::pair{1, 1}));
            // The record: neither the battle lost (x 0) nor the place wrapped round 16 bits.
            const int32_t wx = t.m_wx, wz = t.m_wz;
            for (auto [x, z, slot11] : {std::array{-5, 600, 511}, std::array{0, -3, 0}}) {
                t.m_wx = x == 0 ? 100 : x * kUnit; // just off 0: still in battle
                t.m_wz = z * kUnit;
                app.prefSave();
                EXPECT_EQ(storedSlot(10), 1);
                EXPECT_EQ(storedSlot(11), slot11);
            }
            t.placeOnGround(wx, wz);
            app.input().keyAddSys(Key::kTab);
        });
    }
    // The landing marker turns red on an enemy, not on the truck; Tab leaves aim mode.
    void landingMarker(int32_t t0)
    {
        static constexpr auto marker = [](App& app) { return app.m_battle->m_hud->m_sight->m_marker->m_child->m_color; };
        static constexpr auto hit = [](App& app) { return app.m_battle->m_hud->m_sight->m_path->m_hit; };
        m_host.at(t0 + 600, [this](App& app) {
            const Sight& sight = *app.m_battle->m_hud->m_sight;
            ASSERT_TRUE(app.m_battle->m_tank->m_aim && sight.m_landed);
            m_aimX = sight.m_path->m_x, m_aimZ = sight.m_path->m_z;
            m_normal = marker(app);
            for (const ref<Tank>& t : app.m_battle->m_forces)
                t->placeOnGround(m_aimX + 100 * kUnit, m_aimZ + 100 * kUnit);
            // The truck in play (it waits off the field at first), standing there.
            Truck& truck = *app.m_battle->m_truck;
            truck.m_damage = 0, truck.m_maxDamage = 1;
            truck.placeOnGround(m_aimX, m_aimZ);
        });
        m_host.at(t0 + 700, [this](App& app) {
            ASSERT_EQ(hit(app), app.m_battle->m_truck.get());
            EXPECT_EQ(marker(app), m_normal);
            app.m_battle->m_truck->placeOnGround(m_aimX + 100 * kUnit, m_aimZ - 100 * kUnit);
            app.m_battle->m_enemy->placeOnGround(m_aimX, m_aimZ);
        });
        m_host.at(t0 + 800, [this](App& app) {
            ASSERT_EQ(hit(app), app.m_battle->m_enemy.get());
            EXPECT_NE(marker(app), m_normal);
            app.input().keyAddSys(Key::kTab);
        });
    }
    // The overhead map stops at the west edge; leaving aim mode names the aim key as the player bound it.
    void overheadMapAndAimKey(int32_t t0)
    {
        m_host.at(t0 + 1000, [](App& app) {
            app.m_battle->m_tank->placeOnGround(10 * kUnit, 256 * kUnit);
            app.input().keyAddSys('3');
        });
        m_host.at(t0 + 1200, [](App& app) {
            ASSERT_TRUE(app.m_battle->m_polyTerrain->isLinked());
            EXPECT_FALSE(app.m_battle->m_terrain->isLinked());
            EXPECT_EQ(app.m_battle->m_polyTerrain->m_x, 0);
            EXPECT_EQ(app.m_heading, 0);
            const Vsprite& turret = *app.m_battle->m_tank->m_turret;
            EXPECT_LT((turret.m_x0 + turret.m_x1) / 2, 240 - 50);
            EXPECT_FALSE(findText(&app, "Aim mode off")); // from the driving view: nothing to say
            app.input().keyAddSys('3');
        });
        m_host.at(t0 + 1400, [](App& app) {
            EXPECT_TRUE(app.m_battle->m_terrain->isLinked());
            app.m_actions.bind(Action::Aim, 'K');
            app.input().keyAddSys('K');
        });
        m_host.at(t0 + 1600, [](App& app) {
            EXPECT_TRUE(app.m_battle->m_tank->m_aim);
            EXPECT_FALSE(findText(&app, "Aim mode off"));
            app.input().keyAddSys('V');
        });
        m_host.at(t0 + 1800, [](App& app) {
            EXPECT_FALSE(app.m_battle->m_tank->m_aim);
            EXPECT_TRUE(showing(app, "Aim mode off - K or 9 to aim again"));
            app.input().keyAddSys('V');
        });
    }
    // Driving towards water, or standing in it, is warned of; on dry ground, or backing away, nothing is.
    void waterWarning(int32_t t0)
    {
        m_host.at(t0 + 2000, [this](App& app) {
            const auto& field = *app.m_battle->m_physics->m_field;
            auto dry = [&](int32_t from, int32_t to) {
                for (int32_t c = from; c <= to; c++)
                    if (field.water(c * kUnit, 256 * kUnit))
                        return false;
                return true;
            };
            for (int32_t c = 40; c < 470 && (m_wetX < 0 || m_dryX < 0); c++) {
                if (m_wetX < 0 && dry(c - 6, c - 1) && field.water(c * kUnit, 256 * kUnit))
                    m_wetX = c;
                if (m_dryX < 0 && dry(c - 2, c + 16))
                    m_dryX = c;
            }
            ASSERT_TRUE(m_wetX >= 0 && m_dryX >= 0);
            EXPECT_TRUE(app.m_battle->m_terrain->isLinked() && !app.m_battle->m_tank->m_aim);
            for (const ref<Tank>& e : app.m_battle->m_forces)
                e->park();
        });
        // Where the tank is put (-1: left there) heading for +x, its speed, and whether it is warned.
        static constexpr std::array<int32_t, 3> drives[] = {{0, 100000, 0}, {1, 100000, 1}, {-1, -100000, 0}};
        for (int32_t i = 0; i < 3; i++) {
            m_host.at(t0 + 2100 + 200 * i, [this, i](App& app) {
                Tank& t = *app.m_battle->m_tank;
                if (drives[i][0] >= 0) {
                    t.placeOnGround((drives[i][0] ? m_wetX - 5 : m_dryX) * kUnit, 256 * kUnit);
                    t.m_heading = 8192;
                }
                t.m_driveSpeed = drives[i][1];
            });
            m_host.at(t0 + 2200 + 200 * i, [i](App& app) {
                EXPECT_EQ(showing(app, "Deep water - turn back"), drives[i][2] == 1) << i;
            });
        }
    }
    // A new campaign chosen in the menu ends the battle at once, with another tank for another side.
    void newCampaign(int32_t t0)
    {
        m_host.at(t0 + 6000, [this](App& app) { m_before = app.m_battle->m_tank; });
        m_host.keys(t0 + 6100, {Key::kEscape, 'N'});
        m_host.at(t0 + 6700, [](App& app) { EXPECT_TRUE(findText(&app, "Abandon the running campaign?")); });
        m_host.keys(t0 + 6800, "YG");
        m_host.at(t0 + 7500, [this](App& app) {
            EXPECT_TRUE(mapSprite(app)); // straight back to the map: no run-out
            EXPECT_EQ(app.m_campaign->m_front, 5);
            EXPECT_EQ(app.m_campaign->m_side, Side::German);
            EXPECT_NE(app.m_battle->m_tank, m_before);
            EXPECT_EQ(app.m_battle->m_tank->m_rounds, 20);
        });
    }
    bool m_flew = false; // a shell seen in flight
    int32_t m_aimX = 0, m_aimZ = 0, m_normal = 0; // where the shell lands; the marker's colour on nothing
    int32_t m_wetX = -1, m_dryX = -1; // columns of the middle row: water past dry land; dry land
    ref<Tank> m_before; // the tank the new campaign replaces
};

// One battle, in turn, the HUD following its steps; the shell ends in an explosion,
// and the new campaign ends the battle without moving the front or winning it.
TEST_F(HudBattle, TheHudFollowsShotsSuppliesTargetsAndWaterAndANewCampaignEndsTheBattle)
{
    battle();
    const int32_t t0 = kInBattle;
    shot(t0);
    statusAndSupplies(t0);
    radarAndRecord(t0);
    landingMarker(t0);
    overheadMapAndAimKey(t0);
    waterWarning(t0);
    newCampaign(t0);
    m_host.runUntil(t0 + 7600);
    EXPECT_TRUE(m_flew);
    EXPECT_GE(m_host.count("shoot"), 1);
    EXPECT_GE(m_host.count("miss") + m_host.count("hit"), 1);
    EXPECT_EQ(storedSlot(1), 5);
    EXPECT_EQ(storedSlot(10), 0);
    EXPECT_EQ(m_host.count("music3"), 1); // the splash's only: no battle won
}

// The steps of the battle below: the pause's from t0, the cameras' from t1, the sizes' from t2, the turret's from t3.
class CameraBattle : public GameTest {
protected:
    // P pauses for ten seconds under "Paused", the loops silent, and P goes on; so does losing the focus.
    void pause(int32_t t0)
    {
        m_host.at(t0, [this](App& app) {
            expectLoops(m_host, BattleSound::kIdleLevel, BattleSound::kIdleLevel, BattleSound::kMusicLevel);
            const Tank& t = *app.m_battle->m_tank;
            m_place = {t.m_wx, t.m_wz, t.m_heading};
            app.input().keyDownSys(Key::kUp);
        });
        m_host.at(t0 + 2900, [this](App&) {
            expectLoops(m_host, BattleSound::kFullLevel - 4, BattleSound::kFullLevel, BattleSound::kMusicLevel);
        });
        m_host.key(t0 + 3000, 'P');
        m_host.at(t0 + 3200, [this](App& app) {
            m_before = still(app);
            expectLoops(m_host, 0, 0, 0);
        });
        m_host.at(t0 + 13200, [this](App& app) {
            EXPECT_EQ(still(app), m_before);
            EXPECT_TRUE(showing(app, "Paused"));
            press(app, 'P');
        });
        m_host.at(t0 + 14200, [this](App& app) {
            EXPECT_GT(app.m_battle->m_tank->m_battleMs, m_before[1]);
            EXPECT_LT(app.m_battle->m_tank->m_fuel, m_before[0]);
            EXPECT_FALSE(showing(app, "Paused"));
            expectLoops(m_host, BattleSound::kTurnLevel, BattleSound::kFullLevel, BattleSound::kMusicLevel);
            app.input().focusLostSys();
        });
        m_host.at(t0 + 14400, [this](App& app) { m_before = still(app); });
        m_host.at(t0 + 15400, [this](App& app) {
            EXPECT_EQ(still(app)[1], m_before[1]);
            press(app, 'P');
            app.input().keyUpSys(Key::kUp);
            app.m_battle->m_tank->m_driveSpeed = 0;
            clearField(app); // the rest without enemies to jolt the tank
            app.m_battle->m_tank->m_fuel = 20 * kUnit;
            app.m_battle->m_camera->m_lazy = true;
            app.m_battle->m_camera->lookAt();
        });
    }
    // The lazy camera catches up once the turn key is let go; the chase camera keeps the tank low and mid-screen.
    void turn(int32_t t1)
    {
        m_host.at(t1, [this](App& app) {
            m_start = app.m_battle->m_terrain->getHeading();
            app.input().keyDownSys(Key::kRight);
        });
        m_host.at(t1 + 1000, [this](App& app) {
            EXPECT_GT(Tank::wrapAngle(app.m_battle->m_tank->m_heading - m_start), 0x1000); // well over 28 degrees
            EXPECT_EQ(app.m_battle->m_terrain->getHeading(), m_start);
            expectLoops(m_host, BattleSound::kTurnLevel, BattleSound::kTurnLevel); // turning on the spot
            app.input().keyUpSys(Key::kRight);
        });
        m_host.at(t1 + 1300, [this](App& app) {
            const Tank& t = *app.m_battle->m_tank;
            EXPECT_LT(std::abs(Tank::wrapAngle(app.m_battle->m_terrain->getHeading() - t.m_heading)), 0x200);
            app.m_battle->m_camera->m_lazy = false;
            m_last = t.m_heading;
            app.input().keyDownSys(Key::kRight);
        });
        m_host.every(t1 + 1400, t1 + 13300, 64, [this](App& app) {
            Tank& t = *app.m_battle->m_tank;
            m_turned += Tank::wrapAngle(t.m_heading - m_last);
            m_last = t.m_heading;
            int32_t sx = 0, sy = 0, tx = 0, ty = 0, depth = 0;
            EXPECT_TRUE(app.screenPoint(t.m_wx, t.m_wy, t.m_wz, sx, sy, depth));
            EXPECT_TRUE(app.screenPoint(t.m_wx, t.m_wy + t.m_gunHeight + kUnit, t.m_wz, tx, ty, depth));
            EXPECT_GT(ty, app.m_height / 2) << "turret top";
            EXPECT_LT(sy, app.m_height) << "hull";
            EXPECT_TRUE(sx > app.m_width / 4 && sx < app.m_width * 3 / 4) << sx;
            m_checks++;
            return m_turned > 0x8000;
        });
        m_host.at(t1 + 13300, [this](App& app) {
            app.input().keyUpSys(Key::kRight);
            EXPECT_GT(m_turned, 0x8000);
            EXPECT_GT(m_checks, 20);
            EXPECT_FALSE(app.m_battle->m_camera->m_jumped);
            app.setWidthHeight(800, 600);
        });
    }
    // A new size lays out the HUD again, one behind the menu too; the menu and the sound off silence the loops.
    void layout(int32_t t2)
    {
        m_host.at(t2 + 200, [](App& app) {
            // The radar and the panel 24 pixels (4% of 600) from their corners;
            // the buttons hidden leave the menu button in the bottom left one.
            const Hud& hud = *app.m_battle->m_hud;
            EXPECT_EQ(app.m_battle->m_terrain->m_width, 800);
            EXPECT_EQ((std::array{hud.m_radar->m_x >> 15, hud.m_panel->m_x >> 15, hud.m_panel->m_y >> 15}),
                      (std::array{800 - 64 - 24, 24, 24}));
            const ref<Vmenu>& m = hud.m_menuDrive;
            ASSERT_TRUE(m->isLinked() && hud.m_panel->isLinked());
            EXPECT_EQ((std::pair{m->m_x >> 15, (m->m_y >> 15) + m->m_buttonSize}), (std::pair{24, 600 - 24}));
        });
        m_host.key(t2 + 300, Key::kEscape);
        m_host.at(t2 + 600, [this](App& app) {
            EXPECT_FALSE(app.m_battle->m_hud->m_radar->isLinked());
            expectLoops(m_host, 0, 0, 0); // the menu open
            app.setWidthHeight(480, 320);
        });
        m_host.key(t2 + 900, Key::kEscape);
        m_host.at(t2 + 1200, [this](App& app) {
            expectLoops(m_host, BattleSound::kIdleLevel, BattleSound::kFullLevel, BattleSound::kMusicLevel);
            ASSERT_TRUE(app.m_battle->m_hud->m_radar->isLinked());
            EXPECT_EQ(app.m_battle->m_hud->m_radar->m_x >> 15, 480 - 64 - 13); // 4% of 320
            app.m_mute = true;
        });
        m_host.at(t2 + 1250, [this](App& app) {
            expectLoops(m_host, 0, 0, 0); // the sound switched off
            app.m_mute = false;
        });
    }
    // Aiming from where the battle began, the land 50 units ahead along the gun is mid-screen at every size.
    void aimAtEverySize(int32_t t2)
    {
        m_host.at(t2 + 1300, [this](App& app) {
            expectLoops(m_host, BattleSound::kIdleLevel, BattleSound::kFullLevel, BattleSound::kMusicLevel);
            Tank& t = *app.m_battle->m_tank;
            t.placeOnGround(m_place[0], m_place[1]);
            t.m_heading = m_place[2];
            press(app, Key::kTab);
        });
        static constexpr std::pair<int32_t, int32_t> sizes[] = {{480, 320}, {320, 240}, {1920, 1080}, {480, 320}};
        for (int32_t i = 0; i < 4; i++) {
            const auto [w, h] = sizes[i];
            m_host.at(t2 + 2800 + 400 * i, [i, w = w, h = h](App& app) {
                SCOPED_TRACE(testing::Message() << w << "x" << h);
                Tank& t = *app.m_battle->m_tank;
                ASSERT_TRUE(t.m_aim);
                const int32_t a = t.m_heading + t.turretHeading();
                const int32_t x = t.m_wx + 50 * V::fsin(a), z = t.m_wz - 50 * V::fcos(a);
                int32_t sx = 0, sy = 0, depth = 0;
                ASSERT_TRUE(app.screenPoint(x, app.m_battle->m_physics->m_field->height(x, z), z, sx, sy, depth));
                EXPECT_TRUE(sx > w / 3 && sx < w * 2 / 3 && sy > h / 3 && sy < h * 2 / 3) << sx << "," << sy;
                if (i < 3)
                    app.setWidthHeight(sizes[i + 1].first, sizes[i + 1].second);
            });
        }
    }
    // Turning the turret, the camera does not lag it, and an enemy's hull 15 units ahead of the gun stands above it.
    void turretCamera(int32_t t3)
    {
        m_host.at(t3, [](App& app) { app.input().keyDownSys(Key::kRight); });
        m_host.every(t3 + 200, t3 + 2000, 64, [this](App& app) {
            Tank& t = *app.m_battle->m_tank;
            const int32_t gun = t.m_heading + t.turretHeading();
            EXPECT_LE(std::abs(Tank::wrapAngle(-app.m_heading - gun)), 4) << "the camera lags the turret";
            m_turret = t.turretHeading();
            const int32_t x = t.m_wx + 15 * V::fsin(gun), z = t.m_wz - 15 * V::fcos(gun);
            int32_t gx = 0, gy = 0, tx = 0, ty = 0, depth = 0;
            const int32_t hull = app.m_battle->m_physics->m_field->height(x, z) + 3 * kUnit / 2;
            EXPECT_TRUE(app.screenPoint(x, hull, z, gx, gy, depth));
            EXPECT_TRUE(app.screenPoint(t.m_wx, t.m_wy + t.m_gunHeight + kUnit, t.m_wz, tx, ty, depth));
            EXPECT_LT(gy, ty);
            m_aimChecks++;
            return false;
        });
    }
    std::vector<int32_t> m_before; // the fuel, the battle's clock and the enemies' places as a pause began
    std::array<int32_t, 3> m_place{}; // where the tank began, and its heading
    int32_t m_start = 0, m_turned = 0, m_last = 0, m_checks = 0, m_aimChecks = 0, m_turret = 0;
};

// One battle, in turn: the pauses, the engine's loop following the speed with the
// theme under it, the cameras through a turn, new window sizes, and aim mode.
TEST_F(CameraBattle, PauseAndTheCamerasKeepTheTankAndTheTargetInViewAtEverySize)
{
    battle();
    const int32_t t0 = kInBattle, t1 = t0 + 15600, t2 = t1 + 13300, t3 = t2 + 4300;
    pause(t0);
    turn(t1);
    layout(t2);
    aimAtEverySize(t2);
    turretCamera(t3);
    m_host.runUntil(t3 + 2100);
    EXPECT_GT(m_aimChecks, 20);
    EXPECT_GT(std::abs(m_turret), 1000) << "the turret turned";
}

// The demo plays from the map, once its orders have scrolled past (some 700
// pixels of text and 480 of screen at 4 pixels a frame), into a battle,
// where the pilot drives the player's tank; a key hands it back. The pilot drives to the truck for
// supplies, but not to one captured and emptied: it goes back to the enemy,
// however short of supplies.
TEST_F(BattleTest, TheDemoPilotDrivesUntilAKeyAndLeavesAnEmptiedTruckForTheEnemy)
{
    m_host.m_demo = true;
    m_host.at(15000, [](App& app) { EXPECT_TRUE(mapSprite(app)) << "the orders still running"; });
    int32_t odometer = 0;
    m_host.at(41500, [&](App& app) {
        EXPECT_TRUE(app.m_demo);
        ASSERT_TRUE(app.m_battle->m_terrain && app.m_battle->m_terrain->isLinked());
        EXPECT_EQ(app.m_campaign->m_front, 5); // a campaign of its own
        EXPECT_TRUE(app.m_battle->m_tank->m_pilot);
        odometer = app.m_battle->m_tank->m_odometer;
    });
    m_host.key(61500, 'A');
    bool checked = false;
    m_host.at(61700, [&](App& app) {
        Battle& b = *app.m_battle;
        Tank& t = *b.m_tank;
        EXPECT_FALSE(app.m_demo);
        EXPECT_FALSE(t.m_pilot);
        EXPECT_GT(t.m_odometer, odometer);
        app.m_demo = true;
        t.m_damage = 45; // short of armor
        Truck& truck = *b.m_truck;
        truck.m_damage = 0;
        truck.placeOnGround(t.m_wx + 10 * Tank::kUnit, t.m_wz);
        app.add(b.m_truck);
        truck.m_supply = 3;
        truck.m_captured = true;
        b.demoPilot();
        EXPECT_EQ(t.m_pilot.get(), b.m_truck.get()); // still handing over
        truck.m_supply = 0;
        b.demoPilot();
        EXPECT_TRUE(t.m_pilot && t.m_pilot->m_id == Hud::kRadarEnemy);
        checked = true;
    });
    m_host.runUntil(61800);
    EXPECT_TRUE(checked);
}
