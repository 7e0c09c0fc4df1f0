#include "GameTest.h"

namespace {

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
        {"empty", "", 1, 0, 0, false, true},
        {"full", rec(3, 7, 2), 3, 7, 2, true, false},
        {"longer than the record", rec(3, 7, 2) + "trailing bytes", 3, 7, 2, true, false},
        {"short: side and half the front", std::string("\x02\x00\x04", 3), 2, 4, 0, false, false},
        {"level 5", rec(3, 7, 5), 3, 7, 0, true, false},
        // A campaign the map does not know restarts as a first start, the
        // battle and the tank with it.
        {"side 9", rec(9, 7, 2), 1, 0, 2, true, true},
        {"front 200", rec(3, 200, 2), 3, 0, 2, true, true},
        {"all bits set", std::string(24, static_cast<char>(0xFF)), 1, 0, 0, true, true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(recordPath());
        if (std::string(c.what) != "missing")
            writeFile(recordPath(), c.bytes);
        ref<Campaign> camp = loaded();
        EXPECT_EQ(static_cast<int32_t>(camp->m_side), c.side) << c.what;
        EXPECT_EQ(camp->m_front, c.front) << c.what;
        EXPECT_EQ(camp->m_level, c.level) << c.what;
        EXPECT_EQ(camp->m_mute, c.mute) << c.what;
        if (c.freshTank) {
            EXPECT_EQ(slot(*camp, 7), 40) << c.what; // armor 10
            EXPECT_EQ(slot(*camp, 8), 20) << c.what;
            EXPECT_EQ(slot(*camp, 9), 20) << c.what;
            EXPECT_EQ(slot(*camp, 10), 0) << c.what;
            EXPECT_EQ(slot(*camp, 11), 0) << c.what;
        } else if (c.bytes.size() == 24) {
            EXPECT_EQ(slot(*camp, 7), 13) << c.what;
            EXPECT_EQ(slot(*camp, 8), 17) << c.what;
            EXPECT_EQ(slot(*camp, 10), 100) << c.what;
        }
    }
    // A folder where the record should be reads as no record.
    std::filesystem::remove(recordPath());
    std::filesystem::create_directory(recordPath());
    ref<Campaign> camp = loaded();
    EXPECT_EQ(camp->m_side, Side::Allied);
    EXPECT_EQ(camp->m_front, 0);
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
    c->prefWrite(Record::Slot(12), 7);
    c->prefWrite(Record::Slot(-1), 7);
    EXPECT_EQ(slot(*c, 12), 0);
    EXPECT_EQ(slot(*c, -1), 0);
    ref<Vdisplay> display = new Vdisplay;
    c->prefSave(display.get(), nullptr);
    std::vector<int32_t> want = {3, 4, 2, 300, 65535, 1, 4321, 13, 17, 19, 100, 0x2345};
    for (int32_t k = 0; k < 12; k++)
        EXPECT_EQ(storedSlot(k), want[static_cast<std::size_t>(k)]) << k;
    EXPECT_EQ(readFile(recordPath()).size(), 24u);

    // A new campaign: the fresh tank and no battle in progress.
    c->resetGame(Campaign::kFirstFront, display.get(), nullptr);
    want = {3, 5, 2, 300, 65535, 1, 4321, 40, 20, 20, 0, 0};
    for (int32_t k = 0; k < 12; k++)
        EXPECT_EQ(storedSlot(k), want[static_cast<std::size_t>(k)]) << k;
}
