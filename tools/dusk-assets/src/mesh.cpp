// Meshes: polygoniser, OBJ/MTL writer, preview renderer (see mesh.h).
#include "mesh.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <unordered_map>

namespace assets {

Vec3 Mesh::normal(const Face& f) const
{
    const Vec3 &a = positions[f.v[0]], &b = positions[f.v[1]], &c = positions[f.v[2]];
    return (b - a).cross(c - a).normalized();
}

float Mesh::area(const Face& f) const
{
    const Vec3 &a = positions[f.v[0]], &b = positions[f.v[1]], &c = positions[f.v[2]];
    return 0.5f * (b - a).cross(c - a).length();
}

void Mesh::boundingBox(Vec3& lo, Vec3& hi) const
{
    lo = { 1e30f, 1e30f, 1e30f };
    hi = { -1e30f, -1e30f, -1e30f };
    for (const Vec3& p : positions) {
        lo = { std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z) };
        hi = { std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z) };
    }
}

// ---- Marching tetrahedra -----------------------------------------------------------

Mesh polygonise(const std::function<float(const Vec3&)>& distance, Vec3 lo, Vec3 hi, float cell)
{
    const int nx = int(std::ceil((hi.x - lo.x) / cell)) + 1;
    const int ny = int(std::ceil((hi.y - lo.y) / cell)) + 1;
    const int nz = int(std::ceil((hi.z - lo.z) / cell)) + 1;
    auto index = [&](int x, int y, int z) { return (size_t(z) * ny + y) * nx + x; };
    auto point = [&](int x, int y, int z) { return Vec3{ lo.x + x * cell, lo.y + y * cell, lo.z + z * cell }; };
    std::vector<float> field(size_t(nx) * ny * nz);
    for (int z = 0; z < nz; ++z)
        for (int y = 0; y < ny; ++y)
            for (int x = 0; x < nx; ++x) field[index(x, y, z)] = distance(point(x, y, z));

    Mesh mesh;
    std::unordered_map<uint64_t, int> edgeVertex;
    auto vertexOn = [&](size_t a, size_t b, const Vec3& pa, const Vec3& pb) {
        if (a > b) return -1;  // callers always pass a < b
        const uint64_t key = uint64_t(a) * uint64_t(field.size()) + b;
        auto it = edgeVertex.find(key);
        if (it != edgeVertex.end()) return it->second;
        const float fa = field[a], fb = field[b];
        const float t = std::clamp(fa / (fa - fb), 0.f, 1.f);
        mesh.positions.push_back(pa + (pb - pa) * t);
        const int id = int(mesh.positions.size()) - 1;
        edgeVertex[key] = id;
        return id;
    };
    auto edge = [&](size_t a, size_t b, const Vec3& pa, const Vec3& pb) {
        return a < b ? vertexOn(a, b, pa, pb) : vertexOn(b, a, pb, pa);
    };
    auto emit = [&](int a, int b, int c, const Vec3& inside, const Vec3& outside) {
        if (a == b || b == c || a == c) return;
        Face f{};
        f.v[0] = a; f.v[1] = b; f.v[2] = c;
        if (mesh.area(f) < 1e-7f) return;
        // Face outwards: the normal points from the inside corner to the outside corner.
        if (mesh.normal(f).dot(outside - inside) < 0) std::swap(f.v[1], f.v[2]);
        mesh.faces.push_back(f);
    };

    static const int corner[8][3] = { { 0, 0, 0 }, { 1, 0, 0 }, { 1, 1, 0 }, { 0, 1, 0 },
                                      { 0, 0, 1 }, { 1, 0, 1 }, { 1, 1, 1 }, { 0, 1, 1 } };
    // Six tetrahedra around the diagonal 0-6; neighbouring cubes split shared faces alike.
    static const int tets[6][4] = { { 0, 5, 1, 6 }, { 0, 1, 2, 6 }, { 0, 2, 3, 6 }, { 0, 3, 7, 6 }, { 0, 7, 4, 6 }, { 0, 4, 5, 6 } };
    for (int z = 0; z + 1 < nz; ++z)
        for (int y = 0; y + 1 < ny; ++y)
            for (int x = 0; x + 1 < nx; ++x) {
                size_t id[8];
                Vec3 p[8];
                int inside = 0;
                for (int c = 0; c < 8; ++c) {
                    id[c] = index(x + corner[c][0], y + corner[c][1], z + corner[c][2]);
                    p[c] = point(x + corner[c][0], y + corner[c][1], z + corner[c][2]);
                    inside += field[id[c]] < 0;
                }
                if (inside == 0 || inside == 8) continue;
                for (const auto& t : tets) {
                    std::vector<int> in, out;
                    for (int c : t) (field[id[c]] < 0 ? in : out).push_back(c);
                    if (in.empty() || out.empty()) continue;
                    auto E = [&](int a, int b) { return edge(id[a], id[b], p[a], p[b]); };
                    if (in.size() == 1) {
                        const int a = in[0];
                        emit(E(a, out[0]), E(a, out[1]), E(a, out[2]), p[a], p[out[0]]);
                    } else if (in.size() == 3) {
                        const int a = out[0];
                        emit(E(in[0], a), E(in[1], a), E(in[2], a), p[in[0]], p[a]);
                    } else {
                        const int a = in[0], b = in[1], c = out[0], d = out[1];
                        const int ac = E(a, c), ad = E(a, d), bd = E(b, d), bc = E(b, c);
                        emit(ac, ad, bd, p[a], p[c]);
                        emit(ac, bd, bc, p[a], p[c]);
                    }
                }
            }
    return mesh;
}

