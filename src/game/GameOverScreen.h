#pragma once

#include "game/WaitScreen.h"

// The end of a campaign: the battlefield picture, with the victory banner
// when the player won; then a campaign starts afresh (the demo plays on at
// once, a player chooses in the main menu).
class GameOverScreen : public WaitScreen {
public:
    explicit GameOverScreen(App& app);

    void enter() override;

protected:
    void done() override;
};
