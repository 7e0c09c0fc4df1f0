#include "GameTest.h"
#include "game/Options.h"

namespace {

// Options and keys far from the defaults.
Options changed(ActionMap& keys)
{
    Options o;
    o.m_effects = 30, o.m_music = 0, o.m_frameRate = 144;
    o.m_lazyCamera = o.m_buttons = o.m_invertGun = true;
    o.m_language = "ru";
    keys.bind(Action::Forward, Key::letter('I'));
    keys.bind(Action::Fire, Key::kPadRightTrigger);
    keys.bind(Action::Screenshot, Key::kPadBack);
    keys.bind(Action::Menu, Key::kNone);
    return o;
}

// The same options and keys: the same stored form.
void expectSame(const Options& a, const ActionMap& ka, const Options& b, const ActionMap& kb)
{
    EXPECT_EQ(a.encode(ka), b.encode(kb));
}

} // namespace

using OptionsTest = GameTest;

TEST_F(OptionsTest, TheOptionsFileRoundTripsAndAMissingOneGivesTheDefaults)
{
    ActionMap keys, read;
    Options o, back;
    EXPECT_FALSE(back.load(read)); // nothing stored: the defaults, quietly
    expectSame(back, read, Options(), ActionMap());

    o = changed(keys);
    ASSERT_TRUE(o.save(keys));
    // Whatever the table held before, a load gives exactly what was saved.
    read.bind(Action::Reverse, Key::letter('Q'));
    ASSERT_TRUE(back.load(read));
    expectSame(back, read, o, keys);
    EXPECT_TRUE(back.m_lazyCamera && back.m_buttons && back.m_invertGun);
    EXPECT_EQ((std::vector{back.m_effects, back.m_music, back.m_frameRate}), (std::vector{30, 0, 144}));
    EXPECT_EQ(back.m_language, "ru");
    EXPECT_EQ(read.battleAction(Key::letter('Q')), Action::None);
    EXPECT_EQ(read.battleAction(Key::kPadRightTrigger), Action::Fire);
    EXPECT_FALSE(std::filesystem::exists(recordPath())); // the record is another file
}

TEST_F(OptionsTest, ADamagedOptionsFileGivesTheDefaultsAndLeavesTheRecordAlone)
{
    ActionMap keys;
    const std::vector<int8_t> good = changed(keys).encode(keys);
    const std::string whole(good.begin(), good.end());
    auto with = [&](std::size_t at, char byte) {
        std::string s = whole;
        s[at] = byte;
        return s;
    };
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""},
        {"cut short", whole.substr(0, whole.size() - 2)},
        {"a byte too many", whole + '\0'},
        {"another kind of file", with(0, 'X')},
        {"another version", with(4, 9)},
        {"a volume over 100", with(5, 101)},
        {"a frame rate of 5", with(7, 5)},
        {"an unknown switch", with(9, 0x10)},
        {"a language in capitals", with(10, 'R')},
        {"half a language", with(11, 0)},
        {"more keys than there are", with(12, static_cast<char>(ActionMap::rebindable().size() + 1))},
        {"an action that is not the player's", with(13, static_cast<char>(Action::Confirm))},
        {"a gamepad button as a key", with(14, static_cast<char>(Key::kPadA))},
        {"a key as a gamepad button", with(15, 'W')},
        {"the mouse's click as a key", with(14, static_cast<char>(Key::kTouch))},
        {"one action twice", with(16, static_cast<char>(Action::Forward))},
        // The first version had no language; its length then is wrong.
        {"an old version's header", with(4, 1)},
    };
    campaign(2, 7, 1);
    const std::string record = readFile(recordPath()), path = m_dir.file(Options::kKey);
    for (const auto& [what, bytes] : damaged) {
        writeFile(path, bytes);
        ActionMap read;
        read.bind(Action::Fire, 'Q');
        Options o;
        o.m_music = 10;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(o.load(read)) << what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << what << ": " << err;
        EXPECT_NE(err.find("options"), std::string::npos) << what;
        expectSame(o, read, Options(), ActionMap());
    }
    // One that cannot be read at all (a folder in its place) is reported too.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    testing::internal::CaptureStderr();
    ActionMap read;
    Options o;
    EXPECT_FALSE(o.load(read));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unreadable"), std::string::npos);
    std::filesystem::remove(path);
    EXPECT_EQ(readFile(recordPath()), record);
}

// A file of the first version, before the language was stored, still reads:
// the same options, the language the desktop's.
TEST_F(OptionsTest, TheFirstVersionsFileReadsWithTheDesktopsLanguage)
{
    ActionMap keys;
    std::vector<int8_t> bytes = changed(keys).encode(keys);
    bytes[4] = 1;
    bytes.erase(bytes.begin() + 10, bytes.begin() + 12);
    writeFile(m_dir.file(Options::kKey), std::string(bytes.begin(), bytes.end()));
    ActionMap read;
    Options o;
    ASSERT_TRUE(o.load(read));
    Options expected = changed(keys);
    expected.m_language.clear();
    expectSame(o, read, expected, keys);
}
