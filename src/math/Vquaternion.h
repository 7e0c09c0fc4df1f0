#pragma once
#include <cstdint>

#include "math/V.h"
#include "math/Vector.h"
#include "runtime/String.h"
#include "runtime/ref.h"

class Vmat;

// Orientation of a physical body; a unit quaternion has w²+x²+y²+z² = 1.0.
// A new quaternion is zero: callers set it before use.
class Vquaternion : public V {
public:
    Vquaternion() = default;

    virtual void add(const ref<Vquaternion>& q);
    virtual void setMatrix(const ref<Vmat>& m);
    virtual void multiply(int32_t s);
    virtual void multiply(const ref<Vquaternion>& q, const ref<Vector>& v);
    virtual void normalize();
    virtual void print(const ref<String>& title);
    virtual void set(int32_t w, int32_t x, int32_t y, int32_t z);
    virtual void setHeadingBankPitch(int32_t heading, int32_t bank, int32_t pitch);

    int32_t m_w = 0;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_z = 0;
};
