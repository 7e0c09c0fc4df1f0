#pragma once
#include <cstdint>

// Deterministic noise for the generated art. Every function is a pure function
// of its seed and arguments, so two builds draw the same pixels.
class Noise {
public:
    // A well-mixed 32-bit hash of three integers.
    static uint32_t hash(uint32_t a, uint32_t b, uint32_t c);
    // Uniform value in [0, 1) for a lattice point.
    static float unit(uint32_t seed, int32_t x, int32_t y);
    // Gradient noise in about [-1, 1] that repeats every px cells in x and py
    // cells in y (one cell = one unit of x and y).
    static float gradient(uint32_t seed, float x, float y, int32_t px, int32_t py);
    // Sum of octaves of gradient noise, each twice the frequency and gain times
    // the amplitude of the one before; the first octave has px x py cells over
    // the tile, so a tile of the same size repeats seamlessly. Normalised to
    // about [-1, 1]. x and y are in tile units (0..1 spans the tile).
    static float fbm(uint32_t seed, float x, float y, int32_t px, int32_t py, int32_t octaves,
                     float gain = 0.5f);
    // Ridged variant: bright thin lines where the noise crosses zero.
    static float ridged(uint32_t seed, float x, float y, int32_t px, int32_t py, int32_t octaves);
    // Distance to the nearest feature point of a cellular pattern of n x n
    // cells repeating over the tile, in cell units (0 at a point).
    static float cellular(uint32_t seed, float x, float y, int32_t n);
};

// A small deterministic random source for placing strokes and specks.
class Random {
public:
    explicit Random(uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t next();
    // Uniform in [0, 1).
    float unit();
    // Uniform in [a, b).
    float range(float a, float b) { return a + (b - a) * unit(); }

private:
    uint32_t m_state = 1;
};
