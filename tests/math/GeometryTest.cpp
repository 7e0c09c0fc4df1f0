#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "math/V.h"
#include "math/Vector.h"
#include "math/Vmat.h"
#include "math/Vquaternion.h"

namespace {

constexpr int32_t ONE = 32768;

ref<Vector> vec(int32_t x, int32_t y, int32_t z)
{
    return ref<Vector>(new Vector(x, y, z));
}

void expectNear(const ref<Vector>& v, int32_t x, int32_t y, int32_t z, int32_t tol)
{
    EXPECT_LE(std::abs(v->m_x - x), tol) << "x " << v->m_x << " vs " << x;
    EXPECT_LE(std::abs(v->m_y - y), tol) << "y " << v->m_y << " vs " << y;
    EXPECT_LE(std::abs(v->m_z - z), tol) << "z " << v->m_z << " vs " << z;
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
    void SetUp() override
    {
        if (V::m_fsin.empty())
            V::fsinInit();
    }
};

} // namespace

TEST_F(Geometry, MagnitudesAndNormalisation)
{
    EXPECT_LE(std::abs(vec(3 * ONE, 4 * ONE, 0)->magnitude() - 5 * ONE), 3);
    EXPECT_EQ(vec(0, 0, 0)->magnitude(), 0);
    // Far beyond 1.0 the 64-bit square keeps the length exact.
    EXPECT_LE(std::abs(vec(3000 * ONE, 0, 4000 * ONE)->magnitude() - 5000 * ONE), 3);
    EXPECT_EQ(vec(ONE, ONE, ONE)->magnitudeApprox(), 49152);
    EXPECT_EQ(vec(-ONE, 0, 4 * ONE)->magnitudeApprox(), 4 * ONE + ONE / 4);

    ref<Vector> tiny = vec(1, 0, 0);
    tiny->normalize();
    expectNear(tiny, 0, 0, 0, 0);
    for (int i = 0; i < 200; i++) {
        ref<Vector> v = vec(rnd(-500000, 500000), rnd(-500000, 500000), rnd(-500000, 500000));
        v->normalize();
        EXPECT_LE(std::abs(v->magnitude() - ONE), 8);
    }
}

TEST_F(Geometry, ProductsAndComponentWiseOperations)
{
    ref<Vector> x = vec(ONE, 0, 0), y = vec(0, ONE, 0);
    ref<Vector> c = new Vector;
    c->crossProductNormalized(x, y);
    expectNear(c, 0, 0, ONE, 0);
    c->crossProductNormalized(x, vec(5 * ONE, 0, 0));
    expectNear(c, 0, 0, 0, 0);
    // Directions of very small vectors survive.
    c->crossProductNormalized(vec(300, 0, 0), vec(0, 200, 0));
    expectNear(c, 0, 0, ONE, 0);
    // The destination may be one of the operands.
    ref<Vector> a = vec(ONE, 0, 0);
    a->crossProduct(a, y);
    expectNear(a, 0, 0, ONE, 0);
    EXPECT_EQ(vec(ONE, 2 * ONE, 3 * ONE)->dotProduct(vec(4 * ONE, -5 * ONE, 6 * ONE)), 12 * ONE);
    int64_t big = vec(40000 * ONE / 1000, 0, 0)->dotProductLong(vec(60000 * ONE / 1000, 0, 0));
    EXPECT_EQ(big, (static_cast<int64_t>(40 * ONE) * (60 * ONE)) >> 15);
    for (int i = 0; i < 100; i++) {
        ref<Vector> p = vec(rnd(-ONE, ONE), rnd(-ONE, ONE), rnd(-ONE, ONE));
        ref<Vector> q = vec(rnd(-ONE, ONE), rnd(-ONE, ONE), rnd(-ONE, ONE));
        ref<Vector> n = new Vector;
        n->crossProduct(p, q);
        // The cross product is perpendicular to both operands.
        EXPECT_LE(std::abs(n->dotProduct(p)), 4);
        EXPECT_LE(std::abs(n->dotProduct(q)), 4);
    }
    ref<Vector> v = vec(ONE, -2 * ONE, 3 * ONE);
    v->mulAdd(vec(2 * ONE, 2 * ONE, 2 * ONE), ONE / 2);
    expectNear(v, 2 * ONE, -ONE, 4 * ONE, 0);
    v->multiply(ONE / 4);
    expectNear(v, ONE / 2, -ONE / 4, ONE, 0);
    v->divide(ONE / 2);
    expectNear(v, ONE, -ONE / 2, 2 * ONE, 0);
    v->sub(vec(ONE, ONE, ONE));
    expectNear(v, 0, -3 * ONE / 2, ONE, 0);
    v->negate();
    EXPECT_TRUE(v->equals(vec(0, 3 * ONE / 2, -ONE)));
}

