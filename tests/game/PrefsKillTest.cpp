#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "GameTest.h"

namespace {

// The record that save number i leaves: every one differs from the others.
std::string recordOf(int32_t i)
{
    std::string r;
    for (int32_t v : {1 + i % 3, i % 12, i % 3, i, 0, i & 1, 0, 40, 20, 20, 0, 0, 0})
        r += {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)};
    return r;
}

// Forks a child that saves record i through the game and exits; after delay
// (none: let it finish) kills it with SIGKILL.
void saveInChild(App& app, int32_t i, std::chrono::microseconds delay, bool kill)
{
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        Campaign& c = *app.m_campaign;
        c.m_side = static_cast<Side>(1 + i % 3), c.m_front = i % 12, c.m_level = i % 3, c.m_enemyCount = i;
        app.m_mute = (i & 1) != 0;
        app.prefSave();
        std::fflush(stdout);
        ::_exit(0);
    }
    if (kill) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

// A save killed at any moment leaves the record it replaces or the new one,
// whole, and no stray temporary files.
TEST_F(GameTest, RecordIsOldOrNewAfterEveryKilledSave)
{
    writeFile(recordPath(), recordOf(0));
    ref<App> app = new App;
    app->init(new Vdisplay);
    app->m_campaign->prefLoad(app->m_display.get());

    // How long a whole save in a child takes here; kills land from before
    // its start to past its end.
    auto t0 = std::chrono::steady_clock::now();
    for (int32_t i = 1; i <= 5; i++)
        saveInChild(*app, i, {}, false);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0) / 5;
    ASSERT_EQ(readFile(recordPath()), recordOf(5));

    std::mt19937 random(13);
    std::uniform_int_distribution<int64_t> moment(0, whole.count() * 6 / 5);
    int32_t current = 5, kept = 0, replaced = 0;
    for (int32_t i = 6; i < 306; i++) {
        saveInChild(*app, i, std::chrono::microseconds(moment(random)), true);
        const std::string onDisk = readFile(recordPath());
        if (onDisk == recordOf(i)) {
            current = i;
            replaced++;
        } else {
            ASSERT_EQ(onDisk, recordOf(current)) << "kill " << i - 5 << " left a damaged record";
            kept++;
        }
    }
    // The kills fell both before and after the new record was in place.
    EXPECT_GT(kept, 0);
    EXPECT_GT(replaced, 0);
    // What killed saves left behind goes with the next save.
    saveInChild(*app, 2000, {}, false);
    EXPECT_EQ(readFile(recordPath()), recordOf(2000));
    int32_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir.path))
        files++;
    EXPECT_EQ(files, 1) << "temporary files left behind";
}
