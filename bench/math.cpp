#include <benchmark/benchmark.h>

#include "math/V.h"
#include "math/Vector.h"
#include "math/Vmat.h"

namespace {

void BM_VmatTransform(benchmark::State& state)
{
    V::fsinInit();
    ref<Vmat> m = new Vmat;
    m->rotateY(2345);
    m->rotateX(-1234);
    m->translate(100 << 15, 5 << 15, -300 << 15);
    ref<Vector> v = new Vector(12 << 15, 3 << 15, -7 << 15);
    for (auto _ : state) {
        m->transform(v);
        benchmark::DoNotOptimize(v->m_x);
        v->m_x &= 0xFFFFFF; // keep the values in range across iterations
        v->m_y &= 0xFFFFFF;
        v->m_z &= 0xFFFFFF;
    }
}
BENCHMARK(BM_VmatTransform);

void BM_VectorMagnitude(benchmark::State& state)
{
    ref<Vector> v = new Vector(1234567, -765432, 3456789);
    int32_t sum = 0;
    for (auto _ : state) {
        sum += v->magnitude();
        v->m_x += 17; // a different vector each time, so nothing is hoisted
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_VectorMagnitude);

} // namespace
