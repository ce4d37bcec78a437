// The generated pictures and noise volume: every picture the production reads decodes
// with the size and channels it needs, the committed files are what the generator makes
// (same seed, same pixels), the pictures have the properties their users rely on, and
// noise.bin is 128³ smooth, tileable bytes over the full range.
#include "catalogue.h"
#include "pictures.h"
#include "volume.h"

#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

using namespace assets;

namespace {

const std::string kData = std::string(DUSK_SOURCE_DIR) + "/projects/dusk/data/";

struct Decoded {
    int w = 0, h = 0, channels = 0;
    std::vector<unsigned char> rgba;
    unsigned char at(int x, int y, int c) const { return rgba[(size_t(y) * w + x) * 4 + c]; }
};

Decoded decode(const std::string& path)
{
    Decoded d;
    unsigned char* p = stbi_load(path.c_str(), &d.w, &d.h, &d.channels, 4);
    if (p) {
        d.rgba.assign(p, p + size_t(d.w) * d.h * 4);
        stbi_image_free(p);
    }
    return d;
}

std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>() };
}

} // namespace

TEST(AssetPictures, EveryPictureDecodesWithItsSize)
{
    const auto list = pictureCatalogue();
    int backgrounds = 0;
    for (const auto& picture : list) {
        const Decoded d = decode(kData + picture.path);
        ASSERT_FALSE(d.rgba.empty()) << picture.path << ": " << stbi_failure_reason();
        EXPECT_EQ(d.w, picture.width) << picture.path;
        EXPECT_EQ(d.h, picture.height) << picture.path;
        if (picture.path.starts_with("bg/")) {
            ++backgrounds;
            EXPECT_GE(d.w, 1024);
            EXPECT_GE(d.h, 576);
        }
    }
    EXPECT_EQ(backgrounds, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::ifstream(kData + "bg/" + std::to_string(i) + ".png").good()) << i;
    // The names the scroller loads, spelled as it spells them.
    for (const char* name : { "heightmap.png", "heightmap2.png", "horisontal inner edges.png", "horisontal outer edges.png",
                              "vertical inner edges.png", "vertical outer edges.png", "red.png", "grain.png" })
        EXPECT_TRUE(std::ifstream(kData + "scroller/" + name).good()) << name;
    EXPECT_EQ(decode(kData + "rnd.png").channels, 4);
    EXPECT_EQ(decode(kData + "vignette.jpg").channels, 3);
}

TEST(AssetPictures, CommittedPicturesAreWhatTheGeneratorMakes)
{
    // Lossless pictures: the decoded pixels equal a fresh render, byte for byte.
    for (const auto& picture : pictureCatalogue()) {
        if (picture.path.ends_with(".jpg")) continue;
        const Decoded d = decode(kData + picture.path);
        const auto fresh = picture.make().bytes(4);
        EXPECT_TRUE(fresh == d.rgba) << picture.path << " differs from the generator's output";
    }
}

