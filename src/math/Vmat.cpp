#include "math/Vmat.h"

#include <cstdio>

namespace {
constexpr int32_t ONE = 32768;
}

int32_t Vmat::checksumMatrix()
{
    return m00 + m01 + m02 + m10 + m11 + m12 + m20 + m21 + m22 + m30 + m31 + m32;
}

void Vmat::concat(int32_t b00, int32_t b01, int32_t b02, int32_t b03, int32_t b10, int32_t b11,
                  int32_t b12, int32_t b13, int32_t b20, int32_t b21, int32_t b22, int32_t b23,
                  int32_t b30, int32_t b31, int32_t b32, int32_t b33)
{
    // One row at a time, read before it is overwritten; each entry sums four
    // exact products in 64 bits and shifts once.
    auto row = [&](int32_t& r0, int32_t& r1, int32_t& r2, int32_t& r3) {
        int64_t a0 = r0, a1 = r1, a2 = r2, a3 = r3;
        r0 = static_cast<int32_t>((a0 * b00 + a1 * b10 + a2 * b20 + a3 * b30) >> 15);
        r1 = static_cast<int32_t>((a0 * b01 + a1 * b11 + a2 * b21 + a3 * b31) >> 15);
        r2 = static_cast<int32_t>((a0 * b02 + a1 * b12 + a2 * b22 + a3 * b32) >> 15);
        r3 = static_cast<int32_t>((a0 * b03 + a1 * b13 + a2 * b23 + a3 * b33) >> 15);
    };
    row(m00, m01, m02, m03);
    row(m10, m11, m12, m13);
    row(m20, m21, m22, m23);
    row(m30, m31, m32, m33);
}

void Vmat::identity()
{
    set(ONE, 0, 0, 0, 0, ONE, 0, 0, 0, 0, ONE, 0, 0, 0, 0, ONE);
}

void Vmat::multiply(const ref<Vmat>& b)
{
    concat(b->m00, b->m01, b->m02, b->m03, b->m10, b->m11, b->m12, b->m13, b->m20, b->m21, b->m22,
           b->m23, b->m30, b->m31, b->m32, b->m33);
}

void Vmat::print(const ref<String>& title)
{
    std::printf("%s\n", title ? title->c_str() : "");
    std::printf("%d %d %d %d\n", m00 >> 15, m01 >> 15, m02 >> 15, m03 >> 15);
    std::printf("%d %d %d %d\n", m10 >> 15, m11 >> 15, m12 >> 15, m13 >> 15);
    std::printf("%d %d %d %d\n", m20 >> 15, m21 >> 15, m22 >> 15, m23 >> 15);
    std::printf("%d %d %d %d\n", m30 >> 15, m31 >> 15, m32 >> 15, m33 >> 15);
}

void Vmat::rotate(const ref<Vector>& v)
{
    rotate(v, v);
}

void Vmat::rotate(const ref<Vector>& out, const ref<Vector>& in)
{
    int32_t x = in->m_x, y = in->m_y, z = in->m_z;
    out->m_x = fmul(m00, x) + fmul(m10, y) + fmul(m20, z);
    out->m_y = fmul(m01, x) + fmul(m11, y) + fmul(m21, z);
    out->m_z = fmul(m02, x) + fmul(m12, y) + fmul(m22, z);
}

void Vmat::rotateInverse(const ref<Vector>& out, const ref<Vector>& in)
{
    int32_t x = in->m_x, y = in->m_y, z = in->m_z;
    out->m_x = fmul(m00, x) + fmul(m01, y) + fmul(m02, z);
    out->m_y = fmul(m10, x) + fmul(m11, y) + fmul(m12, z);
    out->m_z = fmul(m20, x) + fmul(m21, y) + fmul(m22, z);
}

// A rotation by angle 0 is skipped so that the matrix stays bit for bit the
// same (the table's 1.0 is 32767).
void Vmat::rotateX(int32_t angle)
{
    if (angle == 0)
        return;
    int32_t c = fcos(angle), s = fsin(angle);
    concat(ONE, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, ONE);
}

void Vmat::rotateY(int32_t angle)
{
    if (angle == 0)
        return;
    int32_t c = fcos(angle), s = fsin(angle);
    concat(c, 0, s, 0, 0, ONE, 0, 0, -s, 0, c, 0, 0, 0, 0, ONE);
}

void Vmat::rotateZ(int32_t angle)
{
    if (angle == 0)
        return;
    int32_t c = fcos(angle), s = fsin(angle);
    concat(c, -s, 0, 0, s, c, 0, 0, 0, 0, ONE, 0, 0, 0, 0, ONE);
}

void Vmat::scale(int32_t s)
{
    if (s == ONE)
        return;
    concat(s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, ONE);
}

void Vmat::set(int32_t b00, int32_t b01, int32_t b02, int32_t b03, int32_t b10, int32_t b11,
               int32_t b12, int32_t b13, int32_t b20, int32_t b21, int32_t b22, int32_t b23,
               int32_t b30, int32_t b31, int32_t b32, int32_t b33)
{
    m00 = b00, m01 = b01, m02 = b02, m03 = b03;
    m10 = b10, m11 = b11, m12 = b12, m13 = b13;
    m20 = b20, m21 = b21, m22 = b22, m23 = b23;
    m30 = b30, m31 = b31, m32 = b32, m33 = b33;
}

void Vmat::set(const ref<Vmat>& b)
{
    set(b->m00, b->m01, b->m02, b->m03, b->m10, b->m11, b->m12, b->m13, b->m20, b->m21, b->m22,
        b->m23, b->m30, b->m31, b->m32, b->m33);
}

void Vmat::setRotation(const ref<Vmat>& b)
{
    set(b->m00, b->m01, b->m02, m03, b->m10, b->m11, b->m12, m13, b->m20, b->m21, b->m22, m23, m30,
        m31, m32, m33);
}

void Vmat::translate(int32_t x, int32_t y, int32_t z)
{
    if (x == 0 && y == 0 && z == 0)
        return;
    concat(ONE, 0, 0, 0, 0, ONE, 0, 0, 0, 0, ONE, 0, x, y, z, ONE);
}

void Vmat::transform(const ref<Vector>& v)
{
    transform(v, v);
}

void Vmat::transform(const ref<Vector>& out, const ref<Vector>& in)
{
    int32_t x = in->m_x, y = in->m_y, z = in->m_z;
    out->m_x = fmul(m00, x) + fmul(m10, y) + fmul(m20, z) + m30;
    out->m_y = fmul(m01, x) + fmul(m11, y) + fmul(m21, z) + m31;
    out->m_z = fmul(m02, x) + fmul(m12, y) + fmul(m22, z) + m32;
}
