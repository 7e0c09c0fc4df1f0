#include "VehicleRig.h"

#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"
#include "runtime/String.h"

VehicleRig::VehicleRig(const ref<V3dView>& view, const VehicleBuild& vehicle) : m_spec(vehicle)
{
    m_body = new Tank;
    m_body->init(view, nullptr, vehicle, 2);
    m_turret = m_body->m_turret;
    m_gun = m_body->m_gun;
    m_hull = part(vehicle.hull);
    m_tracks = part(vehicle.tracks);
    pose(0, 0, 0);
}

VehicleRig::~VehicleRig()
{
    m_body->off();
    m_body->removeAllStar();
}

ref<Vsprite> VehicleRig::part(const char* name) const
{
    const ref<V3dView>& view = m_body->m_view;
    ref<V3dModel> m = name && view && view->m_models ? view->m_models->lookupModel(String::copyOf(name)) : nullptr;
    for (ref<Vsprite> c = m_body->m_child; c && m; c = c->m_sibling)
        if (c->m_model == m)
            return c;
    return nullptr;
}

void VehicleRig::pose(int32_t heading, int32_t turret, int32_t gunPitch, int32_t pitch, int32_t roll)
{
    m_body->m_heading = heading;
    m_body->m_pitchAngle = pitch;
    m_body->m_roll = roll;
    if (m_turret)
        m_turret->m_heading = turret;
    if (m_gun)
        m_gun->m_pitchAngle = gunPitch;
    m_body->pose();
}
