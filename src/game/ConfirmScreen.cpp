#include "game/ConfirmScreen.h"

#include "game/App.h"

ConfirmScreen::ConfirmScreen(App& app, const ref<String>& question) : MenuScreen(app), m_question(question) {}

void ConfirmScreen::enter()
{
    m_menu->add("Yes"_s);
    m_menu->add("No"_s);
    m_menu->select('N');
    show(m_question);
}

void ConfirmScreen::input(Input& in)
{
    const int32_t k = menuKey(in);
    if (k == 'Y' || k == 'N' || back(k)) {
        m_yes = k == 'Y';
        m_app.pop();
    }
}
