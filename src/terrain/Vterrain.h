#pragma once
#include <cstdint>
#include <memory>

#include "runtime/Array.h"
#include "runtime/ref.h"
#include "scene/Viewport.h"
#include "scene/Vpicture.h"
#include "terrain/HazedPictures.h"
#include "terrain/SpriteBands.h"
#include "terrain/TerrainCast.h"
#include "terrain/TerrainSky.h"
#include "terrain/TerrainThreads.h"
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
//
// The columns are shared out among the game thread and the view's workers,
// and cast one at a time or in packets of vector lanes (TerrainCast says
// how); every way gives the same pixels and column tops.
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
    // Casts rows [y0, y1) of columns [x0, x1) into the target, sky above
    // the ground; the middle column of the target looks straight ahead.
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

    // The sky as a panorama around the eye instead of the gradient, laid
    // out as TerrainSky says (a picture of any width and height). It turns
    // with the view and does not move with the eye. Null goes back to the
    // gradient.
    void setSkyPanorama(const ref<Vpicture>& picture);
    // The sky as picture i of lib, decoded straight into the last sky's
    // buffer when it is of its size: a new battle holds one sky, not two.
    // A picture that cannot be decoded goes back to the gradient.
    void setSkyPanorama(Vilib& lib, int32_t i);
    // Terrain pixels fade toward colour with their distance: not at all
    // nearer than near units, then more and more, to most/32768 of the
    // colour at the far end of the rays. most 0 turns the haze off.
    void setHaze(int32_t colour, int32_t near, int32_t most);
    // The share of the haze colour (0..32768) at a depth byte.
    int32_t hazeAt(int32_t depth) const;
    // The opacity of a thing on the land (a hazed child) at z units, by its
    // nearness and how far aside the middle of the view it stands; once
    // keepInSight has been told what the player must see, only a thing
    // that covers it (or the middle of the view) fades, unless it is very
    // near the eye.
    int32_t thingAlpha(const Vsprite& s, int32_t z) const;
    // What the player must see: a ball of radius units around the world
    // point (wx, wy, wz), as the eye now sees it (call after moving the eye).
    // Things on the land fade out of its way, not out of the whole middle
    // of the view. Radius 0 (or a point behind the eye) forgets it.
    void keepInSight(int32_t wx, int32_t wy, int32_t wz, int32_t radius);
    int32_t hazeColour() const { return m_haze.colour; }
    // The panorama's mean colour on the horizon, the colour haze fades to.
    int32_t horizonColour() const;
    // Children showing pictures first .. first + count - 1 of lib fade into
    // the haze with their distance too (after setHaze); count 0 stops it.
    void hazeChildren(const ref<Vilib>& lib, int32_t first, int32_t count);

    // How the rays are cast: one column at a time (the reference), or
    // several at once in the vector lanes of AVX2 or AVX-512. The fastest
    // the processor has is the default; a path it lacks falls back to the
    // next one it has.
    enum CastPath : int32_t { kScalarPath, kAvx2Path, kAvx512Path };
    static bool supports(CastPath path);
    void setCastPath(CastPath path) { m_castPath = path; }
    CastPath castPath() const;
    // Threads that cast columns: the game thread and count - 1 workers of
    // the view's own, kept between drawings (1..kMaxThreads; the default is
    // two where there are two cores or more).
    void setThreads(int32_t count);
    int32_t threads() const { return m_threadCount; }
    static int32_t defaultThreads();
    static constexpr int32_t kMaxThreads = 8;
    // The terrain drawn at half the width and height and shown twice the
    // size, for large screens or slow machines; children keep the full
    // resolution. Only a view with its own buffer draws at half resolution.
    void setHalfResolution(bool half);
    bool halfResolution() const { return m_half; }

    ref<VpolyTerrain> m_polyTerrain;
    int32_t m_cos = 32768;
    int32_t m_sin = 0;
    int32_t m_horizon = 0;
    bool m_changed = false;
    Array<int32_t> m_sky;
    Array<int16_t> m_top;
    int32_t m_focal = 0; // projection distance in pixels

    static constexpr int32_t kFarDistance = TerrainCast::kFarDistance;

