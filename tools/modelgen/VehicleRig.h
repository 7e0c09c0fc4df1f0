#pragma once
#include <cstdint>

#include "game/Tank.h"
#include "game/VehicleBuilds.h"
#include "render3d/V3dView.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

// A vehicle put together from the loaded meshes by the game's own Tank: a
// group with one child per part (turret, gun, hull, tracks), each mesh scaled
// once and each child placed at its mesh's offset, posed as the tank's ground
// following poses it. The meshes come from the view's model library, as a
// tank of the game takes them. For the model sheet, the viewer and the tests.
class VehicleRig {
public:
    VehicleRig(const ref<V3dView>& view, const VehicleBuild& vehicle);
    // Takes the group apart: parent and child links hold each other.
    ~VehicleRig();
    VehicleRig(const VehicleRig&) = delete;
    VehicleRig& operator=(const VehicleRig&) = delete;

    // Hull heading, turret heading and gun pitch (angles, 32768 a turn),
    // hull pitch and roll.
    void pose(int32_t heading, int32_t turret, int32_t gunPitch, int32_t pitch = 0, int32_t roll = 0);

    const VehicleBuild& m_spec;
    ref<Tank> m_body; // the group: its matrix is the vehicle's orientation
    ref<Vsprite> m_turret;
    ref<Vsprite> m_gun;
    ref<Vsprite> m_hull;
    ref<Vsprite> m_tracks;

private:
    ref<Vsprite> part(const char* name) const;
};
