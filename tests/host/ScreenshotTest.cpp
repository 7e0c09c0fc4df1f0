#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Png.h"
#include "Screenshot.h"
#include "support/Files.h"

namespace {

// Sets an environment variable for the life of the object, then puts the
// old value back.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::vector<std::filesystem::path> pictures(const std::string& dir)
{
    std::vector<std::filesystem::path> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        out.push_back(e.path());
    // In the order taken: by time, and "-2" after the first of its second.
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        const std::string x = a.filename().string(), y = b.filename().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return out;
}

} // namespace

TEST(Screenshot, ThePicturesFolderAndTheFileNames)
{
    TempDir home("shot-home");
    EnvVar h("HOME", home.str().c_str());
    EnvVar config("XDG_CONFIG_HOME", nullptr);
    {
        EnvVar pics("XDG_PICTURES_DIR", "/srv/pictures");
        EXPECT_EQ(Screenshot::folder(), "/srv/pictures/Korvath");
    }
    EnvVar pics("XDG_PICTURES_DIR", "relative/is/ignored");
    EXPECT_EQ(Screenshot::folder(), home.str() + "/Pictures/Korvath");
    std::filesystem::create_directories(home.file(".config"));
    writeFile(home.file(".config/user-dirs.dirs"),
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    EXPECT_EQ(Screenshot::folder(), home.str() + "/Bilder/Korvath");

    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = 7, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 3;
    EXPECT_EQ(Screenshot::fileName(t, 0), "korvath-2026-12-07-09-05-03.png");
    EXPECT_EQ(Screenshot::fileName(t, 1), "korvath-2026-12-07-09-05-03-2.png");
}

// F12 in a headless run: the frame on screen, as the script's shot writes
// it, in the pictures folder; a second one in the same second gets a name of
// its own and shows the note of the first.
TEST(Screenshot, F12SavesTheFrameOnScreenAsAPng)
{
    TempDir dir("shot-run");
    const std::string script = dir.file("script.txt");
    writeFile(script, "at 4500 key f12\nat 4500 shot " + dir.file("shot.png") + "\nat 4600 key f12\n");
    std::string out;
    ASSERT_EQ(runCommand("XDG_PICTURES_DIR=" + dir.file("pics") + " " + std::string(KORVATH_BIN_DIR) +
                             "/korvath-headless --script " + script + " --until 4800",
                         out),
              0)
        << out;
    const std::vector<std::filesystem::path> shots = pictures(dir.file("pics/Korvath"));
    ASSERT_EQ(shots.size(), 2u) << out;
    EXPECT_EQ(shots[0].extension(), ".png");
    int32_t w = 0, h = 0, sw = 0, sh = 0, w2 = 0, h2 = 0;
    std::vector<uint32_t> first, shot, second;
    ASSERT_TRUE(Png::read(shots[0].string(), w, h, first));
    ASSERT_TRUE(Png::read(dir.file("shot.png"), sw, sh, shot));
    ASSERT_TRUE(Png::read(shots[1].string(), w2, h2, second));
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 320);
    EXPECT_EQ(first, shot);
    EXPECT_NE(second, first); // "Screenshot saved" is on it
}
