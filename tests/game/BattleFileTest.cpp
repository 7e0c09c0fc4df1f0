#include <utility>
#include <vector>

#include "GameTest.h"
#include "game/BattleFile.h"
#include "game/Scenery.h"
#include "game/Shell.h"

namespace {

BattleFile::Body body(int32_t kind, int32_t maxDamage)
{
    BattleFile::Body b;
    b.kind = kind;
    b.x = 100 << 15;
    b.z = 200 << 15;
    b.maxDamage = maxDamage;
    return b;
}

// A small file of every kind of body and two craters.
BattleFile sample()
{
    using B = BattleFile::Body;
    BattleFile f;
    f.m_stamp = {1, 5, 1, 7, 2, 6, 100, 200};
    for (int32_t i = 0; i < 55; i++)
        f.m_dice[i] = static_cast<int16_t>(i * 1237 - 30000);
    f.m_diceJ = 23, f.m_diceK = 54;
    f.m_overhead = 1;
    f.m_viewHeading = -8000, f.m_viewFar = 0x628000, f.m_viewHorizon = 0x1000;
    f.m_bodies = {body(B::kShell, 0), body(B::kEnemy, 2), body(B::kPlayer, 50), body(B::kTruck, 2)};
    f.m_bodies[0].owner = 2, f.m_bodies[0].image = Shell::kLastPicture;
    f.m_bodies[1].x = f.m_bodies[1].y = f.m_bodies[1].z = Vphob::kFarAway; // parked
    f.m_bodies[1].damage = -1;
    f.m_bodies[2].pilot = 1, f.m_bodies[2].fuel = 0x9C123; // a fraction of a unit too
    f.m_cells = {{5, 17}, {65535, 0}};
    f.m_ruins = {0, 7, Scenery::kMost - 1};
    return f;
}

std::string asString(const Array<int8_t>& a) { return std::string(reinterpret_cast<const char*>(a.a), a.length); }

Array<int8_t> asArray(const std::string& s)
{
    Array<int8_t> a(static_cast<int32_t>(s.size()));
    std::copy(s.begin(), s.end(), a.a);
    return a;
}

// The bytes the release before would have written for f: version 2, which
// ends with the cells (no count of ruins before the sum).
Array<int8_t> version2(BattleFile f)
{
    f.m_ruins.clear();
    std::string out = asString(f.bytes());
    out.resize(out.size() - 6);
    out[4] = 2;
    const auto n = static_cast<uint32_t>(out.size() + 4);
    for (int32_t i = 0; i < 4; i++)
        out[static_cast<std::size_t>(5 + i)] = static_cast<char>(n >> (8 * i));
    const uint32_t sum = BattleFile::sum(reinterpret_cast<const int8_t*>(out.data()), static_cast<int32_t>(out.size()));
    for (int32_t i = 0; i < 4; i++)
        out += static_cast<char>(sum >> (8 * i));
    return asArray(out);
}

// What each thing of the battle's scenery shows, and how large.
std::vector<std::pair<int32_t, int32_t>> looks(App& app)
{
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const ref<Vsprite>& t : app.m_battle->m_scenery->things())
        out.emplace_back(t->m_image, t->m_scale);
    return out;
}

bool reads(const std::string& bytes, std::string& why)
{
    BattleFile f;
    return f.read(asArray(bytes), static_cast<int32_t>(bytes.size()), why);
}

} // namespace

