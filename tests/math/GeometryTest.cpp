#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "math/V.h"
#include "math/Vector.h"
#include "math/Vmat.h"
#include "math/Vquaternion.h"

namespace {

constexpr int32_t ONE = 32768;

ref<Vector> vec(int32_t x, int32_t y, int32_t z) { return ref<Vector>(new Vector(x, y, z)); }

void expectNear(const ref<Vector>& v, int32_t x, int32_t y, int32_t z, int32_t tol)
{
    EXPECT_TRUE(std::abs(v->m_x - x) <= tol && std::abs(v->m_y - y) <= tol && std::abs(v->m_z - z) <= tol)
        << "(" << v->m_x << ", " << v->m_y << ", " << v->m_z << ") vs (" << x << ", " << y << ", " << z << ")";
}

// A small deterministic generator, independent of the game's own.
uint32_t g_state = 12345;
int32_t rnd(int32_t lo, int32_t hi)
{
    g_state = g_state * 1103515245u + 12345u;
    return lo + static_cast<int32_t>((g_state >> 8) % static_cast<uint32_t>(hi - lo + 1));
}

class Geometry : public ::testing::Test {
protected:
    void SetUp() override { V::m_fsin.empty() ? V::fsinInit() : void(); }
};

} // namespace

TEST_F(Geometry, LengthsProductsAndComponentWiseOperations)
{
    EXPECT_LE(std::abs(vec(3 * ONE, 4 * ONE, 0)->magnitude() - 5 * ONE), 3);
    // Far beyond 1.0 the 64-bit square keeps the length exact.
    EXPECT_LE(std::abs(vec(3000 * ONE, 0, 4000 * ONE)->magnitude() - 5000 * ONE), 3);
    EXPECT_EQ(vec(0, 0, 0)->magnitude(), 0);
    EXPECT_EQ(vec(ONE, ONE, ONE)->magnitudeApprox(), 49152);
    EXPECT_EQ(vec(-ONE, 0, 4 * ONE)->magnitudeApprox(), 4 * ONE + ONE / 4);
    ref<Vector> x = vec(ONE, 0, 0), y = vec(0, ONE, 0), c = vec(1, 0, 0);
    c->normalize();
    expectNear(c, 0, 0, 0, 0); // too short to have a direction
    // Parallel vectors have no normal; tiny ones keep their direction.
    const std::tuple<ref<Vector>, ref<Vector>, int32_t> crosses[] = {{x, y, ONE}, {x, vec(5 * ONE, 0, 0), 0}, {vec(300, 0, 0), vec(0, 200, 0), ONE}};
    for (auto [a, b, z] : crosses) {
        c->crossProductNormalized(a, b);
        expectNear(c, 0, 0, z, 0);
    }
    x->crossProduct(x, y); // the destination may be an operand
    expectNear(x, 0, 0, ONE, 0);
    EXPECT_EQ(vec(ONE, 2 * ONE, 3 * ONE)->dotProduct(vec(4 * ONE, -5 * ONE, 6 * ONE)), 12 * ONE);
    EXPECT_EQ(vec(40 * ONE, 0, 0)->dotProductLong(vec(60 * ONE, 0, 0)), INT64_C(2400) * ONE);
    for (int i = 0; i < 200; i++) {
        ref<Vector> p = vec(rnd(-ONE, ONE), rnd(-ONE, ONE), rnd(-ONE, ONE));
        ref<Vector> q = vec(rnd(-ONE, ONE), rnd(-ONE, ONE), rnd(-ONE, ONE)), n = new Vector;
        n->crossProduct(p, q);
        EXPECT_LE(std::abs(n->dotProduct(p)), 4); // perpendicular to both
        EXPECT_LE(std::abs(n->dotProduct(q)), 4);
        q->multiply(15 * ONE); // out to 15.0
        q->normalize();
        EXPECT_LE(std::abs(q->magnitude() - ONE), 8);
    }
    ref<Vector> v = vec(ONE, -2 * ONE, 3 * ONE);
    v->mulAdd(vec(2 * ONE, 2 * ONE, 2 * ONE), ONE / 2); // (2, -1, 4)
    v->multiply(ONE / 4);                               // (0.5, -0.25, 1)
    v->divide(ONE / 2);                                 // (1, -0.5, 2)
    v->sub(vec(ONE, ONE, ONE));                         // (0, -1.5, 1)
    v->negate();
    EXPECT_TRUE(v->equals(vec(0, 3 * ONE / 2, -ONE)));
}

TEST_F(Geometry, MatrixBuildersIdentityShortcutsAndTheInverseRotation)
{
    ref<Vmat> m = new Vmat;
    EXPECT_EQ(m->checksumMatrix(), 98304);
    m->rotateZ(0x2000);
    ref<Vector> v = vec(ONE, 0, 0);
    m->transform(v);
    expectNear(v, 0, -32767, 0, 1);

    ref<Vmat> r = new Vmat, same = new Vmat, s = new Vmat;
    r->rotateX(1234);
    r->rotateY(-777);
    r->translate(5 * ONE, 6 * ONE, 7 * ONE);
    same->set(r);
    for (void (Vmat::*turn)(int32_t) : {&Vmat::rotateX, &Vmat::rotateY, &Vmat::rotateZ, &Vmat::scale})
        ((*same).*turn)(turn == &Vmat::scale ? ONE : 0);
    same->translate(0, 0, 0);
    EXPECT_EQ(0, std::memcmp(&same->m00, &r->m00, 16 * sizeof(int32_t)));

    s->scale(2 * ONE);
    s->translate(ONE, 0, 0);
    ref<Vector> p = vec(ONE, ONE, ONE);
    s->transform(p);
    expectNear(p, 3 * ONE, 2 * ONE, 2 * ONE, 0); // scaled first, then moved
    s->translate(9, 8, 7);
    s->setRotation(m); // keeps the translation
    EXPECT_TRUE(s->m30 == ONE + 9 && s->m01 == m->m01);

    for (int i = 0; i < 200; i++) {
        m->identity();
        for (void (Vmat::*turn)(int32_t) : {&Vmat::rotateX, &Vmat::rotateY, &Vmat::rotateZ})
            ((*m).*turn)(rnd(-16384, 16383));
        ref<Vector> in = vec(rnd(-2 * ONE, 2 * ONE), rnd(-2 * ONE, 2 * ONE), rnd(-2 * ONE, 2 * ONE));
        ref<Vector> turned = new Vector, back = new Vector, out = new Vector;
        m->rotate(turned, in);
        EXPECT_LE(std::abs(turned->magnitude() - in->magnitude()), 16); // rotations keep length
        m->rotateInverse(back, turned);
        expectNear(back, in->m_x, in->m_y, in->m_z, 16);
        // Transforming into the source gives what a separate destination gets.
        r->transform(out, in);
        r->transform(in);
        EXPECT_TRUE(out->equals(in));
    }
}
