#include "game/Tracer.h"

#include "game/AppPicture.h"
#include "game/FreeList.h"
#include "physics/Vphysics.h"
#include "render3d/V3dView.h"

ref<Tracer> Tracer::m_free;

Tracer::Tracer() = default;
Tracer::~Tracer() = default;

ref<Tracer> Tracer::create()
{
    ref<Tracer> t = takeFree(m_free);
    if (t)
        return t;
    t = new Tracer;
    if (t)
        t->m_mat = new Vmat;
    return t;
}

ref<Tracer> Tracer::leave(V3dView* view, Vphysics* world, int32_t x, int32_t y, int32_t z, const ref<Vilib>& lib,
                          int32_t scale, int32_t fade)
{
    ref<Tracer> t = create();
    if (!t)
        return nullptr;
    t->init(x, y, z, lib, scale, fade);
    if (view)
        view->add(t);
    if (world)
        world->add(t);
    return t;
}

void Tracer::init(int32_t x, int32_t y, int32_t z, const ref<Vilib>& lib, int32_t scale, int32_t fade)
{
    m_fade = fade;
    setAlpha(28672);
    m_gravity = 0;
    setVelocity(0, 0, 0); // a wreck's smoke rises
    setWxyz(x, y, z);
    setImage(lib, AppPicture::kPuff);
    setScale(scale);
}

bool Tracer::prestep(int32_t dt)
{
    setAlpha(m_alpha - (m_fade * dt >> 2));
    if (m_alpha < 4096) {
        giveFree(m_free, this);
        return false;
    }
    return true;
}