// What is written reads back the same, and every kind of damage is refused
// with its reason: cut short, grown, a byte changed, another version, a
// field out of range, bodies that do not make a battle.
TEST(BattleFileFormat, ReadsBackWhatItWroteAndRefusesEveryDamage)
{
    const BattleFile f = sample();
    const Array<int8_t> bytes = f.bytes();
    BattleFile back;
    std::string why;
    ASSERT_TRUE(back.read(bytes, bytes.length, why)) << why;
    EXPECT_EQ(asString(back.bytes()), asString(bytes)); // read and written again: the same file
    for (int32_t n : {0, 12, bytes.length / 2, bytes.length - 1}) {
        EXPECT_FALSE(back.read(bytes, n, why)) << n;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_FALSE(reads(asString(bytes) + '\0', why));
    for (int32_t at : {0, 4, 5, 20, bytes.length - 1}) {
        std::string changed = asString(bytes);
        changed[static_cast<std::size_t>(at)] ^= 0x40;
        EXPECT_FALSE(reads(changed, why)) << at;
    }
    const std::pair<std::function<void(BattleFile&)>, const char*> refused[] = {
        {[](BattleFile& g) { g.m_stamp.side = 4; }, "side"},
        {[](BattleFile& g) { g.m_bodies[2].damage = 101; }, "damage"},
        {[](BattleFile& g) { g.m_bodies[1].x = Tank::kMapSize * 3; }, "x"},
        {[](BattleFile& g) { g.m_bodies[0].image = Shell::kLastPicture + 1; }, "picture"},
        {[](BattleFile& g) { g.m_bodies[0].owner = 0; }, "owner"}, // a shell fired by a shell
        {[](BattleFile& g) { g.m_bodies[2].pilot = 0; }, "goal"},  // the demo pursuing a shell
        {[](BattleFile& g) { g.m_bodies[2].kind = BattleFile::Body::kEnemy; }, "player"},
        {[](BattleFile& g) { g.m_cells = {{9, 1}, {9, 2}}; }, "order"},
        {[](BattleFile& g) { g.m_ruins = {7, Scenery::kMost}; }, "a ruin is out of range"},
        {[](BattleFile& g) { g.m_ruins = {7, 7}; }, "the ruins are out of order"},
    };
    for (const auto& [change, reason] : refused) {
        SCOPED_TRACE(reason);
        BattleFile g = f;
        change(g);
        std::string said;
        EXPECT_FALSE(reads(asString(g.bytes()), said));
        EXPECT_NE(said.find(reason), std::string::npos) << said;
    }
}

using ResumeTest = GameTest;

// Quit in the middle of a battle (in the overhead view, the demo fighting),
// the next start of the demo resumes it as it was left: every body, the
// ground dug, the things ruined, the camera and the dice. The record points
// at the file. A player who resumes it drives the tank, from the file of the
// release before too (version 2), with every thing whole.
TEST_F(ResumeTest, AQuitBattleComesBackAsItWasLeft)
{
    battle(3, 5, 2);
    m_host.at(kInBattle, [](App& app) { app.m_demo = true; });
    const int32_t stop = kInBattle + 45000;
    m_host.at(stop - 3000, [](App& app) { app.m_battle->m_camera->overheadSwitch(); });
    BattleFile left;
    std::vector<std::pair<int32_t, int32_t>> leftLooks;
    m_host.at(stop, [&](App& app) {
        ASSERT_TRUE(inBattle(app));
        // One thing of each kind ruined besides any the demo's shells did
        // (a house keeps its scale, the others are scaled to their stumps).
        Scenery& scenery = *app.m_battle->m_scenery;
        for (int32_t kind = AppPicture::kTree; kind <= AppPicture::kFence; kind++)
            for (int32_t i = 0; i < scenery.count(); i++)
                if (scenery.things()[static_cast<std::size_t>(i)]->m_image == kind) {
                    scenery.ruin(i);
                    break;
                }
        leftLooks = looks(app);
        // Stamped with the record as the save at the end fills it.
        app.m_campaign->prefSave(nullptr, app.tank());
        left = BattleFile::capture(app);
        app.requestStop();
    });
    m_host.run();
    ASSERT_FALSE(left.m_bodies.empty());
    EXPECT_GE(left.m_bodies.size(), 5u); // the tank, three enemies, the truck
    EXPECT_EQ(left.m_overhead, 1);
    EXPECT_GE(left.m_ruins.size(), 3u);
    EXPECT_EQ(storedSlot(10), left.m_stamp.battleX);
    EXPECT_EQ(storedSlot(11), left.m_stamp.battleZ);

    GameHost again;
    again.m_demo = true; // on from the map when its orders have run
    bool seen = false;
    again.every(2200, 61500, 8, [&](App& app) {
        if (!inBattle(app))
            return false;
        seen = true;
        EXPECT_EQ(asString(BattleFile::capture(app).bytes()), asString(left.bytes()));
        EXPECT_EQ(looks(app), leftLooks) << "the same things ruined, at the same scales";
        app.requestStop();
        return true;
    });
    again.runUntil(61500);
    EXPECT_TRUE(seen);

    // The file as the release before would have kept it: version 2, no ruins.
    BattleFile kept;
    std::string why;
    ASSERT_TRUE(kept.load(why)) << why;
    writeFile(m_dir.file("korvath-battle"), asString(version2(kept)));
    std::vector<BattleFile::Body> undriven = kept.m_bodies;
    for (BattleFile::Body& b : undriven)
        b.pilot = -1;
    GameHost player;
    player.key(2200, 'R');
    bool driven = false;
    player.every(2200, 4500, 8, [&](App& app) {
        if (!inBattle(app))
            return false;
        driven = !app.m_battle->m_tank->m_pilot;
        const BattleFile now = BattleFile::capture(app);
        EXPECT_EQ(now.m_bodies, undriven);
        EXPECT_TRUE(now.m_ruins.empty());
        return true;
    });
    player.runUntil(4500);
    EXPECT_TRUE(driven);
}

// A record of a battle in progress without its file (an older game), with a
// damaged file (every damage the file refuses is refused here too), or with
// the file of another battle: the battle resumes around the tank's place in
// the record, one line says why, and the record is left as it was.
TEST_F(ResumeTest, WithoutAGoodFileABattleResumesAroundTheTank)
{
    const std::string damaged = std::string("KBTL") + static_cast<char>(BattleFile::kVersion) + std::string(40, '\x7F');
    struct Case {
        std::string file, reason;
    } cases[] = {{"", "there is none"},
                 {damaged, "is not the one it gives"},
                 {std::string(BattleFile::kMostBytes + 5, 'K'), "larger than any battle"},
                 {asString(sample().bytes()), "another battle"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        writeRecord({1, 5, 0, 4, 0, 0, 0, 30, 15, 12, 120, 250});
        std::filesystem::remove(m_dir.file("korvath-battle"));
        if (!c.file.empty())
            writeFile(m_dir.file("korvath-battle"), c.file);
        const std::string record = readFile(recordPath());
        GameHost host;
        host.key(2200, 'R');
        bool seen = false;
        host.every(2200, 4500, 8, [&](App& app) {
            if (!inBattle(app))
                return false;
            seen = true;
            const Tank& t = *app.m_battle->m_tank;
            EXPECT_EQ(t.m_wx >> 15, 120);
            EXPECT_EQ(t.m_wz >> 15, 250);
            EXPECT_EQ(app.m_campaign->m_enemyCount, 4);
            EXPECT_EQ(t.m_rounds, 12);
            EXPECT_EQ(readFile(recordPath()), record);
            return true;
        });
        host.stopAt(4500);
        testing::internal::CaptureStderr();
        host.run();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(seen);
        EXPECT_NE(err.find("korvath-battle: "), std::string::npos) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    }
}

