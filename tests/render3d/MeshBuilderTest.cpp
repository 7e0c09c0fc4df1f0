#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "MeshBuilder.h"
#include "Shapes.h"

// Plain colours carry no texture coordinates, so the faces of a plain solid
// share their corners (a smooth one stays smooth across them, and the mesh
// has fewer vertices to transform); a textured one splits its corners where
// the mapping turns. A panel decal lays its whole picture on the panel once,
// seen from outside the right way round.
TEST(MeshBuilder, PlainFacesShareCornersAndAPanelDecalSpansItsPicture)
{
    MeshBuilder plain, painted;
    Shapes::cylinder(plain, {0, 0, -1}, {0, 0, 1}, 1, 8, {0, Uv::none()}, {0, Uv::none()});
    Shapes::cylinder(painted, {0, 0, -1}, {0, 0, 1}, 1, 8, {0, Uv::tile()}, {0, Uv::tile()});
    const ModelMesh a = plain.build("plain", {}, 32768), b = painted.build("painted", {}, 32768);
    EXPECT_EQ(a.x.size(), 16u + 8u); // two rings of eight, and the box corners
    EXPECT_GT(b.x.size(), a.x.size());

    for (float z : {1.0f, -1.0f}) {
        MeshBuilder panel;
        const Vec3 bl{-1.5f, -0.75f, z}, br{1.5f, -0.75f, z}, tr{1.5f, 0.75f, z}, tl{-1.5f, 0.75f, z};
        // Counter-clockwise from outside: the panel faces +z or -z.
        if (z > 0)
            panel.quad(bl, br, tr, tl, 0, 0, Uv::decalOn({0, 0, z}, 3, 1.5f));
        else
            panel.quad(br, bl, tl, tr, 0, 0, Uv::decalOn({0, 0, z}, 3, 1.5f));
        const ModelMesh m = panel.build("panel", {}, 32768);
        // Texture coordinates in eighths of a texel, v running down the
        // picture as it falls: the left edge as seen from outside is at 0.
        std::set<std::pair<int32_t, int32_t>> uv, expected;
        for (std::size_t i = 0; i + 8 < m.x.size(); i++) {
            uv.insert({m.u[i], m.v[i]});
            const bool right = (m.x[i] > 0) == (z > 0), top = m.y[i] > 0;
            expected.insert({right ? 512 : 0, top ? 0 : -512});
        }
        EXPECT_EQ(uv.size(), 4u) << z;
        EXPECT_EQ(uv, expected) << z;
    }
}
