#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Models3d.h"
#include "VehicleRig.h"

namespace {

constexpr double kUnit = 32768.0;

struct Family {
    const VehicleBuild* vehicle;
    const char* prefix;
};
const Family kFamilies[] = {{&kSherman, "sherman"}, {&kTiger, "tiger"}, {&kT34, "t34"}, {&kTruck, "truck"}};

class Vehicles : public GameModels {
protected:
    void SetUp() override
    {
        open();
        m_view = emptyView(16, 16, 0xFF102030, m_models);
    }
    std::vector<ref<V3dModel>> parts(const VehicleBuild& s) const
    {
        std::vector<ref<V3dModel>> out;
        for (const char* name : {s.hull, s.tracks, s.turret, s.gun})
            if (name)
                out.push_back(m_models->lookupModel(String::copyOf(name)));
        return out;
    }
    // The view the rigs take their meshes from.
    ref<V3dView> m_view;
};

// A vertex of a scaled mesh in its part's frame, in units.
double at(const ref<V3dModel>& m, const Array<int16_t>& a, int32_t i) { return a[i] * static_cast<double>(m->m_size) / kUnit / kUnit; }

struct Point {
    double x, y, z;
};

// Real vertex i of a scaled mesh in the vehicle's frame.
Point inVehicle(const ref<V3dModel>& m, int32_t i)
{
    return {at(m, m->m_vx, i) + m->m_wx / kUnit, at(m, m->m_vy, i) + m->m_wy / kUnit, at(m, m->m_vz, i) + m->m_wz / kUnit};
}

// The corners of face j of a mesh.
std::array<int32_t, 3> corners(const ref<V3dModel>& m, int32_t j)
{
    return {m->resolve(m->m_faceA[j]), m->resolve(m->m_faceB[j]), m->resolve(m->m_faceC[j])};
}

} // namespace

// Every part is there and closed (every edge between two positions walked
// once each way), the vehicle within the triangle budget; textures belong to
// the vehicle's family, so a battle can free them; and a decal is drawn once
// on its panel: no face showing one reaches past the picture's edges, where
// the motif would start over.
TEST_F(Vehicles, EveryPartIsClosedWithinTheBudgetAndTexturedFromItsOwnFamily)
{
    const char* const decals[] = {"_star", "_cross", "_wheel", "_deck", "_mantlet", "_tyre", "_grille"};
    int32_t decalFaces = 0;
    for (const Family& f : kFamilies) {
        int32_t triangles = 0;
        for (const ref<V3dModel>& m : parts(*f.vehicle)) {
            ASSERT_TRUE(m) << f.prefix;
            triangles += m->faceCount();
            using Position = std::tuple<int32_t, int32_t, int32_t>;
            std::map<std::pair<Position, Position>, int32_t> edges;
            for (int32_t j = 0; j < m->faceCount(); j++) {
                Position v[3];
                const std::array<int32_t, 3> c = corners(m, j);
                for (int32_t k = 0; k < 3; k++)
                    v[k] = Position{m->m_vx[c[k]], m->m_vy[c[k]], m->m_vz[c[k]]};
                for (int32_t k = 0; k < 3; k++) {
                    edges[{v[k], v[(k + 1) % 3]}]++;
                    edges[{v[(k + 1) % 3], v[k]}]--;
                }
                const ref<V3dMaterial>& mat = m->m_materials[m->m_faceMaterial[j]];
                if (!mat->m_texture)
                    continue;
                const std::string name = mat->m_texture->m_name->c_str();
                EXPECT_EQ(name.rfind(f.prefix, 0), 0u) << m->m_name->c_str() << " uses " << name;
                if (std::none_of(std::begin(decals), std::end(decals), [&](const char* d) { return name.find(d) != std::string::npos; }))
                    continue;
                decalFaces++;
                // Coordinates are eighths of a texel; v runs down the picture as it falls.
                for (int32_t k : c) {
                    const double s = m->m_vu[k] / 8.0, t = -m->m_vv[k] / 8.0;
                    EXPECT_TRUE(s > -0.6 && s < 64.6 && t > -0.6 && t < 64.6)
                        << m->m_name->c_str() << " face " << j << " maps " << name << " at (" << s << ", " << t << ")";
                }
            }
            EXPECT_TRUE(std::all_of(edges.begin(), edges.end(), [](const auto& e) { return e.second == 0; }))
                << m->m_name->c_str() << " has holes";
        }
        EXPECT_TRUE(triangles >= 300 && triangles <= 3000) << f.prefix << ": " << triangles;
    }
    EXPECT_GT(decalFaces, 100);
}

