#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/Pixels.h"

namespace {

// korvath-headless --viewer name with a script, in a folder of its own.
struct Viewer {
    explicit Viewer(const std::string& name, const std::string& script) : dir("viewer")
    {
        writeFile(dir.file("s.txt"), script);
        status = runCommand("cd " + dir.str() + " && " KORVATH_RUN KORVATH_BIN_DIR "/korvath-headless --viewer " + name +
                                " --script s.txt --until 20000",
                            out);
    }
    Frame shot(const std::string& file) const { return Frame::read(dir.file(file)); }

    TempDir dir;
    int32_t status = -1;
    std::string out;
};

int32_t meshPixels(const Frame& f) { return f.w * f.h - f.count(f.at(0, 0)); }

} // namespace

TEST(Viewer, ShowsTheMeshTurnsItOnTheArrowsAndLeavesOnEscape)
{
    Viewer v("Tiger_Tank", "at 600 shot a.png\n"
                           "at 700 key left\nat 800 key left\nat 900 key left\nat 1000 key left\n"
                           "at 1200 shot b.png\n"
                           "at 1300 key '-'\nat 1400 key '-'\nat 1500 key '-'\nat 1700 shot c.png\n"
                           "at 1800 key esc\n");
    // Escape ends the program long before --until: no command is left over.
    EXPECT_TRUE(v.status == 0 && v.out.empty()) << v.status << " " << v.out;
    Frame a = v.shot("a.png"), b = v.shot("b.png"), c = v.shot("c.png");
    ASSERT_EQ(a.w, 480);
    // The hull fills much of the view, turning changes it, backing off
    // makes it smaller.
    EXPECT_GT(meshPixels(a), 480 * 320 / 4);
    EXPECT_GT(a.differences(b), 5000);
    EXPECT_LT(meshPixels(c), meshPixels(b));
}

TEST(Viewer, AnUnknownMeshIsNamedAndShowsNothing)
{
    Viewer v("Panther", "at 500 shot a.png\nat 600 key esc\n");
    EXPECT_EQ(v.status, 0);
    EXPECT_NE(v.out.find("no mesh named Panther"), std::string::npos) << v.out;
    Frame a = v.shot("a.png");
    ASSERT_EQ(a.w, 480); // a missing shot has no pixel to compare with
    EXPECT_EQ(meshPixels(a), 0);
}
