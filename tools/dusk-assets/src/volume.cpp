// 3D noise volume (see volume.h).
#include "volume.h"

#include "noise.h"

#include <algorithm>

namespace assets {

std::vector<uint8_t> noiseVolume(int size, uint32_t seed)
{
    // Base lattice of 8 cells across the volume; each octave doubles it, so every octave
    // repeats exactly at the volume's edge and the volume tiles.
    const int cells = 8;
    std::vector<float> v(size_t(size) * size * size);
    for (int z = 0; z < size; ++z)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const float s = float(cells) / size;
                v[(size_t(z) * size + y) * size + x] = fbm(x * s, y * s, z * s, cells, 5, 0.5f, seed);
            }
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    const float a = *lo, range = std::max(1e-6f, *hi - *lo);
    std::vector<uint8_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = uint8_t(std::clamp(int((v[i] - a) / range * 255.f + 0.5f), 0, 255));
    return out;
}

} // namespace assets
