#pragma once
#include <cstdint>

#include "game/Side.h"

// The vehicles of a battle as the game builds them (Battle::tankInit and the
// supply truck, Tank::init): the meshes of the model file that make up each
// one, the scale applied to them, and the fixed points of its gun. The model
// generator shapes the meshes to fit these numbers, and the tests check the fit.
struct VehicleBuild {
    const char* kind = nullptr; // the kind passed to Tank::init
    const char* hull = nullptr; // mesh names; null when the vehicle has no such part
    const char* tracks = nullptr;
    const char* turret = nullptr;
    const char* gun = nullptr;
    int32_t scale = 0;     // fixed, applied once to each mesh (V3dModel::scale)
    int32_t muzzle = 0;    // muzzle along the gun from the turret pivot, -z forward
    int32_t gunHeight = 0; // height of the gun mount above the vehicle's origin
    int32_t gunPivot = 0;  // the gun's pivot ahead of the turret pivot along z
};

inline constexpr VehicleBuild kSherman{"Sherman", "body_sh", "tracks_sh", "turret_sh", "gun_sh",
                                      750, -148889, 0x153D8, 0x956A};
inline constexpr VehicleBuild kTiger{"tiger", "Tiger_Tank", nullptr, "Turret", "gun_ti",
                                    649, -148889, 0x11BF0, 0xB3FF};
inline constexpr VehicleBuild kT34{"t34", "T34_Tank", "TRACK2", "Turret2", "Gun2",
                                  561, -148889, 0x12E6A, 0x92D3};
inline constexpr VehicleBuild kTruck{"truck", "atruck", nullptr, nullptr, nullptr, 586, 0, 0, 0};

// The build of a kind of tank.
constexpr const VehicleBuild& vehicleBuild(TankKind kind)
{
    return kind == TankKind::Sherman ? kSherman : kind == TankKind::Tiger ? kTiger : kT34;
}

// Ground following rests a vehicle on the terrain at the four corners
// (+-kCornerX, 0, +-kCornerZ) of its own frame; its origin is on the ground.
inline constexpr int32_t kCornerX = 60071;
inline constexpr int32_t kCornerZ = 87376;
// Collision radius of a tank or truck.
inline constexpr int32_t kVehicleRadius = 109220;
