#include "game/GameOverScreen.h"

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/BattleScreen.h"
#include "game/GameSound.h"
#include "game/MapScreen.h"

namespace {

constexpr int32_t kLeadMs = 500;      // shown at least this long
constexpr int32_t kDemoMs = 5000;     // the demo goes on by itself after this
constexpr int32_t kForever = 0x7FFFFFFF;

} // namespace

GameOverScreen::GameOverScreen(App& app) : WaitScreen(app, app.m_demo ? kDemoMs : kForever, kLeadMs) {}

void GameOverScreen::enter()
{
    App& app = m_app;
    app.setColor(static_cast<int32_t>(0xFF000000));
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(app.m_lib, AppPicture::kBattlefield);
    app.center(picture);
    if (app.m_campaign->won()) {
        ref<Vsprite> victory = new Vsprite;
        victory->setImage(app.m_lib, AppPicture::kVictory);
        victory->setXy(picture->getX(), picture->getY());
        victory->setScale(picture->getScale());
        app.add(victory);
    }
    app.sound(String::intern(GameSound::kFanfare));
    // The campaign is over from here on, whether the player stays to look or not.
    app.m_campaign->resetGame(0, app.m_display.get(), app.tank());
}

void GameOverScreen::done()
{
    App& app = m_app;
    app.removeAll();
    app.setColor(0);
    Campaign& c = *app.m_campaign;
    // The demo goes on with a new campaign rather than wait in the menu.
    if (app.m_demo) {
        c.resetGame(Campaign::kFirstFront, app.m_display.get(), app.tank());
        app.replace(new BattleScreen(app));
    } else {
        app.replace(new MapScreen(app, true));
    }
}
