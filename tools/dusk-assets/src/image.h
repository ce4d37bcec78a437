// RGBA float images for the asset generators: pixel access, blending, resampling, text
// (from stb_easy_font) and PNG/JPEG output through stb_image_write. Row 0 is the top row.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace assets {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
    Color operator+(const Color& o) const { return { r + o.r, g + o.g, b + o.b, a + o.a }; }
    Color operator*(float s) const { return { r * s, g * s, b * s, a * s }; }
    Color operator*(const Color& o) const { return { r * o.r, g * o.g, b * o.b, a * o.a }; }
};

Color mix(const Color& a, const Color& b, float t);
// Colour of a gradient through stops given as (position, colour), positions ascending.
Color gradient(const std::vector<std::pair<float, Color>>& stops, float t);
Color hex(unsigned rgb, float alpha = 1.f);

class Image {
public:
    Image(int w = 0, int h = 0, Color fill = { 0, 0, 0, 1 }) : mW(w), mH(h), mPix(size_t(w) * h, fill) {}
    int width() const { return mW; }
    int height() const { return mH; }
    Color& at(int x, int y) { return mPix[size_t(y) * mW + x]; }
    const Color& at(int x, int y) const { return mPix[size_t(y) * mW + x]; }
    // Bilinear sample with wrap-around, coordinates in pixels.
    Color sample(float x, float y) const;
    // Alpha-blends `c` over pixel (x, y) when it lies inside.
    void blend(int x, int y, const Color& c);
    void fillRect(int x0, int y0, int x1, int y1, const Color& c);
    // Draws `other` scaled into the rectangle (x, y, w, h), box-filtered.
    void drawScaled(const Image& other, int x, int y, int w, int h);
    // Draws text at (x, y) with pixels `scale` wide.
    void text(int x, int y, const std::string& s, const Color& c, int scale = 1);

    // 8-bit RGBA (or RGB when `channels` is 3), values clamped to [0, 1].
    std::vector<unsigned char> bytes(int channels = 4) const;
    bool writePng(const std::string& path, int channels = 4) const;
    bool writeJpeg(const std::string& path, int quality = 92) const;

private:
    int mW, mH;
    std::vector<Color> mPix;
};

} // namespace assets
