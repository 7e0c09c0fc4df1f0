#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "GameTest.h"

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

// The bytes of a record of these slots.
std::string recordBytes(const std::vector<int32_t>& slots)
{
    std::string r;
    for (int32_t v : slots)
        r += {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)};
    return r;
}

// Lines written to stderr by f.
template <class F> std::string stderrOf(F f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

int32_t lines(const std::string& s)
{
    return static_cast<int32_t>(std::count(s.begin(), s.end(), '\n'));
}

} // namespace

TEST_F(GameTest, MissingShortAndDamagedRecordsGiveSafeSettings)
{
    struct Case {
        const char* what;
        std::string bytes;
        int32_t side, front, level;
        bool mute;
        bool freshTank; // the tank of a first start, not the stored one
    };
    // A record of side, front, level and the sound switch (slots 0, 1, 2, 5),
    // a worn tank (damage 13, fuel 17, 9 rounds) in a battle at (100, 200).
    auto rec = [](int32_t side, int32_t front, int32_t level) {
        std::string r(24, '\0');
        r[0] = static_cast<char>(side), r[2] = static_cast<char>(front), r[4] = static_cast<char>(level), r[10] = 1;
        r[14] = 13, r[16] = 17, r[18] = 9, r[20] = 100, r[22] = static_cast<char>(200);
        return r;
    };
    const Case cases[] = {
        {"missing", "", 1, 0, 0, false, true},
        {"full", rec(3, 7, 2), 3, 7, 2, true, false},
        {"level 5", rec(3, 7, 5), 3, 7, 0, true, false},
        // A campaign the map does not know restarts as a first start, the
        // battle and the tank with it.
        {"side 9", rec(9, 7, 2), 1, 0, 2, true, true},
        {"front 200", rec(3, 200, 2), 3, 0, 2, true, true},
        {"all bits set", std::string(24, static_cast<char>(0xFF)), 1, 0, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(recordPath());
        if (std::string(c.what) != "missing")
            writeFile(recordPath(), c.bytes);
        ref<Campaign> camp = loaded();
        EXPECT_EQ(static_cast<int32_t>(camp->m_side), c.side);
        EXPECT_EQ(camp->m_front, c.front);
        EXPECT_EQ(camp->m_level, c.level);
        EXPECT_EQ(camp->m_mute, c.mute);
        // Armor 10, fuel and rounds 20, no battle; or the worn tank stored.
        const std::vector<int32_t> tank = c.freshTank ? std::vector<int32_t>{40, 20, 20, 0, 0}
                                                      : std::vector<int32_t>{13, 17, 9, 100, 200};
        for (int32_t k = 7; k <= 11; k++)
            EXPECT_EQ(slot(*camp, k), tank[static_cast<std::size_t>(k - 7)]) << k;
    }
}

// Only a missing record is a first start. One that is there but cannot be
// read (no permission, an I/O error, a folder or a pipe in its place) gives
// a first start in memory, one line, and is never written over.
TEST_F(GameTest, ARecordThatCannotBeReadIsNeverWrittenOver)
{
    const std::string good = recordBytes({3, 7, 2, 9, 0, 0, 0, 13, 17, 19, 100, 200, 0});
    auto check = [&](const std::string& what, const std::string& reason) {
        ref<Campaign> c;
        const std::string err = stderrOf([&] { c = loaded(); });
        EXPECT_EQ(lines(err), 1) << what << ": " << err;
        EXPECT_NE(err.find("cannot read " + recordPath() + " (" + reason + ")"), std::string::npos) << what << err;
        EXPECT_EQ(c->m_side, Side::Allied) << what;
        EXPECT_EQ(c->m_front, 0) << what;
        EXPECT_TRUE(c->m_keepStored) << what;
        ref<Vdisplay> display = new Vdisplay;
        c->m_front = 5;
        c->resetGame(Campaign::kFirstFront, display.get(), nullptr);
        c->prefSave(display.get(), nullptr);
    };
    for (int32_t err : {EIO, EACCES}) {
        writeFile(recordPath(), good);
        Vdisplay::failReads(err);
        check(std::strerror(err), std::strerror(err));
        Vdisplay::failReads(0);
        EXPECT_EQ(readFile(recordPath()), good);
    }
    if (::geteuid() != 0) {
        ::chmod(recordPath().c_str(), 0);
        check("no permission", std::strerror(EACCES));
        ::chmod(recordPath().c_str(), 0600);
        EXPECT_EQ(readFile(recordPath()), good);
    }
    fs::remove(recordPath());
    fs::create_directory(recordPath());
    check("a folder", "a folder is in its place");
    EXPECT_TRUE(fs::is_directory(recordPath()));
    fs::remove(recordPath());
    ASSERT_EQ(::mkfifo(recordPath().c_str(), 0600), 0);
    check("a pipe", "it is not a plain file");
    EXPECT_TRUE(fs::is_fifo(recordPath()));

    // The whole game: the sound switch and the stop both save, and neither writes.
    fs::remove(recordPath());
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
    const std::string whole = recordBytes({3, 7, 2, 9, 0, 0, 0, 13, 17, 19, 100, 200, 5});
    const std::string damaged = recordPath() + ".damaged";
    for (std::size_t n : {std::size_t(0), std::size_t(13), std::size_t(23), std::size_t(25), std::size_t(27)}) {
        writeFile(recordPath(), (whole + "xy").substr(0, n));
        ref<Campaign> c;
        const std::string err = stderrOf([&] { c = loaded(); });
        EXPECT_EQ(lines(err), 1) << n << err;
        EXPECT_NE(err.find(recordPath() + " has the wrong length"), std::string::npos) << err;
        EXPECT_EQ(c->m_side, Side::Allied) << n;
        EXPECT_EQ(c->m_front, 0) << n;
        EXPECT_EQ(slot(*c, 7), 40) << n;
        EXPECT_EQ(slot(*c, 10), 0) << n;
        EXPECT_FALSE(c->m_keepStored);
        EXPECT_FALSE(fs::exists(recordPath())) << n;
        EXPECT_EQ(readFile(damaged), (whole + "xy").substr(0, n)) << n;
        // The next save writes a whole record.
        ref<Vdisplay> display = new Vdisplay;
        c->prefSave(display.get(), nullptr);
        EXPECT_EQ(readFile(recordPath()).size(), 26u);
    }
    fs::remove(recordPath());
    {
        std::FILE* f = std::fopen(recordPath().c_str(), "wb");
        ASSERT_TRUE(f);
        std::fclose(f);
        fs::resize_file(recordPath(), 100 << 20);
    }
    ref<Campaign> c;
    stderrOf([&] { c = loaded(); });
    EXPECT_EQ(c->m_front, 0);
    EXPECT_EQ(fs::file_size(damaged), 100u << 20);
}

// Every slot is held to what the game itself can save: a record edited by
// hand cannot give an unwinnable battle, a full tank beyond the truck's, or
// a battle off the map.
TEST_F(GameTest, SlotsOutOfTheGamesRangeAreHeldToIt)
{
    ref<Tank> tank = new Tank;
    // Front 5, easy: 5 enemies at most.
    writeRecord({1, 5, 0, 65535, 0, 7, 0, 65535, 65535, 300, 9999, 9999, 65535});
    ref<Campaign> c = loaded();
    EXPECT_EQ(c->m_enemyCount, 5);
    EXPECT_TRUE(c->m_mute);
    c->loadTank(*tank);
    EXPECT_EQ(tank->m_fuel, Campaign::kMostFuel);
    EXPECT_EQ(tank->m_rounds, Campaign::kMostRounds);
    EXPECT_EQ(tank->m_damage, 40); // past destroyed: the fresh tank
    EXPECT_EQ(slot(*c, 10), 511);
    EXPECT_EQ(slot(*c, 11), 511);

    // An empty gun saved as -1 comes back empty; no battle has no place.
    writeRecord({2, 8, 2, 3, 0, 0, 0, 12, 0, 65535, 0, 300});
    c = loaded();
    c->loadTank(*tank);
    EXPECT_EQ(c->m_enemyCount, 3);
    EXPECT_EQ(tank->m_rounds, 0);
    EXPECT_EQ(tank->m_fuel, 0);
    EXPECT_EQ(tank->m_damage, 12);
    EXPECT_EQ(slot(*c, 11), 0);

    // No side chosen yet with a front of a far ring: the first start's front
    // 0 is the one whose battle bounds the enemies (found by fuzzing).
    writeRecord({0, 11, 0, 768, 0, 0, 0, 0, 0, 0, 0, 0});
    c = loaded();
    EXPECT_EQ(c->m_front, 0);
    EXPECT_LE(c->m_enemyCount, Campaign::enemyTotal(0, 0));
}

// Fuel keeps its fraction: save, load and save again is the same record;
// a record from before the fraction had a slot still reads.
TEST_F(GameTest, FuelKeepsItsFractionAndALostTankComesBackFresh)
{
    const std::string saved = recordBytes({2, 6, 1, 4, 0, 0, 0, 31, 21, 17, 140, 260, 0x5A5A});
    writeFile(recordPath(), saved);
    ref<Vdisplay> display = new Vdisplay;
    for (int32_t round = 0; round < 3; round++) {
        ref<Campaign> c = loaded();
        ref<Tank> tank = new Tank;
        c->loadTank(*tank);
        EXPECT_EQ(tank->m_fuel, 21 * 32768 + 0x5A5A);
        tank->m_wx = 140 * 32768 + 77;
        tank->m_wz = 260 * 32768;
        c->prefSave(display.get(), tank.get());
        EXPECT_EQ(readFile(recordPath()), saved) << round;
    }

    // The older record: whole units, read as they were.
    writeRecord({2, 6, 1, 4, 0, 0, 0, 50, 21, 17, 0, 0});
    ref<Campaign> c = loaded();
    ref<Tank> tank = new Tank;
    c->loadTank(*tank);
    EXPECT_EQ(tank->m_fuel, 21 * 32768);
    // Lost with damage 50: the tank restarts as a fresh one, armor 10.
    EXPECT_EQ(tank->m_damage, 40);
}

TEST_F(GameTest, SavingWritesSixteenBitSlotsAndKeepsThoseTheGameDoesNotOwn)
{
    writeRecord({2, 6, 1, 9, 1234, 0, 4321, 13, 17, 19, 100, 200});
    ref<Campaign> c = loaded();
    EXPECT_EQ(c->m_enemyCount, 9);
    c->m_side = Side::Soviet;
    c->m_front = 4;
    c->m_level = 2;
    c->m_mute = true;
    c->m_enemyCount = 300;
    // Slots are unsigned 16 bits; those outside the record are neither read nor written.
    c->prefWrite(Record::Slot(4), -1);
    c->prefWrite(Record::Slot(11), 0x12345);
    c->prefWrite(Record::Slot(13), 7);
    c->prefWrite(Record::Slot(-1), 7);
    EXPECT_EQ(slot(*c, 13), 0);
    EXPECT_EQ(slot(*c, -1), 0);
    ref<Vdisplay> display = new Vdisplay;
    c->prefSave(display.get(), nullptr);
    std::vector<int32_t> want = {3, 4, 2, 300, 65535, 1, 4321, 13, 17, 19, 100, 0x2345, 0};
    for (int32_t k = 0; k < 13; k++)
        EXPECT_EQ(storedSlot(k), want[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(readFile(recordPath()).size(), 26u);

    // A new campaign: the fresh tank and no battle in progress.
    c->resetGame(Campaign::kFirstFront, display.get(), nullptr);
    want = {3, 5, 2, 300, 65535, 1, 4321, 40, 20, 20, 0, 0, 0};
    for (int32_t k = 0; k < 13; k++)
        EXPECT_EQ(storedSlot(k), want[static_cast<std::size_t>(k)]) << k;
}
