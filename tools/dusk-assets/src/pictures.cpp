// Picture generators (see pictures.h). Sections: palette; small pictures; backgrounds;
// scroller pictures.
#include "pictures.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float kPi = 3.14159265f;

// The show's palette: indigo night to plum, rose, orange, amber and pale gold.
const Color kNight = hex(0x140c2e), kPlum = hex(0x4a1f4f), kRose = hex(0xc4525a), kOrange = hex(0xf08a3c),
            kAmber = hex(0xffb84d), kGold = hex(0xffe6a8), kDeep = hex(0x0a0614);

float smoothstep(float a, float b, float x)
{
    const float t = std::clamp((x - a) / (b - a), 0.f, 1.f);
    return t * t * (3 - 2 * t);
}

float fract(float x) { return x - std::floor(x); }

// Dusk sky from the top (t = 0) to the horizon (t = 1).
Color duskSky(float t, float warmth = 1.f)
{
    return gradient({ { 0.f, kNight }, { 0.35f, kPlum }, { 0.65f, mix(kPlum, kRose, warmth) },
                      { 0.85f, mix(kRose, kOrange, warmth) }, { 1.f, mix(kOrange, kAmber, warmth) } }, t);
}

// Adds a sun with its glow centred at (cx, cy) in pixels.
void sun(Image& img, float cx, float cy, float radius, float glow)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const float d = std::hypot(x - cx, y - cy);
            const float disc = smoothstep(radius + 1.5f, radius - 1.5f, d);
            const float halo = glow * std::exp(-d / (radius * 2.2f));
            Color& c = img.at(x, y);
            c = mix(c, kGold, std::clamp(halo, 0.f, 1.f) * 0.6f);
            c = mix(c, mix(kGold, hex(0xfff4d6), 0.5f), disc);
        }
}

// A silhouette of hills whose ridge is at `base` ± `amp` (fractions of the height),
// tinted towards the sky with `haze`.
void hills(Image& img, float base, float amp, float freq, uint32_t seed, Color colour, float haze, Color hazeColour)
{
    const int w = img.width(), h = img.height();
    for (int x = 0; x < w; ++x) {
        const float u = float(x) / w;
        const float ridge = base - amp * (0.5f + 0.5f * fbm(u * freq, 0.5f, 0.5f, int(freq), 5, 0.5f, seed));
        const int top = int(ridge * h);
        for (int y = std::max(0, top - 1); y < h; ++y) {
            const float edge = std::clamp(float(y) - ridge * h + 1.f, 0.f, 1.f);  // anti-aliased ridge
            const float depth = std::clamp((y - ridge * h) / (h * 0.5f), 0.f, 1.f);
            Color c = mix(mix(colour, hazeColour, haze), colour * 0.7f, depth);
            c.a = 1;
            img.at(x, y) = mix(img.at(x, y), c, edge);
        }
    }
}

Image sky(int w, int h, float warmth)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y) {
        const Color c = duskSky(float(y) / (h - 1), warmth);
        for (int x = 0; x < w; ++x) img.at(x, y) = c;
    }
    return img;
}

// A faint ordered dither keeps the long gradients from banding at 8 bits.
void dither(Image& img)
{
    static const int bayer[4][4] = { { 0, 8, 2, 10 }, { 12, 4, 14, 6 }, { 3, 11, 1, 9 }, { 15, 7, 13, 5 } };
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const float d = (bayer[y & 3][x & 3] / 16.f - 0.47f) / 255.f;
            Color& c = img.at(x, y);
            c.r += d;
            c.g += d;
            c.b += d;
        }
}

} // namespace

// ---- Small pictures ---------------------------------------------------------------

Image missingPicture()
{
    // Magenta and black checks with a white border: never mistaken for real content.
    Image img(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool check = ((x / 32) + (y / 32)) % 2;
            img.at(x, y) = check ? hex(0xff00ff) : hex(0x000000);
            if (x < 4 || y < 4 || x >= 252 || y >= 252) img.at(x, y) = hex(0xffffff);
        }
    img.text(60, 112, "MISSING", hex(0xffffff), 4);
    return img;
}

Image vignettePicture(int w, int h)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (x + 0.5f) / w * 2 - 1, v = (y + 0.5f) / h * 2 - 1;
            const float r = std::sqrt(u * u * 0.8f + v * v);
            const float k = 1.f - 0.92f * smoothstep(0.45f, 1.35f, r);
            img.at(x, y) = { k, k, k, 1 };
        }
    return img;
}

