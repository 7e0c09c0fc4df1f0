#pragma once
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "math/Vector.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/Viewport.h"

class V3dLibrary;
class V3dMaterial;
class V3dModel;

// The viewport that shows 3D meshes, and the camera that looks at them: its
// own world position, heading (m_heading) and m_pitch are the camera's, and
// its sprite matrix m_mat is the camera matrix.
//
// A child sprite that carries a mesh (or a group holding such sprites) is a
// 3D node placed by its own matrix and world offset relative to its parent.
// Each frame change detection composes every node's eye-space matrix and
// projects only the eight box corners of meshes whose matrix changed, so a
// still scene costs no vertex transforms at all; the sprite system then
// repaints the changed rectangles and calls drawModel for each mesh in them.
//
// Sizing: the host thread may ask for a new size at any time; the request is
// recorded and the game thread applies it between frames in screenResize, so
// the buffers never change under a frame being drawn.
class V3dView : public Viewport {
public:
    // One corner of a triangle on its way to the screen: eye position, texture
    // coordinates (shifted left 15), screen position (fixed pixels), 2^45 /
    // depth (or kNear for a corner too close) and shade (-2^23 .. 0).
    struct EyeVertex {
        int32_t xe = 0, ye = 0, ze = 0, u = 0, v = 0, xt = 0, yt = 0, zt = 0, shade = 0;
    };
    // A corner of a small triangle ready to fill.
    struct EdgeVertex {
        int32_t x = 0, y = 0, z = 0, u = 0, v = 0, shade = 0;
    };
    // The mark of a vertex nearer than 2.0 (not projected).
    static constexpr int32_t kNear = 0x20000000;

    V3dView();
    ~V3dView() override;

