#include "GameTest.h"
#include "game/BattleSound.h"
#include "game/GameSound.h"
#include "game/ResultScreen.h"

using BattleSoundTest = GameTest;

// The engine idles while the tank stands, runs up on a turn on the spot and
// with the speed, and the theme plays under it; a pause, the menu and the
// sound switched off silence both, and going on brings them back. A battle
// lost takes the engine at once, the theme goes down with the fade, and the
// page after it is silent.
TEST_F(BattleSoundTest, TheLoopsFollowTheBattle)
{
    battle();
    const std::string motor = GameSound::kEngine, theme = GameSound::kBattleTheme;
    struct Step {
        int32_t at;
        const char* what;
        int32_t engineMin, engineMax, music; // music -1: not checked
        std::function<void(App&)> then;
    };
    const Step steps[] = {
        {kInBattle, "standing", BattleSound::kIdleLevel, BattleSound::kIdleLevel, BattleSound::kMusicLevel,
         [](App& app) { app.input().keyDownSys(Key::kLeft); }},
        {kInBattle + 500, "turning on the spot", BattleSound::kTurnLevel, BattleSound::kTurnLevel, -1,
         [](App& app) { app.input().keyUpSys(Key::kLeft); }},
        {kInBattle + 800, "standing again", BattleSound::kIdleLevel, BattleSound::kIdleLevel, -1,
         [](App& app) { app.input().keyDownSys(Key::kUp); }},
        {kInBattle + 2300, "driving", BattleSound::kFullLevel - 4, BattleSound::kFullLevel, BattleSound::kMusicLevel,
         [](App& app) {
             app.input().keyUpSys(Key::kUp);
             press(app, 'P');
         }},
        {kInBattle + 2500, "paused", 0, 0, 0, [](App& app) { press(app, 'P'); }},
        {kInBattle + 2700, "going on", BattleSound::kTurnLevel, BattleSound::kFullLevel, BattleSound::kMusicLevel,
         [](App& app) { press(app, Key::kEscape); }},
        {kInBattle + 2900, "the menu open", 0, 0, 0, [](App& app) { press(app, Key::kEscape); }},
        {kInBattle + 3100, "the menu closed", BattleSound::kIdleLevel + 2, BattleSound::kFullLevel, BattleSound::kMusicLevel,
         [](App& app) { app.m_mute = true; }},
        {kInBattle + 3300, "the sound off", 0, 0, 0, [](App& app) { app.m_mute = false; }},
        {kInBattle + 3500, "the sound on", BattleSound::kIdleLevel, BattleSound::kFullLevel, BattleSound::kMusicLevel,
         [](App& app) { app.m_battle->m_tank->m_fuel = 0; }},
        {kInBattle + 3700, "out of fuel", 0, 0, BattleSound::kMusicLevel, nullptr},
    };
    for (const Step& s : steps)
        m_host.at(s.at, [&, s](App& app) {
            SCOPED_TRACE(s.what);
            const int32_t engine = m_host.looping(motor);
            EXPECT_GE(engine, s.engineMin);
            EXPECT_LE(engine, s.engineMax);
            if (s.music >= 0) {
                EXPECT_EQ(m_host.looping(theme), s.music);
            }
            if (s.then)
                s.then(app);
        });
    // The fade: the theme below its level and above silence at some frame.
    bool faded = false, silentPage = false;
    m_host.every(kInBattle + 3700, kInBattle + 12000, 50, [&](App& app) {
        const int32_t music = m_host.looping(theme);
        faded = faded || (music > 0 && music < BattleSound::kMusicLevel);
        silentPage = dynamic_cast<ResultScreen*>(app.top()) && music == 0 && m_host.looping(motor) == 0;
        return silentPage;
    });
    m_host.runUntil(kInBattle + 12000);
    EXPECT_TRUE(faded);
    EXPECT_TRUE(silentPage);
}
