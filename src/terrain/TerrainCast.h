#pragma once
#include <atomic>
#include <cstdint>

class VpolyTerrain;

// One terrain drawing as every caster reads it: the target, the tables and
// the eye, the same for all columns. The vector casters are compiled for
// other instruction sets, so what they share with the rest of the engine is
// this plain description and the out-of-line members below, never inline
// code of other headers (the linker could keep their copy of it for all).
struct TerrainCast {
    // The start of one column's ray.
    struct Ray {
        int32_t dx, dz;     // the movement per sixteenth of a unit at the smallest step
        int32_t posX, posZ; // at the starting distance
        int32_t at, last;   // pixel indices: row y1 (below the first row written) and row y0
    };
    // A thread's walk over the columns: it claims blocks of kBlock columns
    // in turn with the other threads, so that they share out the work.
    struct Columns {
        int32_t x = 0, end = 0; // the rest of the current block; end < 0 once all are taken
        int32_t skyFrom = 0;    // of the column last returned
    };
    static constexpr int32_t kBlock = 16;
    static constexpr int32_t kFarDistance = 3072; // ray steps of 1/16 unit
    static constexpr int32_t kStepSizes = 6;      // steps double from 1 up to 32 (two units)

    // The ray of column x.
    Ray ray(int32_t x) const;
    // The next column of this thread that needs its ray cast, or -1 when
    // none is left; columns whose clip lies wholly in the sky are painted
    // on the way.
    int32_t next(Columns& walk) const;
    // Ends the ray of column x whose last pixel written is at: the column's
    // top (after a full-height drawing) and the sky above the terrain, from
    // row skyFrom.
    void finish(int32_t x, int32_t at, int32_t skyFrom) const;
    // The style where the style grid cannot tell.
    int32_t crossedStyle(int32_t x, int32_t z) const;
    // Rows [from, to) of column x in the sky's colours: the one place the
    // sky is painted.
    void paintSky(int32_t x, int32_t from, int32_t to) const;

    // The target: rows y0..y1 of columns x0..x1 are painted.
    int32_t* pixels = nullptr;
    int32_t width = 0; // the row length
    int32_t pixelCount = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    // Sky rows above the terrain are painted from the last known top of
    // their column down (only rows the caller did not paint already).
    bool own = false;
    const int32_t* sky = nullptr;
    int32_t skyLength = 0;
    // With a panorama the sky is a picture around the eye instead: column
    // x shows the panorama's column at the heading plus skyAngles[x] (a
    // full turn is the panorama's width), row r its word skyRows[r] on.
    const int32_t* panorama = nullptr;
    int32_t panoramaWidth = 0;
    const int32_t* skyRows = nullptr;
    const int32_t* skyAngles = nullptr;
    int32_t heading = 0;
    // The haze the terrain pixels fade into.
    struct Haze {
        int32_t colour = 0;
        int32_t near = 0;  // the depth byte where it starts
        int32_t rate = 0;  // how fast it thickens per unit of depth (32768 all at once)
        int32_t most = 0;  // its share at the far end, of 32768
    } haze;
    int16_t* top = nullptr;
    int32_t topLength = 0;
    // Without ground (or a height map) every column is sky.
    bool cast = false;
    VpolyTerrain* ground = nullptr;
    // The four corner heights of each cell (VpolyTerrain::corners).
    const uint32_t* corners = nullptr;
    // The style grid (Vpolyn::Grid) with its width as a shift.
    const int32_t* words = nullptr;
    const int32_t* edges = nullptr;
    int32_t xMask = 0, yMask = 0, gridWidth = 0, gridShift = 0;
    bool exact = false; // the grid answers every point by itself
    // Texels of the ground styles (VpolyTerrain::texels).
    const int32_t* texels = nullptr;
    // One screen row spans step/32768 units of height per unit of
    // distance; every ray starts at the same distance, line and rise per row.
    int32_t step = 0;
    int32_t eyeX = 0, eyeZ = 0, cos = 0, sin = 0;
    int32_t start = 0, line = 0, rowInc = 0, slope = 0;
    // The next block of columns to claim, shared by the threads.
    mutable std::atomic<int32_t> nextBlock{0};
};

// The share of the haze (0..32768) at a depth byte: none before h.near,
// then rising fast and levelling off toward h.most, as air does. One
// multiply chain, no table: the vector casters have no cheap lookup.
template <class L>
inline L hazeShare(L depth, const TerrainCast::Haze& h)
{
    const L t = L::min(L::mullo(L::max(depth - L(h.near), L(0)), L(h.rate)), L(32768));
    const L rest = L(32768) - t;
    return L::mullo(L(32768) - (L::mullo(rest, rest) >> 15), L(h.most)) >> 15;
}

// A terrain pixel: the colour of its ground shaded by the slope (light, the
// height difference to half a cell on in x and z), and its distance in
// whole units + 2 in the top byte. Below -16384 each channel is halved;
// otherwise it gains light/32768 of itself, at most an eighth (more made
// the lip of a crater shine as a pale square), and at most 255. One rule
// for every caster: L is a single lane or a vector of them.
template <class L>
inline L terrainPixel(L colour, L light, L distance)
{
    L factor = L::min(L::max(light, L(-16384)), L(4096)) + L(32768);
    return L::scaleChannels(colour, factor) | ((distance >> 4) + L(2)) << 24;
}

// The terrain pixel in the haze: the slope's light and the share of the
// ground colour the haze leaves are one factor, so the colour is scaled
// once, and the haze's share of its own colour is added, each channel held
// at 255. With no haze (share 0) it is terrainPixel's pixel exactly.
template <class L>
inline L hazedTerrainPixel(L colour, L light, L distance, const TerrainCast::Haze& h)
{
    const L depth = (distance >> 4) + L(2);
    const L share = hazeShare(depth, h);
    const L lit = L::min(L::max(light, L(-16384)), L(4096)) + L(32768);
    const L factor = L::mullo(lit, L(32768) - share) >> 15;
    return L::addChannels(L::scaleChannels(colour, factor), L::scaleChannels(L(h.colour), share)) | depth << 24;
}

// The vector casters: every column this thread's walk returns, cast a
// packet of columns at a time. Only to be called where the processor has
// the instructions (Vterrain chooses).
void castPacketsAvx2(const TerrainCast& c, TerrainCast::Columns& walk);
void castPacketsAvx512(const TerrainCast& c, TerrainCast::Columns& walk);
