#include "game/Wreck.h"

#include "game/AppPicture.h"
#include "game/Flash.h"
#include "game/Tank.h"
#include "game/Tracer.h"
#include "physics/Vphysics.h"
#include "render3d/V3dModel.h"
#include "render3d/V3dView.h"

namespace {

constexpr int32_t kSmokeScale = 900;
constexpr int32_t kSmokeRise = 65536;  // 17.15 per physics time unit: about 2 units a second
constexpr int32_t kSmokeFade = 1;      // a quarter of the dust's: about 3.6 s
constexpr int32_t kFlameScale = 700;
constexpr int32_t kDrift = 12000;      // the puffs' spread about the middle

} // namespace

Wreck::Wreck() = default;
Wreck::~Wreck() = default;

ref<Wreck> Wreck::leave(const Tank& t)
{
    if (!t.m_view || !t.m_world)
        return nullptr;
    ref<Wreck> w = new Wreck;
    if (!w)
        return nullptr;
    w->set(ref<Vmat>(const_cast<Tank*>(&t)));
    w->m_mat = new Vmat;
    for (const Vsprite* part = t.m_child.get(); part; part = part->m_sibling.get()) {
        if (!part->m_model)
            continue;
        ref<Vsprite> s = new Vsprite;
        s->set(ref<Vmat>(const_cast<Vsprite*>(part)));
        s->m_model = part->m_model;
        s->setWxyz(part->m_wx, part->m_wy, part->m_wz);
        w->add(s);
    }
    w->m_soot = kSoot;
    w->m_gravity = 0;
    w->m_top = t.m_gunHeight + Tank::kUnit;
    w->m_view = t.m_view.get();
    w->m_dice = static_cast<uint32_t>(t.m_wx ^ t.m_wz);
    w->m_lib = t.m_lib;
    w->setPosition(t.m_wx, t.m_wy, t.m_wz);
    w->setWxyz(t.m_wx, t.m_wy, t.m_wz);
    t.m_view->add(ref<Vsprite>(w));
    t.m_world->add(w);
    return w;
}

int32_t Wreck::drift()
{
    // Its own dice: the look of the smoke leaves the battle's alone.
    m_dice = m_dice * 1103515245u + 12345u;
    return fmul(static_cast<int32_t>(m_dice >> 17), 2 * kDrift + 1) - kDrift;
}

bool Wreck::prestep(int32_t dt)
{
    const int32_t ms = dt >> 5;
    m_ms += ms;
    if (m_ms >= kLifeMs || !isLinked()) {
        destroy();
        return false;
    }
    // Thinner smoke as it cools.
    const int32_t every = kSmokeMs + kSmokeMs * 2 * m_ms / kLifeMs;
    for (m_nextSmoke -= ms; m_nextSmoke <= 0; m_nextSmoke += every) {
        const int32_t dx = drift(), dz = drift();
        ref<Tracer> puff = Tracer::leave(m_view, m_world, m_wx + dx, m_wy + m_top, m_wz + dz, m_lib, kSmokeScale,
                                         kSmokeFade);
        if (puff)
            puff->setVelocity(0, kSmokeRise, 0);
    }
    if (m_ms < kBurnMs) {
        for (m_nextFlame -= ms; m_nextFlame <= 0; m_nextFlame += kFlameMs) {
            ref<Flash> f = Flash::create();
            if (!f)
                break;
            f->setScale(kFlameScale);
            f->setImage(m_lib, AppPicture::kPuff);
            f->setWxyz(m_wx, m_wy + m_top / 2, m_wz);
            f->setPosition(m_wx, m_wy + m_top / 2, m_wz);
            if (m_view)
                m_view->add(f);
            m_world->add(f);
        }
    }
    return true;
}
