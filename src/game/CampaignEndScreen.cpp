#include "game/CampaignEndScreen.h"

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/BattleScreen.h"
#include "game/GameSound.h"
#include "game/MenuLayout.h"
#include "game/MapScreen.h"
#include "scene/Vtext.h"

namespace {

constexpr int32_t kLeadMs = 500;      // shown at least this long
constexpr int32_t kDemoMs = 5000;     // the demo goes on by itself after this
// The line stands on a dark band at the bottom of the picture.
constexpr int32_t kBand = static_cast<int32_t>(0xD8182028);

} // namespace

CampaignEndScreen::CampaignEndScreen(App& app) : WaitScreen(app, app.m_demo ? kDemoMs : kForever, kLeadMs) {}

void CampaignEndScreen::enter()
{
    App& app = m_app;
    app.removeAll();
    app.setColor(static_cast<int32_t>(0xFF000000));
    ref<Vsprite> picture = new Vsprite;
    picture->setImage(app.m_lib, AppPicture::kBattlefield);
    app.center(picture);
    const bool won = app.m_campaign->won();
    if (won) {
        ref<Vsprite> victory = new Vsprite;
        victory->setImage(app.m_lib, AppPicture::kVictory);
        victory->setXy(picture->getX(), picture->getY());
        victory->setScale(picture->getScale());
        app.add(victory);
    }
    // The line stands on the stage, inside its margin at the bottom.
    Stage& stage = *app.m_stage;
    m_line = new Vtext(app.m_theme, won ? Catalog::tr(kWon) : Catalog::tr(kLost));
    m_line->setColor(kBand);
    stage.stageAdd(m_line);
    const int32_t margin = MenuLayout::margin(stage.m_width, stage.m_height);
    m_line->setMostWidth(stage.m_width - 2 * margin);
    m_line->setXyi((stage.m_width - m_line->getWidth()) / 2, stage.m_height - margin - m_line->getHeight());
    app.sound(String::intern(GameSound::kFanfare));
    // The campaign is over from here on, whether the player stays to look or not.
    app.m_campaign->resetGame(0, app.m_display.get(), app.tank());
}

void CampaignEndScreen::done()
{
    App& app = m_app;
    if (m_line)
        m_line->off();
    app.removeAll();
    app.setColor(0);
    // Shown once a campaign: kept, they would stay in memory for the run.
    app.m_lib->freePicture(AppPicture::kBattlefield);
    app.m_lib->freePicture(AppPicture::kVictory);
    Campaign& c = *app.m_campaign;
    // The demo goes on with a new campaign rather than wait in the menu.
    if (app.m_demo) {
        c.resetGame(Campaign::kFirstFront, app.m_display.get(), app.tank());
        app.replace(new BattleScreen(app));
    } else {
        app.replace(new MapScreen(app, true));
    }
}
