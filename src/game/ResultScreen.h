#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/Side.h"
#include "game/WaitScreen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The page after a battle: "Victory", "Defeat" or "Out of fuel", what ended
// a lost battle with a tip for the next, the enemies destroyed, the shots
// fired and hit, the battle's time and what happens to the front. It waits
// for Enter or a click pressed after it appeared; the demo goes on by itself
// after 8 s.
class ResultScreen : public WaitScreen {
public:
    enum class Outcome { Victory, Defeat, OutOfFuel };
    // What ended a lost battle.
    enum class Cause { None, ShotThrough, Sank };
    struct Result {
        Outcome outcome = Outcome::Defeat;
        Cause cause = Cause::None;
        bool outOfRounds = false;
        TankKind enemy = TankKind::Tiger; // of the battle's enemies
        int32_t destroyed = 0;
        int32_t shots = 0;
        int32_t hits = 0;
        int32_t ms = 0; // of battle
    };

    ResultScreen(App& app, const Result& r);

    void enter() override;
    void layout() override;
    void leave() override;

    static constexpr int32_t kShownMs = 8000; // in the demo
    static constexpr int32_t kLeadMs = 1000;

    // The page's lines, the heading first.
    static std::vector<std::string> lines(const Result& r);
    // The line saying what ended a lost battle and the tip below it (both
    // empty for a victory).
    struct Why {
        std::string cause;
        std::string tip;
    };
    static Why why(const Result& r);

protected:
    void done() override;

private:
    // Puts the page on the stage, laid out for it as it is now.
    void show();

    Result m_result;
    ref<Vsprite> m_page;
};
