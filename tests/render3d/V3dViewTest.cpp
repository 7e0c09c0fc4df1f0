#include <gtest/gtest.h>

#include "render3d/V3dView.h"

TEST(V3dView, FirstSizingAppliesAtOnceLaterOnesWaitForTheGameThread)
{
    ref<V3dView> view = new V3dView;
    view->setWidthHeight(320, 480);
    EXPECT_EQ(view->m_pixels.length, 320 * 480);
    EXPECT_EQ(view->m_zbuf.length, 320 * 480);
    EXPECT_EQ(view->m_centerX, 160 << 15);

    // A resize from the host thread only records the size...
    view->setWidthHeight(480, 320);
    EXPECT_EQ(view->m_width, 320);
    EXPECT_EQ(view->m_pixels.length, 320 * 480);
    // ...until the game thread applies it, once.
    EXPECT_TRUE(view->screenResize());
    EXPECT_EQ(view->m_width, 480);
    EXPECT_EQ(view->m_height, 320);
    EXPECT_EQ(view->m_focal, 560); // the same in both orientations
    EXPECT_FALSE(view->screenResize());

    view->setHorizon(0x1000);
    EXPECT_EQ(view->m_centerY, 320 * 0x1000);
}
