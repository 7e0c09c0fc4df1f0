#include <gtest/gtest.h>

#include <vector>

#include "math/V.h"
#include "physics/Vphysics.h"

namespace {

// A body that records what the world asks of it, and answers as told; a
// spawner adds another body to its world in its first prestep.
class Probe : public Vphob {
public:
    explicit Probe(bool spawns = false) : spawner(spawns) {}
    bool prestep(int32_t dt) override
    {
        if (spawner && !child)
            m_world->add(child = new Probe);
        prestepped++;
        lastFrame = dt;
        return stay;
    }
    void step(int32_t dt) override
    {
        steps.push_back(dt);
        Vphob::step(dt);
    }
    int32_t collisionCheckObject(const ref<Vphob>& other, int32_t dt) override
    {
        asked.push_back(other.get());
        return dt;
    }
    int32_t collisionCheckEnvironment(int32_t dt) override { return keep < 0 ? dt : keep; }
    void poststep() override { poststepped++; }

    bool spawner, stay = true;
    int32_t keep = -1; // what the ground check answers; -1 the whole step
    int32_t prestepped = 0, poststepped = 0, lastFrame = 0;
    std::vector<int32_t> steps;
    std::vector<Vphob*> asked;
    ref<Probe> child;
};

class World : public testing::Test {
protected:
    void SetUp() override { V::m_fsin.empty() ? V::fsinInit() : void(); }
    ref<Probe> probe(int32_t x, int32_t z, int32_t vx = 0, int32_t gravity = 0)
    {
        ref<Probe> p = new Probe;
        p->m_gravity = gravity;
        p->m_radius = 32768;
        p->setWxyz(x, 0, z);
        p->setVelocity(vx, 0, 0);
        world->add(p);
        return p;
    }
    ref<Vphysics> world = new Vphysics;
};

TEST_F(World, FramesAreCutIntoSubStepsOfAtMost16Ms)
{
    ref<Probe> p = probe(0, 0);
    // A frame of no time, of a negative time or of more than 200 ms is one of 200.
    for (int32_t ms : {0, 500, -3, 200}) {
        p->steps.clear();
        world->step(ms);
        std::vector<int32_t> want(12, 512);
        want.push_back(256);
        EXPECT_EQ(p->steps, want) << ms;
        EXPECT_EQ(p->lastFrame, 6400);
    }
    p->steps.clear();
    world->step(64);
    EXPECT_EQ(p->steps, std::vector<int32_t>(4, 512));
    world->step(1);
    EXPECT_EQ(p->lastFrame, 32);
}

// A body that is done leaves before anything moves (the head and the tail as
// well as one in the middle); one added during the prestep pass moves in
// that frame but is asked to act only from the next.
TEST_F(World, ThePrestepPassRemovesBodiesThatAreDoneAndAddsNewOnesForTheNextFrame)
{
    ref<Probe> a = probe(0, 0), b = probe(0, 0), c = probe(0, 0);
    b->stay = false;
    world->step(64);
    EXPECT_TRUE(world->count() == 2 && b->steps.empty() && b->poststepped == 0 && a->poststepped == 1 && c->poststepped == 1);
    EXPECT_TRUE(b->m_world == nullptr && b->m_nextBody == nullptr);
    a->stay = c->stay = false;
    world->step(64);
    EXPECT_EQ(world->count(), 0);

    ref<Probe> s = new Probe(true);
    s->m_gravity = 0;
    world->add(s);
    world->step(64);
    ASSERT_TRUE(s->child);
    EXPECT_EQ(world->first().get(), s->child.get());
    EXPECT_TRUE(s->child->prestepped == 0 && s->child->steps.size() == 4u && s->child->poststepped == 1);
    world->step(64);
    EXPECT_EQ(s->child->prestepped, 1);
}

TEST_F(World, OnlyMovingPairsWithOverlappingBoxesAreAskedOncePerPair)
{
    const int32_t g = Vphob::kGravity, u = 32768;
    // At rest next to each other, overlapping: never asked.
    ref<Probe> a = probe(0, 0, 0, g), b = probe(u, 0, 0, g);
    world->step(64);
    EXPECT_TRUE(a->asked.empty() && b->asked.empty());
    // One moves: asked, and only the one nearer the head asks.
    a->setVelocity(100000, 0, 0); // fast enough not to be stopped by calcForces
    world->step(16);
    EXPECT_EQ(b->asked, std::vector<Vphob*>{a.get()}); // b was added last, so it comes first
    EXPECT_TRUE(a->asked.empty());

    // Boxes that only touch are not asked.
    ref<Vphysics> w2 = world;
    world = new Vphysics;
    ref<Probe> c = probe(0, 0, 0, g), d = probe(2 * u, 0, 0, g);
    c->setVelocity(0, 0, 1000); // moves along z only
    world->step(16);
    EXPECT_TRUE(d->asked.empty());
    EXPECT_EQ(d->m_box[0], c->m_box[2]);

    // Without gravity, or parked, a body takes part in no test.
    a->asked.clear();
    b->asked.clear();
    b->m_gravity = 0;
    w2->step(16);
    EXPECT_TRUE(a->asked.empty() && b->asked.empty());
    b->m_gravity = g;
    b->park();
    a->m_radius = 0x3FFFFFFF; // a box over everything
    w2->step(16);
    EXPECT_TRUE(a->asked.empty() && b->asked.empty());
    EXPECT_EQ(b->m_wx, Vphob::kFarAway);
}

// A sub-step the ground check cuts short is undone and redone from the saved
// state as long as the check allowed. A body that never accepts costs, each
// sub-step, an attempt of s and one of 1 that stands; after 1000 retries the
// rest of the frame is dropped.
TEST_F(World, AShortenedSubStepIsRedoneFromTheSavedStateAThousandTimesAtMost)
{
    ref<Probe> p = probe(0, 0, 32768, Vphob::kGravity);
    p->keep = 100; // every step longer than 100 ran into something
    world->step(1); // 32 units: accepted at once
    EXPECT_EQ(p->steps, std::vector<int32_t>{32});
    p->steps.clear();
    world->step(16);
    EXPECT_EQ(p->steps, (std::vector<int32_t>{512, 100, 412, 100, 312, 100, 212, 100, 112, 100, 12}));

    p->keep = 0;
    p->steps.clear();
    world->step(64);
    ASSERT_EQ(p->steps.size(), 2001u);
    int32_t moved = 0;
    for (size_t i = 0; i < 2000; i += 2) {
        ASSERT_EQ(p->steps[i], 512) << i;
        moved += p->steps[i + 1];
    }
    EXPECT_EQ(moved, 1000);
    EXPECT_EQ(p->poststepped, 3);
}

} // namespace
