#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>

#include "Png.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "support/FakeHost.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

Array<int8_t> bytes(std::initializer_list<int8_t> values)
{
    Array<int8_t> a(static_cast<int32_t>(values.size()));
    std::copy(values.begin(), values.end(), a.a);
    return a;
}

std::vector<int> contents(const Array<int8_t>& a) { return std::vector<int>(a.a, a.a + a.length); }

// Counts sound loads; paths listed in m_missing fail to load.
class SoundHost : public FakeHost {
public:
    int32_t loadSound(const char* path) override
    {
        m_loads.push_back(path);
        return fs::exists(path) ? static_cast<int32_t>(m_loads.size()) : -1;
    }
    void playSound(int32_t id) override { m_ids.push_back(id); }
    std::vector<std::string> m_loads;
    std::vector<int32_t> m_ids;
};

class VdisplayTest : public testing::Test {
protected:
    void SetUp() override { Vdisplay::setPrefsDir((m_dir.path / "prefs").string()); }
    void TearDown() override { Vdisplay::setPrefsDir(""); }
    TempDir m_dir{"vdisplay"};
    ref<Vdisplay> m_d = new Vdisplay;
};

} // namespace

// A failed write keeps the old record: a folder in the record's place, or a
// disc on which no file may grow (even for root), the new record failing part
// way; no temporary file is left behind.
TEST_F(VdisplayTest, PrefsRoundTripShortRecordsFailedWritesAndKeysOutsideTheFolder)
{
    Array<int8_t> out = bytes({9, 9, 9});
    EXPECT_FALSE(m_d->prefsRead("korvath"_s, out));
    EXPECT_EQ(contents(out), (std::vector<int>{9, 9, 9}));
    // The folder is created on the first write. A longer array keeps what
    // the record does not cover; a shorter one takes the front.
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({1, -2, 3, 4})));
    Array<int8_t> longer = bytes({7, 7, 7, 7, 7, 7}), shorter(2);
    ASSERT_TRUE(m_d->prefsRead("korvath"_s, longer));
    EXPECT_EQ(contents(longer), (std::vector<int>{1, -2, 3, 4, 7, 7}));
    ASSERT_TRUE(m_d->prefsRead("korvath"_s, shorter));
    EXPECT_EQ(contents(shorter), (std::vector<int>{1, -2}));
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({5})));
    ASSERT_TRUE(m_d->prefsRead("korvath"_s, shorter));
    EXPECT_EQ(contents(shorter), (std::vector<int>{5, -2}));
    for (const char* key : {"", "../escape", "a/b", ".."})
        EXPECT_FALSE(m_d->prefsWrite(String::copyOf(key), bytes({1})) || m_d->prefsRead(String::copyOf(key), bytes({1}))) << key;
    EXPECT_FALSE(fs::exists(m_dir.path / "escape"));

    fs::create_directories(m_dir.path / "prefs" / "blocked" / "inside");
    EXPECT_FALSE(m_d->prefsWrite("blocked"_s, bytes({1})));
    EXPECT_TRUE(fs::is_directory(m_dir.path / "prefs" / "blocked" / "inside"));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved;
    none.rlim_cur = 1;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
    const bool written = m_d->prefsWrite("korvath"_s, bytes({8, 8, 8}));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    Array<int8_t> back(3);
    ASSERT_TRUE(m_d->prefsRead("korvath"_s, back));
    EXPECT_EQ(contents(back), (std::vector<int>{5, 0, 0}));
    // Only the record and the blocking folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path / "prefs"), fs::directory_iterator()), 2);
}

