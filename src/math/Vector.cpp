#include "math/Vector.h"

#include <cstdlib>

void Vector::add(const ref<Vector>& v)
{
    add(v->m_x, v->m_y, v->m_z);
}

void Vector::add(int32_t dx, int32_t dy, int32_t dz)
{
    m_x += dx;
    m_y += dy;
    m_z += dz;
}

void Vector::sub(const ref<Vector>& v)
{
    add(-v->m_x, -v->m_y, -v->m_z);
}

void Vector::crossProduct(const ref<Vector>& a, const ref<Vector>& b)
{
    int32_t ax = a->m_x, ay = a->m_y, az = a->m_z;
    int32_t bx = b->m_x, by = b->m_y, bz = b->m_z;
    m_x = fmul(ay, bz) - fmul(az, by);
    m_y = fmul(-ax, bz) + fmul(az, bx);
    m_z = fmul(ax, by) - fmul(ay, bx);
}

void Vector::crossProductNormalized(const ref<Vector>& a, const ref<Vector>& b)
{
    int64_t ax = a->m_x, ay = a->m_y, az = a->m_z;
    int64_t bx = b->m_x, by = b->m_y, bz = b->m_z;
    // Exact products keep the direction of small vectors; scale down only as
    // far as 32 bits need.
    int64_t x = ay * bz - az * by;
    int64_t y = bx * az - ax * bz;
    int64_t z = ax * by - bx * ay;
    const int64_t limit = 0x40000000;
    while (x < -limit || x > limit || y < -limit || y > limit || z < -limit || z > limit) {
        x >>= 1;
        y >>= 1;
        z >>= 1;
    }
    m_x = static_cast<int32_t>(x);
    m_y = static_cast<int32_t>(y);
    m_z = static_cast<int32_t>(z);
    normalize();
}

void Vector::divide(int32_t d)
{
    if (d == 0)
        return; // callers never divide by zero; leave the vector as it is
    m_x = static_cast<int32_t>((static_cast<int64_t>(m_x) << 15) / d);
    m_y = static_cast<int32_t>((static_cast<int64_t>(m_y) << 15) / d);
    m_z = static_cast<int32_t>((static_cast<int64_t>(m_z) << 15) / d);
}

// The three exact products summed in 64 bits and shifted once.
static int64_t dot(const Vector& a, const Vector& b)
{
    int64_t sum = static_cast<int64_t>(a.m_x) * b.m_x + static_cast<int64_t>(a.m_y) * b.m_y +
                  static_cast<int64_t>(a.m_z) * b.m_z;
    return sum >> 15;
}

int64_t Vector::dotProductLong(const ref<Vector>& v)
{
    return dot(*this, *v);
}

int32_t Vector::dotProduct(const ref<Vector>& v)
{
    return static_cast<int32_t>(dotProductLong(v));
}

bool Vector::equals(const ref<Vector>& v)
{
    return m_x == v->m_x && m_y == v->m_y && m_z == v->m_z;
}

int64_t Vector::magnitudeSquaredLong()
{
    return dot(*this, *this);
}

int32_t Vector::magnitude()
{
    return fsqrt(magnitudeSquaredLong());
}

int32_t Vector::magnitudeApprox()
{
    int32_t a = std::abs(m_x), b = std::abs(m_y), c = std::abs(m_z);
    int32_t hi = a > b ? a : b;
    int32_t lo = a > b ? b : a;
    if (hi < c)
        return c + (lo >> 2) + (hi >> 2);
    return hi + (lo >> 2) + (c >> 2);
}

void Vector::mulAdd(const ref<Vector>& v, int32_t s)
{
    m_x += fmul(v->m_x, s);
    m_y += fmul(v->m_y, s);
    m_z += fmul(v->m_z, s);
}

void Vector::multiply(int32_t s)
{
    m_x = fmul(s, m_x);
    m_y = fmul(s, m_y);
    m_z = fmul(s, m_z);
}

void Vector::negate()
{
    m_x = -m_x;
    m_y = -m_y;
    m_z = -m_z;
}

void Vector::normalize()
{
    int32_t m = magnitude();
    if (m < 2) {
        m_x = m_y = m_z = 0;
        return;
    }
    divide(m);
}

void Vector::print(const ref<String>&) {}

void Vector::set(const ref<Vector>& v)
{
    m_x = v->m_x;
    m_y = v->m_y;
    m_z = v->m_z;
}
