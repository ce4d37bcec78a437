// Triangle meshes for the model generator: positions, faces with per-corner texture
// coordinates and a material each; a signed-distance polygoniser (marching tetrahedra);
// OBJ/MTL output with per-face normals; a small software renderer for preview pictures.
#pragma once

#include "image.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3 operator+(const Vec3& o) const { return { x + o.x, y + o.y, z + o.z }; }
    Vec3 operator-(const Vec3& o) const { return { x - o.x, y - o.y, z - o.z }; }
    Vec3 operator*(float s) const { return { x * s, y * s, z * s }; }
    float dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 cross(const Vec3& o) const { return { y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x }; }
    float length() const { return std::sqrt(dot(*this)); }
    Vec3 normalized() const { const float l = length(); return l > 0 ? *this * (1.f / l) : Vec3{ 0, 1, 0 }; }
};

struct Material {
    std::string name;
    Color ambient, diffuse, specular;
    int specularPower = 32;
    float opacity = 1.f;
    int illum = 2;
    std::string texture;  // map_Kd, a name under the project's data directory
};

struct Face {
    int v[3];
    float u[3], t[3];  // texture coordinates per corner
    int material = 0;
};

struct Mesh {
    std::string name;
    std::vector<Vec3> positions;
    std::vector<Face> faces;
    std::vector<Material> materials;

    Vec3 normal(const Face& f) const;
    float area(const Face& f) const;
    void boundingBox(Vec3& lo, Vec3& hi) const;
};

// Surface where `distance` is 0, sampled on a grid of `cell` over the box [lo, hi]
// (negative inside). Triangles face outwards; vertices on shared edges are shared.
Mesh polygonise(const std::function<float(const Vec3&)>& distance, Vec3 lo, Vec3 hi, float cell);

// Writes DIR/NAME.obj and DIR/NAME.mtl: "mtllib", "v", "vt", one "vn" per face, faces as
// p/t/n triangles grouped by "usemtl". Returns false with a message on failure.
bool writeObj(const Mesh& mesh, const std::string& dir, std::string& error);

// A lit, textured preview of the mesh seen from the front right, size × size pixels.
Image renderPreview(const Mesh& mesh, const Image& texture, int size, const Vec3& viewDir);

} // namespace assets
