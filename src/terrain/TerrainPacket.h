#pragma once
#include <cstdint>

#include "runtime/Check.h"
#include "terrain/TerrainCast.h"
#include "terrain/Vpolyn.h"

// The ray caster for a packet of columns, one column per vector lane: each
// pass takes every lane one ray step on and paints the rows its hits cover,
// with the same integer operations as Vterrain::castColumn, so the pixels
// and column tops are the same bit for bit. A lane whose ray ends takes the
// thread's next column at once, so the lanes stay busy however long each
// ray runs.
//
// L is a vector of kLanes 32-bit lanes with its mask type L::Mask; this
// header is only compiled where L's instructions are (the per-file flags of
// TerrainPacketAvx2.cpp and TerrainPacketAvx512.cpp), and L is local to
// that file.
template <class L>
class TerrainPacket {
public:
    using M = typename L::Mask;
    static constexpr int32_t kLanes = L::kLanes;

    explicit TerrainPacket(const TerrainCast& c) : m_c(c) {}
    void run(TerrainCast::Columns& walk);

private:
    // Each lane's ray as castColumn keeps it; the step size is 1 << k
    // (castColumn's stride index). Lanes outside live have no column.
    struct Rays {
        L dx, dz, posX, posZ, line, rowInc, slope, k, growTo, distance, at, last;
        M live;
    };
    // Ends the rays of the lanes in done and starts the next columns in them
    // (or leaves them idle).
    [[gnu::noinline]] void refill(Rays& r, M done, TerrainCast::Columns& walk);
    // The pixels of the lanes in hit: the texel of the ground style, shaded
    // by the slope, with the distance.
    L shade(M hit, L posX, L posZ, L fx, L fz, L h, L distance) const;

    const TerrainCast& m_c;
    int32_t m_column[kLanes] = {};
    int32_t m_skyFrom[kLanes] = {};
};

template <class L>
void TerrainPacket<L>::run(TerrainCast::Columns& walk)
{
    const TerrainCast& c = m_c;
    Rays r{};
    for (int32_t& x : m_column)
        x = -1;
    refill(r, M::all(), walk);
    const int32_t* corners = reinterpret_cast<const int32_t*>(c.corners);
    const L step(c.step), one(1), widest(TerrainCast::kStepSizes - 1), far(TerrainCast::kFarDistance);
    const L width(c.width), zero(0);
    L dx = r.dx, dz = r.dz, posX = r.posX, posZ = r.posZ, line = r.line, rowInc = r.rowInc, slope = r.slope;
    L k = r.k, growTo = r.growTo, distance = r.distance, at = r.at, last = r.last;
    M live = r.live;
    // Idle lanes step on with the others; nothing they find is kept.
    while (M::any(live)) {
        const L sdx = L::sllv(dx, k), sdz = L::sllv(dz, k);
        posX = posX + sdx;
        posZ = posZ + sdz;
        line = line + slope;
        const L fx = (posX >> 4) & L(4095), fz = (posZ >> 4) & L(4095);
        const L h = L::blend(L::gather(corners, ((posZ >> 8) & L(0xFF00)) | ((posX >> 16) & L(255))), fx, fz);
        const L hh = h << 4;
        const L slopeInc = L::sllv(step, k);
        const M above = L::gt(hh, line);
        const M miss = M::andnot(above, live);
        const M back = above & L::gt(hh - line, rowInc) & L::gt(k, zero);
        const M hit = M::andnot(back, above) & live;
        // Open air: after two misses in a row the step doubles.
        rowInc = L::addIf(miss, rowInc, slopeInc);
        const M grow = M::andnot(L::eq(k, growTo), miss);
        k = L::addIf(grow, k, one);
        slope = L::select(grow, slope + slope, slope);
        growTo = L::select(miss, widest, growTo);
        // Overshot by more than a row: step back and look again at half the step.
        posX = L::subIf(back, posX, sdx);
        posZ = L::subIf(back, posZ, sdz);
        line = L::subIf(back, line, slope);
        k = L::subIf(back, k, one);
        slope = L::select(back, slope >> 1, slope);
        growTo = L::select(back, k, growTo);
        // Only misses and steps back changed k: inc is the step of every lane now.
        const L inc = L::sllv(one, k);
        distance = L::subIf(back, L::addIf(miss, distance, inc), inc);
        if (M::any(hit)) {
            // The ground rises above the line of sight of one row or more:
            // a row a pass, for as long as any lane's does.
            const L pixel = shade(hit, posX, posZ, fx, fz, h, distance);
            for (M put = hit;;) {
                const M end = put & L::eq(at, last);
                put = M::andnot(end, put);
                at = L::subIf(put, at, width);
                L::scatter(c.pixels, at, pixel, put, c.pixelCount);
                slope = L::addIf(put, slope, slopeInc);
                line = L::addIf(put, line, rowInc);
                distance = L::select(end, far, distance);
                put = put & L::gt(hh, line);
                if (!M::any(put))
                    break;
            }
            rowInc = L::addIf(hit, rowInc, slopeInc);
            distance = L::addIf(hit, distance, inc);
            growTo = L::select(hit, k, growTo);
        }
        const M done = M::andnot(L::gt(far, distance), live);
        if (M::any(done)) {
            r = Rays{dx, dz, posX, posZ, line, rowInc, slope, k, growTo, distance, at, last, live};
            refill(r, done, walk);
            dx = r.dx, dz = r.dz, posX = r.posX, posZ = r.posZ, line = r.line, rowInc = r.rowInc, slope = r.slope;
            k = r.k, growTo = r.growTo, distance = r.distance, at = r.at, last = r.last;
            live = r.live;
        }
    }
}

