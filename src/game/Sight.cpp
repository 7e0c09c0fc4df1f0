#include "game/Sight.h"

#include <algorithm>
#include <cstdlib>

#include "game/App.h"

namespace {

constexpr int32_t kReticleColor = static_cast<int32_t>(0xFFF0F0E0);
constexpr int32_t kMarkerColor = static_cast<int32_t>(0xFFFFB030);
constexpr int32_t kOnTargetColor = static_cast<int32_t>(0xFFFF4030);
// A cross with an open middle, 25 pixels across.
constexpr int32_t kReticleBars[] = {0, 11, 9, 2, 16, 11, 9, 2, 11, 0, 2, 9, 11, 16, 2, 9, 12, 12, 1, 1};
// A flat box on the ground, open at the corners.
constexpr int32_t kMarkerBars[] = {3, 0, 10, 2, 3, 8, 10, 2, 0, 2, 2, 6, 14, 2, 2, 6};
constexpr int32_t kSmallBars[] = {1, 0, 4, 1, 1, 5, 4, 1, 0, 1, 1, 4, 5, 1, 1, 4};
constexpr int32_t kLeadColor = static_cast<int32_t>(0xFF50E8FF);
// A triangle pointing down at the spot, 11 pixels across.
constexpr int32_t kLeadBars[] = {0, 0, 11, 2, 2, 2, 7, 2, 4, 4, 3, 2, 5, 6, 1, 1};
// The reticle marks the bore this far out.
constexpr int32_t kBoreReach = 200;

} // namespace

Sight::Sight(App& app) : m_path(new Trajectory), m_way(new Vector), m_mount(new Vector), m_app(app)
{
    m_reticle = shape(25, 25, kReticleBars, 5, kReticleColor);
    m_marker = shape(16, 10, kMarkerBars, 4, kMarkerColor);
    m_small = shape(6, 6, kSmallBars, 4, kMarkerColor);
    m_lead = shape(11, 7, kLeadBars, 4, kLeadColor);
    m_rangeText = new Vtext(app.m_theme, app.m_fontSmall ? app.m_fontSmall : nullptr, ""_s);
    m_rangeText->setFieldWidth(4);
    m_rangeText->setZ(kZ);
}

ref<Vsprite> Sight::shape(int32_t w, int32_t h, const int32_t* bars, int32_t count, int32_t color)
{
    ref<Vsprite> s = new Vsprite;
    s->setWidthHeight(w, h);
    s->setZ(kZ);
    for (int32_t i = 0; i < count; i++, bars += 4) {
        ref<Vsprite> bar = new Vsprite;
        bar->setXyi(bars[0], bars[1]);
        bar->setWidthHeight(bars[2], bars[3]);
        bar->setColor(color);
        s->add(bar);
    }
    return s;
}

void Sight::show(const ref<Vsprite>& s, bool on)
{
    if (on && !s->isLinked())
        m_app.add(s);
    else if (!on && s->isLinked())
        s->off();
}

void Sight::hide()
{
    for (const ref<Vsprite>& s : {m_reticle, m_marker, m_small, m_lead, ref<Vsprite>(m_rangeText)})
        show(s, false);
}

void Sight::destroy()
{
    hide();
    for (const ref<Vsprite>& s : {m_reticle, m_marker, m_small, m_lead})
        s->removeAllStar();
}

bool Sight::put(const ref<Vsprite>& s, int32_t x, int32_t y, int32_t z)
{
    int32_t sx = 0, sy = 0, depth = 0;
    if (!m_app.screenPoint(x, y, z, sx, sy, depth))
        return false;
    s->setXyi(sx - s->getWidth() / 2, sy - s->getHeight() / 2);
    return true;
}

