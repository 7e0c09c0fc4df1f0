#pragma once
#include <cstdint>

#include "math/V.h"
#include "math/Vector.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// 4x4 fixed-point matrix for row vectors: p' = p * M, translation in row 3.
// Concatenating appends a transformation in the parent's frame. A new matrix
// is the identity. Two-vector operations take the destination first; it may
// be the source.
class Vmat : public V {
public:
    Vmat() = default;

    virtual int32_t checksumMatrix();
    virtual void concat(int32_t b00, int32_t b01, int32_t b02, int32_t b03, int32_t b10, int32_t b11,
                        int32_t b12, int32_t b13, int32_t b20, int32_t b21, int32_t b22, int32_t b23,
                        int32_t b30, int32_t b31, int32_t b32, int32_t b33);
    virtual void identity();
    virtual void multiply(const ref<Vmat>& b);
    virtual void print(const ref<String>& title);
    virtual void rotate(const ref<Vector>& v);
    virtual void rotate(const ref<Vector>& out, const ref<Vector>& in);
    virtual void rotateInverse(const ref<Vector>& out, const ref<Vector>& in);
    virtual void rotateX(int32_t angle);
    virtual void rotateY(int32_t angle);
    virtual void rotateZ(int32_t angle);
    virtual void scale(int32_t s);
    virtual void set(int32_t b00, int32_t b01, int32_t b02, int32_t b03, int32_t b10, int32_t b11,
                     int32_t b12, int32_t b13, int32_t b20, int32_t b21, int32_t b22, int32_t b23,
                     int32_t b30, int32_t b31, int32_t b32, int32_t b33);
    virtual void set(const ref<Vmat>& b);
    virtual void setRotation(const ref<Vmat>& b);
    virtual void translate(int32_t x, int32_t y, int32_t z);
    virtual void transform(const ref<Vector>& v);
    virtual void transform(const ref<Vector>& out, const ref<Vector>& in);

    int32_t m00 = 32768, m01 = 0, m02 = 0, m03 = 0;
    int32_t m10 = 0, m11 = 32768, m12 = 0, m13 = 0;
    int32_t m20 = 0, m21 = 0, m22 = 32768, m23 = 0;
    int32_t m30 = 0, m31 = 0, m32 = 0, m33 = 32768;
};