Image randomPicture(int w, int h, uint32_t seed)
{
    Image img(w, h);
    Random rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = rng.next();
            img.at(x, y) = { (v & 255) / 255.f, ((v >> 8) & 255) / 255.f, ((v >> 16) & 255) / 255.f, (v >> 24) / 255.f };
        }
    return img;
}

Image wallpaperPicture(int size, uint32_t seed)
{
    // A damask-like repeat: a four-fold flower on a diamond lattice, with a second,
    // smaller motif between, over a softly mottled ground. Tiles in both directions.
    Image img(size, size);
    const int cells = 4;
    const float cell = float(size) / cells;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float fx = x / cell, fy = y / cell;
            float best = 0, second = 0;
            for (int pass = 0; pass < 2; ++pass) {
                // Pass 0: motif at cell centres; pass 1: at cell corners (the lattice's other half).
                const float ox = pass ? 0.f : 0.5f, oy = pass ? 0.f : 0.5f;
                const float dx = fract(fx - ox + 0.5f) - 0.5f, dy = fract(fy - oy + 0.5f) - 0.5f;
                const float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
                const float petals = pass ? 0.16f + 0.05f * std::cos(8 * a) : 0.3f + 0.12f * std::cos(4 * a) + 0.03f * std::cos(12 * a);
                const float shape = smoothstep(petals + 0.01f, petals - 0.01f, r) - 0.6f * smoothstep(petals * 0.55f + 0.01f, petals * 0.55f - 0.01f, r) +
                                    0.8f * smoothstep(0.06f, 0.04f, r);
                (pass ? second : best) = std::clamp(shape, 0.f, 1.f);
            }
            const float mottle = 0.5f + 0.5f * fbm(float(x) / size * 8, float(y) / size * 8, 0.3f, 8, 4, 0.5f, seed);
            Color ground = mix(hex(0x3a1a22), hex(0x5a2a26), mottle);
            Color c = mix(ground, mix(kOrange, kAmber, mottle), best * 0.9f);
            c = mix(c, kRose, second * 0.7f);
            img.at(x, y) = c;
        }
    return img;
}

// ---- Backgrounds ------------------------------------------------------------------

const char* backgroundTitle(int index)
{
    static const char* const titles[16] = { "sunset over hills", "layered hills", "striped sun", "amber clouds",
                                            "dusk gradient", "sun rays", "rings", "bands", "cells", "plasma",
                                            "night hills", "ridge", "horizon grid", "halftone", "marble", "fields" };
    return index >= 0 && index < 16 ? titles[index] : "?";
}

