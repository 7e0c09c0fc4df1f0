#pragma once
#include <cstdint>
#include <vector>

#include "game/ActionMap.h"
#include "game/MenuScreen.h"
#include "scene/Vtext.h"

// The player's keys: a row per action with its key and gamepad button. A
// row chosen asks "press a key" and takes the next key or gamepad button
// pressed (Escape or a click leaves it as it was); a key that another action
// has too is shown on both rows. "Reset to defaults" brings back the keys of
// the default table. The keys are saved with the options when the page closes.
class ControlsScreen : public MenuScreen {
public:
    explicit ControlsScreen(App& app);

    void enter() override;
    void input(Input& in) override;
    void leave() override;

    // The action whose key is being asked for, or Action::None.
    Action waiting() const { return m_waiting; }
    // The text of an action's row: "Fire: Space, Pad A", with the other
    // action of a shared key ("- also Forward").
    static std::string rowText(const ActionMap& map, Action a);

    // Item keys of the rows: codes no key has.
    static constexpr int32_t kFirstRow = 116;

private:
    void refresh();
    // The prompt: takes the next key pressed for m_waiting.
    void prompt(Input& in);
    void stopWaiting();

    std::vector<ref<Vtext>> m_rows; // in the order of ActionMap::rebindable
    Action m_waiting = Action::None;
};
