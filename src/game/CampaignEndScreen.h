#pragma once

#include "game/WaitScreen.h"
#include "runtime/Catalog.h"
#include "runtime/ref.h"
#include "scene/Vtext.h"

// The end of a campaign, a page of its own: the battlefield picture, with the
// victory banner when the player won, and a line saying whether the campaign
// was won or lost. The campaign is over from the moment the page shows; then
// the main menu follows, or in the demo a new campaign at once.
class CampaignEndScreen : public WaitScreen {
public:
    explicit CampaignEndScreen(App& app);

    void enter() override;

    // The page's line.
    static constexpr const char* kWon = trMark("Campaign won");
    static constexpr const char* kLost = trMark("Campaign lost");

protected:
    void done() override;

private:
    ref<Vtext> m_line;
};
