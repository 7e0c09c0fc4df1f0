#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class V3dMaterial;
class V3dModel;

// Defined with the mesh class (sprites hold meshes by a forward declaration).
template <>
ref<V3dModel>::~ref();

// One named mesh of the model file (V3dLibrary reads them).
//
// Vertex coordinates are fixed fractions (-1.0 .. just under 1.0) that
// m_size scales to world units. The last eight vertices are the corners of
// the bounding box; the renderer projects them to find the mesh on screen.
// Faces refer to vertex slots: slots below m_vertices are the real vertices,
// the ones above are aliases, which take the position and texture
// coordinates of a real vertex but have a normal of their own, so that a
// corner can be sharp on one side of an edge and smooth on the other.
class V3dModel : public V {
public:
    V3dModel();
    ~V3dModel() override;

    // f faces, all zero.
    virtual void allocFaces(int32_t f);
    // n vertices (the box corners included), all zero.
    virtual void allocVertices(int32_t n);
    // Rewrites the eight box corners from the other vertices.
    virtual void calcExtent();
    // Scales the size and the placement offset (fixed s) once.
    virtual void scale(int32_t s);
    virtual void setWxyz(int32_t x, int32_t y, int32_t z);

    // Builds the unit normal of every slot from the faces around it and
    // allocates the shades. Runs once, on the mesh's first lighting.
    void normals();
    // The real vertex a face slot stands for.
    int32_t resolve(int32_t slot) const
    {
        return slot < m_vertices ? slot : m_alias.a[slot - m_vertices];
    }
    int32_t faceCount() const { return m_faceA.length; }

    // Why the mesh cannot be drawn safely (a slot, alias or material out of
    // its tables), or null when it can.
    const char* fault() const;

    Array<int16_t> m_faceA, m_faceB, m_faceC; // vertex slots of each face
    Array<int8_t> m_faceMaterial;             // index into m_materials
    Array<int16_t> m_alias;                   // real vertex of each alias slot
    bool m_scaled = false;
    Array<int16_t> m_vx, m_vy, m_vz; // positions, fixed fractions
    Array<int16_t> m_vu, m_vv;       // texture coordinates
    int32_t m_size = 0;              // fixed scale of the positions
    int32_t m_wx = 0, m_wy = 0, m_wz = 0; // placement in the parent, fixed
    // The model-space light the shades were computed for.
    int32_t m_lightX = 0, m_lightY = 0, m_lightZ = 0;
    int32_t m_vertices = 0; // real vertices: the vertex count less the corners
    Array<int16_t> m_nx, m_ny, m_nz; // unit normal per slot, 32767 = 1.0
    Array<int16_t> m_shade;          // light per slot: -32768 dark .. 0 lit
    ref<String> m_name;
    ref<V3dModel> m_next;

    // The material table of the file the mesh came from, shared with its
    // library (V3dLibrary).
    Array<ref<V3dMaterial>> m_materials;
};
