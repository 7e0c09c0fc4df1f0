#pragma once
#include <cstdint>

#include "math/V.h"
#include "render3d/V3dModel.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class ByteReader;
class V3dMaterial;
class Vilib;

// The meshes and materials of one model file, and the loader that reads it.
// The game asks for meshes by name and hangs each on a sprite of its own;
// meshes are shared by every sprite that shows them, and each keeps a share
// of the material table, so a mesh still held draws alike after its library
// is gone.
//
// The file is big-endian throughout: a byte count of material records (name,
// texture name, then a colour, or the flat flag and the coordinate shift);
// then mesh records (name, size, placement, the vertex arrays, the aliases,
// the faces) until a mesh whose name is empty. A text is a 16-bit length and
// its bytes, length 0 standing for none.
class V3dLibrary : public V {
public:
    V3dLibrary();
    ~V3dLibrary() override;

    // Empties the library and makes the sine table when there is none.
    virtual void init();
    // Reads the file "/" + name + ".bin" in place of what the library held.
    // Bad input costs only the meshes it touches, with one line on standard
    // error each. lib is not used while reading (textureLoad attaches the
    // pictures).
    virtual void open(const ref<String>& name, const ref<Vilib>& lib);
    // The mesh of that name (the last of that name in the file), or null.
    virtual ref<V3dModel> lookupModel(const ref<String>& name);
    // Releases the textures whose names begin with prefix (and the
    // library's copies of them) and loads every other texture not loaded yet
    // from lib.
    virtual void textureLoad(const ref<Vilib>& lib, const ref<String>& prefix);
    // Empties the meshes and the material table and lets go of the
    // textures; meshes still held by sprites stay alive through their own
    // references, without materials.
    virtual void destroy();

    ref<V3dModel> m_all; // every mesh, newest first
    Array<ref<V3dMaterial>> m_material; // m_materialn entries and a null
    int32_t m_materialn = 0;

private:
    void releaseMeshes();
    // The material table and the meshes of the file.
    void readAll(ByteReader& in, const char* path);
    // One material record; false when the file ends inside it.
    static bool readMaterial(ByteReader& in, V3dMaterial& m);
    // The rest of one mesh record; why the file cannot be read on from
    // there (it ends in the mesh, a count is out of bounds), or null.
    static const char* readMesh(ByteReader& in, V3dModel& m);
    // A text item: null for length 0 or when the file ends inside it.
    static ref<String> readString(ByteReader& in);
};
