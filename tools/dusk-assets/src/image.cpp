// RGBA float images (see image.h).
#include "image.h"

#include <algorithm>
#include <cmath>
#include <stb/stb_easy_font.h>
#include <stb/stb_image_write.h>

namespace assets {

Color mix(const Color& a, const Color& b, float t)
{
    return { a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t };
}

Color gradient(const std::vector<std::pair<float, Color>>& stops, float t)
{
    if (t <= stops.front().first) return stops.front().second;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].first) {
            const float u = (t - stops[i - 1].first) / std::max(1e-6f, stops[i].first - stops[i - 1].first);
            return mix(stops[i - 1].second, stops[i].second, u * u * (3 - 2 * u));
        }
    return stops.back().second;
}

Color hex(unsigned rgb, float alpha)
{
    return { ((rgb >> 16) & 255) / 255.f, ((rgb >> 8) & 255) / 255.f, (rgb & 255) / 255.f, alpha };
}

Color Image::sample(float x, float y) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
    const int x0 = wrap(int(fx), mW), x1 = wrap(int(fx) + 1, mW);
    const int y0 = wrap(int(fy), mH), y1 = wrap(int(fy) + 1, mH);
    return mix(mix(at(x0, y0), at(x1, y0), tx), mix(at(x0, y1), at(x1, y1), tx), ty);
}

void Image::blend(int x, int y, const Color& c)
{
    if (x < 0 || y < 0 || x >= mW || y >= mH) return;
    Color& d = at(x, y);
    const float a = std::clamp(c.a, 0.f, 1.f);
    d = { d.r + (c.r - d.r) * a, d.g + (c.g - d.g) * a, d.b + (c.b - d.b) * a, d.a + (1 - d.a) * a };
}

void Image::fillRect(int x0, int y0, int x1, int y1, const Color& c)
{
    for (int y = std::max(0, y0); y < std::min(mH, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(mW, x1); ++x) blend(x, y, c);
}

void Image::drawScaled(const Image& o, int x, int y, int w, int h)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            // Average the source pixels that fall into this destination pixel.
            const int sx0 = i * o.mW / w, sx1 = std::max(sx0 + 1, (i + 1) * o.mW / w);
            const int sy0 = j * o.mH / h, sy1 = std::max(sy0 + 1, (j + 1) * o.mH / h);
            Color acc{ 0, 0, 0, 0 };
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx) acc = acc + o.at(sx, sy);
            acc = acc * (1.f / float((sx1 - sx0) * (sy1 - sy0)));
            // Transparent parts show a checkerboard, so alpha is visible on the sheet.
            const bool light = ((i / 8) + (j / 8)) % 2;
            Color under = light ? Color{ 0.32f, 0.32f, 0.32f, 1 } : Color{ 0.22f, 0.22f, 0.22f, 1 };
            acc = mix(under, { acc.r, acc.g, acc.b, 1 }, std::clamp(acc.a, 0.f, 1.f));
            if (x + i >= 0 && y + j >= 0 && x + i < mW && y + j < mH) at(x + i, y + j) = acc;
        }
}

void Image::text(int x, int y, const std::string& s, const Color& c, int scale)
{
    static char buffer[99999];
    std::string copy = s;
    const int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, buffer, sizeof(buffer));
    const float* v = reinterpret_cast<const float*>(buffer);
    for (int q = 0; q < quads; ++q) {
        const float* p = v + q * 16;  // four vertices of x, y, z, colour
        const int x0 = int(p[0]), y0 = int(p[1]), x1 = int(p[8]), y1 = int(p[9]);
        fillRect(x + x0 * scale, y + y0 * scale, x + x1 * scale, y + y1 * scale, c);
    }
}

std::vector<unsigned char> Image::bytes(int channels) const
{
    std::vector<unsigned char> out(size_t(mW) * mH * channels);
    for (size_t i = 0; i < mPix.size(); ++i) {
        const float c[4] = { mPix[i].r, mPix[i].g, mPix[i].b, mPix[i].a };
        for (int k = 0; k < channels; ++k)
            out[i * channels + k] = (unsigned char)std::lround(std::clamp(c[k], 0.f, 1.f) * 255.f);
    }
    return out;
}

bool Image::writePng(const std::string& path, int channels) const
{
    const auto b = bytes(channels);
    return stbi_write_png(path.c_str(), mW, mH, channels, b.data(), mW * channels) != 0;
}

bool Image::writeJpeg(const std::string& path, int quality) const
{
    const auto b = bytes(3);
    return stbi_write_jpg(path.c_str(), mW, mH, 3, b.data(), quality) != 0;
}

} // namespace assets