Image backgroundPicture(int index, int w, int h)
{
    const uint32_t seed = 1000u + uint32_t(index) * 77u;
    Image img = sky(w, h, 1.f);
    switch (index) {
    case 0:
        sun(img, w * 0.62f, h * 0.62f, h * 0.09f, 1.2f);
        hills(img, 0.72f, 0.18f, 3, seed, hex(0x5c2a48), 0.5f, kRose);
        hills(img, 0.86f, 0.16f, 4, seed + 1, hex(0x2a1230), 0.2f, kPlum);
        break;
    case 1:
        for (int l = 0; l < 5; ++l)
            hills(img, 0.55f + l * 0.1f, 0.16f, 2 + l, seed + l, mix(hex(0x9a4a5a), kDeep, l / 4.f), 0.55f - l * 0.12f, kOrange);
        break;
    case 2: {
        img = sky(w, h, 1.2f);
        const float cx = w * 0.5f, cy = h * 0.58f, r = h * 0.3f;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float d = std::hypot(x - cx, y - cy);
                if (d > r + 1) continue;
                const float t = (y - (cy - r)) / (2 * r);
                // Gaps widen towards the bottom, as on an old poster.
                const float stripe = t > 0.45f ? smoothstep(0.0f, 0.04f, std::fabs(fract(t * 9) - 0.5f) - (t - 0.45f) * 0.6f) : 1.f;
                Color c = gradient({ { 0.f, kGold }, { 0.5f, kAmber }, { 1.f, kRose } }, t);
                img.at(x, y) = mix(img.at(x, y), c, smoothstep(r + 1, r - 1, d) * stripe);
            }
        hills(img, 0.88f, 0.05f, 6, seed, kDeep, 0.f, kDeep);
        break;
    }
    case 3:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float u = float(x) / w, v = float(y) / h;
                const float n = fbm(u * 4, v * 6 + 0.3f * u, 0.5f, 4, 6, 0.55f, seed);
                const float cloud = smoothstep(-0.1f, 0.6f, n) * (1.f - v * 0.4f);
                const Color lit = mix(kGold, kRose, v);
                img.at(x, y) = mix(img.at(x, y), mix(kPlum, lit, smoothstep(-0.2f, 0.8f, n + v * 0.3f)), cloud);
            }
        break;
    case 4:
        img = sky(w, h, 0.8f);
        break;
    case 5: {
        const float cx = w * 0.5f, cy = h * 0.95f;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float a = std::atan2(y - cy, x - cx), d = std::hypot(x - cx, y - cy) / h;
                const float rays = 0.5f + 0.5f * std::cos(a * 24 + 0.4f * std::sin(a * 7));
                img.at(x, y) = mix(img.at(x, y), kGold, rays * 0.35f * std::exp(-d * 1.4f));
            }
        sun(img, cx, cy, h * 0.16f, 1.5f);
        break;
    }
    case 6:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float d = std::hypot(x - w * 0.3f, y - h * 0.7f) / h;
                const float ring = 0.5f + 0.5f * std::sin(d * 40 - 2 * std::sin(d * 6));
                img.at(x, y) = gradient({ { 0.f, kNight }, { 0.4f, kPlum }, { 0.7f, kOrange }, { 1.f, kGold } }, ring * std::exp(-d * 0.8f));
            }
        break;
    case 7:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float s = (x * 0.7f + y) / h;
                const float band = fract(s * 3 + 0.15f * std::sin(x * 0.01f));
                img.at(x, y) = gradient({ { 0.f, kRose }, { 0.3f, kOrange }, { 0.55f, kAmber }, { 0.8f, kPlum }, { 1.f, kRose } }, band);
            }
        break;
    case 8: {
        // Cells: nearest of jittered points; each cell a palette colour, darkened at its rim.
        Random rng(seed);
        const int gx = 12, gy = 7;
        std::vector<std::pair<float, float>> pts;
        for (int j = 0; j < gy; ++j)
            for (int i = 0; i < gx; ++i) pts.push_back({ (i + rng.range(0.1f, 0.9f)) * w / gx, (j + rng.range(0.1f, 0.9f)) * h / gy });
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float d1 = 1e9f, d2 = 1e9f;
                size_t k = 0;
                for (size_t p = 0; p < pts.size(); ++p) {
                    const float d = std::hypot(x - pts[p].first, y - pts[p].second);
                    if (d < d1) { d2 = d1; d1 = d; k = p; }
                    else if (d < d2) d2 = d;
                }
                const Color c = gradient({ { 0.f, kPlum }, { 0.33f, kRose }, { 0.66f, kOrange }, { 1.f, kAmber } }, hashUnit(int(k), 0, 0, seed));
                img.at(x, y) = mix(kDeep, c, smoothstep(1.f, 6.f, d2 - d1));
            }
        break;
    }
    case 9:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float u = float(x) / h, v = float(y) / h;
                const float p = std::sin(u * 9) + std::sin(v * 11 + u * 3) + std::sin(std::hypot(u - 0.9f, v - 0.5f) * 14);
                img.at(x, y) = gradient({ { 0.f, kNight }, { 0.3f, kPlum }, { 0.55f, kRose }, { 0.8f, kOrange }, { 1.f, kGold } }, 0.5f + p / 6);
            }
        break;
    case 10: {
        img = sky(w, h, 0.25f);
        Random rng(seed);
        for (int s = 0; s < 700; ++s) {
            const int x = int(rng.range(0, float(w))), y = int(rng.range(0, h * 0.7f));
            const float b = rng.range(0.3f, 1.f) * (1.f - float(y) / (h * 0.7f));
            img.blend(x, y, { 1, 0.95f, 0.85f, b });
            if (b > 0.8f) for (auto [dx, dy] : { std::pair{ 1, 0 }, { -1, 0 }, { 0, 1 }, { 0, -1 } }) img.blend(x + dx, y + dy, { 1, 0.9f, 0.7f, b * 0.4f });
        }
        hills(img, 0.8f, 0.2f, 3, seed, hex(0x1c0e26), 0.3f, kPlum);
        hills(img, 0.92f, 0.1f, 5, seed + 1, kDeep, 0.f, kDeep);
        break;
    }
    case 11:
        for (int x = 0; x < w; ++x) {
            const float u = float(x) / w;
            float ridge = 0;
            for (int o = 0; o < 6; ++o) ridge += (1.f - std::fabs(gradientNoise(u * (3 << o), 0.5f, 0.5f, 3 << o, seed + o))) / float(1 << o);
            const float top = h * (0.85f - 0.28f * ridge);
            for (int y = 0; y < h; ++y) {
                const float inside = std::clamp(y - top, 0.f, 1.f);
                const float lit = 0.5f + 0.5f * gradientNoise(u * 40, y * 0.02f, 0.5f, 40, seed + 9);
                img.at(x, y) = mix(img.at(x, y), mix(hex(0x2a1436), hex(0x7a3a4a), lit * std::exp(-(y - top) / 60.f)), inside);
            }
        }
        break;
    case 12: {
        sun(img, w * 0.5f, h * 0.5f, h * 0.2f, 1.0f);
        const float horizon = h * 0.55f;
        for (int y = int(horizon); y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float depth = (y - horizon) / (h - horizon);
                const float z = 1.f / std::max(depth, 0.01f);
                const float gx = fract((x - w * 0.5f) / w * z * 1.5f), gz = fract(z * 0.8f);
                const float line = std::max(smoothstep(0.06f * depth + 0.01f, 0.f, std::min(gx, 1 - gx)),
                                            smoothstep(0.08f, 0.f, std::min(gz, 1 - gz)) * depth);
                img.at(x, y) = mix(mix(kNight, kPlum, depth), kOrange, line);
            }
        break;
    }
    case 13: {
        const float cell = 16;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float cx = (std::floor(x / cell) + 0.5f) * cell, cy = (std::floor(y / cell) + 0.5f) * cell;
                const float size = (0.15f + 0.85f * (cx / w) * (1.f - 0.5f * cy / h)) * cell * 0.6f;
                const float dot = smoothstep(size + 0.8f, size - 0.8f, std::hypot(x - cx, y - cy));
                img.at(x, y) = mix(kNight, mix(kRose, kAmber, float(y) / h), dot);
            }
        break;
    }
    case 14:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float u = float(x) / h * 2, v = float(y) / h * 2;
                const float wx = fbm(u, v, 0.2f, 4, 4, 0.5f, seed), wy = fbm(u + 5.2f, v + 1.3f, 0.2f, 4, 4, 0.5f, seed + 3);
                const float n = fbm(u + 1.5f * wx, v + 1.5f * wy, 0.7f, 4, 5, 0.5f, seed + 7);
                const float vein = 0.5f + 0.5f * std::sin((u + n * 2.5f) * 6);
                img.at(x, y) = gradient({ { 0.f, kDeep }, { 0.35f, kPlum }, { 0.7f, kOrange }, { 1.f, kGold } }, vein * (0.6f + 0.4f * n));
            }
        break;
    case 15:
        sun(img, w * 0.25f, h * 0.45f, h * 0.07f, 1.0f);
        for (int y = int(h * 0.5f); y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float u = float(x) / w, v = (y - h * 0.5f) / (h * 0.5f);
                const float roll = 0.5f + 0.5f * fbm(u * 3, v * 2, 0.5f, 3, 4, 0.5f, seed);
                // Crop rows converge towards the vanishing point near the sun.
                const float rows = 0.5f + 0.5f * std::sin((u - 0.25f) / std::max(v, 0.02f) * 60 + roll * 4);
                // Rows blur into an even tone towards the horizon instead of aliasing there.
                const float contrast = smoothstep(0.03f, 0.35f, v);
                const Color field = mix(mix(hex(0x7a3a1c), kAmber, roll), mix(hex(0x5a2816), kOrange, roll), 0.5f + (rows - 0.5f) * contrast);
                img.at(x, y) = mix(field, img.at(x, y), std::exp(-v * 20) * 0.8f);
            }
        break;
    default:
        break;
    }
    dither(img);
    return img;
}

