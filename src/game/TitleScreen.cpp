#include "game/TitleScreen.h"

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/GameSound.h"
#include "game/MapScreen.h"
#include "scene/Vilib.h"

namespace {

constexpr int32_t kShownMs = 500; // the title stays this long after loading

} // namespace

void TitleScreen::enter()
{
    m_splash = new Vsprite;
    m_splash->setImage(m_app.m_lib, AppPicture::kSplash);
    m_app.center(m_splash);
}

void TitleScreen::advance(int32_t)
{
    App& app = m_app;
    if (m_step == 1) {
        app.loadGame();
        app.sound(String::intern(GameSound::kFanfare));
        app.remove(m_splash);
        m_splash = nullptr;
        app.m_lib->deletePicture(AppPicture::kSplash);
    } else if (m_step == 2) {
        // The demo plays a campaign of its own, from the map on.
        Campaign& c = *app.m_campaign;
        if (app.m_demo && c.m_front == 0)
            c.resetGame(Campaign::kFirstFront, app.m_display.get(), app.tank());
        app.replace(new MapScreen(app, !app.m_demo));
    }
    m_step++;
}

void TitleScreen::draw()
{
    // The splash stays on screen while the game loads; the map replaces it.
    if (m_step == 1)
        Screen::draw();
}

int32_t TitleScreen::frameWait() const
{
    return m_step == 1 ? 0 : kShownMs;
}
