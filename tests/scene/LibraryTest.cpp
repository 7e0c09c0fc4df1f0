#include <gtest/gtest.h>

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

// n pixels alternating blue and green, each a two-byte colour: 2n + 1 bytes.
std::vector<uint8_t> alternating(int n)
{
    std::vector<uint8_t> p;
    for (int k = 0; k < n; k++) {
        p.push_back(k & 1 ? 0x03 : 0x00);
        p.push_back(k & 1 ? 0xE0 : 0x1F);
    }
    p.push_back(134);
    return p;
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
    EXPECT_FALSE(lib->free(64 + 1));
    EXPECT_TRUE(lib->m_lowMemory);
    EXPECT_EQ(loaded(), "10000");
    EXPECT_EQ(V::m_avail, avail + 64);
    EXPECT_EQ(lib->m_clock, 3);

    // Reloaded, then one marked used: eviction passes it over and stops when enough is freed.
    for (int k = 1; k < 5; k++)
        lib->loadPicture(k)->m_used = k == 2;
    lib->m_clock = 2;
    EXPECT_TRUE(lib->free(20));
    EXPECT_EQ(loaded(), "11100");
    EXPECT_EQ(lib->m_clock, 4);

    // preload does nothing once memory ran short; deletePicture gives the bytes back.
    lib->preload(3, 4);
    EXPECT_EQ(loaded(), "11100");
    avail = V::m_avail;
    lib->deletePicture(1);
    EXPECT_EQ(V::m_avail, avail + 16);
    lib->unload(-5, 50);
    EXPECT_EQ(loaded(), "00000");
    ref<Vpicture> again = lib->loadPicture(0);
    ASSERT_TRUE(again);
    EXPECT_EQ(static_cast<uint32_t>(again->m_pixels[0]), 0xF30000F8u);
}

TEST_F(LibraryTest, MalformedLibrariesAreRejectedWithoutHarm)
{
    Array<int32_t> screen(16 * 16);
    // Opens the bytes as a library; what it printed must contain why.
    auto openBad = [&](const char* name, const std::vector<uint8_t>& bytes, const char* why) {
        writePages(m_dir.path, name, bytes);
        testing::internal::CaptureStderr();
        ref<Vilib> lib = open(name);
        std::string out = testing::internal::GetCapturedStderr();
        EXPECT_NE(out.find(why), std::string::npos) << out;
        return lib;
    };
    auto expectReject = [&](ref<Vilib>& lib, int32_t k, const char* why) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(lib->loadPicture(k)) << why;
        EXPECT_FALSE(lib->drawPicture(k, screen, 16, 16, 0, 0, 16, 16, 0, 0, 32768, 0, 32768));
        std::string out = testing::internal::GetCapturedStderr();
        EXPECT_NE(out.find(why), std::string::npos) << out;
    };

    // Huge width, zero size, a record longer than the work buffer, run-length
    // data overrunning its picture, and an index outside the library.
    ref<Vilib> lib = openBad("bad",
                             libraryStream({rawHeader(), record('r', 100000, 2, {134}), record('r', 0, 5, {134}),
                                            record('r', 30, 30, std::vector<uint8_t>(200, 150)),
                                            record('r', 2, 2, std::vector<uint8_t>(20, 150))},
                                           623 + 100),
                             "");
    ASSERT_EQ(lib->m_count, 5);
    expectReject(lib, 1, "impossible size");
    expectReject(lib, 2, "impossible size");
    expectReject(lib, 3, "longer than the work buffer");
    expectReject(lib, 7, "no picture 7");
    expectReject(lib, -1, "no picture -1");
    testing::internal::CaptureStderr();
    ref<Vpicture> p4 = lib->loadPicture(4);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("longer than"), std::string::npos);
    ASSERT_TRUE(p4); // decoded as far as it fits
    EXPECT_EQ(p4->m_pixels.length, 4);

    // A page cut short: the directory is intact, the record is not.
    auto stream = libraryStream({rawHeader(), record('o', 8, 8, flatRle(8, 8, 1, 2))}, 800);
    stream.resize(stream.size() - 20);
    ref<Vilib> cut = openBad("cut", stream, "");
    ASSERT_EQ(cut->m_count, 2);
    expectReject(cut, 1, "truncated");

    // A directory that runs past the end of the file, and an absurd picture count.
    auto dir = libraryStream({rawHeader(), rawHeader()}, 700);
    dir.resize(9);
    ref<Vilib> broken = openBad("dir", dir, "runs past the end");
    EXPECT_EQ(broken->m_count, 0);
    EXPECT_FALSE(broken->drawPicture(0, screen, 16, 16, 0, 0, 16, 16, 0, 0, 32768, 0, 32768));
    std::vector<uint8_t> huge;
    Varint::put(huge, 0x7FFFFFF);
    Varint::put(huge, 700);
    EXPECT_EQ(openBad("huge", huge, "bad directory")->m_count, 0);

    // A missing library is named where it was looked for.
    testing::internal::CaptureStderr();
    EXPECT_EQ(open("none")->m_count, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Could not open image library " + (m_dir.path / "none0.bin").string()),
              std::string::npos);

    // A missing second page: the record there is rejected, not read as garbage.
    writePages(m_dir.path, "lost", libraryStream({rawHeader(), record('r', 200, 200, alternating(40000))}, 90000));
    std::filesystem::remove(m_dir.path / "lost1.bin");
    ref<Vilib> lost = open("lost");
    ASSERT_EQ(lost->m_count, 2);
    expectReject(lost, 1, "truncated");
}

