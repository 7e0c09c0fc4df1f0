#pragma once
#include <cstdint>

#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class V3dTexture;

// A material of the model file: a plain colour, or a texture whose pixels
// are attached later.
class V3dMaterial : public Object {
public:
    V3dMaterial();
    ~V3dMaterial() override;

    int32_t m_color = 0; // 0x00RRGGBB of an untextured material
    ref<String> m_name;
    // Every normal of a mesh whose first face uses this material points up.
    bool m_flat = false;
    ref<V3dTexture> m_texture;
};
