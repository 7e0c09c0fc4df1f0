#include <gtest/gtest.h>

#include "ImageLibraryWriter.h"
#include "Models3d.h"
#include "host/Vdisplay.h"
#include "scene/Vilib.h"

namespace {

// A mesh with a crease: two faces of a tent share the ridge, the second
// through aliases of the ridge's two vertices.
ModelMesh tent()
{
    ModelMesh m;
    m.name = "tent";
    m.size = 2 << 15;
    m.wx = 100;
    m.wy = -200;
    m.wz = 300;
    m.x = {-1000, 1000, -1000, 1000, 0, 0};
    m.y = {0, 0, 0, 0, 2000, 2000};
    m.z = {-1000, -1000, 1000, 1000, -1000, 1000};
    m.u = {1, 2, 3, 4, 5, 6};
    m.v = {-1, -2, -3, -4, -5, -6};
    // Box corners, in the order the loader's calcExtent writes them.
    for (int32_t c = 0; c < 8; c++) {
        m.x.push_back((c & 4) ? -1000 : 1000);
        m.y.push_back((c & 2) ? 0 : 2000);
        m.z.push_back((c & 1) ? -1000 : 1000);
        m.u.push_back(0);
        m.v.push_back(0);
    }
    m.alias = {4, 5};
    m.a = {0, 1};
    m.b = {4, 7};
    m.c = {2, 6};
    m.material = {0, 1};
    return m;
}

ModelFile withMeshes(std::vector<ModelMesh> meshes)
{
    ModelFile f = oneMaterialFile();
    f.meshes = std::move(meshes);
    return f;
}

} // namespace

// What the writer wrote comes back; an empty file is no mesh; the later of
// two meshes of one name is the one found; a missing file empties the library.
TEST(ModelFile, ReadsBackWhatTheWriterWroteAndFindsTheLaterOfTwoNames)
{
    ModelFiles files;
    ModelFile f = oneMaterialFile();
    f.materials[1].flat = true;
    f.materials[1].coordShift = 2;
    ModelMesh first = boxMesh("box", 1, 2, 3);
    first.wx = 0x12345;
    f.meshes = {first, tent()};
    EXPECT_EQ(files.open(f), "");

    ASSERT_EQ(files.m_models->m_materialn, 2);
    ASSERT_EQ(files.m_models->m_material.length, 3);
    const ref<V3dMaterial>& grey = files.m_models->m_material[0];
    const ref<V3dMaterial>& chequer = files.m_models->m_material[1];
    EXPECT_TRUE(grey->m_color == 0x808080 && !grey->m_texture && !grey->m_flat);
    ASSERT_TRUE(chequer->m_texture);
    EXPECT_STREQ(chequer->m_texture->m_name->c_str(), "chequer");
    EXPECT_TRUE(chequer->m_flat && chequer->m_texture->m_coordShift == 2 && chequer->m_texture->m_pixels.empty());
    EXPECT_FALSE(files.m_models->m_material[2]);

    // Newest first: the library runs in reverse file order.
    ASSERT_EQ(files.meshCount(), 2);
    EXPECT_STREQ(files.m_models->m_all->m_name->c_str(), "tent");
    for (const ModelMesh& want : f.meshes) {
        ref<V3dModel> m = files.lookup(want.name.c_str());
        ASSERT_TRUE(m) << want.name;
        EXPECT_TRUE(m->m_size == want.size && m->m_wx == want.wx && m->m_wy == want.wy && m->m_wz == want.wz);
        EXPECT_EQ(m->m_vertices, static_cast<int32_t>(want.x.size()) - 8);
        auto same = [](const auto& a, const auto& b) {
            return a.length == static_cast<int32_t>(b.size()) && std::equal(b.begin(), b.end(), a.a);
        };
        EXPECT_TRUE(same(m->m_vx, want.x) && same(m->m_vy, want.y) && same(m->m_vz, want.z));
        EXPECT_TRUE(same(m->m_vu, want.u) && same(m->m_vv, want.v) && same(m->m_alias, want.alias));
        EXPECT_TRUE(same(m->m_faceA, want.a) && same(m->m_faceB, want.b) && same(m->m_faceC, want.c));
        std::vector<int8_t> mats(want.material.begin(), want.material.end());
        EXPECT_TRUE(same(m->m_faceMaterial, mats));
    }
    EXPECT_FALSE(files.lookup("Box")); // names are case-sensitive

    EXPECT_EQ(files.open(ModelFile{}), "");
    EXPECT_EQ(files.m_models->m_materialn, 0);
    EXPECT_EQ(files.meshCount(), 0);

    ModelMesh a = boxMesh("twin", 1, 1, 1), b = boxMesh("twin", 2, 2, 2);
    EXPECT_EQ(files.open(withMeshes({a, b})), "");
    EXPECT_EQ(files.lookup("twin")->m_size, b.size);

    testing::internal::CaptureStderr();
    files.m_models->open("nothing"_s, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "V3dModel open error\n");
    EXPECT_FALSE(files.lookup("twin"));
}