// Only a record that is not there is "no record"; any other failure says
// the record cannot be read, with the reason, and leaves the array alone.
TEST_F(VdisplayTest, ReadErrorsAreToldApartFromAMissingRecord)
{
    const std::string path = (m_dir.path / "prefs" / "korvath").string();
    Array<int8_t> out = bytes({9, 9});
    std::string why;
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, out, &why), Vdisplay::kNoRecord);
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({1, 2, 3})));
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, out, &why), 2); // at most the array's length

    out = bytes({9, 9});
    for (int32_t err : {EIO, EACCES}) {
        Vdisplay::failReads(err);
        EXPECT_EQ(m_d->prefsLoad("korvath"_s, out, &why), Vdisplay::kUnreadable);
        EXPECT_EQ(why, std::strerror(err));
        EXPECT_FALSE(m_d->prefsRead("korvath"_s, out));
        Vdisplay::failReads(0);
    }
    EXPECT_EQ(contents(out), (std::vector<int>{9, 9}));

    // A pipe must not hang the read; a folder is no record either.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, out, &why), Vdisplay::kUnreadable);
    EXPECT_EQ(why, "it is not a plain file");
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, out, &why), Vdisplay::kUnreadable);
    EXPECT_EQ(why, "a folder is in its place");
    fs::remove(path);

    // Renaming moves the record aside, replacing an older one.
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({4})));
    ASSERT_TRUE(m_d->prefsWrite("korvath.old"_s, bytes({5})));
    EXPECT_TRUE(m_d->prefsRename("korvath"_s, "korvath.old"_s));
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, out), Vdisplay::kNoRecord);
    EXPECT_EQ(readFile(path + ".old"), std::string(1, 4));
    EXPECT_FALSE(m_d->prefsRename("korvath"_s, "../korvath"_s));
}

// A record kept elsewhere through a symbolic link (a dotfiles folder, say)
// is saved through the link: the link stays, its target gets the record,
// made if it is not there yet.
TEST_F(VdisplayTest, ARecordThatIsALinkIsWrittenThroughIt)
{
    fs::create_directories(m_dir.path / "prefs");
    fs::create_directories(m_dir.path / "dotfiles");
    const fs::path link = m_dir.path / "prefs" / "korvath";
    const fs::path target = m_dir.path / "dotfiles" / "korvath-record";
    fs::create_symlink("../dotfiles/korvath-record", link); // its target not there yet
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({1, 2, 3})));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target.string()), std::string("\x01\x02\x03"));
    Array<int8_t> back(4);
    EXPECT_EQ(m_d->prefsLoad("korvath"_s, back), 3);
    // Nothing but the link in the folder: the temporary file was made beside the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path / "prefs"), fs::directory_iterator()), 1);
}

// A browser host copies its files to lasting storage on Host::stored: it is
// told of every change (a write, a rename, a removal, of a record or a
// replay) and of nothing that failed or did not change a file.
TEST_F(VdisplayTest, TheHostIsToldOfEveryChangeStoredAndOfNoOther)
{
    struct StoringHost : FakeHost {
        void stored() override { m_changes++; }
        int32_t m_changes = 0;
    } host;
    ASSERT_TRUE(m_d->prefsWrite("korvath"_s, bytes({1})));
    ASSERT_TRUE(m_d->prefsRename("korvath"_s, "korvath.damaged"_s));
    EXPECT_TRUE(Vdisplay::removeRecord("korvath.damaged"));
    EXPECT_FALSE(m_d->prefsRename("korvath"_s, "korvath.damaged"_s));
    EXPECT_TRUE(Vdisplay::removeRecord("korvath.damaged")); // none left, and none was there
    fs::create_directories(m_dir.path / "prefs" / "window" / "inside");
    EXPECT_FALSE(Vdisplay::storeRecord("window", bytes({1}).a, 1));
    EXPECT_FALSE(Vdisplay::removeRecord("window"));
    EXPECT_EQ(host.m_changes, 3);

    const uint8_t replay[] = {1, 2};
    ASSERT_TRUE(Vdisplay::storeFile(m_dir.file("a.replay"), replay, 2) && Vdisplay::removeFile(m_dir.file("a.replay")));
    EXPECT_EQ(host.m_changes, 5);
}

