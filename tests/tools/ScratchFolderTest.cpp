#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ScratchFolder.h"
#include "support/Files.h"

namespace fs = std::filesystem;

// Each folder has a name nobody could have guessed, is its owner's alone, and
// goes with all it holds; a link inside it is removed, not what it points to.
TEST(ScratchFolder, IsPrivateUnguessableAndRemovedWithoutFollowingLinks)
{
    TempDir outside("scratch-outside");
    const std::string kept = outside.file("kept");
    writeFile(kept, "the player's file");
    fs::path first, second;
    {
        ScratchFolder a("test"), b("test");
        ASSERT_TRUE(a.made() && b.made());
        first = a.path(), second = b.path();
        EXPECT_NE(first, second);
        EXPECT_EQ(first.filename().string().rfind("korvath-test-", 0), 0u) << first;
        struct stat st{};
        ASSERT_EQ(::lstat(first.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        fs::create_symlink(kept, first / "link");
        fs::create_directory_symlink(outside.path, first / "folder-link");
        writeFile((first / "file").string(), "x");
    }
    EXPECT_FALSE(fs::exists(first) || fs::exists(second));
    EXPECT_EQ(readFile(kept), "the player's file");
}
