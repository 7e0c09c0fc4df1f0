#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "host/Vdisplay.h"
#include "support/FakeHost.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

// The files an older game kept in ~/.config/korvath that move, and where to.
const std::pair<std::string, std::string> kMoves[] = {
    {"korvath", ".local/share/korvath/"},        {"korvath.damaged", ".local/share/korvath/"},
    {"replays/1.replay", ".local/share/korvath/"}, {"replays/2.replay", ".local/share/korvath/"},
    {"korvath-battle", ".local/state/korvath/"},  {"window", ".local/state/korvath/"}};

// A player's home, the XDG variables unset (and put back afterwards).
class PrefsFolders : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"}) {
            const char* was = std::getenv(name);
            m_saved.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
            ::unsetenv(name);
        }
        ::setenv("HOME", m_home.str().c_str(), 1);
    }
    void TearDown() override
    {
        for (const auto& [name, was] : m_saved)
            was ? ::setenv(name.c_str(), was->c_str(), 1) : ::unsetenv(name.c_str());
        Vdisplay::setPrefsDir("");
    }

    std::string old(const std::string& name) const { return m_home.file(".config/korvath/" + name); }
    void writeOldFiles() const
    {
        fs::remove_all(m_home.path / ".local");
        fs::create_directories(old("replays"));
        for (const auto& [name, to] : kMoves)
            writeFile(old(name), "bytes of " + name);
        writeFile(old("options"), "options");
    }
    // Each file whole in its old place or its new one (moved: the new one alone).
    void expectNothingLost(bool moved = false) const
    {
        for (const auto& [name, to] : kMoves) {
            const std::string now = m_home.file(to + name), want = "bytes of " + name;
            EXPECT_TRUE(readFile(now) == want || (!moved && !fs::exists(now) && readFile(old(name)) == want)) << name;
            EXPECT_TRUE(!moved || !fs::exists(old(name))) << name;
        }
        EXPECT_EQ(readFile(old("options")), "options");
    }

    TempDir m_home{"home"};
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// Moves the old files in a child that dies (as a kill would) at its n-th
// change stored: true when it died before it finished.
bool moveKilledAt(int32_t n)
{
    struct DyingHost : FakeHost {
        void stored() override
        {
            if (--m_left == 0)
                ::kill(::getpid(), SIGKILL);
        }
        int32_t m_left = 0;
    };
    const pid_t pid = ::fork();
    if (pid == 0) {
        DyingHost host;
        host.m_left = n;
        Vdisplay::moveOldFiles();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

// Each kind of file in its folder by the XDG rules: a variable set to an
// absolute path, else the folder under $HOME (empty or relative counts as
// unset).
TEST_F(PrefsFolders, EachKindOfFileIsKeptInTheFolderTheXdgRulesGiveIt)
{
    ::setenv("XDG_CONFIG_HOME", m_home.file("conf").c_str(), 1);
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("XDG_STATE_HOME", "", 1);
    EXPECT_EQ(Vdisplay::replaysFolder(), m_home.file(".local/share/korvath/replays"));
    const int8_t bytes[] = {4, 2};
    for (const char* file : {"conf/korvath/options", ".local/share/korvath/korvath",
                             ".local/state/korvath/korvath-battle", ".local/state/korvath/window"}) {
        ASSERT_TRUE(Vdisplay::storeRecord(fs::path(file).filename().string(), bytes, 2)) << file;
        EXPECT_EQ(readFile(m_home.file(file)), "\4\2") << file;
    }
}

// Nothing moves twice, nor with one folder for every kind (and nothing is
// removed as if it had); a link (to a dotfiles folder) moves as the link. A file in both places is the new
// one's: the old one goes when it is the same (a move stopped after its
// copy) and stays, with a line, when it differs or cannot be read.
TEST_F(PrefsFolders, TheOldFilesMoveOnceAndNoneIsReplacedOrLost)
{
    writeOldFiles();
    fs::create_directories(m_home.file("dotfiles"));
    fs::rename(old("window"), m_home.file("dotfiles/window"));
    fs::create_symlink("../../dotfiles/window", old("window"));
    EXPECT_EQ(Vdisplay::moveOldFiles(), 6);
    EXPECT_EQ(Vdisplay::moveOldFiles(), 0);
    expectNothingLost(true);
    EXPECT_EQ(fs::read_symlink(m_home.file(".local/state/korvath/window")), m_home.file("dotfiles/window"));
    EXPECT_FALSE(fs::exists(old("replays")));

    writeOldFiles();
    ::setenv("XDG_DATA_HOME", m_home.file(".config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", m_home.file(".config").c_str(), 1);
    EXPECT_EQ(Vdisplay::moveOldFiles(), 0);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_STATE_HOME");
    expectNothingLost();

    fs::create_directories(m_home.file(".local/share/korvath"));
    writeFile(m_home.file(".local/share/korvath/korvath"), "bytes of korvath");
    writeFile(m_home.file(".local/share/korvath/korvath.damaged"), "newer");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Vdisplay::moveOldFiles(), 5);
    std::string err = testing::internal::GetCapturedStderr();
    const std::string kept = m_home.file(".local/share/korvath/korvath.damaged");
    EXPECT_EQ(err, "korvath: " + kept + " is kept, and " + old("korvath.damaged") +
                       ", which differs, stays where it is\n");
    EXPECT_EQ(readFile(kept), "newer");

    writeOldFiles();
    Vdisplay::failReads(EIO);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Vdisplay::moveOldFiles(), 0);
    err = testing::internal::GetCapturedStderr();
    Vdisplay::failReads(0);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 6) << err;
    EXPECT_NE(err.find("cannot move " + old("window")), std::string::npos) << err;
    expectNothingLost();
}

// The move killed after any of its steps (each copy, each removal) loses
// nothing, and the next start finishes it.
TEST_F(PrefsFolders, AMoveKilledBetweenFilesLosesNothingAndTheNextStartFinishesIt)
{
    int32_t kills = 0;
    for (int32_t n = 1; n < 100 && !HasFailure() && (writeOldFiles(), moveKilledAt(n)); n++) {
        SCOPED_TRACE("killed at change " + std::to_string(n));
        kills++;
        expectNothingLost();
        testing::internal::CaptureStderr();
        Vdisplay::moveOldFiles();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        expectNothingLost(true);
    }
    EXPECT_EQ(kills, 2 * static_cast<int32_t>(std::size(kMoves)));
}