template <class L>
L TerrainPacket<L>::shade(M hit, L posX, L posZ, L fx, L fz, L h, L distance) const
{
    const TerrainCast& c = m_c;
    // The style from the grid, or exactly where a boundary crosses the pixel.
    const L x = posX & L(c.xMask), z = posZ & L(c.yMask);
    const L word = L::gather(c.words, L::shiftLeft(z >> 15, c.gridShift) + (x >> 15), hit);
    L style = word;
    const M crossed = hit & L::gt(word, L(Vpolyn::kCrossedWord - 1));
    if (M::any(crossed)) {
        const L e = L::gather(c.edges, word & L(Vpolyn::kEdgeIndex), crossed);
        const L crossing = ((e & L(8191)) << 11) + (L::mullo(e >> 19, z & L(32767)) >> 4);
        style = L::select(crossed, L::select(L::gt(crossing, x), (word >> 24) & L(63), (e >> 13) & L(63)), style);
    }
    // Where several crossings meet in a pixel, the walk along its row, lane
    // by lane (few pixels are like that).
    const M mixed = hit & L::gt(L(0), word);
    if (M::any(mixed)) {
        alignas(64) int32_t styles[kLanes], xs[kLanes], zs[kLanes];
        L::store(styles, style);
        L::store(xs, posX);
        L::store(zs, posZ);
        for (uint32_t bits = M::bits(mixed); bits; bits &= bits - 1) {
            const int32_t i = __builtin_ctz(bits);
            styles[i] = c.crossedStyle(xs[i], zs[i]);
        }
        style = L::load(styles);
    }
    const L texel = ((style & L(63)) << 12) | (((posZ >> 12) & L(63)) << 6) | ((posX >> 12) & L(63));
    const L colour = L::gather(c.texels, texel, hit);
    // The slope: the height half a cell on in x and z lies in the next cell
    // in each direction whose fraction passes a half.
    const L cx = ((posX >> 16) + (fx >> 11)) & L(255), cz = ((posZ >> 16) + (fz >> 11)) & L(255);
    const L h2 = L::blend(L::gather(reinterpret_cast<const int32_t*>(c.corners), (cz << 8) | cx, hit),
                          fx ^ L(2048), fz ^ L(2048));
    return c.haze.most != 0 ? hazedTerrainPixel(colour, h - h2, distance, c.haze) : terrainPixel(colour, h - h2, distance);
}

template <class L>
void TerrainPacket<L>::refill(Rays& r, M done, TerrainCast::Columns& walk)
{
    const TerrainCast& c = m_c;
    // The rays lane by lane, in the order of Rays.
    constexpr int32_t kValues = 12, kAt = 10;
    alignas(64) int32_t lanes[kValues][kLanes];
    L* const vectors[kValues] = {&r.dx,    &r.dz, &r.posX,   &r.posZ,     &r.line, &r.rowInc,
                                 &r.slope, &r.k,  &r.growTo, &r.distance, &r.at,   &r.last};
    for (int32_t v = 0; v < kValues; v++)
        L::store(lanes[v], *vectors[v]);
    uint32_t live = M::bits(r.live);
    for (uint32_t bits = M::bits(done); bits; bits &= bits - 1) {
        const int32_t i = __builtin_ctz(bits);
        if (m_column[i] >= 0)
            c.finish(m_column[i], lanes[kAt][i], m_skyFrom[i]);
        const int32_t x = c.next(walk);
        m_column[i] = x;
        m_skyFrom[i] = walk.skyFrom;
        if (x < 0) {
            live &= ~(1u << i);
            continue;
        }
        live |= 1u << i;
        const TerrainCast::Ray ray = c.ray(x);
        const int32_t start[kValues] = {ray.dx,  ray.dz, ray.posX, ray.posZ, c.line, c.rowInc, c.slope,
                                        0,       TerrainCast::kStepSizes - 1,  c.start, ray.at, ray.last};
        for (int32_t v = 0; v < kValues; v++)
            lanes[v][i] = start[v];
    }
    for (int32_t v = 0; v < kValues; v++)
        *vectors[v] = L::load(lanes[v]);
    r.live = M::fromBits(live);
}
