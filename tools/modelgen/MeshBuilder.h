#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Geometry.h"
#include "ModelFile.h"

// How a face picks its texture coordinates, in texels of a 64 x 64 picture.
// Planar mappings look at the face from outside along one axis, so a picture
// is never mirrored: Auto takes the axis the face turns to most, AroundY
// wraps a picture around the vertical axis through the anchor. A decal maps
// 64 / density units around the anchor onto the whole picture; a tile maps
// density texels to a unit and repeats. Up the picture the density is
// densityUp when that is set, so a decal may cover a long, narrow panel.
// None gives every corner the same coordinates, for plain colours: faces
// then share their corners, which keeps the vertices few and curves smooth.
struct Uv {
    enum Mode { Auto, AroundY, None };
    Mode mode = Auto;
    float density = 10;
    Vec3 anchor{};
    bool decal = false;
    float densityUp = 0;

    static Uv tile(float density = 10) { return {Auto, density, {}, false}; }
    static Uv decalAt(Vec3 centre, float size) { return {Auto, 64.0f / size, centre, true}; }
    // The whole picture on a panel width across and height up (as the face
    // is seen from outside; on a roof, height runs towards the front).
    static Uv decalOn(Vec3 centre, float width, float height)
    {
        return {Auto, 64.0f / width, centre, true, 64.0f / height};
    }
    static Uv around(Vec3 axis, float density = 10) { return {AroundY, density, axis, false}; }
    static Uv none() { return {None, 0, {}, false}; }
};

// Collects the triangles of one mesh in floating point and writes them in the
// model file's form: shared vertices, smoothing through vertex aliases, the
// eight box corners and the size and offset the game's scale expects.
class MeshBuilder {
public:
    // A fresh smoothing group: faces of one group share the normals of the
    // corners they have in common, faces of different groups meet at a crease.
    int32_t newGroup() { return m_groups++; }

    // Triangle a, b, c counter-clockwise seen from outside.
    void tri(Vec3 a, Vec3 b, Vec3 c, int32_t material, int32_t group, const Uv& uv);
    void quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, int32_t material, int32_t group, const Uv& uv);

    // Brackets one closed solid: at the end its faces are turned outward if
    // they were built the other way round.
    void beginSolid() { m_solidStart = m_faces.size(); }
    void endSolid();

    // The mesh with its origin (the pivot of the part, in the vehicle's frame)
    // as its offset, for a game that scales it by scale.
    ModelMesh build(const std::string& name, Vec3 origin, int32_t scale) const;
    std::size_t triangles() const { return m_faces.size(); }

private:
    struct Face {
        Vec3 p[3];
        int32_t material;
        int32_t group;
        Uv uv;
    };
    std::vector<Face> m_faces;
    std::size_t m_solidStart = 0;
    int32_t m_groups = 0;
};
