#pragma once
#include <cstdint>

// Two lane vectors as one of twice the lanes: the packet caster then follows
// two independent sets of rays, whose steps the processor overlaps while
// each waits for its table reads. L is a TerrainLanes; the masks pair up the
// same way, the first vector's lanes in the low bits.
template <class L>
struct TerrainLanePair {
    struct Mask {
        using Half = typename L::Mask;
        static Mask all() { return {Half::all(), Half::all()}; }
        static Mask fromBits(uint32_t bits)
        {
            return {Half::fromBits(bits & ((1u << L::kLanes) - 1)), Half::fromBits(bits >> L::kLanes)};
        }
        static uint32_t bits(Mask m) { return Half::bits(m.a) | Half::bits(m.b) << L::kLanes; }
        static bool any(Mask m) { return Half::any(m.a | m.b); }
        static Mask andnot(Mask x, Mask y) { return {Half::andnot(x.a, y.a), Half::andnot(x.b, y.b)}; }
        friend Mask operator&(Mask x, Mask y) { return {x.a & y.a, x.b & y.b}; }
        friend Mask operator|(Mask x, Mask y) { return {x.a | y.a, x.b | y.b}; }

        Half a, b;
    };
    static constexpr int32_t kLanes = 2 * L::kLanes;

    TerrainLanePair() = default;
    TerrainLanePair(int32_t v) : a(v), b(v) {}
    TerrainLanePair(L x, L y) : a(x), b(y) {}

    using P = TerrainLanePair;
    friend P operator+(P x, P y) { return {x.a + y.a, x.b + y.b}; }
    friend P operator-(P x, P y) { return {x.a - y.a, x.b - y.b}; }
    friend P operator&(P x, P y) { return {x.a & y.a, x.b & y.b}; }
    friend P operator|(P x, P y) { return {x.a | y.a, x.b | y.b}; }
    friend P operator^(P x, P y) { return {x.a ^ y.a, x.b ^ y.b}; }
    friend P operator<<(P x, int32_t n) { return {x.a << n, x.b << n}; }
    friend P operator>>(P x, int32_t n) { return {x.a >> n, x.b >> n}; }
    static P andnot(P x, P y) { return {L::andnot(x.a, y.a), L::andnot(x.b, y.b)}; }
    static P sllv(P x, P y) { return {L::sllv(x.a, y.a), L::sllv(x.b, y.b)}; }
    static P shiftLeft(P x, int32_t n) { return {L::shiftLeft(x.a, n), L::shiftLeft(x.b, n)}; }
    static P mullo(P x, P y) { return {L::mullo(x.a, y.a), L::mullo(x.b, y.b)}; }
    static P min(P x, P y) { return {L::min(x.a, y.a), L::min(x.b, y.b)}; }
    static P max(P x, P y) { return {L::max(x.a, y.a), L::max(x.b, y.b)}; }
    static P load(const int32_t* p) { return {L::load(p), L::load(p + L::kLanes)}; }
    static void store(int32_t* p, P x)
    {
        L::store(p, x.a);
        L::store(p + L::kLanes, x.b);
    }
    static Mask gt(P x, P y) { return {L::gt(x.a, y.a), L::gt(x.b, y.b)}; }
    static Mask eq(P x, P y) { return {L::eq(x.a, y.a), L::eq(x.b, y.b)}; }
    static P select(Mask m, P x, P y) { return {L::select(m.a, x.a, y.a), L::select(m.b, x.b, y.b)}; }
    static P addIf(Mask m, P x, P y) { return {L::addIf(m.a, x.a, y.a), L::addIf(m.b, x.b, y.b)}; }
    static P subIf(Mask m, P x, P y) { return {L::subIf(m.a, x.a, y.a), L::subIf(m.b, x.b, y.b)}; }
    static P gather(const int32_t* base, P i) { return {L::gather(base, i.a), L::gather(base, i.b)}; }
    static P gather(const int32_t* base, P i, Mask m) { return {L::gather(base, i.a, m.a), L::gather(base, i.b, m.b)}; }
    static void scatter(int32_t* base, P i, P v, Mask m, int32_t count)
    {
        L::scatter(base, i.a, v.a, m.a, count);
        L::scatter(base, i.b, v.b, m.b, count);
    }
    static P blend(P corners, P fx, P fz) { return {L::blend(corners.a, fx.a, fz.a), L::blend(corners.b, fx.b, fz.b)}; }
    static P addChannels(P x, P y) { return {L::addChannels(x.a, y.a), L::addChannels(x.b, y.b)}; }
    static P scaleChannels(P colour, P f) { return {L::scaleChannels(colour.a, f.a), L::scaleChannels(colour.b, f.b)}; }

    L a, b;
};