private:
    // The view's worker threads (m_threadCount - 1 of them), started when first needed.
    TerrainThreads& workers();
    // Where the panorama's rows and columns fall on one size of drawing, and
    // the heading its sky rows above the terrain were last painted at.
    struct SkyTables {
        Array<int32_t> rows, angles;
        int32_t focal = -1, horizon = 0, width = -1, height = -1;
        int32_t painted = -1;
    };
    // Where one drawing goes and how it projects: the view's own size, or
    // the half-resolution picture.
    struct Frame {
        int32_t focal, horizon;
        const Array<int32_t>* sky;
        Array<int16_t>* top;
        bool own;
        SkyTables* tables;
    };
    // Casts the rows and columns [x0, x1) x [y0, y1) into pixels; own: it
    // holds the last frame, so sky rows above the old column tops stay.
    void cast(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1,
              int32_t y1, bool own, SkyTables& tables);
    // Describes the drawing of c's rows and columns into the target (as
    // sky alone when the view has nothing to cast from).
    void describe(TerrainCast& c, const Frame& f, const Array<int32_t>& pixels, int32_t width);
    // Paints the columns of c, on the view's threads where it may.
    void paint(TerrainCast& c);
    static void paintShare(void* cast, int32_t thread);
    // Casts the ray of column x through rows [y0, y1) and paints sky above
    // the terrain from row skyFrom: the reference caster.
    static void castColumn(const TerrainCast& c, int32_t x, int32_t skyFrom);
    void drawHalf(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0, int32_t x1,
                  int32_t y1);
    void paintHalf(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    // Where the world point (wx, wy, wz) falls on the view (cx, cy, 15
    // fraction bits), its depth and the scale at that depth (30 fraction
    // bits); false when it lies behind the eye or beyond the land.
    bool project(int32_t wx, int32_t wy, int32_t wz, int32_t& cx, int32_t& cy, int32_t& depth, int64_t& k) const;
    // Puts keepInSight's region where the eye now sees it.
    void placeSight();
    // Brings t up to date for a drawing; true when the sky rows above the
    // column tops must be painted again.
    bool skyTables(SkyTables& t, int32_t focal, int32_t horizon, int32_t width, int32_t height);
    // Notes that a drawing painted the whole sky at the heading.
    void skyPainted(const TerrainCast& c, SkyTables& t);
    Array<int32_t> m_panorama;
    int32_t m_panoramaWidth = 0, m_panoramaHeight = 0;
    SkyTables m_skyFull, m_skyHalf, m_skyDirect; // the own buffer's, the half one's, a target's
    TerrainCast::Haze m_haze;
    ref<HazedPictures> m_hazedChildren;
    // keepInSight's ball, and on the screen with the middle of the view:
    // the region things fade out of (empty: none).
    struct Sight {
        int32_t wx = 0, wy = 0, wz = 0, radius = 0;
    } m_sight;
    int32_t m_sightX0 = 0, m_sightY0 = 0, m_sightX1 = 0, m_sightY1 = 0, m_sightRadius = 0;

    CastPath m_castPath = kAvx512Path;
    int32_t m_threadCount = defaultThreads();
    std::unique_ptr<TerrainThreads> m_workers; // made when first needed (workers())
    SpriteBands m_spriteBands; // this frame's pictures over the ground
    bool m_movedLastFrame = false; // the last drawing cast the whole view again
    bool m_ownStale = false;       // the last one was cast into the target, not m_pixels
    bool m_half = false;
    Array<int32_t> m_halfPixels;
    Array<int32_t> m_halfSky;
    Array<int16_t> m_halfTop;
    int32_t m_halfWidth = 0, m_halfHeight = 0;
};
