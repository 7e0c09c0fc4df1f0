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
};

const Range kSounds[] = {{"music2", 2.0, 4.0},  {"music3", 1.5, 4.0}, {"shoot", 0.5, 2.5},   {"motor", 0.8, 1.3},
                         {"hit", 0.2, 2.0},     {"collide", 0.2, 1.5}, {"miss", 0.5, 3.0},   {"stinger", 0.3, 2.0},
                         {"stinger5", 0.1, 1.0}, {"turret2", 0.2, 1.5}};

TEST(Sounds, AreMono16BitPcmOfTheRightLengthWithoutClipsOrClicks)
{
    for (const Range& r : kSounds) {
        SCOPED_TRACE(r.name);
        std::vector<uint8_t> b = readBytes(dataDir() + "/" + r.name + ".wav");
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
        EXPECT_EQ(le(b, 4, 4), b.size() - 8);
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(le(b, 16, 4), 16u);
        EXPECT_EQ(le(b, 20, 2), 1u);  // PCM
        EXPECT_EQ(le(b, 22, 2), 1u);  // mono
        EXPECT_EQ(le(b, 24, 4), 22050u);
        EXPECT_EQ(le(b, 28, 4), 44100u);
        EXPECT_EQ(le(b, 32, 2), 2u);
        EXPECT_EQ(le(b, 34, 2), 16u);
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
        uint32_t bytes = le(b, 40, 4);
        ASSERT_EQ(bytes, b.size() - 44);
        size_t n = bytes / 2;
        double seconds = static_cast<double>(n) / 22050.0;
        EXPECT_GE(seconds, r.minSeconds);
        EXPECT_LE(seconds, r.maxSeconds);
        int32_t peak = 0;
        double energy = 0;
        for (size_t i = 0; i < n; ++i) {
            int32_t s = static_cast<int16_t>(le(b, 44 + 2 * i, 2));
            peak = std::max(peak, std::abs(s));
            energy += static_cast<double>(s) * s;
        }
        EXPECT_LT(peak, 32000) << "clipped";
        EXPECT_GT(peak, 8000) << "too quiet";
        EXPECT_GT(std::sqrt(energy / static_cast<double>(n)), 1500.0) << "too quiet";
        // Faded edges: it starts and ends at silence.
        EXPECT_LT(std::abs(static_cast<int16_t>(le(b, 44, 2))), 300);
        EXPECT_LT(std::abs(static_cast<int16_t>(le(b, 44 + 2 * (n - 1), 2))), 300);
    }
}

TEST(Sounds, GenerationIsDeterministic)
{
    ScratchDir dir("soundgen");
    ASSERT_TRUE(runTool("soundgen " + dir.str()));
    for (const Range& r : kSounds) {
        std::string file = std::string("/") + r.name + ".wav";
        EXPECT_EQ(readBytes(dir.str() + file), readBytes(dataDir() + file)) << file;
    }
    EXPECT_FALSE(runTool("soundgen " + dir.str() + "/missing/folder")) << "a write failure must be reported";
}

TEST(HelpText, IsPlainAsciiInShortParagraphsSeparatedByBlankLines)
{
    std::vector<uint8_t> b = readBytes(dataDir() + "/help.txt");
    EXPECT_EQ(b, readBytes(assetsDir() + "/help.txt"));
    ASSERT_FALSE(b.empty());
    std::string text(b.begin(), b.end());
    for (unsigned char c : text)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << static_cast<int32_t>(c);
    int32_t paragraphs = 0;
    bool previousBlank = true;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        bool blank = line.empty();
        if (!blank) {
            EXPECT_TRUE(previousBlank) << "paragraph without a blank line before it: " << line;
            EXPECT_LT(line.size(), 300u) << "paragraph too long for the page: " << line;
            ++paragraphs;
        }
        previousBlank = blank;
        start = end + 1;
    }
    EXPECT_GE(paragraphs, 20);
    for (const char* word : {"Enemy", "Rounds", "Fuel", "Armor", "truck", "Escape", "F11"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

} // namespace
