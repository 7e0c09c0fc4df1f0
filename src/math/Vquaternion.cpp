#include "math/Vquaternion.h"

#include "math/Vmat.h"

void Vquaternion::add(const ref<Vquaternion>& q)
{
    m_w += q->m_w;
    m_x += q->m_x;
    m_y += q->m_y;
    m_z += q->m_z;
}

void Vquaternion::setMatrix(const ref<Vmat>& m)
{
    int32_t ww = fmul(m_w, m_w), xx = fmul(m_x, m_x), yy = fmul(m_y, m_y), zz = fmul(m_z, m_z);
    m->m00 = ww + xx - yy - zz;
    m->m01 = (fmul(m_x, m_y) - fmul(m_w, m_z)) << 1;
    m->m02 = (fmul(m_x, m_z) + fmul(m_w, m_y)) << 1;
    m->m10 = (fmul(m_x, m_y) + fmul(m_w, m_z)) << 1;
    m->m11 = ww - xx + yy - zz;
    m->m12 = (fmul(m_y, m_z) - fmul(m_w, m_x)) << 1;
    m->m20 = (fmul(m_x, m_z) - fmul(m_w, m_y)) << 1;
    m->m21 = (fmul(m_y, m_z) + fmul(m_w, m_x)) << 1;
    m->m22 = ww - xx - yy + zz;
}

void Vquaternion::multiply(int32_t s)
{
    set(fmul(m_w, s), fmul(m_x, s), fmul(m_y, s), fmul(m_z, s));
}

void Vquaternion::multiply(const ref<Vquaternion>& q, const ref<Vector>& v)
{
    int32_t qw = q->m_w, qx = q->m_x, qy = q->m_y, qz = q->m_z;
    int32_t vx = v->m_x, vy = v->m_y, vz = v->m_z;
    set(-(fmul(qx, vx) + fmul(qy, vy) + fmul(qz, vz)), fmul(qw, vx) + fmul(qy, vz) - fmul(qz, vy),
        fmul(qw, vy) + fmul(qz, vx) - fmul(qx, vz), fmul(qw, vz) + fmul(qx, vy) - fmul(qy, vx));
}

void Vquaternion::normalize()
{
    int64_t sum = static_cast<int64_t>(m_w) * m_w + static_cast<int64_t>(m_x) * m_x +
                  static_cast<int64_t>(m_y) * m_y + static_cast<int64_t>(m_z) * m_z;
    int32_t n = fsqrt(sum >> 15);
    if (n <= 0)
        return;
    multiply(0x40000000 / n);
}

void Vquaternion::print(const ref<String>&) {}

void Vquaternion::set(int32_t w, int32_t x, int32_t y, int32_t z)
{
    m_w = w;
    m_x = x;
    m_y = y;
    m_z = z;
}

void Vquaternion::setHeadingBankPitch(int32_t heading, int32_t bank, int32_t pitch)
{
    heading >>= 1;
    bank >>= 1;
    pitch >>= 1;
    int32_t ch = fcos(heading), sh = fsin(heading);
    int32_t cb = fcos(bank), sb = fsin(bank);
    int32_t cp = fcos(pitch), sp = fsin(pitch);
    int32_t a = fmul(ch, cp), b = fmul(sh, sp), c = fmul(ch, sp), d = fmul(sh, cp);
    m_w = fmul(a, cb) + fmul(b, sb);
    m_x = fmul(a, sb) - fmul(b, cb);
    m_y = fmul(c, cb) + fmul(d, sb);
    m_z = fmul(d, cb) - fmul(c, sb);
}
