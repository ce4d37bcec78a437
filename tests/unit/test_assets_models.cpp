// The three generated models as the mesh loader reads them: triangles only, every corner
// with position, texture coordinate and normal (p/t/n), faces grouped by "usemtl", a
// material library with at least two materials whose textures exist, triangle counts in
// range, outward-facing per-face normals; and the committed files match the generator.
#include "catalogue.h"
#include "models.h"

#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace assets;

namespace {

const std::string kData = std::string(DUSK_SOURCE_DIR) + "/projects/dusk/data/";

struct ObjFile {
    std::vector<Vec3> v, vn;
    size_t vt = 0;
    struct Tri { int p[3], t[3], n[3]; std::string material; };
    std::vector<Tri> tris;
    std::vector<std::string> libraries;
    std::vector<std::string> materialOrder;
    std::vector<std::string> problems;
};

ObjFile readObj(const std::string& path)
{
    ObjFile obj;
    std::ifstream f(path);
    std::string line, current;
    int number = 0;
    while (std::getline(f, line)) {
        ++number;
        std::istringstream in(line);
        std::string key;
        if (!(in >> key) || key == "#" || key == "o") continue;
        auto problem = [&](const std::string& what) { obj.problems.push_back("line " + std::to_string(number) + ": " + what); };
        if (key == "v" || key == "vn") {
            Vec3 p;
            if (!(in >> p.x >> p.y >> p.z)) problem("short " + key);
            (key == "v" ? obj.v : obj.vn).push_back(p);
        } else if (key == "vt") {
            float u, t;
            if (!(in >> u >> t)) problem("short vt");
            ++obj.vt;
        } else if (key == "mtllib") {
            std::string name;
            in >> name;
            obj.libraries.push_back(name);
        } else if (key == "usemtl") {
            in >> current;
            if (std::find(obj.materialOrder.begin(), obj.materialOrder.end(), current) == obj.materialOrder.end())
                obj.materialOrder.push_back(current);
        } else if (key == "f") {
            ObjFile::Tri t;
            t.material = current;
            std::string ref, extra;
            for (int k = 0; k < 3; ++k) {
                in >> ref;
                if (std::sscanf(ref.c_str(), "%d/%d/%d", &t.p[k], &t.t[k], &t.n[k]) != 3) problem("corner not p/t/n: " + ref);
                if (t.p[k] < 1 || t.p[k] > int(obj.v.size()) || t.t[k] < 1 || t.t[k] > int(obj.vt) || t.n[k] < 1 ||
                    t.n[k] > int(obj.vn.size()))
                    problem("index out of range: " + ref);
            }
            if (in >> extra) problem("more than three corners");
            if (current.empty()) problem("face before any usemtl");
            obj.tris.push_back(t);
        } else {
            problem("unexpected keyword " + key);
        }
    }
    return obj;
}

std::map<std::string, std::map<std::string, std::string>> readMtl(const std::string& path)
{
    std::map<std::string, std::map<std::string, std::string>> materials;
    std::ifstream f(path);
    std::string line, current;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string key, rest;
        if (!(in >> key)) continue;
        std::getline(in >> std::ws, rest);
        if (key == "newmtl") current = rest;
        else if (!current.empty()) materials[current][key] = rest;
    }
    return materials;
}

std::string readText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

