#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// Three fixed-point components, mutable in place: every operation changes this
// vector and only reads the others (which may be this one).
class Vector : public V {
public:
    Vector() = default;
    Vector(int32_t x, int32_t y, int32_t z) : m_x(x), m_y(y), m_z(z) {}

    virtual void add(const ref<Vector>& v);
    virtual void add(int32_t dx, int32_t dy, int32_t dz);
    virtual void crossProduct(const ref<Vector>& a, const ref<Vector>& b);
    virtual void crossProductNormalized(const ref<Vector>& a, const ref<Vector>& b);
    virtual void divide(int32_t d);
    virtual int32_t dotProduct(const ref<Vector>& v);
    virtual int64_t dotProductLong(const ref<Vector>& v);
    virtual bool equals(const ref<Vector>& v);
    virtual int64_t magnitudeSquaredLong();
    virtual int32_t magnitude();
    virtual int32_t magnitudeApprox();
    virtual void mulAdd(const ref<Vector>& v, int32_t s);
    virtual void multiply(int32_t s);
    virtual void negate();
    virtual void normalize();
    virtual void print(const ref<String>& title);
    virtual void set(const ref<Vector>& v);
    virtual void sub(const ref<Vector>& v);

    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_z = 0;
};
