#pragma once
#include <cstdint>

#include "math/Vmat.h"
#include "runtime/Array.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class V3dModel;
class Vilib;
class Vquaternion;
class Vtext;
class Vtheme;

// Meshes belong to render3d, which builds on this folder; the destructor of
// the mesh handle is defined there, where the mesh class is complete.
template <>
ref<V3dModel>::~ref();

// A node of the sprite tree: a rectangle placed relative to its parent, drawn
// from a picture, a solid or blended colour or a vertical gradient, with
// children drawn over it. Change detection turns any change of position, size,
// picture, colour or opacity into dirty rectangles for the root viewport, and
// drawing repaints any screen rectangle back to front. A sprite that carries
// a mesh (m_model) is placed and drawn by the enclosing 3D view.
//
// Positions, scales and alphas are fixed point (32768 = one); screen
// rectangles are whole pixels with x1 and y1 exclusive. Parent and child hold
// counted references to each other, so a linked tree stays alive until it is
// taken apart with remove, removeAll or removeAllStar.
class Vsprite : public Vmat {
public:
    Vsprite();
    ~Vsprite() override;

    // Links c before the first child that lies nearer (smaller z); a sprite
    // that already has a parent is ignored.
    virtual void add(const ref<Vsprite>& c);
    // Stacking: each places the child relative to this panel, grows the panel
    // and links the child last, the theme's inset the margin. The forms
    // taking a text stack a new Vtext showing it in the theme's font and
    // colour (with a field of width digits) and return it.
    virtual ref<Vtext> addBs(const ref<Vtheme>& theme, const ref<String>& text);
    virtual ref<Vtext> addBottom(const ref<Vtheme>& theme, const ref<String>& text, int32_t width);
    virtual void addBottom(const ref<Vtheme>& theme, const ref<Vsprite>& s);
    virtual void addCenter(const ref<Vsprite>& s);
    virtual ref<Vtext> addCenterBs(const ref<Vtheme>& theme, const ref<String>& text);
    virtual ref<Vtext> addCenterBottom(const ref<Vtheme>& theme, const ref<String>& text, int32_t width);
    virtual void addCenterBottom(const ref<Vtheme>& theme, const ref<Vsprite>& s);
    virtual void addRight(const ref<Vsprite>& s, int32_t gap);
    // Links c last whatever its depth; a sprite that already has a parent is
    // ignored.
    virtual void addTail(const ref<Vsprite>& c);
    virtual void addWxyz(int32_t dx, int32_t dy, int32_t dz);
    virtual void addXy(int32_t dx, int32_t dy);
    // Places the sprite centred in the pixel box, but never below its bottom.
    virtual void center(int32_t left, int32_t top, int32_t right, int32_t bottom);
    virtual int32_t checksum(int32_t ax, int32_t ay, int32_t scale);
    // Draws this sprite and its subtree into pixels (width x height words),
    // touching only the clip rectangle [x0, x1) x [y0, y1).
    virtual void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                      int32_t y0, int32_t x1, int32_t y1);
    virtual void drawChildren(const Array<int32_t>& pixels, int32_t width, int32_t height,
                              int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Draws the 3D sprite s clipped to the rectangle; only a 3D view draws.
    virtual void drawModel(const ref<Vsprite>& s, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Fills [x0, x1) x [y0, y1) with color at opacity alpha & 255.
    virtual void drawRect(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                          int32_t y0, int32_t x1, int32_t y1, int32_t color, int32_t alpha);
    virtual void drawRow(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0,
                         int32_t y, int32_t x1, int32_t color, int32_t alpha);
    // Asks for the subtree's current rectangles to be redrawn and makes the
    // next change detection see it as changed.
    virtual void erase();
    virtual int32_t getAlpha();
    virtual ref<Vsprite> getChild();
    virtual int32_t getHeight();
    virtual int32_t getId();
    virtual int32_t getImage();
    virtual ref<Vsprite> getParent();
    virtual int32_t getScale();
    virtual int32_t getWidth();
    virtual int32_t getWx();
    virtual int32_t getWy();
    virtual int32_t getWz();
    virtual int32_t getX();
    virtual int32_t getY();
    virtual bool isLinked();
    virtual void off();
    virtual bool pick(int32_t x, int32_t y);
    virtual void redraw();
    virtual void redraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Makes the sprite's picture the first candidate of the next eviction.
    virtual void releaseImage();
    virtual void remove(const ref<Vsprite>& c);
    virtual void removeAll();
    virtual void removeAllStar();
    virtual void render();
    // Recomputes the layout of this subtree below a parent at (px, py) drawn
    // at scale pscale, reporting the old and new rectangle of what changed.
    virtual void renderChangeDetect(int32_t px, int32_t py, int32_t pscale);
    virtual void rescale(int32_t ax, int32_t ay, int32_t scale);
    // This sprite's own part of change detection, at absolute position
    // (ax, ay) and scale s: a changed checksum repaints the old rectangle
    // and the new one. Groups (width 0) have none.
    void detectChange(int32_t ax, int32_t ay, int32_t s);
    virtual void setAlpha(int32_t alpha);
    virtual void setCenter(int32_t cx, int32_t cy);
    virtual void setColor(int32_t color);
    virtual void setColorGradient(int32_t color);
    virtual bool setExtent(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    virtual void setId(int32_t id);
    virtual void setImage(int32_t index);
    virtual void setImage(const ref<Vilib>& lib, int32_t index);
    virtual void setScale(int32_t scale);
    virtual void setWidthHeight(int32_t w, int32_t h);
    virtual void setWxyz(int32_t x, int32_t y, int32_t z);
    virtual void setXyi(int32_t x, int32_t y);
    virtual void setXy(int32_t x, int32_t y);
    virtual void setZ(int32_t z);
    virtual void sound(const ref<String>& name);
    virtual void soundBkg(const ref<String>& name, int32_t interval);

    ref<V3dModel> m_model; // mesh drawn by the enclosing 3D view, or null
    int32_t m_alpha = 32768;
    // Of a 3D view's node with meshes below it: the share of their light
    // taken away (of 32768), charred black; 0 for none.
    int32_t m_soot = 0;
    ref<Vsprite> m_child;
    ref<Vsprite> m_parent;
    ref<Vsprite> m_sibling;
    int32_t m_color = 0;         // 0xAARRGGBB, AA the opacity; 0 = none
    int32_t m_colorGradient = 0; // end colour of a gradient from black; 0 = none
    int32_t m_checksum = 0;
    // Angles kept for the 3D, terrain and vehicle classes; unused here.
    int32_t m_heading = 0;
    int32_t m_roll = 0;
    int32_t m_pitchAngle = 0;
    int32_t m_id = 0;
    ref<Vilib> m_lib;
    int32_t m_image = -1;
    ref<Vmat> m_mat;
    ref<Vquaternion> m_quat;
    int32_t m_scale = 32768;
    int32_t m_drawScale = 0;
    int32_t m_maxScale = 0x7FFFFFFF;
    // Screen rectangle and top-left corner at the last change detection.
    int32_t m_x0 = 0, m_y0 = 0, m_x1 = 0, m_y1 = 0;
    int32_t m_sx = 0, m_sy = 0;
    int32_t m_x = 0, m_y = 0; // relative to the parent, fixed
    int32_t m_z = 0;          // larger is farther back
    int32_t m_width = 0;      // 0 marks a group node
    int32_t m_height = 0;
    int32_t m_cx = 0, m_cy = 0; // hot spot in pixels
    int32_t m_wx = 0, m_wy = 0, m_wz = 0;
};
