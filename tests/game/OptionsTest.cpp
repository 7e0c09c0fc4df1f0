#include "GameTest.h"
#include "game/ControlsScreen.h"
#include "game/Options.h"
#include "game/OptionsScreen.h"

namespace {

std::string optionsPath(const TempDir& dir)
{
    return dir.file(Options::kKey);
}

// Options and keys far from the defaults.
Options changed(ActionMap& keys)
{
    Options o;
    o.m_effects = 30, o.m_music = 0, o.m_frameRate = 144;
    o.m_lazyCamera = o.m_buttons = o.m_invertGun = true;
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
        {"more keys than there are", with(10, static_cast<char>(ActionMap::rebindable().size() + 1))},
        {"an action that is not the player's", with(11, static_cast<char>(Action::Confirm))},
        {"a gamepad button as a key", with(12, static_cast<char>(Key::kPadA))},
        {"a key as a gamepad button", with(13, 'W')},
        {"the mouse's click as a key", with(12, static_cast<char>(Key::kTouch))},
        {"one action twice", with(14, static_cast<char>(Action::Forward))},
    };
    campaign(2, 7, 1);
    const std::string record = readFile(recordPath());
    for (const auto& [what, bytes] : damaged) {
        writeFile(optionsPath(m_dir), bytes);
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
    std::filesystem::remove(optionsPath(m_dir));
    std::filesystem::create_directory(optionsPath(m_dir));
    testing::internal::CaptureStderr();
    ActionMap read;
    Options o;
    EXPECT_FALSE(o.load(read));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("unreadable"), std::string::npos);
    std::filesystem::remove(optionsPath(m_dir));
    EXPECT_EQ(readFile(recordPath()), record);
}

// The options page: effects (highlighted first) lowered twice, the frame
// rate chosen twice, the camera and the gun switched; then Controls, Forward,
// 'I': from then on 'I' drives the tank, and the arrow does not. All of it is
// stored.
TEST_F(OptionsTest, TheOptionsAndControlsPagesChangeAndKeepTheirSettings)
{
    campaign(1, 5);
    m_host.key(2200, 'O');
    m_host.at(2400, [](App& app) {
        EXPECT_EQ(menuItems(ref_cast<OptionsScreen>(ref<Screen>(app.top()))->menu()),
                  (std::vector<std::string>{"Effects: 100%", "Music: 100%", "Full screen: Off", "Scale: -",
                                            "Frame rate: Display", "Camera: Smooth", "Buttons: Hidden",
                                            "Invert gun: Off", "Controls", "Back"}));
    });
    m_host.keys(2800, {Key::kLeft, Key::kLeft, 'R', 'R', 'A', 'I'});
    m_host.at(4700, [](App& app) {
        const Options& o = app.m_options;
        EXPECT_EQ(o.m_effects, 80);
        EXPECT_EQ(o.m_frameRate, 60);
        EXPECT_TRUE(o.m_lazyCamera);
        EXPECT_TRUE(o.m_invertGun);
        EXPECT_EQ(selectedItem(shownMenu(app)), "Invert gun: On");
    });
    m_host.key(4800, 'C');
    m_host.at(5000, [](App& app) {
        auto* page = dynamic_cast<ControlsScreen*>(app.top());
        ASSERT_TRUE(page);
        EXPECT_EQ(selectedItem(page->menu()), "Forward: Up, Pad Up");
        EXPECT_EQ(menuItems(page->menu()).size(), ActionMap::rebindable().size() + 2);
        // The small rows stand on an opaque panel, not over the map.
        EXPECT_EQ(static_cast<uint32_t>(page->menu()->m_color) >> 24, 0xFFu);
    });
    m_host.key(5100, Key::kEnter);
    m_host.at(5300, [](App& app) {
        auto* page = dynamic_cast<ControlsScreen*>(app.top());
        ASSERT_TRUE(page);
        EXPECT_EQ(page->waiting(), Action::Forward);
        EXPECT_EQ(selectedItem(page->menu()), "Forward: press a key or a gamepad button");
    });
    m_host.key(5400, 'I');
    m_host.at(5500, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Forward: I, Pad Up"); });
    m_host.keys(5700, {Key::kEscape, 'B'}); // the options, then the main menu
    m_host.at(6200, [](App& app) { EXPECT_EQ(selectedItem(shownMenu(app)), "Options"); });
    m_host.key(6300, 'R');
    m_host.key(6800, Key::kEnter);
    m_host.at(8800, [](App& app) {
        ASSERT_TRUE(app.m_battle->m_terrain && app.m_battle->m_terrain->isLinked());
        app.input().keyDownSys(Key::kUp);
    });
    m_host.at(9800, [](App& app) {
        EXPECT_LE(app.m_battle->m_tank->m_driveSpeed, 0) << "the arrow no longer drives";
        app.input().keyUpSys(Key::kUp);
        app.input().keyDownSys('I');
    });
    m_host.at(10800, [](App& app) { EXPECT_GT(app.m_battle->m_tank->m_driveSpeed, 0); });
    m_host.runUntil(10900);
    ActionMap keys;
    Options o;
    ASSERT_TRUE(o.load(keys));
    EXPECT_EQ(o.m_effects, 80);
    EXPECT_EQ(o.m_frameRate, 60);
    EXPECT_TRUE(o.m_invertGun);
    EXPECT_EQ(keys.key(Action::Forward), 'I');
}
