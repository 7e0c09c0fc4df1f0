#include <gtest/gtest.h>

#include "game/Campaign.h"

namespace {

ref<Campaign> at(Side side, int32_t front, int32_t level = 0)
{
    ref<Campaign> c = new Campaign;
    c->m_side = side;
    c->m_front = front;
    c->m_level = level;
    return c;
}

TEST(Campaign, NewCampaignsStartOnTheSidesOwnHalfOfTheMapFacingTheEnemy)
{
    // The Allies start in the west and fight eastwards, the Soviets the
    // other way; the Germans hold Berlin and first fight in the west.
    for (auto [side, westOfBerlin, dir] : {std::tuple{Side::Allied, true, Campaign::kEast},
                                           std::tuple{Side::Soviet, false, Campaign::kWest},
                                           std::tuple{Side::German, true, Campaign::kWest}}) {
        ref<Campaign> c = at(side, Campaign::kFirstFront);
        c->locate();
        const Campaign::Front f = c->front();
        EXPECT_EQ(c->m_dir, dir) << static_cast<int32_t>(side);
        ASSERT_GE(f.siteColumn, 0);
        ASSERT_GE(f.nextColumn, 0);
        EXPECT_EQ(c->m_mapX, f.siteColumn);
        EXPECT_EQ(f.siteColumn <= Campaign::kBerlinColumn, westOfBerlin) << f.siteColumn;
        // The site really is a battle site of the ring fought for.
        EXPECT_EQ(Campaign::m_map[f.siteRow * Campaign::kMapColumns + f.siteColumn], -f.ring);
        EXPECT_EQ(Campaign::m_map[f.nextRow * Campaign::kMapColumns + f.nextColumn], -f.beyond);
        EXPECT_FALSE(c->over());
    }
}

TEST(Campaign, TheFrontMovesARingABattleAndTheEndsAreTheRightWayRound)
{
    // Won battles take the Allies in to Berlin, lost ones back out.
    ref<Campaign> allied = at(Side::Allied, 2);
    allied->battleOver(true);
    EXPECT_EQ(allied->m_front, 1);
    allied->locate();
    EXPECT_EQ(allied->m_mapX, Campaign::kBerlinColumn);
    allied->battleOver(true);
    EXPECT_TRUE(allied->over());
    EXPECT_TRUE(allied->won()); // the last battle was at Berlin
    // Driven back to the last ring of their side, they have lost.
    ref<Campaign> beaten = at(Side::Allied, 9);
    beaten->battleOver(false);
    beaten->locate();
    EXPECT_EQ(beaten->m_front, 10);
    EXPECT_TRUE(beaten->over());
    EXPECT_FALSE(beaten->won());
    // The Germans win outwards: their campaign ends far from Berlin.
    ref<Campaign> german = at(Side::German, 10);
    german->locate();
    german->battleOver(true);
    EXPECT_EQ(german->m_front, Campaign::kLastFront);
    EXPECT_TRUE(german->over());
    EXPECT_TRUE(german->won());
    ref<Campaign> fallen = at(Side::German, 2);
    fallen->battleOver(false);
    fallen->locate();
    EXPECT_EQ(fallen->m_mapX, Campaign::kBerlinColumn); // the last stand at Berlin
    EXPECT_TRUE(fallen->over());
    EXPECT_FALSE(fallen->won());
}

} // namespace
