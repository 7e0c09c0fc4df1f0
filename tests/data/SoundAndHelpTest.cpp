#include <gtest/gtest.h>

#include <cmath>

#include "DataFiles.h"

namespace {

uint32_t le(const std::vector<uint8_t>& b, size_t at, int32_t bytes)
{
    uint32_t v = 0;
    for (int32_t i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

struct Range {
    const char* name = "";
    double minSeconds = 0, maxSeconds = 0;
    // Played over and over: its end runs on into its start. A steady loop
    // (the engine) holds its level to both ends, not fading at the seam.
    bool loops = false, steady = false;
};

const Range kSounds[] = {{"music2", 2.0, 4.0}, {"music3", 1.5, 4.0},  {"shoot", 0.5, 2.5},    {"motor", 0.8, 1.3, true, true},
                         {"hit", 0.2, 2.0},    {"collide", 0.2, 1.5}, {"miss", 0.5, 3.0},     {"stinger", 0.3, 2.0},
                         {"stinger5", 0.1, 1.0}, {"turret2", 0.2, 1.5}, {"click", 0.05, 0.2}, {"music4", 12.0, 20.0, true}};

double rms(const std::vector<int32_t>& s, size_t from, size_t to)
{
    double energy = 0;
    for (size_t i = from; i < to; ++i)
        energy += static_cast<double>(s[i]) * s[i];
    return std::sqrt(energy / static_cast<double>(std::max<size_t>(to - from, 1)));
}

TEST(Sounds, AreMono16BitPcmOfTheRightLengthWithoutClipsOrClicks)
{
    // RIFF size aside: WAVE, a 16-byte PCM format of one channel at 22050 Hz
    // (44100 bytes a second, 2 a frame, 16 bits), then the data chunk.
    const std::string format("WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x44\xAC\0\0\x02\0\x10\0data", 32);
    for (const Range& r : kSounds) {
        SCOPED_TRACE(r.name);
        std::string text = readFile(dataDir() + "/" + r.name + ".wav");
        std::vector<uint8_t> b(text.begin(), text.end());
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(text.substr(0, 4), "RIFF");
        EXPECT_EQ(le(b, 4, 4), b.size() - 8);
        EXPECT_EQ(text.substr(8, 32), format);
        ASSERT_EQ(le(b, 40, 4), b.size() - 44);
        size_t n = (b.size() - 44) / 2;
        double seconds = static_cast<double>(n) / 22050.0;
        EXPECT_TRUE(seconds >= r.minSeconds && seconds <= r.maxSeconds) << seconds;
        std::vector<int32_t> s(n);
        int32_t peak = 0;
        for (size_t i = 0; i < n; ++i) {
            s[i] = static_cast<int16_t>(le(b, 44 + 2 * i, 2));
            peak = std::max(peak, std::abs(s[i]));
        }
        EXPECT_LT(peak, 32000) << "clipped";
        EXPECT_GT(peak, 8000) << "too quiet";
        EXPECT_GT(rms(s, 0, n), 1500.0) << "too quiet";
        if (!r.loops) {
            // Faded edges: it starts and ends at silence.
            EXPECT_TRUE(std::abs(s[0]) < 300 && std::abs(s[n - 1]) < 300) << s[0] << " " << s[n - 1];
            continue;
        }
        // The step from the last sample to the first is one like those
        // within the sound, not a click.
        double steps = 0;
        for (size_t i = 1; i < n; ++i)
            steps += static_cast<double>(s[i] - s[i - 1]) * (s[i] - s[i - 1]);
        EXPECT_LE(std::abs(s[0] - s[n - 1]), std::max(4 * std::sqrt(steps / static_cast<double>(n - 1)), 300.0));
        if (r.steady) {
            const size_t tenth = 2205;
            EXPECT_NEAR(rms(s, 0, tenth) / rms(s, 0, n), 1.0, 0.35) << "the start fades";
            EXPECT_NEAR(rms(s, n - tenth, n) / rms(s, 0, n), 1.0, 0.35) << "the end fades";
        }
    }
}

// Each generator makes the same files on every run.
TEST(Generators, WriteTheSameFilesEveryTimeAndReportAFailedWrite)
{
    const std::pair<const char*, std::string> tools[] = {{"imagegen", " " + assetsDir() + "/europe.txt"}, {"soundgen", ""}};
    for (const auto& [tool, args] : tools) {
        SCOPED_TRACE(tool);
        TempDir dir(tool);
        ASSERT_TRUE(runTool(tool + (" " + dir.str()) + args));
        int32_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path)) {
            EXPECT_EQ(readFile(e.path().string()), readFile(dataDir() + "/" + e.path().filename().string())) << e.path();
            files++;
        }
        EXPECT_GT(files, 1);
    }
    EXPECT_FALSE(runTool("soundgen /nonexistent/folder")) << "a write failure must be reported";
}

TEST(HelpText, IsTheAssetCopiedAsPlainAscii)
{
    std::string text = readFile(dataDir() + "/help.txt");
    EXPECT_EQ(text, readFile(assetsDir() + "/help.txt"));
    for (unsigned char c : text)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << static_cast<int32_t>(c);
}

} // namespace
