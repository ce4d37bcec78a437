// Seeded, periodic noise for the asset generators: a hash, value noise and gradient noise
// in 2D and 3D that tile with a chosen period, and fractal sums of octaves.
#pragma once

#include <cstdint>

namespace assets {

uint32_t hash(uint32_t x);
uint32_t hash(int x, int y, int z, uint32_t seed);
// Uniform in [0, 1) from integer coordinates.
float hashUnit(int x, int y, int z, uint32_t seed);

// Gradient noise in about [-1, 1], periodic with `period` lattice cells on each axis.
float gradientNoise(float x, float y, float z, int period, uint32_t seed);
// Octaves of gradient noise, each doubling the frequency and period and multiplying the
// amplitude by `gain`; normalised to about [-1, 1].
float fbm(float x, float y, float z, int period, int octaves, float gain, uint32_t seed);

// Small deterministic generator for placements (xorshift32).
class Random {
public:
    explicit Random(uint32_t seed) : mState(hash(seed) | 1u) {}
    uint32_t next() { mState ^= mState << 13; mState ^= mState >> 17; mState ^= mState << 5; return mState; }
    float unit() { return (next() >> 8) * (1.f / 16777216.f); }
    float range(float a, float b) { return a + (b - a) * unit(); }
private:
    uint32_t mState;
};

} // namespace assets