void Sight::update()
{
    const Battle& b = *m_app.m_battle;
    Tank* t = b.m_tank.get();
    if (!t || !t->isLinked() || b.m_camera->overhead()) {
        m_landed = false;
        hide();
        return;
    }
    const bool leads = m_app.m_campaign && m_app.m_campaign->m_level < 2;
    m_landed = m_path->run(*t, leads);
    const Trajectory& p = *m_path;
    m_range = Vphob::approxDistance(static_cast<int64_t>(p.m_x) - t->m_wx, static_cast<int64_t>(p.m_z) - t->m_wz) >> 15;
    const bool aim = t->m_aim;
    // Red only on an enemy: the friendly truck in the way is no target.
    const int32_t color = p.m_hit && p.m_hit->m_id == Hud::kRadarEnemy ? kOnTargetColor : kMarkerColor;
    for (const ref<Vsprite>& s : {m_marker, m_small})
        for (Vsprite* bar = s->m_child.get(); bar; bar = bar->m_sibling.get())
            bar->setColor(color);
    const ref<Vsprite>& marker = aim ? m_marker : m_small;
    show(aim ? m_small : m_marker, false);
    const bool marked = m_landed && put(marker, p.m_x, p.m_y, p.m_z);
    show(marker, marked);
    show(m_rangeText, aim && marked);
    if (aim && marked) {
        m_rangeText->setNumber(m_range);
        m_rangeText->setXyi((marker->getX() >> 15) + marker->getWidth() + 3,
                            (marker->getY() >> 15) + (marker->getHeight() - m_rangeText->getHeight()) / 2);
    }
    // The reticle: a point far out along the bore, from the muzzle.
    bool bore = false;
    if (aim) {
        const ref<Vector>& way = m_way;
        const ref<Vector>& mount = m_mount;
        t->muzzleWay(way, mount);
        const int32_t n = kBoreReach * Tank::kUnit / std::max(std::abs(t->m_muzzle), 1);
        bore = put(m_reticle, t->m_wx + mount->m_x + V::fmul(way->m_x, n << 15),
                   t->m_wy + mount->m_y + V::fmul(way->m_y, n << 15), t->m_wz + mount->m_z + V::fmul(way->m_z, n << 15));
    }
    show(m_reticle, bore);
    show(m_lead, aim && leads && m_landed && lead(*t));
}

bool Sight::lead(const Tank& t)
{
    const Trajectory& p = *m_path;
    const int32_t landed = std::max(Vphob::approxDistance(static_cast<int64_t>(p.m_x) - t.m_wx,
                                                          static_cast<int64_t>(p.m_z) - t.m_wz), 1);
    const Vphob* best = nullptr;
    int32_t nearest = kLeadReach * Tank::kUnit;
    for (Vphob* o = t.m_world->first().get(); o; o = o->m_nextBody.get()) {
        if (o->m_id != Hud::kRadarEnemy || !o->isLinked() || o->parked() || !o->movesHorizontally())
            continue;
        const int32_t d = Vphob::approxDistance(static_cast<int64_t>(o->m_wx) - p.m_x,
                                                static_cast<int64_t>(o->m_wz) - p.m_z);
        if (d < nearest || o == p.m_hit) {
            nearest = o == p.m_hit ? -1 : d;
            best = o;
        }
    }
    if (!best)
        return false;
    // The shell reaches the enemy's range in about the share of the flight
    // that the range is of the whole.
    const int32_t range = Vphob::approxDistance(static_cast<int64_t>(best->m_wx) - t.m_wx,
                                                static_cast<int64_t>(best->m_wz) - t.m_wz);
    const int64_t ticks = std::clamp<int64_t>(static_cast<int64_t>(p.m_ticks) * range / landed, 1,
                                              Trajectory::kMostTicks);
    int32_t x = 0, z = 0;
    Trajectory::ahead(*best, static_cast<int32_t>(ticks), x, z);
    if (Vphob::approxDistance(static_cast<int64_t>(x) - best->m_wx, static_cast<int64_t>(z) - best->m_wz) < kLeadLeast)
        return false; // all but standing: the enemy itself is the aim
    int32_t sx = 0, sy = 0, depth = 0;
    if (!m_app.screenPoint(x, best->m_wy, z, sx, sy, depth))
        return false;
    // The triangle's tip on the spot.
    m_lead->setXyi(sx - m_lead->getWidth() / 2, sy - m_lead->getHeight());
    return true;
}