// ---- Scroller pictures ------------------------------------------------------------

Image heightMap(int columns, int rows, int variant)
{
    Image img(columns, rows, { 0, 0, 0, 1 });
    const uint32_t seed = 500u + uint32_t(variant);
    const int period = std::max(1, columns / 40);
    for (int x = 0; x < columns; ++x) {
        const float u = float(x) / columns * period;
        int ground = 0, ceiling = 0;
        if (variant == 0) {
            // Rolling hills below, hanging rocks above where the noise allows.
            const float hill = std::clamp(0.5f + 0.8f * fbm(u, 0.5f, 0.5f, period, 4, 0.5f, seed), 0.f, 1.f);
            ground = int(rows * (0.1f + 0.42f * hill));
            ceiling = std::max(0, int(rows * 0.3f * fbm(u * 1.5f, 3.5f, 0.5f, period * 3 / 2, 3, 0.5f, seed + 1)));
        } else {
            // Plateaus and towers: heights held over runs of 3 to 10 columns.
            const int run = x / 6;
            const float r = hashUnit(run, 0, 0, seed);
            ground = int(rows * (r < 0.2f ? 0.55f : 0.12f + 0.3f * hashUnit(run, 1, 0, seed)));
            ceiling = r > 0.85f ? int(rows * 0.2f) : 0;
        }
        for (int y = 0; y < rows; ++y) {
            const int fromBottom = rows - 1 - y;
            float v = 0;
            if (fromBottom < ground) {
                // Surface blocks stand out most; deeper blocks sink back, with variation.
                const float depth = float(ground - 1 - fromBottom) / std::max(1, ground);
                v = 0.35f + 0.65f * (1.f - depth) * (0.6f + 0.4f * hashUnit(x, y, 2, seed));
                if (variant == 1 && (x % 3 == 1) && (fromBottom % 3 == 1) && depth > 0.15f) v *= 0.45f;  // windows
            } else if (y < ceiling) {
                v = 0.3f + 0.5f * float(y + 1) / std::max(1, ceiling) * (0.6f + 0.4f * hashUnit(x, y, 3, seed));
            }
            img.at(x, y) = { v, v, v, 1 };
        }
    }
    return img;
}

