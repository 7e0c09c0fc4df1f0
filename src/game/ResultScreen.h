#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/WaitScreen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The page after a battle: "Victory", "Defeat" or "Out of fuel", the enemies
// destroyed, the shots fired and hit, the battle's time and what happens to
// the front; Enter, a click or 8 s go on to the map.
class ResultScreen : public WaitScreen {
public:
    enum class Outcome { Victory, Defeat, OutOfFuel };
    struct Result {
        Outcome outcome = Outcome::Defeat;
        int32_t destroyed = 0;
        int32_t shots = 0;
        int32_t hits = 0;
        int32_t ms = 0; // of battle
    };

    ResultScreen(App& app, const Result& r);

    void enter() override;
    void layout() override;
    void leave() override;

    static constexpr int32_t kShownMs = 8000;
    static constexpr int32_t kLeadMs = 500;

    // The page's lines, the heading first.
    static std::vector<std::string> lines(const Result& r);

protected:
    void done() override;

private:
    Result m_result;
    ref<Vsprite> m_page;
};
