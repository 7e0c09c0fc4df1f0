#include <gtest/gtest.h>

#include "DataFiles.h"

TEST(GeneratorInput, MalformedOutlinesAreRejectedWithAMessage)
{
    TempDir dir("outline");
    // Runs imagegen on an outline; its exit status, with what it printed in out.
    auto draw = [&](const std::string& outline, std::string& out) {
        std::filesystem::remove(dir.file("app0.bin"));
        writeFile(dir.file("outline.txt"), outline);
        return runCommand(binDir() + "/imagegen " + dir.str() + " " + dir.file("outline.txt"), out);
    };
    const char* bad[] = {
        "",                                            // nothing at all
        "land A\n1 50\n2 51\n3 50\n",                  // no "end"
        "land A\n1 50\nend\n",                         // a single point
        "land A\n1 fifty\n2 51\nend\n",                // not a number
        "1 50\n",                                      // a point outside any shape
        "land A\n1 50\n2 51\nland B\n3 4\n5 6\nend\n", // shape inside a shape
        "end\n",                                       // end without a shape
    };
    std::string out;
    for (const char* outline : bad) {
        EXPECT_NE(draw(outline, out), 0) << "accepted: " << outline;
        EXPECT_NE(out.find("outline.txt"), std::string::npos) << "no message naming the file: " << out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("app0.bin"))) << outline;
    }
    EXPECT_EQ(draw("# only a comment\nwater Sea\n0 40\n10 40\n10 60\nend\n", out), 0) << out;
    EXPECT_TRUE(std::filesystem::exists(dir.file("app0.bin")));
    EXPECT_FALSE(runTool("imagegen " + dir.str() + " " + dir.str() + "/no-such-outline.txt"));
    EXPECT_FALSE(runTool("imagegen")) << "usage errors exit non-zero";
}
