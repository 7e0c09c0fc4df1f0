#include "game/TitleScreen.h"

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/GameSound.h"
#include "game/MapScreen.h"
#include "host/Input.h"
#include "scene/Vilib.h"

void TitleScreen::enter()
{
    m_splash = new Vsprite;
    m_splash->setImage(m_app.m_lib, AppPicture::kSplash);
    m_app.center(m_splash);
}

void TitleScreen::input(Input& in)
{
    // The key that ends the title is spent on it, not passed to the menu.
    while (in.keyWaiting())
        if (in.keyGet() != Key::kNone)
            m_skipped = true;
    if (m_skipped)
        in.touchUsed();
}

void TitleScreen::advance(int32_t ms)
{
    App& app = m_app;
    if (!m_drawn) {
        m_drawn = true; // the first frame shows the splash
        return;
    }
    if (!m_loaded) {
        app.loadGame();
        app.sound(String::intern(GameSound::kFanfare));
        m_loaded = true;
        return;
    }
    m_shownMs += ms;
    if (m_shownMs < kShownMs && !m_skipped)
        return;
    // The demo plays a campaign of its own, from the map on.
    Campaign& c = *app.m_campaign;
    if (app.m_demo && c.m_front == 0)
        c.resetGame(Campaign::kFirstFront, app.m_display.get(), app.tank());
    app.replace(new MapScreen(app, !app.m_demo));
}

void TitleScreen::leave()
{
    m_app.remove(m_splash);
    m_splash = nullptr;
    m_app.m_lib->deletePicture(AppPicture::kSplash);
}

int32_t TitleScreen::frameWait() const
{
    // Nothing to wait for before the game loads behind the splash.
    return m_loaded ? kPaced : 0;
}