Image edgePicture(int size, bool horizontal, bool outer)
{
    Image img(size, size, { 0, 0, 0, 0 });
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Distance across the lines: from the top/bottom for horizontal, left/right for vertical.
            const int a = horizontal ? y : x;
            const float near0 = float(a) / size, near1 = 1.f - float(a + 1) / size;
            float light = 0, dark = 0;
            if (outer) {
                light = smoothstep(0.09f, 0.0f, near0);
                dark = smoothstep(0.09f, 0.0f, near1);
            } else {
                light = smoothstep(0.025f, 0.f, std::fabs(near0 - 0.2f));
                dark = smoothstep(0.025f, 0.f, std::fabs(near1 - 0.2f));
            }
            const float along = 0.85f + 0.15f * std::sin(float(horizontal ? x : y) / size * 2 * kPi * 4);
            Color c = mix(Color{ kGold.r, kGold.g, kGold.b, light * along }, Color{ 0.08f, 0.03f, 0.05f, dark * 0.9f }, dark / std::max(1e-4f, light + dark));
            c.a = std::max(light * along, dark * 0.9f);
            img.at(x, y) = c;
        }
    return img;
}

Image blockColourPicture(int size, uint32_t seed)
{
    Image img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = float(x) / size * 4, v = float(y) / size * 4;
            const float n = fbm(u, v, 0.5f, 4, 5, 0.55f, seed);
            const float speck = hashUnit(x, y, 0, seed) > 0.985f ? 0.15f : 0.f;
            const float streak = 0.5f + 0.5f * fbm(u * 0.5f, v * 6, 1.5f, 2, 3, 0.5f, seed + 1);
            Color c = gradient({ { 0.f, hex(0x5a1418) }, { 0.5f, hex(0xa8322a) }, { 1.f, hex(0xe0703a) } }, 0.5f + 0.5f * n);
            c = mix(c, hex(0x7a1e1e), streak * 0.3f) + Color{ speck, speck * 0.7f, speck * 0.3f, 0 };
            img.at(x, y) = c;
        }
    return img;
}

Image grainPicture(int size, uint32_t seed)
{
    Image img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Sum of four uniforms: a near-normal grain around 0.5, independent per channel.
            float g[3];
            for (int c = 0; c < 3; ++c) {
                float s = 0;
                for (int k = 0; k < 4; ++k) s += hashUnit(x, y, c * 4 + k, seed);
                g[c] = 0.5f + (s - 2.f) * 0.35f;
            }
            const float d = std::hypot(x + 0.5f - size / 2.f, y + 0.5f - size / 2.f) / (size / 2.f);
            const float sprite = std::exp(-d * d * 5.f) * smoothstep(1.f, 0.8f, d);
            img.at(x, y) = { g[0], g[1], g[2], sprite };
        }
    return img;
}

} // namespace assets
