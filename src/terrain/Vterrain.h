#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/ref.h"
#include "scene/Viewport.h"
#include "scene/Vpicture.h"
#include "terrain/VpolyTerrain.h"

// The landscape seen from the eye: a sky gradient above and the textured,
// slope-shaded height field below, cast with one ray per screen column. It is
// a viewport with its own pixel buffer, so the last terrain picture is kept
// and only repainted when the eye moves or the ground changes; its children
// are flat pictures placed in the world, projected and drawn over it.
//
// The eye is the sprite's world position and m_heading; heading 0 looks
// toward -z, and the forward direction is (sin, 0, -cos). Terrain pixels carry
// their distance from the eye in whole units + 2 in the top byte, the depth
// that pictures and meshes are tested against; sky pixels carry 0xFF.
class Vterrain : public Viewport {
public:
    Vterrain(int32_t width, int32_t height, bool unused);
    ~Vterrain() override;

    // Copies the clip rectangle from the own buffer (repainting the terrain
    // there first when it is stale), or casts straight into the target when
    // there is no own buffer; then draws the children over it.
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1) override;
    void renderChangeDetect(int32_t ax, int32_t ay, int32_t scale) override;

    virtual void drawSprites(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                             int32_t y0, int32_t x1, int32_t y1);
    virtual void drawTerrain(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                             int32_t y0, int32_t x1, int32_t y1);
    virtual int32_t getHeading();
    virtual int32_t getHeight(int32_t x, int32_t z);
    // Turns the eye toward (x, z); the new heading.
    virtual int32_t lookAt(int32_t x, int32_t z);
    virtual void makeHole(int32_t x, int32_t y, int32_t z, int32_t r);
    virtual void makeSpire(int32_t x, int32_t z, int32_t h);
    virtual void move(int32_t d);
    virtual void renderTerrain();
    virtual int32_t rotateX(int32_t x, int32_t z);
    virtual int32_t rotateZ(int32_t x, int32_t z);
    virtual void setHeading(int32_t a);
    virtual void setHeight(int32_t h);
    virtual void setHorizon(int32_t row);
    virtual void setScreenCoords(const ref<Vsprite>& s);
    // Lifts the eye to the ground when it is below; the ground height.
    virtual int32_t setAboveGround();
    virtual void setSkyGradient(int32_t top, int32_t bottom);
    virtual void setWxhz(int32_t x, int32_t h, int32_t z);

    using Viewport::getHeight;

    ref<VpolyTerrain> m_polyTerrain;
    int32_t m_cos = 32768;
    int32_t m_sin = 0;
    int32_t m_horizon = 0;
    bool m_changed = false;
    Array<int32_t> m_sky;
    Array<int16_t> m_top;
    int32_t m_focal = 0; // projection distance in pixels

    static constexpr int32_t kFarDistance = 3072; // ray steps of 1/16 unit

private:
    // What every column of one drawing shares.
    struct Cast;
    // A ground style's texture as the ray caster reads it: 64 x 64 texels
    // with a row length, or none and a flat colour.
    struct Skin {
        const int32_t* texels;
        int32_t stride;
        int32_t colour;
        int32_t count; // texels, for the range checks
    };

    // Casts the ray of column x through rows [y0, y1) and paints sky above
    // the terrain up to row skyFrom.
    void castColumn(const Cast& c, int32_t* px, int32_t x, int32_t y0, int32_t y1, int32_t skyFrom);
    // The skin of each ground style is fetched once per terrain drawing, on
    // its first hit; the pictures are held until the drawing ends.
    void forgetSkins();
    const Skin& skin(int32_t style) { return (m_fetched >> style & 1) ? m_skins[style] : fetchSkin(style); }
    const Skin& fetchSkin(int32_t style);

    // The height map copied for one drawing so that the corners of a cell,
    // and of the cell half a cell on in x and z, lie at fixed offsets
    // without wrapping: rows a shift apart, the first two columns repeated
    // after the last and the first two rows after the last.
    static constexpr int32_t kRowShift = 9, kWrappedRow = 1 << kRowShift;
    void copyHeights();
    // The cell under (x, z) in the copy; its height at the 12-bit fractions.
    static const uint8_t* cellAt(const uint8_t* map, int32_t x, int32_t z)
    {
        return map + ((static_cast<uint32_t>(z) >> (16 - kRowShift)) & (255u << kRowShift)) +
               ((static_cast<uint32_t>(x) >> 16) & 255);
    }
    static int32_t heightIn(const uint8_t* cell, int32_t fx, int32_t fz)
    {
        return VpolyTerrain::blend(cell[0], cell[1], cell[kWrappedRow], cell[kWrappedRow + 1], fx, fz);
    }

    ref<Vpicture> m_textures[64];
    Skin m_skins[64] = {};
    uint64_t m_fetched = 0;
    Array<int8_t> m_heights;
};
