#pragma once
#include <atomic>
#include <cstdint>

#include "math/Vector.h"
#include "runtime/Array.h"
#include "runtime/ref.h"
#include "scene/Viewport.h"

// The viewport that shows 3D meshes, and the camera that looks at them: its
// own world position and heading are the camera's. This is the sizing part:
// a new screen size requested by the host thread is only recorded, and the
// game thread applies it between frames in screenResize, so the pixel buffer
// never changes under a frame being drawn.
class V3dView : public Viewport {
public:
    V3dView();
    ~V3dView() override;

    // Any thread: records the size; the first sizing is applied at once.
    void setWidthHeight(int32_t w, int32_t h) override;

    // Game thread: applies a recorded size; true when the size changed.
    virtual bool screenResize();
    // Vertical position of the projection centre, as a fraction of the height.
    virtual void setHorizon(int32_t h);

    int32_t m_focal = 0;       // projection distance in pixels
    int32_t m_horizon = 16384; // fixed, 0.5 by default
    ref<Vector> m_light;
    ref<Vsprite> m_node3d;
    int32_t m_pitch = 0;   // camera pitch, angle
    int32_t m_centerX = 0; // projection centre, fixed pixels
    int32_t m_centerY = 0;
    ref<Vector> m_work;
    // The size last asked for; written by the host thread on a resize.
    std::atomic<int32_t> m_newWidth{0};
    std::atomic<int32_t> m_newHeight{0};
    int32_t m_clipX0 = 0, m_clipY0 = 0, m_clipX1 = 0, m_clipY1 = 0;
    int32_t m_far = 0x7FFFFFFF; // far limit of eye depth, fixed
    Array<int16_t> m_zbuf;      // low 15 bits of the depth of each pixel
};
