#include "game/Tracer.h"

ref<Tracer> Tracer::m_free;

Tracer::Tracer() = default;
Tracer::~Tracer() = default;

ref<Tracer> Tracer::create()
{
    ref<Tracer> t = m_free;
    if (t) {
        m_free = t->m_nextFree;
        t->m_nextFree = nullptr;
        return t;
    }
    t = new Tracer;
    if (t)
        t->m_mat = new Vmat;
    return t;
}

void Tracer::init(int32_t x, int32_t y, int32_t z, const ref<Vilib>& lib, int32_t scale)
{
    setAlpha(28672);
    m_gravity = 0;
    setWxyz(x, y, z);
    setImage(lib, 16);
    setScale(scale);
}

bool Tracer::prestep(int32_t dt)
{
    setAlpha(m_alpha - 2 * dt);
    if (m_alpha < 4096) {
        off();
        m_nextFree = m_free;
        m_free = this;
        return false;
    }
    return true;
}