// The gun where the game fires from (the shell's flight from the drawn
// muzzle is checked with the real tank in the actors tests), and the turret
// free to turn: nothing standing on the hull reaches into the ring the turret
// and the gun sweep at its height (the turret's own base sinks a little into
// the deck, so the lowest tenth of a unit is left out).
TEST_F(Vehicles, TheGunSitsWhereTheGameFiresFromAndTheTurretTurnsFreely)
{
    for (const VehicleBuild* vehicle : {&kSherman, &kTiger, &kT34}) {
        SCOPED_TRACE(vehicle->kind);
        VehicleRig rig(m_view, *vehicle);
        ref<V3dModel> gun = rig.m_gun->m_model, turret = rig.m_turret->m_model;
        // The turret turns about the vertical axis; the gun's trunnions sit
        // at the mount height, the pivot distance ahead.
        EXPECT_LE(std::abs(turret->m_wx) + std::abs(turret->m_wz) + std::abs(gun->m_wx), 2);
        EXPECT_NEAR(gun->m_wy, vehicle->gunHeight, 4);
        EXPECT_NEAR(gun->m_wz, -vehicle->gunPivot, 4);
        // The muzzle: the front of the barrel, on the gun's axis.
        const double front = at(gun, gun->m_vz, gun->m_vx.length - 1);
        double x = 0, y = 0;
        int32_t rim = 0;
        for (int32_t i = 0; i < gun->m_vertices; i++)
            if (at(gun, gun->m_vz, i) < front + 0.01) {
                x += at(gun, gun->m_vx, i);
                y += at(gun, gun->m_vy, i);
                rim++;
            }
        ASSERT_GT(rim, 3);
        EXPECT_TRUE(std::abs(x / rim) < 0.005 && std::abs(y / rim) < 0.005) << x / rim << ", " << y / rim;
        EXPECT_NEAR(front, (vehicle->muzzle + vehicle->gunPivot) / kUnit, 0.01);

        // Each face of the turret and the gun sweeps a ring: its heights and
        // its farthest corner from the turret's axis.
        struct Ring {
            double low, high, reach;
        };
        std::vector<Ring> rings;
        double bottom = 1e9;
        for (const ref<V3dModel>& m : {turret, gun})
            for (int32_t j = 0; j < m->faceCount(); j++) {
                Ring r{1e9, -1e9, 0};
                for (int32_t k : corners(m, j)) {
                    Point p = inVehicle(m, k);
                    r = {std::min(r.low, p.y), std::max(r.high, p.y), std::max(r.reach, std::hypot(p.x, p.z))};
                }
                rings.push_back(r);
                bottom = std::min(bottom, r.low);
            }
        int32_t clashes = 0;
        for (const ref<Vsprite>& part : {rig.m_hull, rig.m_tracks})
            for (int32_t i = 0; part && i < part->m_model->m_vertices; i++) {
                const Point p = inVehicle(part->m_model, i);
                const double r = std::hypot(p.x, p.z);
                if (p.y >= bottom + 0.1 && std::any_of(rings.begin(), rings.end(), [&](const Ring& g) {
                        return g.low < p.y && p.y < g.high && g.reach > r + 0.01;
                    }) && clashes++ < 3)
                    ADD_FAILURE() << "the hull's vertex at (" << p.x << ", " << p.y << ", " << p.z << ") stands in the turret's way";
            }
        EXPECT_EQ(clashes, 0);
    }
}
