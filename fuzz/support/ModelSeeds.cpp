// Seeds of the model file harness, made with the model generator's own
// writer: every mesh of the game's model file as a file of its own (with the
// whole material table), and small edge files: no meshes, a box in each kind
// of material, aliases and duplicate names, faces out of range, a mesh of
// corners only, a degenerate face, and files cut short.
// Usage: fuzz_model_seeds DATA_DIR OUT_DIR (the game's p3d.bin is copied by
// the harness's DATA line).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MeshBuilder.h"
#include "ModelFile.h"
#include "Models.h"
#include "Shapes.h"

namespace {

void save(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

// A plain colour, a texture of the library, a flat texture with a coordinate
// shift, and a texture the library does not have.
ModelFile materials()
{
    ModelFile f;
    f.materials.push_back({"grey", "", 0x808080, false, 0});
    f.materials.push_back({"paint", "tiger_paint", 0, false, 0});
    f.materials.push_back({"ground", "t34_track", 0, true, 2});
    f.materials.push_back({"lost", "no_such_picture", 0, false, 1});
    return f;
}

ModelMesh box(const std::string& name, int32_t material, float half)
{
    MeshBuilder b;
    Shapes::box(b, {-half, -half, -half}, {half, half, half}, Paint{material, Uv::tile(16)});
    return b.build(name, {0, 0, half}, 32768);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: fuzz_model_seeds DATA_DIR OUT_DIR\n");
        return 2;
    }
    const std::string out = argv[2];
    std::filesystem::create_directories(out);

    ModelSet set = Models::build();
    for (const ModelMesh& m : set.m_file.meshes) {
        ModelFile one;
        one.materials = set.m_file.materials;
        one.meshes.push_back(m);
        save(out + "/mesh-" + m.name, one.bytes());
    }

    ModelFile empty;
    save(out + "/empty", empty.bytes());

    ModelFile boxes = materials();
    for (int32_t k = 0; k < 4; k++)
        boxes.meshes.push_back(box("box" + std::to_string(k), k, 1.0f + k));
    // A later mesh of an earlier name hides it from the game.
    boxes.meshes.push_back(box("box0", 1, 0.5f));
    save(out + "/boxes", boxes.bytes());

    ModelFile wrong = materials();
    ModelMesh slot = box("slot", 0, 1), alias = box("alias", 1, 1), material = box("material", 0, 1);
    slot.a[3] = static_cast<int16_t>(slot.x.size() + slot.alias.size());
    alias.alias.push_back(static_cast<int16_t>(alias.x.size()));
    material.material[2] = 4;
    wrong.meshes = {slot, alias, material, box("kept", 2, 1)};
    save(out + "/out-of-range", wrong.bytes());

    ModelFile odd = materials();
    ModelMesh corners = box("corners", 0, 1);
    corners.x.erase(corners.x.begin(), corners.x.end() - 8);
    corners.y.erase(corners.y.begin(), corners.y.end() - 8);
    corners.z.erase(corners.z.begin(), corners.z.end() - 8);
    corners.u.erase(corners.u.begin(), corners.u.end() - 8);
    corners.v.erase(corners.v.begin(), corners.v.end() - 8);
    corners.alias.clear();
    corners.a.clear();
    corners.b.clear();
    corners.c.clear();
    corners.material.clear();
    ModelMesh flat = box("flat", 1, 2);
    flat.b[0] = flat.a[0]; // two corners of one face at one place
    flat.size = 0x7FFFFFFF;
    flat.wy = -0x40000000;
    ModelMesh tiny = box("tiny", 2, 1);
    tiny.size = -1;
    odd.meshes = {corners, flat, tiny};
    save(out + "/odd", odd.bytes());

    // Cut inside the vertex arrays of the second mesh, and before the end
    // mark.
    std::vector<uint8_t> bytes = boxes.bytes();
    save(out + "/cut-in-mesh", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 3));
    save(out + "/no-end-mark", std::vector<uint8_t>(bytes.begin(), bytes.end() - 2));
    return 0;
}
