#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// The pixels of one model texture: a picture of an image library, attached
// by V3dLibrary::textureLoad and released again when its vehicle family is not
// in play. The rasterizer indexes square power-of-two pictures only.
class V3dTexture : public Object {
public:
    V3dTexture();
    ~V3dTexture() override;

    // Stores the picture; m_shift becomes log2 of the side when the picture
    // is square with a power-of-two side and keeps its value otherwise.
    virtual void set(const ref<String>& name, const Array<int32_t>& pixels, int32_t width,
                     int32_t height, bool transparent);

    // Whether the pixels can be indexed as a square of side 1 << m_shift.
    bool usable() const;

    ref<String> m_name;
    int32_t m_shift = 0;      // log2 of the side
    int32_t m_coordShift = 0; // extra texture-coordinate shift from the model file
    bool m_transparent = false;
    int32_t m_width = 0;
    int32_t m_height = 0;
    Array<int32_t> m_pixels; // empty while unloaded
};
