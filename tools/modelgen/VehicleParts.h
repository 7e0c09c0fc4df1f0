#pragma once
#include <cstdint>
#include <vector>

#include "Geometry.h"
#include "MeshBuilder.h"
#include "Shapes.h"

// Running gear and guns shared by the vehicles.
class VehicleParts {
public:
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
    // A box between two corners given in any order (for mirrored parts).
    static void box(MeshBuilder& b, float x0, float y0, float z0, float x1, float y1, float z1, const Paint& p);
    // Points of an arc in the z-y plane around (cz, cy), angles in degrees
    // from forward (-z) towards up, for track paths.
    static std::vector<std::pair<float, float>> arc(float cz, float cy, float radius, float from, float to,
                                                    int32_t steps);
};