TEST(AssetModels, ObjFilesAreTrianglesWithMaterialsAndTextures)
{
    for (const char* name : kModelNames) {
        SCOPED_TRACE(name);
        const ObjFile obj = readObj(kData + "models/" + name + ".obj");
        EXPECT_TRUE(obj.problems.empty()) << obj.problems.front();
        EXPECT_GE(obj.tris.size(), 5000u);
        EXPECT_LE(obj.tris.size(), 50000u);
        ASSERT_EQ(obj.libraries, std::vector<std::string>{ std::string(name) + ".mtl" });
        ASSERT_GE(obj.materialOrder.size(), 2u);

        // Faces come in one run per material, so every material is one subset with faces.
        std::vector<std::string> runs;
        for (const auto& t : obj.tris)
            if (runs.empty() || runs.back() != t.material) runs.push_back(t.material);
        EXPECT_EQ(runs, obj.materialOrder);

        const auto mtl = readMtl(kData + "models/" + obj.libraries[0]);
        for (const auto& m : obj.materialOrder) {
            SCOPED_TRACE(m);
            ASSERT_TRUE(mtl.count(m));
            const auto& keys = mtl.at(m);
            for (const char* k : { "Ka", "Kd", "Ks", "Ns", "d", "illum", "map_Kd" }) EXPECT_TRUE(keys.count(k)) << k;
            // The loader reads Ns as an integer.
            EXPECT_EQ(keys.at("Ns").find_first_not_of("0123456789"), std::string::npos);
            // map_Kd resolves against the data directory.
            const std::string tex = keys.at("map_Kd");
            EXPECT_EQ(tex, "models/" + std::string(name) + ".png");
            int w = 0, h = 0, c = 0;
            EXPECT_TRUE(stbi_info((kData + tex).c_str(), &w, &h, &c)) << tex;
            EXPECT_GE(w, 64);
        }
    }
}

TEST(AssetModels, NormalsAreUnitPerFaceAndPointOutwards)
{
    for (const char* name : kModelNames) {
        SCOPED_TRACE(name);
        const ObjFile obj = readObj(kData + "models/" + name + ".obj");
        ASSERT_TRUE(obj.problems.empty());
        double volume = 0;
        size_t agree = 0;
        for (const auto& t : obj.tris) {
            const Vec3 a = obj.v[t.p[0] - 1], b = obj.v[t.p[1] - 1], c = obj.v[t.p[2] - 1];
            const Vec3 n = obj.vn[t.n[0] - 1];
            EXPECT_EQ(t.n[0], t.n[1]);
            EXPECT_EQ(t.n[0], t.n[2]);
            EXPECT_NEAR(n.length(), 1.0, 0.002);
            agree += (b - a).cross(c - a).dot(n) > 0;
            volume += a.dot(b.cross(c)) / 6.0;
        }
        // The normals follow the winding (rounded positions may flip a sliver or two).
        EXPECT_GT(double(agree) / double(obj.tris.size()), 0.995);
        // Counter-clockwise outward winding encloses a positive volume.
        EXPECT_GT(volume, 1000.0);
        // Models stand on y = 0 and are about 200 units tall.
        float lo = 1e9f, hi = -1e9f;
        for (const Vec3& p : obj.v) {
            lo = std::min(lo, p.y);
            hi = std::max(hi, p.y);
        }
        EXPECT_GE(lo, -0.01f);
        EXPECT_GT(hi - lo, 90.f);
        EXPECT_LT(hi, 300.f);
    }
}

TEST(AssetModels, CommittedFilesAreWhatTheGeneratorWrites)
{
    const std::string dir = std::string(DUSK_BINARY_DIR) + "/test_assets_models";
    std::filesystem::create_directories(dir);
    Mesh meshes[3] = { knotModel(), deerModel(), skullModel() };
    for (const Mesh& m : meshes) {
        std::string error;
        ASSERT_TRUE(writeObj(m, dir, error)) << error;
        EXPECT_TRUE(readText(dir + "/" + m.name + ".obj") == readText(kData + "models/" + m.name + ".obj")) << m.name;
        EXPECT_EQ(readText(dir + "/" + m.name + ".mtl"), readText(kData + "models/" + m.name + ".mtl")) << m.name;
    }
    std::filesystem::remove_all(dir);
}

TEST(AssetModels, WriterReportsAnUnwritableDirectory)
{
    Mesh m = knotModel();
    std::string error;
    EXPECT_FALSE(writeObj(m, "/nonexistent/dir", error));
    EXPECT_EQ(error, "cannot write /nonexistent/dir/tingen.mtl");
}
