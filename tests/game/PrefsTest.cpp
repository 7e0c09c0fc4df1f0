#include <cerrno>
#include <cstring>
#include <filesystem>

#include "GameTest.h"
#include "game/BattleFile.h"
#include "game/Options.h"

namespace {

namespace fs = std::filesystem;

// A campaign that has only read the record, as at start-up.
ref<Campaign> loaded()
{
    ref<Campaign> c = new Campaign;
    ref<Vdisplay> display = new Vdisplay;
    c->prefLoad(display.get());
    return c;
}

int32_t slot(const Campaign& c, int32_t k)
{
    return c.prefRead(Record::Slot(k));
}

// What f writes to stderr.
template <class F> std::string stderrOf(F f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

} // namespace

// Whatever a record holds, it reads as a campaign the game itself could have
// saved: a campaign the map does not know restarts as a first start, the
// battle and the tank with it; a record edited by hand cannot give an
// unwinnable battle, a full tank beyond the truck's, or a battle off the map.
TEST_F(GameTest, EveryRecordReadsAsACampaignTheGameCouldHaveSaved)
{
    constexpr int32_t F = 32768, M = 65535, X = -1; // X: not checked
    struct Case {
        const char* what;
        std::vector<int32_t> slots; // none: no record
        int32_t side, front, level, enemies, mute, damage, fuel, rounds, x, z;
    };
    // Twelve slots (the record before the fuel's fraction): side, front,
    // level, the sound switch, a worn tank (damage 13, fuel 17, 9 rounds) in
    // a battle at (100, 200).
    auto rec = [](int32_t side, int32_t front, int32_t level) {
        return std::vector<int32_t>{side, front, level, 0, 0, 1, 0, 13, 17, 9, 100, 200};
    };
    const Case cases[] = {
        {"missing", {}, 1, 0, 0, X, 0, 40, 20 * F, 20, 0, 0},
        {"full", rec(3, 7, 2), 3, 7, 2, X, 1, 13, 17 * F, 9, 100, 200},
        {"level 5", rec(3, 7, 5), 3, 7, 0, X, 1, 13, 17 * F, 9, 100, 200},
        {"side 9", rec(9, 7, 2), 1, 0, 2, X, 1, 40, 20 * F, 20, 0, 0},
        {"front 200", rec(3, 200, 2), 3, 0, 2, X, 1, 40, 20 * F, 20, 0, 0},
        {"all bits set", std::vector<int32_t>(12, M), 1, 0, 0, X, 1, 40, 20 * F, 20, 0, 0},
        // Front 5, easy: 5 enemies at most; past destroyed: the fresh tank.
        {"too much", {1, 5, 0, M, 0, 7, 0, M, M, 300, 9999, 9999, M}, 1, 5, 0, 5, 1, 40, Campaign::kMostFuel,
         Campaign::kMostRounds, 511, 511},
        // An empty gun saved as -1 comes back empty; no battle has no place.
        {"empty", {2, 8, 2, 3, 0, 0, 0, 12, 0, M, 0, 300}, 2, 8, 2, 3, 0, 12, 0, 0, 0, 0},
        {"lost", {2, 6, 1, 4, 0, 0, 0, 50, 21, 17, 0, 0}, 2, 6, 1, 4, 0, 40, 21 * F, 17, 0, 0},
        // No side chosen yet with a front of a far ring: the first start's
        // front 0 is the one whose battle bounds the enemies (found by fuzzing).
        {"no side", {0, 11, 0, 768, 0, 0, 0, 0, 0, 0, 0, 0}, X, 0, 0, Campaign::enemyTotal(0, 0), X, X, X, X, X, X},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(recordPath());
        if (!c.slots.empty())
            writeRecord(c.slots);
        ref<Campaign> camp = loaded();
        ref<Tank> tank = new Tank;
        camp->loadTank(*tank);
        const int32_t got[] = {static_cast<int32_t>(camp->m_side), camp->m_front, camp->m_level, camp->m_enemyCount,
                               camp->m_mute, tank->m_damage, tank->m_fuel, tank->m_rounds, slot(*camp, 10),
                               slot(*camp, 11)};
        const int32_t want[] = {c.side, c.front, c.level, c.enemies, c.mute, c.damage, c.fuel, c.rounds, c.x, c.z};
        for (int32_t k = 0; k < 10; k++)
            EXPECT_TRUE(want[k] == X || got[k] == want[k]) << "field " << k << ": " << got[k] << ", not " << want[k];
    }
}

// Only a missing record is a first start. One that is there but cannot be
// read (an I/O error, a folder in its place; the host tells every reason
// apart) gives a first start in memory, one line, and is never written over.
TEST_F(GameTest, ARecordThatCannotBeReadIsNeverWrittenOver)
{
    writeRecord({3, 7, 2, 9, 0, 0, 0, 13, 17, 19, 100, 200, 0});
    const std::string good = readFile(recordPath());
    auto check = [&](const std::string& reason) {
        ref<Campaign> c;
        const std::string err = stderrOf([&] { c = loaded(); });
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("cannot read " + recordPath() + " (" + reason + ")"), std::string::npos) << err;
        EXPECT_EQ(c->m_side, Side::Allied);
        EXPECT_EQ(c->m_front, 0);
        EXPECT_TRUE(c->m_keepStored);
        ref<Vdisplay> display = new Vdisplay;
        c->m_front = 5;
        c->resetGame(Campaign::kFirstFront, display.get(), nullptr);
        c->prefSave(display.get(), nullptr);
    };
    Vdisplay::failReads(EIO);
    check(std::strerror(EIO));
    Vdisplay::failReads(0);
    EXPECT_EQ(readFile(recordPath()), good);
    fs::remove(recordPath());
    fs::create_directory(recordPath());
    check("a folder is in its place");
    EXPECT_TRUE(fs::is_directory(recordPath()));