TEST(ModelFile, AMalformedMeshIsLeftOutWithOneLineNamingIt)
{
    ModelFiles files;
    auto broken = [](const char* name, auto spoil) {
        ModelMesh m = tent();
        m.name = name;
        spoil(m);
        return m;
    };
    std::string out = files.open(withMeshes({
        boxMesh("first", 1, 1, 1),
        broken("few", [](ModelMesh& m) {
            for (auto* a : {&m.x, &m.y, &m.z, &m.u, &m.v})
                a->resize(5);
            m.a = m.b = m.c = {0};
            m.material = {0};
            m.alias.clear();
        }),
        broken("alias", [](ModelMesh& m) { m.alias[1] = 6; }),   // the first box corner, not a real vertex
        broken("slot", [](ModelMesh& m) { m.c[1] = 8; }),        // 6 real vertices + 2 aliases
        broken("negative", [](ModelMesh& m) { m.a[0] = -1; }),
        broken("material", [](ModelMesh& m) { m.material[1] = 2; }), // the table has two entries
        broken("signed", [](ModelMesh& m) { m.material[0] = 200; }),
        tent(),
    }));
    for (const char* name : {"few", "alias", "slot", "negative", "material", "signed"})
        EXPECT_NE(out.find(std::string("V3dModel: mesh ") + name + " "), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6) << out;
    EXPECT_TRUE(files.meshCount() == 2 && files.lookup("first") && files.lookup("tent"));
}

TEST(ModelFile, CountsBeyondTheBytesLeftOrTheSlotsAFaceCanNameStopTheFile)
{
    ModelFiles files;
    std::vector<uint8_t> good = withMeshes({boxMesh("first", 1, 1, 1)}).bytes();
    good.resize(good.size() - 2); // the end mark
    // A second mesh whose vertex, alias or face count is far more than the
    // bytes after it: one line naming it, and the first mesh kept.
    for (int32_t field = 0; field < 3; field++) {
        ModelMesh m = tent();
        m.name = "greedy";
        std::vector<uint8_t> tail = withMeshes({m}).bytes();
        // Past the material table, the name and the size and offset.
        std::size_t at = withMeshes({}).bytes().size() - 2 + 2 + m.name.size() + 16;
        if (field >= 1)
            at += 2 + 10 * m.x.size();
        if (field == 2)
            at += 2 + 2 * m.alias.size();
        tail[at] = tail[at + 1] = 0xFF;
        std::vector<uint8_t> bytes = good;
        bytes.insert(bytes.end(), tail.begin() + static_cast<std::ptrdiff_t>(withMeshes({}).bytes().size() - 2),
                     tail.end());
        std::string out = files.open(bytes);
        EXPECT_EQ(out, "V3dModel: mesh greedy of /m.bin is cut short by the end of the file\n") << field;
        EXPECT_TRUE(files.meshCount() == 1 && files.lookup("first")) << field;
    }
    // A material count the file has no room for.
    EXPECT_EQ(files.open(std::vector<uint8_t>{200, 0, 0}), "V3dModel: /m.bin is too short for its 200 materials\n");
    EXPECT_EQ(files.m_models->m_material.length, 0);

    // Slots a face cannot name (it holds a positive short): the file is
    // whole, but reading stops at that mesh.
    ModelMesh wide = boxMesh("wide", 1, 1, 1);
    for (auto* a : {&wide.x, &wide.y, &wide.z, &wide.u, &wide.v})
        a->insert(a->begin(), 32768 - a->size(), 0);
    wide.alias.assign(8, 0); // 32760 real vertices and 8 aliases
    std::string out = files.open(withMeshes({boxMesh("first", 1, 1, 1), wide, boxMesh("after", 1, 1, 1)}));
    EXPECT_NE(out.find("mesh wide of /m.bin has more vertex slots than its faces can name"), std::string::npos) << out;
    EXPECT_EQ(files.meshCount(), 1);
}

// Textures are loaded by their material's name, and one that is not a square
// power of two is never indexed (releasing a family is in the golden frames).
TEST(ModelTexture, OnlySquarePowersOfTwoAreUsable)
{
    ModelFiles files;
    ImageLibraryWriter writer;
    writer.add(SourcePicture{"t34_hull", 64, 64, 0, 0, std::vector<uint32_t>(64 * 64, 0xFF406080u)}, PictureEncoding::Jpeg);
    writer.add(SourcePicture{"odd", 64, 32, 0, 0, std::vector<uint32_t>(64 * 32, 0xFF406080u)}, PictureEncoding::Jpeg);
    ASSERT_TRUE(writer.write(files.m_dir.str(), "tex"));
    ref<Vilib> lib = new Vilib(new Vdisplay, "tex"_s);

    ModelFile f;
    for (const char* t : {"t34_hull", "odd", "absent"})
        f.materials.push_back({t, t, 0, false, 0});
    files.open(f);
    auto texture = [&](int32_t i) { return files.m_models->m_material[i]->m_texture; };

    files.m_models->textureLoad(lib, nullptr);
    EXPECT_TRUE(texture(0)->m_shift == 6 && texture(0)->usable());
    // A picture that is not a square power of two is attached but unusable.
    EXPECT_TRUE(texture(1)->m_height == 32 && texture(1)->m_shift == 0 && !texture(1)->usable());
    EXPECT_TRUE(texture(2)->m_pixels.empty());

    // Released by their prefix, the textures are let go by the library too,
    // and come back when asked for again.
    const int32_t hull = lib->lookup("t34_hull"_s);
    ASSERT_GE(hull, 0);
    ASSERT_TRUE(lib->m_pictures[hull]);
    files.m_models->textureLoad(lib, "t34"_s);
    EXPECT_TRUE(texture(0)->m_pixels.empty() && !lib->m_pictures[hull]);
    EXPECT_FALSE(texture(1)->m_pixels.empty()) << "other textures stay";
    files.m_models->textureLoad(lib, nullptr);
    EXPECT_TRUE(texture(0)->usable());

    // A later picture of another shape keeps the old shift: the shape, not
    // the shift, decides whether the rasterizer may index it.
    ref<V3dTexture> t = new V3dTexture;
    t->set("x"_s, Array<int32_t>(64 * 64), 64, 64, false);
    EXPECT_EQ(t->m_shift, 6);
    t->set("x"_s, Array<int32_t>(64 * 32), 64, 32, false);
    EXPECT_TRUE(t->m_shift == 6 && !t->usable());
}
