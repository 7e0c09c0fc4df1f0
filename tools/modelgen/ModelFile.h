#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The model file "p3d.bin" in memory, and its writer: a table of materials
// and a list of named meshes, all numbers big-endian.
struct ModelMaterial {
    std::string name;
    std::string texture; // empty for a plain colour
    int32_t color = 0;   // 0x00RRGGBB of a plain colour
    bool flat = false;   // every normal of a mesh starting with it points up
    uint8_t coordShift = 0;
};

// One mesh as stored: positions are fixed fractions scaled by size, the last
// eight vertices are the corners of the bounding box, faces name vertex slots
// (real vertices, then aliases).
struct ModelMesh {
    std::string name;
    int32_t size = 0;
    int32_t wx = 0, wy = 0, wz = 0;
    std::vector<int16_t> x, y, z, u, v;
    std::vector<int16_t> alias;
    std::vector<int16_t> a, b, c;
    std::vector<uint8_t> material;
};

class ModelFile {
public:
    // The file's bytes. Texts longer than 65535 bytes and tables longer than
    // their count fields are the caller's mistake and are cut.
    std::vector<uint8_t> bytes() const;
    bool write(const std::string& path, std::string* error = nullptr) const;

    std::vector<ModelMaterial> materials;
    std::vector<ModelMesh> meshes;
};
