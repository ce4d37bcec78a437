// Periodic noise (see noise.h).
#include "noise.h"

#include <cmath>

namespace assets {

uint32_t hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint32_t hash(int x, int y, int z, uint32_t seed)
{
    return hash(uint32_t(x) * 0x8da6b343U ^ hash(uint32_t(y) * 0xd8163841U ^ hash(uint32_t(z) * 0xcb1ab31fU ^ seed)));
}

float hashUnit(int x, int y, int z, uint32_t seed)
{
    return (hash(x, y, z, seed) >> 8) * (1.f / 16777216.f);
}

static float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

static float grad(int x, int y, int z, int period, uint32_t seed, float dx, float dy, float dz)
{
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    // Twelve edge directions of a cube, as in classic gradient noise.
    static const float g[12][3] = { { 1, 1, 0 }, { -1, 1, 0 }, { 1, -1, 0 }, { -1, -1, 0 }, { 1, 0, 1 }, { -1, 0, 1 },
                                    { 1, 0, -1 }, { -1, 0, -1 }, { 0, 1, 1 }, { 0, -1, 1 }, { 0, 1, -1 }, { 0, -1, -1 } };
    const float* v = g[hash(wrap(x), wrap(y), wrap(z), seed) % 12];
    return v[0] * dx + v[1] * dy + v[2] * dz;
}

float gradientNoise(float x, float y, float z, int period, uint32_t seed)
{
    const int xi = int(std::floor(x)), yi = int(std::floor(y)), zi = int(std::floor(z));
    const float fx = x - xi, fy = y - yi, fz = z - zi;
    const float u = fade(fx), v = fade(fy), w = fade(fz);
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    float c[2][2][2];
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) c[k][j][i] = grad(xi + i, yi + j, zi + k, period, seed, fx - i, fy - j, fz - k);
    const float a = lerp(lerp(c[0][0][0], c[0][0][1], u), lerp(c[0][1][0], c[0][1][1], u), v);
    const float b = lerp(lerp(c[1][0][0], c[1][0][1], u), lerp(c[1][1][0], c[1][1][1], u), v);
    return lerp(a, b, w);
}

float fbm(float x, float y, float z, int period, int octaves, float gain, uint32_t seed)
{
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * gradientNoise(x, y, z, period, seed + uint32_t(o) * 1013u);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        z *= 2;
        period *= 2;
    }
    return sum / norm * 1.4f;
}

} // namespace assets
