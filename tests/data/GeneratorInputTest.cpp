#include <gtest/gtest.h>

#include <cstdio>

#include "DataFiles.h"

namespace {

// Runs imagegen on an outline and returns what it printed; exit tells
// whether it succeeded.
std::string drawWithOutline(const ScratchDir& dir, const std::string& outline, bool& exit)
{
    std::string outlinePath = dir.str() + "/outline.txt";
    {
        std::ofstream out(outlinePath);
        out << outline;
    }
    std::string log = dir.str() + "/log.txt";
    exit = std::system((binDir() + "/imagegen " + dir.str() + " " + outlinePath + " > " + log).c_str()) == 0;
    std::vector<uint8_t> printed = readBytes(log);
    return std::string(printed.begin(), printed.end());
}

TEST(GeneratorInput, MalformedOutlinesAreRejectedWithAMessage)
{
    const char* bad[] = {
        "",                                        // nothing at all
        "land A\n1 50\n2 51\n3 50\n",              // no "end"
        "land A\n1 50\nend\n",                     // a single point
        "land A\n1 fifty\n2 51\nend\n",            // not a number
        "1 50\n",                                  // a point outside any shape
        "land A\n1 50\n2 51\nland B\n3 4\n5 6\nend\n",  // shape inside a shape
        "end\n",                                   // end without a shape
    };
    for (const char* outline : bad) {
        ScratchDir dir("outline");
        bool ok = true;
        std::string printed = drawWithOutline(dir, outline, ok);
        EXPECT_FALSE(ok) << "accepted: " << outline;
        EXPECT_NE(printed.find("outline.txt"), std::string::npos) << "no message naming the file: " << printed;
        EXPECT_FALSE(std::filesystem::exists(dir.path / "app0.bin")) << outline;
    }
    ScratchDir dir("outline");
    bool ok = true;
    std::string printed = drawWithOutline(dir, "# only a comment\nwater Sea\n0 40\n10 40\n10 60\nend\n", ok);
    EXPECT_TRUE(ok) << printed;
    EXPECT_TRUE(std::filesystem::exists(dir.path / "app0.bin"));
    EXPECT_FALSE(runTool("imagegen " + dir.str() + " " + dir.str() + "/no-such-outline.txt"));
    EXPECT_FALSE(runTool("imagegen")) << "usage errors exit non-zero";
}

} // namespace
