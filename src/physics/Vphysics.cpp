#include "physics/Vphysics.h"

#include <algorithm>

Vphysics::Vphysics() = default;

Vphysics::~Vphysics()
{
    clear();
}

void Vphysics::add(const ref<Vphob>& b)
{
    if (!b || b->m_world == this)
        return; // linking it twice would close the list into a ring
    if (b->m_world)
        b->m_world->remove(b);
    b->m_nextBody = m_head;
    b->m_world = this;
    m_head = b;
}

void Vphysics::unlink(Vphob* prev, Vphob* b)
{
    ref<Vphob> keep = b; // the list may hold the last reference
    if (!prev) {
        // Bodies added since b was found may stand before it.
        for (Vphob* p = m_head.get(); p && p != b; p = p->m_nextBody.get())
            prev = p;
    }
    if (prev)
        prev->m_nextBody = b->m_nextBody;
    else if (m_head.get() == b)
        m_head = b->m_nextBody;
    else
        return;
    b->m_nextBody = nullptr;
    b->m_world = nullptr;
}

void Vphysics::remove(const ref<Vphob>& b)
{
    if (b && b->m_world == this)
        unlink(nullptr, b.get());
}

void Vphysics::clear()
{
    // Link by link, so that a long list is not released recursively.
    ref<Vphob> b = m_head;
    m_head = nullptr;
    while (b) {
        ref<Vphob> next = b->m_nextBody;
        b->m_nextBody = nullptr;
        b->m_world = nullptr;
        b = next;
    }
}

void Vphysics::removeAll(const ref<Vphob>& keep)
{
    for (Vphob* b = m_head.get(); b; b = b->m_nextBody.get())
        if (b != keep.get())
            b->destroy();
    clear();
}

void Vphysics::destroy()
{
    for (Vphob* b = m_head.get(); b; b = b->m_nextBody.get())
        b->destroy();
    clear();
}

int32_t Vphysics::count() const
{
    int32_t n = 0;
    for (Vphob* b = m_head.get(); b; b = b->m_nextBody.get())
        n++;
    return n;
}

int32_t Vphysics::attempt(int32_t s)
{
    for (Vphob* b = m_head.get(); b; b = b->m_nextBody.get())
        b->step(s);
    int32_t limit = s;
    for (Vphob* a = m_head.get(); a; a = a->m_nextBody.get()) {
        if (a->m_gravity == 0 || a->parked())
            continue;
        bool aMoves = a->movesHorizontally();
        for (Vphob* b = a->m_nextBody.get(); b; b = b->m_nextBody.get()) {
            if (b->m_gravity == 0 || b->parked() || !(aMoves || b->movesHorizontally()))
                continue;
            if (a->boxOverlaps(*b))
                limit = std::min(limit, a->collisionCheckObject(ref<Vphob>(b), s));
        }
        limit = std::min(limit, a->collisionCheckEnvironment(s));
    }
    return limit;
}

void Vphysics::step(int32_t ms)
{
    int32_t left = ms >= 1 && ms <= 200 ? ms * kTimePerMs : 200 * kTimePerMs;

    // Bodies that are done leave before anything moves; forces are taken once
    // per frame.
    ref<Vphob> b = m_head;
    Vphob* prev = nullptr;
    while (b) {
        ref<Vphob> next = b->m_nextBody;
        if (b->m_world != this) {
            b = next; // taken out by another body's prestep
            continue;
        }
        if (!b->prestep(left)) {
            unlink(prev, b.get());
        } else {
            b->calcForces();
            prev = b.get();
        }
        b = next;
        // A prestep may have taken prev's follower out; find the place again.
        if (prev && prev->m_nextBody != b)
            prev = nullptr;
    }

    int32_t retries = 0;
    while (left > 0) {
        int32_t s = std::min(left, kMaxSubStep);
        for (Vphob* p = m_head.get(); p; p = p->m_nextBody.get())
            p->stateSave();
        for (;;) {
            int32_t limit = std::max(attempt(s), 1);
            if (limit >= s) {
                left -= s;
                break;
            }
            for (Vphob* p = m_head.get(); p; p = p->m_nextBody.get())
                p->stateRestore();
            if (++retries > kMaxRetries) {
                left = 0; // give up the rest of the frame, restored
                break;
            }
            s = limit;
        }
    }

    for (Vphob* p = m_head.get(); p; p = p->m_nextBody.get())
        p->poststep();
}
