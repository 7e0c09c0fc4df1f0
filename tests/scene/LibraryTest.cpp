#include <gtest/gtest.h>

#include <tuple>

#include "support/LibraryFiles.h"

namespace {

// A raw record 0 with a stand-in header, then run-length pictures.
std::vector<uint8_t> rawHeader()
{
    return record('h', 0, 0, std::vector<uint8_t>(623, 0x5A));
}

// w x h opaque pixels of one 15-bit colour, as a run-length payload.
std::vector<uint8_t> flatRle(uint32_t w, uint32_t h, uint8_t hi, uint8_t lo)
{
    std::vector<uint8_t> p = {hi, lo};
    p.insert(p.end(), w * h - 1, 150);
    p.push_back(134);
    return p;
}

// What f printed to the error stream.
template <class F>
std::string printed(F f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

} // namespace

TEST_F(LibraryTest, EvictionClockGivesASecondChance)
{
    std::vector<std::vector<uint8_t>> recs;
    for (int k = 0; k < 5; k++)
        recs.push_back(record('o', 2, 2, flatRle(2, 2, 0x00, static_cast<uint8_t>(k ? k : 0x1F))));
    writePages(m_dir.path, "clk", libraryStream(recs, 700));
    ref<Vilib> lib = open("clk");
    auto loaded = [&] {
        std::string s;
        for (int k = 0; k < 5; k++)
            s += lib->m_pictures[k] ? '1' : '0';
        return s;
    };
    lib->preload(0, 10);
    ASSERT_EQ(loaded(), "11111");
    int32_t avail = V::m_avail;

    // Every picture used: the first sweep only clears marks, the second evicts
    // (never picture 0), and 64 bytes cannot be found in four 16-byte pictures.
    lib->m_clock = 3;
    EXPECT_TRUE(!lib->free(64 + 1) && lib->m_lowMemory);
    EXPECT_EQ(std::tuple(loaded(), V::m_avail, lib->m_clock), std::tuple("10000", avail + 64, 3));

    // Reloaded, then one marked used: eviction passes it over and stops when enough is freed.
    for (int k = 1; k < 5; k++)
        lib->loadPicture(k)->m_used = k == 2;
    lib->m_clock = 2;
    EXPECT_TRUE(lib->free(20));
    EXPECT_EQ(std::pair(loaded(), lib->m_clock), std::pair(std::string("11100"), 4));

    // preload does nothing once memory ran short; deletePicture gives the bytes back.
    lib->preload(3, 4);
    EXPECT_EQ(loaded(), "11100");
    avail = V::m_avail;
    lib->deletePicture(1);
    EXPECT_EQ(V::m_avail, avail + 16);
    lib->unload(-5, 50);
    EXPECT_EQ(loaded(), "00000");
    ASSERT_TRUE(lib->loadPicture(0));
    EXPECT_EQ(static_cast<uint32_t>(lib->m_pictures[0]->m_pixels[0]), 0xF30000F8u);
}

// Malformed libraries are refused with a line saying why, and counts and
// sizes are checked against the bytes present before anything is allocated
// (how much a library may allocate for its bytes is the fuzzer's check).
TEST_F(LibraryTest, MalformedLibrariesAreRejectedWithoutHarm)
{
    Array<int32_t> screen(16 * 16);
    auto openBad = [&](const char* name, const std::vector<uint8_t>& bytes, const char* why) {
        writePages(m_dir.path, name, bytes);
        ref<Vilib> lib;
        EXPECT_NE(printed([&] { lib = open(name); }).find(why), std::string::npos) << why;
        return lib;
    };
    auto expectReject = [&](ref<Vilib>& lib, int32_t k, const char* why) {
        const int32_t avail = V::m_avail;
        EXPECT_NE(printed([&] {
            EXPECT_FALSE(lib->loadPicture(k)) << why;
            EXPECT_FALSE(lib->drawPicture(k, screen, 16, 16, 0, 0, 16, 16, 0, 0, 32768, 0, 32768));
        }).find(why), std::string::npos) << why;
        EXPECT_EQ(V::m_avail, avail) << why;
    };

    // Huge width, zero size, a record longer than the work buffer, run-length
    // data overrunning its picture, an index outside the library, and
    // pictures of millions of pixels in a few bytes.
    ref<Vilib> lib = openBad("bad",
                             libraryStream({rawHeader(), record('r', 100000, 2, {134}), record('r', 0, 5, {134}),
                                            record('r', 30, 30, std::vector<uint8_t>(200, 150)),
                                            record('r', 2, 2, std::vector<uint8_t>(20, 150)),
                                            record('r', 4096, 4096, {134, 248, 134}),
                                            record('j', 2000, 2000, std::vector<uint8_t>(101, 0)),
                                            record('r', 47, 1, {134, 248, 134})},
                                           623 + 100),
                             "");
    ASSERT_EQ(lib->m_count, 8);
    for (auto [k, why] : {std::pair{1, "impossible size"}, {2, "impossible size"}, {3, "longer than the work buffer"},
                          {9, "no picture 9"}, {-1, "no picture -1"}, {5, "too little data"}, {6, "too little data"}})
        expectReject(lib, k, why);
    ref<Vpicture> p4;
    EXPECT_NE(printed([&] { p4 = lib->loadPicture(4); }).find("longer than"), std::string::npos);
    ASSERT_TRUE(p4); // decoded as far as it fits
    EXPECT_EQ(p4->m_pixels.length, 4);
    // The densest real run-length data still loads.
    ref<Vpicture> run = lib->loadPicture(7);
    ASSERT_TRUE(run);
    EXPECT_EQ(std::pair(run->m_pixels[0], run->m_pixels[46]), std::pair(0x0F000000, 0));

    // A page cut short: the directory is intact, the record is not (a page
    // missing altogether ends the stream as well: see the page tests).
    auto stream = libraryStream({rawHeader(), record('o', 8, 8, flatRle(8, 8, 1, 2))}, 800);
    stream.resize(stream.size() - 20);
    ref<Vilib> cut = openBad("cut", stream, "");
    ASSERT_EQ(cut->m_count, 2);
    expectReject(cut, 1, "truncated");
    // A directory that runs past the end of the file, an absurd picture
    // count, and a thousand pictures announced in a file of a few bytes.
    auto dir = libraryStream({rawHeader(), rawHeader()}, 700);
    dir.resize(9);
    ref<Vilib> broken = openBad("dir", dir, "runs past the end");
    EXPECT_EQ(broken->m_count, 0);
    EXPECT_FALSE(broken->drawPicture(0, screen, 16, 16, 0, 0, 16, 16, 0, 0, 32768, 0, 32768));
    for (uint32_t count : {0x7FFFFFFu, 1000u}) {
        std::vector<uint8_t> many;
        Varint::put(many, count);
        Varint::put(many, 700);
        many.insert(many.end(), 20, 1);
        EXPECT_EQ(openBad("many", many, "bad directory")->m_count, 0);
    }

    // A missing library is named where it was looked for.
    EXPECT_NE(printed([&] { EXPECT_EQ(open("none")->m_count, 0); })
                  .find("Could not open image library " + (m_dir.path / "none0.bin").string()),
              std::string::npos);
}