TEST_F(Geometry, MatrixBuildersAndIdentityShortcuts)
{
    ref<Vmat> m = new Vmat;
    EXPECT_EQ(m->checksumMatrix(), 98304);
    m->rotateZ(0x2000);
    ref<Vector> v = vec(ONE, 0, 0);
    m->transform(v);
    expectNear(v, 0, -32767, 0, 1);

    ref<Vmat> r = new Vmat;
    r->rotateX(1234);
    r->rotateY(-777);
    r->translate(5 * ONE, 6 * ONE, 7 * ONE);
    ref<Vmat> same = new Vmat;
    same->set(r);
    same->rotateX(0);
    same->rotateY(0);
    same->rotateZ(0);
    same->scale(ONE);
    same->translate(0, 0, 0);
    EXPECT_EQ(0, std::memcmp(&same->m00, &r->m00, 16 * sizeof(int32_t)));

    ref<Vmat> s = new Vmat;
    s->scale(2 * ONE);
    s->translate(ONE, 0, 0);
    ref<Vector> p = vec(ONE, ONE, ONE);
    s->transform(p);
    expectNear(p, 3 * ONE, 2 * ONE, 2 * ONE, 0); // scaled first, then moved

    ref<Vmat> keep = new Vmat;
    keep->translate(9, 8, 7);
    keep->setRotation(m);
    EXPECT_EQ(keep->m30, 9);
    EXPECT_EQ(keep->m01, m->m01);
    // Transforming into the source gives what a separate destination gets.
    for (int i = 0; i < 50; i++) {
        ref<Vector> in = vec(rnd(-9 * ONE, 9 * ONE), rnd(-9 * ONE, 9 * ONE), rnd(-9 * ONE, 9 * ONE));
        ref<Vector> out = new Vector;
        r->transform(out, in);
        r->transform(in);
        EXPECT_TRUE(out->equals(in));
    }
}

TEST_F(Geometry, RotateInverseUndoesRandomRotations)
{
    for (int i = 0; i < 200; i++) {
        ref<Vmat> m = new Vmat;
        m->rotateX(rnd(-16384, 16383));
        m->rotateY(rnd(-16384, 16383));
        m->rotateZ(rnd(-16384, 16383));
        ref<Vector> in = vec(rnd(-2 * ONE, 2 * ONE), rnd(-2 * ONE, 2 * ONE), rnd(-2 * ONE, 2 * ONE));
        ref<Vector> turned = new Vector;
        ref<Vector> back = new Vector;
        m->rotate(turned, in);
        EXPECT_LE(std::abs(turned->magnitude() - in->magnitude()), 16); // rotations keep length
        m->rotateInverse(back, turned);
        expectNear(back, in->m_x, in->m_y, in->m_z, 16);
    }
}

TEST_F(Geometry, QuaternionMatrixAgreesWithMatrixRotations)
{
    ref<Vquaternion> q = new Vquaternion;
    q->setHeadingBankPitch(0, 0, 0);
    EXPECT_EQ(q->m_w, 32765);
    EXPECT_EQ(q->m_x | q->m_y | q->m_z, 0);

    ref<Vquaternion> zero = new Vquaternion;
    zero->normalize();
    EXPECT_EQ(zero->m_w | zero->m_x | zero->m_y | zero->m_z, 0);

    // A single-axis quaternion (cos a/2, sin a/2 along the axis) writes the
    // same 3x3 part as the matrix builders, to within a few units.
    for (int32_t a = -16000; a < 16384; a += 1111) {
        int32_t c = V::fcos(a >> 1), s = V::fsin(a >> 1);
        struct Case {
            int32_t x, y, z;
            void (Vmat::*rot)(int32_t);
        } cases[] = {{s, 0, 0, &Vmat::rotateX}, {0, s, 0, &Vmat::rotateY}, {0, 0, s, &Vmat::rotateZ}};
        for (const Case& k : cases) {
            ref<Vquaternion> r = new Vquaternion;
            r->set(c, k.x, k.y, k.z);
            ref<Vmat> fromQ = new Vmat;
            fromQ->m30 = 77; // outside the 3x3 part: left unchanged
            r->setMatrix(fromQ);
            EXPECT_EQ(fromQ->m30, 77);
            ref<Vmat> fromM = new Vmat;
            ((*fromM).*k.rot)(a);
            const int32_t* pq = &fromQ->m00;
            const int32_t* pm = &fromM->m00;
            for (int e : {0, 1, 2, 4, 5, 6, 8, 9, 10})
                EXPECT_LE(std::abs(pq[e] - pm[e]), 12) << "angle " << a << " entry " << e;
        }
    }

    ref<Vquaternion> n = new Vquaternion;
    n->set(3 * ONE, 0, 4 * ONE, 0);
    n->normalize();
    EXPECT_LE(std::abs(n->m_w - 3 * ONE / 5), 4);
    EXPECT_LE(std::abs(n->m_y - 4 * ONE / 5), 4);
}
