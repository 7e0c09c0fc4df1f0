#pragma once

#include "game/MenuScreen.h"
#include "runtime/String.h"

// A small Yes / No menu under a question. No is chosen first, and Escape,
// the menu keys and closing the game answer No.
class ConfirmScreen : public MenuScreen {
public:
    ConfirmScreen(App& app, const ref<String>& question);

    void enter() override;
    void input(Input& in) override;

    bool yes() const { return m_yes; }

private:
    ref<String> m_question;
    bool m_yes = false;
};
