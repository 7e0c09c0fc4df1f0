#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "HeightBands.h"

// The battlefield as a height field over a 512 x 512 unit torus (it repeats
// every 512 units, so the map's edges join up), sampled every half unit, with
// the features laid on it: rolling country with round hills and rocky knolls, two
// north-south ridges, a river winding east-west across the whole map, a lake
// on the river's plain, a tarn in the hills and patches of fields, flattened
// so that each patch lies inside one band. Heights are in height bytes (1/8
// unit).
class Landscape {
public:
    static constexpr double kSize = 512.0;
    static constexpr int32_t kGrid = 1024; // samples per side
    static constexpr double kStep = kSize / kGrid;
    // Water of the river and its lake; the plain along them lies one band up.
    static constexpr double kRiverLevel = 20.0;

    struct Field {
        double cx, cz;       // centre, units
        double halfW, halfL; // half extents along the field's own axes
        double angle;        // radians
        bool wheat;          // else ploughed earth
    };
    struct Tarn {
        double cx, cz, radius;
        int32_t band;
    };

    Landscape(uint64_t seed, const HeightBands& bands);

    // The sample at grid point (i, j), i along x, j along z; wraps.
    double at(int32_t i, int32_t j) const { return m_height[index(i, j)]; }
    // Distance from the river's centre line, units.
    double riverDistance(double x, double z) const;
    // How far (0..1) the point lies up the high ridge, where rock shows.
    double ridgeCrest(double x, double z) const;
    // Heights above which heath, and rock, grow at a point; they wander
    // slowly across the map so that each hill has its own.
    double heathLine(double x, double z) const;
    double rockLine(double x, double z) const;
    // Whether the point lies on the top of a rocky knoll.
    bool onKnoll(double x, double z) const;
    const std::vector<Field>& fields() const { return m_fields; }
    const Tarn& tarn() const { return m_tarn; }

private:
    struct Wave {
        double kx, kz, amp, phase;
    };
    struct Hill {
        double cx, cz, radius, height;
        bool rocky;
    };
    struct Patch {
        double cx, cz, halfW, halfL, angle;
        int32_t level;
    };

    static size_t index(int32_t i, int32_t j)
    {
        return static_cast<size_t>((j & (kGrid - 1)) * kGrid + (i & (kGrid - 1)));
    }
    void buildNatural();
    double ridgeCentre(int32_t ridge, double z) const;
    double ridgeAmplitude(int32_t ridge, double z) const;
    double riverCentre(double x) const;
    double riverSlope(double x) const;
    double lakeDistance(double x, double z) const;
    double carve(double h, double x, double z, double river) const;
    // The ground before the water and the fields are cut into it (bilinear
    // between samples).
    double natural(double x, double z) const;
    void placeTarn(const HeightBands& bands);
    void placeFields(uint64_t seed, const HeightBands& bands);
    void flatten();
    void relieve(const HeightBands& bands);

    std::vector<Wave> m_waves;
    std::vector<Wave> m_zoneWaves; // the wandering heath and rock lines
    std::vector<Hill> m_hills;
    std::vector<double> m_natural;
    std::vector<double> m_height;
    double m_riverPhase[3] = {0, 0, 0};
    double m_ridgePhase[6] = {0, 0, 0, 0, 0, 0};
    double m_lakeX = 0, m_lakeZ = 0;
    Tarn m_tarn{};
    int32_t m_tarnLevel = 0;
    std::vector<Patch> m_patches;
    std::vector<Field> m_fields;
};