TEST(AssetPictures, PropertiesTheirUsersRelyOn)
{
    // Vignette: bright centre, dark corners, symmetric.
    const Decoded v = decode(kData + "vignette.jpg");
    EXPECT_GT(v.at(640, 360, 0), 240);
    EXPECT_LT(v.at(0, 0, 0), 60);
    EXPECT_NEAR(v.at(10, 360, 0), v.at(1269, 360, 0), 3);

    // Random texture: every channel spreads evenly over 0..255.
    const Decoded r = decode(kData + "rnd.png");
    for (int c = 0; c < 4; ++c) {
        std::vector<int> histogram(4, 0);
        double mean = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                ++histogram[r.at(x, y, c) / 64];
                mean += r.at(x, y, c);
            }
        EXPECT_NEAR(mean / 65536, 127.5, 2.0) << c;
        for (int q : histogram) EXPECT_NEAR(q, 16384, 600) << c;
    }

    // Height maps: empty sky above the ground somewhere, solid ground at the bottom row,
    // and the right edge continuing into the left one (the terrain scrolls around).
    for (const char* name : { "heightmap.png", "heightmap2.png" }) {
        const Decoded h = decode(kData + "scroller/" + name);
        int bottomSolid = 0, middleEmpty = 0;
        for (int x = 0; x < h.w; ++x) {
            bottomSolid += h.at(x, h.h - 1, 0) > 0;
            middleEmpty += h.at(x, h.h / 2, 0) == 0;
        }
        EXPECT_EQ(bottomSolid, h.w) << name;
        EXPECT_GT(middleEmpty, h.w / 2) << name;
        EXPECT_GE(h.w, 160);
    }

    // Grain: colour channels centred on mid-grey; alpha a soft sprite, opaque in the
    // middle and clear at the edges.
    const Decoded g = decode(kData + "scroller/grain.png");
    double mean = 0;
    for (int y = 0; y < g.h; ++y)
        for (int x = 0; x < g.w; ++x) mean += g.at(x, y, 0);
    EXPECT_NEAR(mean / (g.w * g.h), 127.5, 3.0);
    EXPECT_GT(g.at(128, 128, 3), 240);
    EXPECT_EQ(g.at(0, 0, 3), 0);
    EXPECT_GT(g.at(128, 100, 3), g.at(128, 70, 3));

    // The missing picture: magenta and black checks, nothing else in the corner cell.
    const Decoded m = decode(kData + "missing.png");
    EXPECT_EQ(m.at(40, 10, 0), 255);
    EXPECT_EQ(m.at(40, 10, 1), 0);
    EXPECT_EQ(m.at(40, 10, 2), 255);
    EXPECT_EQ(m.at(10, 10, 0), 0);
}

TEST(AssetNoise, SizeRangeSmoothnessAndTiling)
{
    const auto bytes = readBytes(kData + "noise.bin");
    ASSERT_EQ(bytes.size(), 2097152u);
    EXPECT_EQ(*std::min_element(bytes.begin(), bytes.end()), 0);
    EXPECT_EQ(*std::max_element(bytes.begin(), bytes.end()), 255);
    const int n = kNoiseSize;
    auto at = [&](int x, int y, int z) { return int(bytes[(size_t(z) * n + y) * n + x]); };
    // Smooth: neighbours differ little on every axis, and across the wrap-around seam no
    // more than inside the volume.
    double inner[3] = { 0, 0, 0 }, seam[3] = { 0, 0, 0 };
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) {
            inner[0] += std::abs(at(63, a, b) - at(64, a, b));
            inner[1] += std::abs(at(a, 63, b) - at(a, 64, b));
            inner[2] += std::abs(at(a, b, 63) - at(a, b, 64));
            seam[0] += std::abs(at(n - 1, a, b) - at(0, a, b));
            seam[1] += std::abs(at(a, n - 1, b) - at(a, 0, b));
            seam[2] += std::abs(at(a, b, n - 1) - at(a, b, 0));
        }
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_LT(inner[axis] / (n * n), 8.0) << axis;
        EXPECT_LT(seam[axis] / (n * n), inner[axis] / (n * n) * 1.5 + 0.5) << axis;
    }
    // Several octaves: not a single smooth wave, the values use much of the range.
    double mean = 0, var = 0;
    for (unsigned char b : bytes) mean += b;
    mean /= double(bytes.size());
    for (unsigned char b : bytes) var += (b - mean) * (b - mean);
    EXPECT_GT(std::sqrt(var / double(bytes.size())), 20.0);
    EXPECT_NEAR(mean, 127.5, 25.0);
}

TEST(AssetNoise, CommittedVolumeIsWhatTheGeneratorMakes)
{
    EXPECT_TRUE(noiseVolume(kNoiseSize, 4242) == readBytes(kData + "noise.bin"));
    EXPECT_FALSE(noiseVolume(kNoiseSize, 4243) == readBytes(kData + "noise.bin"));
}
