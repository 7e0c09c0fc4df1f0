#include "VehicleRig.h"

#include "render3d/V3dModel.h"
#include "runtime/String.h"

VehicleRig::VehicleRig(const VehicleSpec& spec) : m_spec(spec)
{
    m_body = new Vsprite;
    m_turret = part(spec.turret);
    m_gun = part(spec.gun);
    m_hull = part(spec.hull);
    m_tracks = part(spec.tracks);
    pose(0, 0, 0);
}

VehicleRig::~VehicleRig()
{
    m_body->off();
    m_body->removeAllStar();
}

ref<Vsprite> VehicleRig::part(const char* name)
{
    if (!name)
        return nullptr;
    ref<Vsprite> s = new Vsprite;
    ref<V3dModel> m = V3dModel::lookupModel(String::copyOf(name));
    if (m) {
        if (!m->m_scaled)
            m->scale(m_spec.scale);
        s->m_model = m;
        s->setWxyz(m->m_wx, m->m_wy, m->m_wz);
    }
    m_body->add(s);
    return s;
}

void VehicleRig::pose(int32_t heading, int32_t turret, int32_t gunPitch, int32_t pitch, int32_t roll)
{
    m_body->identity();
    m_body->rotateZ(roll);
    m_body->rotateX(pitch);
    m_body->rotateY(heading);
    if (m_turret) {
        m_turret->identity();
        m_turret->rotateY(turret);
    }
    if (m_gun) {
        // The turret turns the gun about the turret's axis, m_gunPivot
        // behind the gun's own pivot.
        m_gun->identity();
        m_gun->rotateX(gunPitch);
        if (m_spec.gunPivot != 0)
            m_gun->translate(0, 0, -m_spec.gunPivot);
        m_gun->rotateY(turret);
        if (m_spec.gunPivot != 0)
            m_gun->translate(0, 0, m_spec.gunPivot);
    }
}
