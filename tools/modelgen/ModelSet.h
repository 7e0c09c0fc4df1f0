#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "Geometry.h"
#include "MeshBuilder.h"
#include "ModelFile.h"
#include "Shapes.h"
#include "VehicleTextures.h"

// The model file being built: one material per texture or colour, shared by
// the vehicles, and the meshes in the order they are added.
class ModelSet {
public:
    // Paint with the texture, mapped by uv (a tile by default).
    Paint textured(VehicleTexture t, const Uv& uv = Uv::tile());
    // Paint in a plain colour, for surfaces a picture would add nothing to;
    // its faces carry no texture coordinates.
    Paint plain(const std::string& name, uint32_t rgb);
    // Adds the mesh of b with its origin at the part's pivot (vehicle frame).
    void add(const std::string& name, const MeshBuilder& b, Vec3 origin, int32_t scale);

    ModelFile m_file;
    std::map<std::string, int32_t> m_triangles; // by mesh name

private:
    int32_t material(const ModelMaterial& m);
};
