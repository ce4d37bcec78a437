// The asset catalogue and its writers (see catalogue.h).
#include "catalogue.h"

#include "models.h"
#include "pictures.h"
#include "volume.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

namespace assets {

namespace fs = std::filesystem;

std::vector<PictureSpec> pictureCatalogue()
{
    std::vector<PictureSpec> list = {
        { "missing.png", 256, 256, [] { return missingPicture(); } },
        { "vignette.jpg", 1280, 720, [] { return vignettePicture(1280, 720); } },
        { "rnd.png", 256, 256, [] { return randomPicture(256, 256, 7); } },
        { "tex.png", 512, 512, [] { return wallpaperPicture(512, 11); } },
    };
    for (int i = 0; i < 16; ++i)
        list.push_back({ "bg/" + std::to_string(i) + ".png", 1024, 576, [i] { return backgroundPicture(i, 1024, 576); } });
    list.push_back({ "scroller/heightmap.png", 640, 45, [] { return heightMap(640, 45, 0); } });
    list.push_back({ "scroller/heightmap2.png", 640, 45, [] { return heightMap(640, 45, 1); } });
    list.push_back({ "scroller/horisontal inner edges.png", 128, 128, [] { return edgePicture(128, true, false); } });
    list.push_back({ "scroller/horisontal outer edges.png", 128, 128, [] { return edgePicture(128, true, true); } });
    list.push_back({ "scroller/vertical inner edges.png", 128, 128, [] { return edgePicture(128, false, false); } });
    list.push_back({ "scroller/vertical outer edges.png", 128, 128, [] { return edgePicture(128, false, true); } });
    list.push_back({ "scroller/red.png", 256, 256, [] { return blockColourPicture(256, 21); } });
    list.push_back({ "scroller/grain.png", 256, 256, [] { return grainPicture(256, 31); } });
    for (const char* m : kModelNames) {
        const std::string name = m;
        list.push_back({ "models/" + name + ".png", 256, 256, [name] { return modelTexture(name, 256); } });
    }
    return list;
}

static bool writePicture(const Image& img, const std::string& path)
{
    fs::create_directories(fs::path(path).parent_path());
    const bool ok = path.ends_with(".jpg") ? img.writeJpeg(path) : img.writePng(path);
    if (!ok) std::fprintf(stderr, "dusk-assets: cannot write %s\n", path.c_str());
    return ok;
}

bool writePictures(const std::string& dataDir)
{
    stbi_write_png_compression_level = 9;
    bool ok = true;
    for (const auto& picture : pictureCatalogue()) {
        const Image img = picture.make();
        if (!writePicture(img, dataDir + "/" + picture.path)) ok = false;
        else std::printf("%s %dx%d\n", picture.path.c_str(), img.width(), img.height());
    }
    return ok;
}

bool writeModels(const std::string& dataDir, const std::string& reviewDir)
{
    stbi_write_png_compression_level = 9;
    const std::string dir = dataDir + "/models";
    fs::create_directories(dir);
    bool ok = true;
    Mesh meshes[3] = { knotModel(), deerModel(), skullModel() };
    const Vec3 views[3] = { { 0.6f, 0.55f, 1.f }, { 1.f, 0.25f, 0.9f }, { 0.55f, 0.2f, 1.f } };
    for (int i = 0; i < 3; ++i) {
        std::string error;
        if (!writeObj(meshes[i], dir, error)) {
            std::fprintf(stderr, "dusk-assets: %s\n", error.c_str());
            ok = false;
            continue;
        }
        std::printf("models/%s.obj %zu vertices, %zu triangles, %zu materials\n", meshes[i].name.c_str(),
                    meshes[i].positions.size(), meshes[i].faces.size(), meshes[i].materials.size());
        if (!reviewDir.empty()) {
            const Image preview = renderPreview(meshes[i], modelTexture(meshes[i].name, 256), 512, views[i]);
            ok = writePicture(preview, reviewDir + "/" + meshes[i].name + "_preview.png") && ok;
        }
    }
    return ok;
}

bool writeNoise(const std::string& path)
{
    if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path());
    const auto bytes = noiseVolume(kNoiseSize, 4242);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) {
        std::fprintf(stderr, "dusk-assets: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s %zu bytes\n", path.c_str(), bytes.size());
    return true;
}

bool writeContactSheet(const std::string& dataDir, const std::string& out)
{
    // Reads the written files back, so the sheet shows what the production will load.
    const auto pictures = pictureCatalogue();
    const int cols = 6, cellW = 272, cellH = 190, thumbW = 256, thumbH = 144;
    const int rows = int(pictures.size() + cols - 1) / cols;
    Image sheet(cols * cellW + 16, rows * cellH + 48, hex(0x181018));
    sheet.text(12, 12, "dusk data: every picture, as loaded (checks show transparency)", hex(0xffe6a8), 2);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string path = dataDir + "/" + pictures[i].path;
        int w = 0, h = 0, n = 0;
        unsigned char* pix = stbi_load(path.c_str(), &w, &h, &n, 4);
        const int x = 16 + int(i % cols) * cellW, y = 48 + int(i / cols) * cellH;
        if (!pix) {
            std::fprintf(stderr, "dusk-assets: cannot read %s\n", path.c_str());
            return false;
        }
        Image img(w, h);
        for (int k = 0; k < w * h; ++k)
            img.at(k % w, k / w) = { pix[k * 4] / 255.f, pix[k * 4 + 1] / 255.f, pix[k * 4 + 2] / 255.f, pix[k * 4 + 3] / 255.f };
        stbi_image_free(pix);
        // Fit the picture into the thumbnail box, keeping its shape.
        const float s = std::min(float(thumbW) / w, float(thumbH) / h);
        const int tw = std::max(1, int(w * s)), th = std::max(1, int(h * s));
        sheet.drawScaled(img, x + (thumbW - tw) / 2, y + (thumbH - th) / 2, tw, th);
        sheet.text(x, y + thumbH + 6, pictures[i].path, hex(0xffffff));
        sheet.text(x, y + thumbH + 18, std::to_string(w) + " x " + std::to_string(h), hex(0xb0a0a0));
    }
    fs::create_directories(fs::path(out).parent_path());
    if (!sheet.writePng(out, 3)) {
        std::fprintf(stderr, "dusk-assets: cannot write %s\n", out.c_str());
        return false;
    }
    std::printf("%s\n", out.c_str());
    return true;
}

} // namespace assets
