#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostOptions.h"

using Folders = std::vector<std::string>;

// Beside the program first, so a build tree never plays an installed game's
// data; then the install tree the program sits in, wherever it was moved;
// then the prefix it was built for, unless that is the same folder.
TEST(DataFolder, TheBuildTreeComesBeforeTheInstallTreeAndTheBuiltInPrefix)
{
    EXPECT_EQ(HostOptions::dataDirSearch("/opt/game/bin/korvath", "/usr/local/share/korvath"),
              (Folders{"/opt/game/bin/data", "/opt/game/share/korvath", "/usr/local/share/korvath"}));
    EXPECT_EQ(HostOptions::dataDirSearch("/usr/bin/korvath-headless", "/usr/share/korvath"),
              (Folders{"/usr/bin/data", "/usr/share/korvath"}));
    EXPECT_EQ(HostOptions::dataDirSearch("/usr/bin/korvath", "/usr//share/./korvath"),
              (Folders{"/usr/bin/data", "/usr/share/korvath"}));
    EXPECT_EQ(HostOptions::dataDirSearch("/home/p/korvath/build/bin/korvath", ""),
              (Folders{"/home/p/korvath/build/bin/data", "/home/p/korvath/build/share/korvath"}));
}

// This test program lives in the build tree's bin folder, beside the data.
TEST(DataFolder, TheRunningProgramFindsTheBuildTreesData)
{
    Folders tried;
    const std::string found = HostOptions::defaultDataDir(tried);
    EXPECT_TRUE(std::filesystem::equivalent(found, KORVATH_DATA_DIR)) << found;
    ASSERT_FALSE(tried.empty());
    EXPECT_EQ(tried.front(), found);
}
