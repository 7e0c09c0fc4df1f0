#include "game/ConfirmScreen.h"

#include "game/App.h"
#include "runtime/Catalog.h"

ConfirmScreen::ConfirmScreen(App& app, const ref<String>& question) : MenuScreen(app), m_question(question) {}

void ConfirmScreen::enter()
{
    // TRANSLATORS: the answers begin with different letters.
    m_menu->addItem(Catalog::tr("Yes"), 'Y');
    m_menu->addItem(Catalog::tr("No"), 'N');
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
