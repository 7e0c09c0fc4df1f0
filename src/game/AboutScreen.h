#pragma once

#include "game/WaitScreen.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// The About page: the game's name, version and credits on a dark panel.
class AboutScreen : public WaitScreen {
public:
    explicit AboutScreen(App& app);

    void enter() override;
    void leave() override;

protected:
    void done() override;

private:
    ref<Vsprite> m_page;
};
