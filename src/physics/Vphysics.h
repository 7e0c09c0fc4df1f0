#pragma once
#include <cstdint>

#include "math/V.h"
#include "physics/Vbattlefield.h"
#include "physics/Vphob.h"
#include "runtime/ref.h"

// The bodies in play and the clock that moves them. step advances every body
// by one frame in sub-steps of at most 16 ms; after each sub-step the bodies
// whose swept boxes overlap, and each body against the ground, are asked how
// much of it they accept, and a sub-step that ran into something is undone
// and redone shorter, so bodies stop at the moment of contact. The world
// detects nothing itself: the bodies' hooks decide and react. The bodies
// stand on the world's battlefield, m_field.
class Vphysics : public V {
public:
    Vphysics();
    ~Vphysics() override;

    // Puts b at the head of the list (bodies are visited newest first). A
    // body already in this world stays where it is; one in another world
    // moves over.
    virtual void add(const ref<Vphob>& b);
    // Calls destroy on every body, then empties the list.
    virtual void destroy();
    virtual void remove(const ref<Vphob>& b);
    // Takes every body but keep out of the sprite tree, then empties the list.
    virtual void removeAll(const ref<Vphob>& keep);
    // Advances the world by ms (1..200; anything else counts as 200).
    virtual void step(int32_t ms);

    ref<Vphob> first() const { return m_head; }
    int32_t count() const;

    // Physics time per millisecond, the longest sub-step and the most
    // shortened attempts a frame may take.
    static constexpr int32_t kTimePerMs = 32;
    static constexpr int32_t kMaxSubStep = 512;
    static constexpr int32_t kMaxRetries = 1000;

    // The ground of the bodies in this world; null: flat land at height 0.
    ref<Vbattlefield> m_field;

private:
    // Unlinks b (whose predecessor is prev, or unknown when null) and clears
    // its links.
    void unlink(Vphob* prev, Vphob* b);
    // The shortest part of s that every pair and the ground accept.
    int32_t attempt(int32_t s);
    void clear();

    ref<Vphob> m_head;
};
