#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "Models3d.h"

namespace {

// A mesh built in memory: real vertices (x, y, z), aliases, faces, all in
// material mat, with the eight box corners appended.
ref<V3dModel> mesh(const std::vector<std::array<int16_t, 3>>& p, const std::vector<int16_t>& alias,
                   const std::vector<std::array<int16_t, 3>>& faces, int8_t mat = 0)
{
    ref<V3dModel> m = new V3dModel;
    m->allocVertices(static_cast<int32_t>(p.size()) + 8);
    for (int32_t i = 0; i < static_cast<int32_t>(p.size()); i++)
        std::tie(m->m_vx[i], m->m_vy[i], m->m_vz[i]) = std::tuple{p[i][0], p[i][1], p[i][2]};
    m->calcExtent();
    m->m_alias = Array<int16_t>(static_cast<int32_t>(alias.size()));
    std::copy(alias.begin(), alias.end(), m->m_alias.a);
    m->allocFaces(static_cast<int32_t>(faces.size()));
    for (int32_t j = 0; j < static_cast<int32_t>(faces.size()); j++)
        std::tie(m->m_faceA[j], m->m_faceB[j], m->m_faceC[j], m->m_faceMaterial[j]) = std::tuple{faces[j][0], faces[j][1], faces[j][2], mat};
    return m;
}

using Normal = std::array<int32_t, 3>;
const Normal kUp = {0, 32767, 0};

Normal normal(const ref<V3dModel>& m, int32_t slot) { return {m->m_nx[slot], m->m_ny[slot], m->m_nz[slot]}; }

// Within a few units of (x, y, z) scaled to a unit normal.
bool near(const Normal& n, double x, double y, double z)
{
    double k = 32768 / std::sqrt(x * x + y * y + z * z);
    return std::abs(n[0] - x * k) < 8 && std::abs(n[1] - y * k) < 8 && std::abs(n[2] - z * k) < 8;
}

} // namespace

TEST(Normals, CreasesThroughAliasesAndTheEdgeCases)
{
    ModelFiles files;
    ModelFile f = oneMaterialFile();
    f.materials[1].flat = true;
    files.open(f);

    // A tent: the left face uses the ridge (4, 5), the right face aliases of
    // it (6, 7); vertices 3 and 5 belong to no face of their own slot.
    std::vector<std::array<int16_t, 3>> tent = {{-1000, 0, -1000}, {1000, 0, -1000}, {-1000, 0, 1000},
                                                {1000, 0, 1000},   {0, 2000, -1000}, {0, 2000, 1000}};
    ref<V3dModel> m = mesh(tent, {4, 5}, {{0, 4, 2}, {1, 7, 6}});
    m->normals();
    ASSERT_TRUE(m->m_nx.length == 8 && m->m_shade.length == 8);
    // Each side of the ridge keeps the normal of its own face, turned out.
    EXPECT_TRUE(near(normal(m, 4), -2, 1, 0) && near(normal(m, 6), 2, 1, 0));
    EXPECT_EQ(normal(m, 0), normal(m, 4));
    EXPECT_TRUE(normal(m, 3) == kUp && normal(m, 5) == kUp);

    // A flat material on the first face makes every normal point up.
    ref<V3dModel> flat = mesh(tent, {4, 5}, {{0, 4, 2}, {1, 7, 6}}, 1);
    flat->m_materials = files.m_models->m_material;
    flat->normals();
    for (int32_t k = 0; k < 8; k++)
        EXPECT_EQ(normal(flat, k), kUp);

    // A face with no area counts but adds nothing: its slots have no
    // direction at all, unlike slots no face uses.
    ref<V3dModel> line = mesh({{0, 0, 0}, {0, 0, 0}, {100, 0, 0}, {5, 5, 5}}, {}, {{0, 1, 2}});
    line->normals();
    EXPECT_TRUE(normal(line, 0) == (Normal{0, 0, 0}) && normal(line, 3) == kUp);

    // No faces at all is safe.
    ref<V3dModel> none = mesh({{1, 2, 3}}, {}, {});
    none->normals();
    EXPECT_EQ(normal(none, 0), kUp);
}

TEST(Normals, ASlotSharedByMoreThan255FacesKeepsItsNormal)
{
    ModelFiles files;
    files.open(oneMaterialFile());
    // 256 faces of one wall facing -x share slot 0: a one-byte counter would
    // wrap to 0 and report "no face".
    std::vector<std::array<int16_t, 3>> p = {{0, 0, 0}};
    std::vector<std::array<int16_t, 3>> faces;
    for (int16_t i = 0; i < 256; i++) {
        p.push_back({0, static_cast<int16_t>(i * 10), 1000});
        p.push_back({0, static_cast<int16_t>(i * 10 + 10), 1000});
        faces.push_back({0, static_cast<int16_t>(2 * i + 2), static_cast<int16_t>(2 * i + 1)});
    }
    ref<V3dModel> m = mesh(p, {}, faces);
    m->normals();
    EXPECT_EQ(normal(m, 0), (Normal{-32768, 0, 0}));
}