    // Paints s's mesh inside [x0, x1) x [y0, y1): transform, light, fill.
    void drawModel(const ref<Vsprite>& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    // Once a frame, from render: camera, light and the walk of the 3D tree.
    void renderChangeDetect(int32_t x, int32_t y, int32_t scale) override;
    // Any thread: records the size; the first sizing is applied at once.
    void setWidthHeight(int32_t w, int32_t h) override;
    void destroy() override;
    // Blanks the picture, depths included (their low bits stay between
    // frames), and marks it all to be drawn: what comes next draws on
    // nothing left by what was shown before.
    void clearScreen();

    // A new sprite showing the named mesh of m_models (none when there is
    // no such mesh).
    virtual ref<Vsprite> loadModel(const ref<String>& name);
    virtual void loadModel(const ref<String>& name, const ref<Vsprite>& s);
    // Moves the camera onto the z axis at the distance at which the tree
    // fills the view; a (fixed) above one comes nearer.
    virtual void lookAt(int32_t a);
    // Walks first and its siblings below a node whose eye matrix is parent.
    virtual void renderChangeDetect(const ref<Vsprite>& first, const ref<Vmat>& parent);
    // Game thread: applies a recorded size; true when the size changed.
    virtual bool screenResize();
    // Vertical position of the projection centre, as a fraction of the height.
    virtual void setHorizon(int32_t h);
    // The haze meshes fade into with their distance, as the land around
    // them does: shares[d] (of 32768) of colour at depth byte d, whole units
    // from the eye + 2 (the land's depth code); an empty table turns it off.
    void setHaze(int32_t colour, std::span<const int32_t> shares);
    // The node right under the view that holds s's mesh: a vehicle's parts
    // fade into the haze and char alike, by its depth and its m_soot.
    const Vsprite& topOf(const Vsprite& s) const;
    // The share of the haze for s's mesh, by the depth of topOf(s).
    int32_t hazeOf(const Vsprite& s) const;
    // Vertices first .. count - 1 of m to eye and screen space through mat;
    // from 0 it also relights the mesh.
    virtual void transform(const ref<V3dModel>& m, const ref<Vmat>& mat, int32_t first, int32_t count);
    // Gives other this view's camera and size.
    virtual void viewCopy(const ref<V3dView>& other);
    // Where the world point (x, y, z) falls on the screen from the camera as
    // it stands now (not as last drawn): pixels, and its eye depth (fixed);
    // false when it lies behind the eye or nearer than 2.0.
    bool screenPoint(int32_t x, int32_t y, int32_t z, int32_t& sx, int32_t& sy, int32_t& depth);
    // Whether a ball of radius r (fixed) around (x, y, z) shows on the screen
    // from the camera as it stands now, within the far limit.
    bool sees(int32_t x, int32_t y, int32_t z, int32_t r);
    // The mesh inspector: arrows turn the mesh, '+' and '-' move the camera
    // nearer and farther, 'u' and 'd' up and down, Escape (6) leaves.
    virtual void viewer(const ref<String>& name);
    // Outlines a front-facing triangle whose corners are all in front.
    virtual void wire(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c);
    // A black line between two screen points (fixed pixels), clipped.
    virtual void wire2(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

    // The size last asked for, read as one pair.
    int32_t newWidth() const { return static_cast<int32_t>(m_newSize.load() >> 32); }
    int32_t newHeight() const { return static_cast<int32_t>(m_newSize.load() & 0xFFFFFFFFu); }

    int32_t m_focal = 0;       // projection distance in pixels
    int32_t m_horizon = 16384; // fixed, 0.5 by default
    ref<Vector> m_light;       // light direction in eye space
    ref<V3dMaterial> m_currentMaterial;
    ref<Vsprite> m_node3d; // always walked as a 3D node
    int32_t m_pitch = 0;   // camera pitch, angle
    int32_t m_centerX = 0; // projection centre, fixed pixels
    int32_t m_centerY = 0;
    ref<Vector> m_work;
    ref<Vmat> m_sight; // the camera of screenPoint
    // Width (high half) and height of the size last asked for: one word, so
    // the game thread never sees a new width with an old height.
    std::atomic<uint64_t> m_newSize{0};
    int32_t m_clipX0 = 0, m_clipY0 = 0, m_clipX1 = 0, m_clipY1 = 0;
    int32_t m_far = 0x7FFFFFFF; // far limit of eye depth, fixed
    Array<int16_t> m_zbuf;      // low 15 bits of the depth of each pixel
    // The meshes this view shows by name (loadModel), as a sprite holds its
    // image library.
    ref<V3dLibrary> m_models;

    // Eye and screen coordinates of the vertices of the last transform.
    static Array<int32_t> m_xe, m_ye, m_ze, m_xt, m_yt, m_zt;
    // Calls of transform since the start (a still scene adds none).
    static int64_t m_transforms;

    // Rasterizer steps, public for the tests.
    void subeye(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c);
    void subedge(const EdgeVertex& t, const EdgeVertex& l, const EdgeVertex& r);
    // Makes m the material of the faces that follow.
    void bindMaterial(const ref<V3dMaterial>& m);
    // The faces that follow are faded share/32768 of the way into the haze,
    // their light first dimmed by soot/32768.
    void bindHaze(int32_t share, int32_t soot = 0);

private:
    // Screen coordinate centre + k * e / 2^30 (minus for y, which runs
    // down), kept within +-32768 pixels.
    static int32_t project(int32_t centre, int64_t k, int32_t e, bool down)
    {
        // k is below 2^43, so an eye coordinate under 2^20 (32 units)
        // leaves the product in 64 bits; beyond, it may need more.
        int64_t d;
        if (e > -(1 << 20) && e < (1 << 20))
            d = (k * e) >> 30;
        else
            d = static_cast<int64_t>(std::clamp<__int128>((static_cast<__int128>(k) * e) >> 30, -(INT64_C(1) << 31),
                                                          INT64_C(1) << 31));
        int64_t v = down ? centre - d : centre + d;
        return static_cast<int32_t>(std::clamp<int64_t>(v, -(INT64_C(1) << 30), INT64_C(1) << 30));
    }
    static void packSize(std::atomic<uint64_t>& to, int32_t w, int32_t h);
    // Camera, light and the walk of the 3D tree, without the view's own
    // rectangle.
    void detect3d();
    void releaseDepth();
    // subedge's fill, with the corners' shades already dimmed by the haze.
    void fillTriangle(const EdgeVertex& t, const EdgeVertex& l, const EdgeVertex& r);
    // Shades of every slot of m for the light (lx, ly, lz) in model space.
    static void light(V3dModel& m, int32_t lx, int32_t ly, int32_t lz);
    // Whether the triangle lies wholly beyond one side of the clip rectangle
    // as seen from the eye.
    bool outsideClip(const EyeVertex& a, const EyeVertex& b, const EyeVertex& c) const;
    // Re-links the view's children so that they run farthest first.
    void sortChildren();
    void changeBillboard(Vsprite* s, Vmat* m);
    void changeMesh(Vsprite* s, const ref<Vmat>& m);
    // Widens (x0, y0, x1, y1) by the screen boxes of the meshes from s on,
    // their siblings and subtrees; false when there are none.
    static bool meshBox(const Vsprite* s, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1);

    // Width of the buffer last applied, for the first-sizing test of the
    // host thread.
    std::atomic<int32_t> m_sizedWidth{0};
    // The texture of the current material, or a one-texel picture of its
    // colour: texel (u, v) is m_tex[((u >> m_texS) & m_texMask) +
    // ((((~v) >> m_texS) & m_texMask) << m_texShift)]; black until a
    // material is bound.
    const int32_t* m_tex = m_plain;
    int32_t m_texShift = 0;
    int32_t m_texMask = 0;
    int32_t m_texS = 0;
    int32_t m_plain[1] = {0};
    int32_t m_subDepth = 0; // recursion depth of subeye
    // By depth byte; all 0 without haze.
    std::array<int32_t, 256> m_hazeShares{};
    int32_t m_hazeColour = 0;
    // Of the faces being drawn (bindHaze): the part of their light kept (of
    // 32768), and the haze colour's part added to every pixel.
    int32_t m_hazeKeep = 32768;
    int32_t m_hazeAdd = 0;
};