// ---- OBJ and MTL ---------------------------------------------------------------------

bool writeObj(const Mesh& mesh, const std::string& dir, std::string& error)
{
    const std::string objPath = dir + "/" + mesh.name + ".obj", mtlPath = dir + "/" + mesh.name + ".mtl";
    std::ofstream mtl(mtlPath, std::ios::binary);
    for (const Material& m : mesh.materials) {
        char line[512];
        std::snprintf(line, sizeof line,
                      "newmtl %s\nKa %.3f %.3f %.3f\nKd %.3f %.3f %.3f\nKs %.3f %.3f %.3f\nNs %d\nd %.3f\nillum %d\n",
                      m.name.c_str(), m.ambient.r, m.ambient.g, m.ambient.b, m.diffuse.r, m.diffuse.g, m.diffuse.b,
                      m.specular.r, m.specular.g, m.specular.b, m.specularPower, m.opacity, m.illum);
        mtl << line;
        if (!m.texture.empty()) mtl << "map_Kd " << m.texture << "\n";
        mtl << "\n";
    }
    if (!mtl) {
        error = "cannot write " + mtlPath;
        return false;
    }

    std::ofstream obj(objPath, std::ios::binary);
    char line[256];
    obj << "# " << mesh.name << ": " << mesh.faces.size() << " triangles, " << mesh.materials.size() << " materials\n";
    obj << "mtllib " << mesh.name << ".mtl\no " << mesh.name << "\n";
    for (const Vec3& p : mesh.positions) {
        std::snprintf(line, sizeof line, "v %.2f %.2f %.2f\n", p.x, p.y, p.z);
        obj << line;
    }
    // Texture coordinates shared where corners agree to 1/10000.
    std::map<std::pair<long, long>, int> uvIndex;
    std::vector<std::array<int, 3>> faceUv(mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const std::pair<long, long> key{ std::lround(mesh.faces[i].u[k] * 10000), std::lround(mesh.faces[i].t[k] * 10000) };
            auto [it, added] = uvIndex.try_emplace(key, int(uvIndex.size()) + 1);
            if (added) {
                std::snprintf(line, sizeof line, "vt %.4f %.4f\n", key.first / 10000.0, key.second / 10000.0);
                obj << line;
            }
            faceUv[i][k] = it->second;
        }
    for (const Face& f : mesh.faces) {
        const Vec3 n = mesh.normal(f);
        std::snprintf(line, sizeof line, "vn %.3f %.3f %.3f\n", n.x, n.y, n.z);
        obj << line;
    }
    for (size_t m = 0; m < mesh.materials.size(); ++m) {
        obj << "usemtl " << mesh.materials[m].name << "\n";
        for (size_t i = 0; i < mesh.faces.size(); ++i) {
            const Face& f = mesh.faces[i];
            if (f.material != int(m)) continue;
            std::snprintf(line, sizeof line, "f %d/%d/%zu %d/%d/%zu %d/%d/%zu\n", f.v[0] + 1, faceUv[i][0], i + 1,
                          f.v[1] + 1, faceUv[i][1], i + 1, f.v[2] + 1, faceUv[i][2], i + 1);
            obj << line;
        }
    }
    if (!obj) {
        error = "cannot write " + objPath;
        return false;
    }
    return true;
}