TEST_F(VdisplayTest, SoundsLoadOncePerNameAndHostAndMissingOnesAreRetried)
{
    auto host = std::make_unique<SoundHost>();
    InputStream::setResourceDir(m_dir.path.string());
    writeFile(m_dir.file("shoot.wav"), "RIFF");

    testing::internal::CaptureStderr();
    EXPECT_TRUE(m_d->audio("shoot"_s, false));
    EXPECT_TRUE(m_d->audio("shoot"_s, true));
    EXPECT_FALSE(m_d->audio("stinger"_s, false));
    EXPECT_FALSE(m_d->audio("stinger"_s, false));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("stinger.wav"), std::string::npos);

    // The sound appears later: the next request loads it.
    writeFile(m_dir.file("stinger.wav"), "RIFF");
    EXPECT_TRUE(m_d->audio("stinger"_s, false));
    EXPECT_TRUE(m_d->audio("stinger"_s, false));

    ASSERT_EQ(host->m_loads.size(), 4u);
    EXPECT_EQ(host->m_loads[0], (m_dir.path / "shoot.wav").string());
    EXPECT_EQ(host->m_loads[1], host->m_loads[2]); // both failed tries of "stinger"
    EXPECT_EQ(host->m_ids, (std::vector<int32_t>{1, 1, 4, 4}));

    // The next host loads the sound itself: the first one's identifiers
    // went with it.
    host.reset();
    SoundHost next;
    EXPECT_TRUE(m_d->audio("stinger"_s, false));
    InputStream::setResourceDir(".");
    EXPECT_EQ(next.m_loads.size(), 1u);
    EXPECT_EQ(next.m_ids, (std::vector<int32_t>{1}));
}

TEST_F(VdisplayTest, BadJpegStreamsFailSafely)
{
    Array<int32_t> dest(16);
    testing::internal::CaptureStderr();
    // Garbage, a stream cut after its start marker, and ranges outside the arrays.
    EXPECT_FALSE(m_d->getImage(bytes({1, 2, 3, 4, 5, 6}), 0, 6, 4, 4, dest, 0));
    EXPECT_FALSE(m_d->getImage(bytes({-1, -40, -1, -32, 0, 16}), 0, 6, 4, 4, dest, 0));
    EXPECT_FALSE(m_d->getImage(bytes({-1, -40}), 1, 5, 4, 4, dest, 0));
    EXPECT_FALSE(m_d->getImage(bytes({-1, -40}), 0, 2, 4, 4, dest, 65));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(std::vector<int32_t>(dest.a, dest.a + 16), std::vector<int32_t>(16, 0));
}

// A file the game makes anew (a replay, a screenshot) replaces a link planted
// in its place instead of writing where the link points; a screenshot never
// replaces anything.
TEST(VdisplayFiles, NewFilesFollowNoPlantedLink)
{
    TempDir dir("store-file");
    const std::string target = dir.file("target"), path = dir.file("replay.kvr");
    writeFile(target, "not yours");
    std::filesystem::create_symlink(target, path);
    const uint8_t bytes[] = {1, 2, 3};
    std::string error;
    ASSERT_TRUE(Vdisplay::storeFile(path, bytes, 3, &error)) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(readFile(path), std::string("\1\2\3"));
    EXPECT_EQ(readFile(target), "not yours");
    EXPECT_FALSE(Vdisplay::storeFile(dir.file("no-folder/replay.kvr"), bytes, 3, &error));
    EXPECT_NE(error.find("cannot write in"), std::string::npos) << error;

    const std::string shot = dir.file("shot.png");
    std::filesystem::create_symlink(target, shot);
    const uint32_t pixel = 0xFF102030u;
    EXPECT_FALSE(Png::write(shot, 1, 1, &pixel, false, &error, true));
    EXPECT_NE(error.find("(it exists)"), std::string::npos) << error;
    EXPECT_EQ(readFile(target), "not yours");
    EXPECT_TRUE(Png::write(dir.file("new.png"), 1, 1, &pixel, false, &error, true)) << error;
}
