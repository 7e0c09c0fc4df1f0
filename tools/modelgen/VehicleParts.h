#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "Geometry.h"
#include "MeshBuilder.h"
#include "Shapes.h"
#include "game/VehicleBuilds.h"

// Where a tank's gun sits, in units of its own frame: the trunnions at
// height over the turret's axis, pivot ahead of it (at z = -pivot), the
// muzzle muzzle ahead of the axis.
struct GunMount {
    explicit GunMount(const VehicleBuild& s)
        : height(s.gunHeight / 32768.0f), pivot(s.gunPivot / 32768.0f), muzzle(-s.muzzle / 32768.0f)
    {
    }
    float height, pivot, muzzle;
};

// A wheel a track runs round: its middle, the radius of the belt's middle
// line about it, and the angle (degrees from forward towards up) where the
// belt meets it from below.
struct Roller {
    float z, y, radius, angle;
};

// A gun mantlet that turns with the gun about the trunnion axis (along x
// through y, z): its face is an arc radius ahead of the axis from below to
// above (degrees from forward towards up), its back flat back behind the
// axis, and its last round units at either end curve in.
struct Mantlet {
    float y = 0, z = 0, halfWidth = 0, radius = 0, below = -50, above = 50, back = 0, round = 0;
};

// Running gear, guns and fittings shared by the vehicles.
class VehicleParts {
public:
    // The middle line of a track: along the ground from z = ground behind to
    // z = -ground in front, round the front roller to its top, through the
    // top run's points, round the back roller down to the ground.
    static std::vector<std::pair<float, float>> trackPath(float ground, const Roller& front,
                                                          const std::vector<std::pair<float, float>>& top,
                                                          const Roller& back);
    // The hull between the tracks: rectangles of halfWidth at stations
    // (z, bottom, top) along the vehicle.
    static void belly(MeshBuilder& b, float halfWidth, const std::vector<std::array<float, 3>>& stations,
                      const Paint& p);
    // A closed track belt looping through path (points in the z-y plane along
    // the belt's middle, in order around the loop), between x0 and x1, thick
    // thick. Long runs are split so that no face spans much texture.
    static void trackBelt(MeshBuilder& b, const std::vector<std::pair<float, float>>& path, float x0, float x1,
                          float thick, const Paint& tread, const Paint& edge);
    // A wheel turning about x: its outer face (towards side) shows a decal of
    // the whole picture of face; n sides.
    static void wheel(MeshBuilder& b, float x0, float x1, float y, float z, float radius, int32_t n,
                      const Paint& tyre, const Paint& face);
    // A gun barrel along -z from z0 to z1 (z1 < z0) of radius r0 tapering to
    // r1, with its bore painted into the muzzle.
    static void barrel(MeshBuilder& b, float y, float z0, float z1, float r0, float r1, int32_t n,
                       const Paint& paint, const Paint& bore);
    // The mantlet m; the middle of its face, off the rounded ends and
    // within 45 degrees of forward, shows face (a decal of sights and ports,
    // or the paint).
    static void mantlet(MeshBuilder& b, const Mantlet& m, const Paint& paint, const Paint& face);
    // A plate between two corners (in any order) whose top is inset by
    // bevel on every side: hatch lids, bins and boxes, which catch the light
    // along their edges.
    static void slab(MeshBuilder& b, Vec3 a, Vec3 c, float bevel, const Paint& p);
    // A plate across x0..x1 (in any order), thick deep upwards, bent along
    // the points (z, y) of its underside: mudguards, deflectors, wings.
    // Rings marked in smooth shade smoothly across the bend there.
    static void plate(MeshBuilder& b, float x0, float x1, const std::vector<std::pair<float, float>>& path, float thick,
                      const Paint& p, const std::vector<bool>& smooth = {});
    // A shovel and an axe lying side by side along +z on a surface at
    // height at.y, from at.z back; the axe lies side units across x.
    static void tools(MeshBuilder& b, Vec3 at, float side, const Paint& wood, const Paint& steel);
    // A box between two corners given in any order (for mirrored parts).
    static void box(MeshBuilder& b, float x0, float y0, float z0, float x1, float y1, float z1, const Paint& p);
    // Points of an arc in the z-y plane around (cz, cy), angles in degrees
    // from forward (-z) towards up, for track paths.
    static std::vector<std::pair<float, float>> arc(float cz, float cy, float radius, float from, float to,
                                                    int32_t steps);
};