// ---- Preview -------------------------------------------------------------------------

Image renderPreview(const Mesh& mesh, const Image& texture, int size, const Vec3& viewDir)
{
    const int ss = 2, n = size * ss;  // supersampled, then averaged
    Image img(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) img.at(x, y) = mix(hex(0x2a1838), hex(0x0c0812), float(y) / n);
    std::vector<float> depth(size_t(n) * n, 1e30f);

    Vec3 lo, hi;
    mesh.boundingBox(lo, hi);
    const Vec3 centre = (lo + hi) * 0.5f;
    const float radius = (hi - lo).length() * 0.5f;
    const Vec3 fwd = (viewDir * -1.f).normalized();
    const Vec3 right = fwd.cross({ 0, 1, 0 }).normalized();
    const Vec3 up = right.cross(fwd);
    const Vec3 eye = centre - fwd * (radius * 3.f);
    const float focal = n * 1.3f;
    const Vec3 light = Vec3{ 0.5f, 0.8f, 0.6f }.normalized();

    auto project = [&](const Vec3& p, float& sx, float& sy, float& z) {
        const Vec3 d = p - eye;
        z = d.dot(fwd);
        sx = n * 0.5f + d.dot(right) / z * focal;
        sy = n * 0.5f - d.dot(up) / z * focal;
    };
    for (const Face& f : mesh.faces) {
        const Vec3 nrm = mesh.normal(f);
        const Material& m = mesh.materials[size_t(f.material)];
        float sx[3], sy[3], sz[3];
        for (int k = 0; k < 3; ++k) project(mesh.positions[f.v[k]], sx[k], sy[k], sz[k]);
        const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::fabs(area) < 1e-9f) continue;
        const float diffuse = std::max(0.f, nrm.dot(light));
        const float rim = std::pow(1.f - std::fabs(nrm.dot(fwd)), 3.f) * 0.35f;
        const int x0 = std::max(0, int(std::floor(std::min({ sx[0], sx[1], sx[2] })))),
                  x1 = std::min(n - 1, int(std::ceil(std::max({ sx[0], sx[1], sx[2] }))));
        const int y0 = std::max(0, int(std::floor(std::min({ sy[0], sy[1], sy[2] })))),
                  y1 = std::min(n - 1, int(std::ceil(std::max({ sy[0], sy[1], sy[2] }))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const float px = x + 0.5f, py = y + 0.5f;
                float w[3];
                for (int k = 0; k < 3; ++k) {
                    const int a = (k + 1) % 3, b = (k + 2) % 3;
                    w[k] = ((sx[b] - sx[a]) * (py - sy[a]) - (px - sx[a]) * (sy[b] - sy[a])) / area;
                }
                if (w[0] < 0 || w[1] < 0 || w[2] < 0) continue;
                const float z = w[0] * sz[0] + w[1] * sz[1] + w[2] * sz[2];
                float& d = depth[size_t(y) * n + x];
                if (z >= d) continue;
                d = z;
                const float u = w[0] * f.u[0] + w[1] * f.u[1] + w[2] * f.u[2];
                const float v = w[0] * f.t[0] + w[1] * f.t[1] + w[2] * f.t[2];
                // Texture row 0 is the top row, sampled at v = 0.
                const Color tex = texture.sample(u * texture.width(), v * texture.height());
                Color c = m.diffuse * tex * (0.22f + 0.85f * diffuse) + m.ambient * 0.2f;
                c = c + Color{ 1.f, 0.75f, 0.45f, 0 } * rim;
                c.a = 1;
                img.at(x, y) = c;
            }
    }
    Image out(size, size);
    out.drawScaled(img, 0, 0, size, size);
    return out;
}

} // namespace assets
