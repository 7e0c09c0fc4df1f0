#include "game/MainMenuScreen.h"

#include "game/AboutScreen.h"
#include "game/App.h"
#include "game/ConfirmScreen.h"
#include "game/HelpScreen.h"
#include "game/OptionsScreen.h"
#include "game/SettingsScreen.h"
#include "runtime/Catalog.h"

namespace {

ref<String> soundText(bool mute)
{
    // TRANSLATORS: a setting, changed with left and right: keep the colon.
    return mute ? Catalog::tr("Sound: Off") : Catalog::tr("Sound: On");
}

} // namespace

void MainMenuScreen::enter()
{
    const bool campaign = m_app.m_campaign->m_front != 0;
    // The ids are the English first letters; a translation brings its own keys.
    // TRANSLATORS: the main menu. An item is picked by the key of its first
    // letter: the items of one menu must begin with different letters.
    m_menu->addItem(Catalog::tr("New Game"), 'N');
    if (campaign)
        m_menu->addItem(Catalog::tr("Resume"), 'R');
    m_soundItem = m_menu->addItem(soundText(m_app.m_mute), 'S');
    m_menu->addItem(Catalog::tr("Options"), 'O');
    m_menu->addItem(Catalog::tr("Help"), 'H');
    m_menu->addItem(Catalog::tr("About"), 'A');
    m_menu->addItem(Catalog::tr("Quit"), 'Q');
    if (campaign)
        m_menu->select('R');
    show();
}

void MainMenuScreen::input(Input& in)
{
    App& app = m_app;
    m_again = false;
    const int32_t k = menuKey(in);
    if (k == 'R' || back(k)) {
        if (app.m_campaign->m_front != 0)
            app.pop();
        else if (k == Key::kEscape)
            m_menu->select('Q'); // nothing to go back to: Escape shows the way out
        return;
    }
    switch (k) {
    case 'N':
        app.m_stage->hideMenu(m_menu);
        // A running campaign (or battle) is not thrown away unasked.
        if (app.m_campaign->m_front == 0 && !app.m_campaign->battleInProgress())
            app.push(new SettingsScreen(app));
        else
            app.push(new ConfirmScreen(app, Catalog::tr("Abandon the running campaign?")));
        break;
    case 'S':
        app.m_mute = !app.m_mute;
        app.m_stage->mcenter(m_soundItem, soundText(app.m_mute));
        app.prefSave();
        m_again = true;
        break;
    case 'O':
        app.m_stage->hideMenu(m_menu);
        app.push(new OptionsScreen(app));
        break;
    case 'H':
        app.m_stage->hideMenu(m_menu);
        app.render();
        app.push(new HelpScreen(app));
        break;
    case 'A':
        app.m_stage->hideMenu(m_menu);
        app.push(new AboutScreen(app));
        break;
    case 'Q':
    case 'E':
        app.quit();
        break;
    default:
        break;
    }
}

void MainMenuScreen::resume(Screen& from)
{
    App& app = m_app;
    if (auto* confirm = dynamic_cast<ConfirmScreen*>(&from); confirm && confirm->yes()) {
        app.push(new SettingsScreen(app));
        return;
    }
    if (auto* settings = dynamic_cast<SettingsScreen*>(&from); settings && settings->newCampaign()) {
        m_newCampaign = true;
        app.pop();
        return;
    }
    goOn();
}

void MainMenuScreen::goOn()
{
    if (stale())
        rebuild();
    else
        m_app.m_stage->reshowMenu(m_menu);
    input(m_app.input());
}

int32_t MainMenuScreen::frameWait() const
{
    return m_again ? kNoWait : MenuScreen::frameWait();
}