    // The whole game: the sound switch and the stop both save, and neither writes.
    fs::remove_all(recordPath());
    writeFile(recordPath(), good);
    Vdisplay::failReads(EIO);
    m_host.key(2200, 'S');
    m_host.stopAt(3000);
    testing::internal::CaptureStderr();
    m_host.run();
    testing::internal::GetCapturedStderr();
    Vdisplay::failReads(0);
    EXPECT_EQ(readFile(recordPath()), good);
}

// A record of a length the game never writes is not its record: it goes
// aside as korvath.damaged and the game starts afresh; a huge one is not
// read whole.
TEST_F(GameTest, ARecordOfTheWrongLengthIsPutAsideAndTheGameStartsAfresh)
{
    writeRecord({3, 7, 2, 9, 0, 0, 0, 13, 17, 19, 100, 200, 5});
    const std::string whole = readFile(recordPath());
    const std::string damaged = recordPath() + ".damaged";
    for (std::size_t n : {std::size_t(0), std::size_t(13), std::size_t(23), std::size_t(25), std::size_t(27)}) {
        writeFile(recordPath(), (whole + "xy").substr(0, n));
        ref<Campaign> c;
        const std::string err = stderrOf([&] { c = loaded(); });
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << n << err;
        EXPECT_NE(err.find(recordPath() + " has the wrong length"), std::string::npos) << err;
        // The first start's side, front, fresh tank and no battle.
        EXPECT_EQ((std::vector{static_cast<int32_t>(c->m_side), c->m_front, slot(*c, 7), slot(*c, 10)}),
                  (std::vector{1, 0, 40, 0}));
        EXPECT_FALSE(c->m_keepStored);
        EXPECT_FALSE(fs::exists(recordPath())) << n;
        EXPECT_EQ(readFile(damaged), (whole + "xy").substr(0, n)) << n;
        // The next save writes a whole record.
        ref<Vdisplay> display = new Vdisplay;
        c->prefSave(display.get(), nullptr);
        EXPECT_EQ(readFile(recordPath()).size(), 26u);
    }
    writeFile(recordPath(), "");
    fs::resize_file(recordPath(), 100 << 20);
    ref<Campaign> c;
    stderrOf([&] { c = loaded(); });
    EXPECT_EQ(c->m_front, 0);
    EXPECT_EQ(fs::file_size(damaged), 100u << 20);
}

TEST_F(GameTest, SavingWritesSixteenBitSlotsAndKeepsThoseTheGameDoesNotOwn)
{
    writeRecord({2, 6, 1, 9, 1234, 0, 4321, 13, 17, 19, 100, 200, 0x5A5A});
    ref<Campaign> c = loaded();
    EXPECT_EQ(c->m_enemyCount, 9);
    // Fuel keeps its fraction, loaded and saved with the tank.
    ref<Tank> tank = new Tank;
    c->loadTank(*tank);
    EXPECT_EQ(tank->m_fuel, 17 * 32768 + 0x5A5A);
    c->m_side = Side::Soviet, c->m_front = 4, c->m_level = 2, c->m_mute = true, c->m_enemyCount = 300;
    // Slots are unsigned 16 bits; those outside the record are neither read nor written.
    c->prefWrite(Record::Slot(4), -1);
    c->prefWrite(Record::Slot(11), 0x12345);
    c->prefWrite(Record::Slot(13), 7);
    c->prefWrite(Record::Slot(-1), 7);
    EXPECT_EQ(slot(*c, 13), 0);
    EXPECT_EQ(slot(*c, -1), 0);
    ref<Vdisplay> display = new Vdisplay;
    c->prefSave(display.get(), nullptr);
    auto storedSlots = [this] {
        std::vector<int32_t> v;
        for (int32_t k = 0; k < 13; k++)
            v.push_back(storedSlot(k));
        return v;
    };
    EXPECT_EQ(storedSlots(), (std::vector{3, 4, 2, 300, 65535, 1, 4321, 13, 17, 19, 100, 0x2345, 0x5A5A}));
    EXPECT_EQ(readFile(recordPath()).size(), 26u);
    tank->m_wx = 140 * 32768 + 77;
    tank->m_wz = 260 * 32768;
    c->prefSave(display.get(), tank.get());
    EXPECT_EQ(storedSlots(), (std::vector{3, 4, 2, 300, 65535, 1, 4321, 13, 17, 19, 140, 260, 0x5A5A}));

    // A new campaign: the fresh tank and no battle in progress.
    c->resetGame(Campaign::kFirstFront, display.get(), nullptr);
    EXPECT_EQ(storedSlots(), (std::vector{3, 5, 2, 300, 65535, 1, 4321, 40, 20, 20, 0, 0, 0}));
}

// The host's table of kinds knows the game's keys (a key renamed in the game
// alone would leave its file among the settings).
TEST(PrefsKinds, EachOfTheGamesFilesHasItsKind)
{
    using S = Vdisplay::Store;
    EXPECT_EQ((std::vector{Vdisplay::storeOf(Record::name()->c_str()),
                           Vdisplay::storeOf(Record::damagedName()->c_str()),
                           Vdisplay::storeOf(BattleFile::name()->c_str()), Vdisplay::storeOf(Options::kKey)}),
              (std::vector{S::Data, S::Data, S::State, S::Config}));
}