TEST_F(LibraryTest, CountsAndSizesAreCheckedAgainstTheBytesPresentBeforeAllocating)
{
    auto quietly = [](auto f) {
        testing::internal::CaptureStderr();
        f();
        return testing::internal::GetCapturedStderr();
    };
    // A thousand pictures announced in a file of a few bytes.
    std::vector<uint8_t> many;
    Varint::put(many, 1000);
    Varint::put(many, 700);
    many.insert(many.end(), 20, 1);
    writePages(m_dir.path, "many", many);
    ref<Vilib> lib;
    EXPECT_NE(quietly([&] { lib = open("many"); }).find("bad directory"), std::string::npos);
    EXPECT_EQ(lib->m_count, 0);

    // A work buffer of 16 MB announced for a small library: it gets what its
    // largest record can use.
    writePages(m_dir.path, "wide", libraryStream({rawHeader(), record('o', 2, 2, flatRle(2, 2, 1, 2))}, 16000000));
    lib = open("wide");
    ASSERT_EQ(lib->m_count, 2);
    EXPECT_EQ(lib->m_scratch.length, 623 + lib->m_offsets[1] - lib->m_offsets[0]);
    EXPECT_TRUE(lib->loadPicture(1));

    // Pictures of millions of pixels in a few bytes are refused before their
    // pixels are allocated; the densest real run-length data still loads.
    writePages(m_dir.path, "dense",
               libraryStream({rawHeader(), record('r', 4096, 4096, {134, 248, 134}),
                              record('j', 2000, 2000, std::vector<uint8_t>(101, 0)), record('r', 47, 1, {134, 248, 134})},
                             2000));
    lib = open("dense");
    ASSERT_EQ(lib->m_count, 4);
    const int32_t avail = V::m_avail;
    for (int32_t k : {1, 2})
        EXPECT_NE(quietly([&] { EXPECT_FALSE(lib->loadPicture(k)); }).find("too little data"), std::string::npos) << k;
    EXPECT_EQ(V::m_avail, avail);
    ref<Vpicture> run = lib->loadPicture(3);
    ASSERT_TRUE(run);
    EXPECT_EQ(static_cast<uint32_t>(run->m_pixels[0]), 0x0F000000u);
    EXPECT_EQ(static_cast<uint32_t>(run->m_pixels[46]), 0u);
}
