// Model generators (see models.h). The deer and the skull are signed-distance shapes
// (smooth unions of capsules and ellipsoids) polygonised on a coarse grid, which gives
// them their faceted low-poly look; the knot is a swept tube.
#include "models.h"

#include "noise.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float kPi = 3.14159265f;

float smin(float a, float b, float k)
{
    const float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.f, 1.f);
    return b + (a - b) * h - k * h * (1 - h);
}

float smax(float a, float b, float k) { return -smin(-a, -b, k); }

// Tapered capsule: radius ra at a, rb at b (approximate, good for limbs and antlers).
float cone(const Vec3& p, const Vec3& a, const Vec3& b, float ra, float rb)
{
    const Vec3 pa = p - a, ba = b - a;
    const float h = std::clamp(pa.dot(ba) / ba.dot(ba), 0.f, 1.f);
    return (pa - ba * h).length() - (ra + (rb - ra) * h);
}

float ellipsoid(const Vec3& p, const Vec3& c, const Vec3& r)
{
    const Vec3 q{ (p.x - c.x) / r.x, (p.y - c.y) / r.y, (p.z - c.z) / r.z };
    const float k0 = q.length();
    const Vec3 q2{ q.x / r.x, q.y / r.y, q.z / r.z };
    const float k1 = q2.length();
    return k1 > 0 ? k0 * (k0 - 1.f) / k1 : -std::min({ r.x, r.y, r.z });
}

Material material(const char* name, unsigned kd, float specular, int power, const std::string& texture)
{
    Material m;
    m.name = name;
    m.diffuse = hex(kd);
    m.ambient = m.diffuse * 0.25f;
    m.ambient.a = 1;
    m.specular = { specular, specular, specular, 1 };
    m.specularPower = power;
    m.texture = texture;
    return m;
}

// Spherical texture coordinates about `centre`, unwrapped per face so no face spans the seam.
void sphericalUv(Mesh& mesh, const Vec3& centre)
{
    for (Face& f : mesh.faces) {
        for (int k = 0; k < 3; ++k) {
            const Vec3 d = (mesh.positions[f.v[k]] - centre).normalized();
            f.u[k] = std::atan2(d.z, d.x) / (2 * kPi) + 0.5f;
            f.t[k] = std::acos(std::clamp(d.y, -1.f, 1.f)) / kPi;
        }
        for (int k = 1; k < 3; ++k) {
            if (f.u[k] - f.u[0] > 0.5f) f.u[k] -= 1.f;
            if (f.u[0] - f.u[k] > 0.5f) f.u[k] += 1.f;
        }
    }
}

Vec3 centroid(const Mesh& m, const Face& f)
{
    return (m.positions[f.v[0]] + m.positions[f.v[1]] + m.positions[f.v[2]]) * (1.f / 3.f);
}

} // namespace

// ---- The knot ------------------------------------------------------------------------

Mesh knotModel()
{
    Mesh mesh;
    mesh.name = "tingen";
    mesh.materials = { material("amber", 0xffb84d, 0.8f, 64, "models/tingen.png"),
                       material("ember", 0xc4525a, 0.4f, 16, "models/tingen.png") };
    // A (3, 5) torus knot whose tube swells and narrows along its length.
    const int segments = 540, sides = 12, p = 3, q = 5;
    const float scale = 32.f, lift = 110.f;
    auto curve = [&](float phi) {
        const float r = 2.f + std::cos(q * phi);
        return Vec3{ r * std::cos(p * phi) * scale, -std::sin(q * phi) * scale * 1.2f + lift, r * std::sin(p * phi) * scale };
    };
    for (int s = 0; s < segments; ++s) {
        const float phi = 2 * kPi * s / segments;
        const Vec3 c = curve(phi);
        const Vec3 t = (curve(phi + 1e-3f) - curve(phi - 1e-3f)).normalized();
        // The radial direction in the knot's plane never vanishes (r >= 1), so it gives a
        // frame that closes on itself without twisting.
        Vec3 radial{ std::cos(p * phi), 0.f, std::sin(p * phi) };
        const Vec3 nrm = (radial - t * radial.dot(t)).normalized();
        const Vec3 bin = t.cross(nrm);
        const float tube = scale * (0.28f + 0.1f * std::sin(phi * 14.f) + 0.05f * std::sin(phi * 33.f));
        for (int k = 0; k < sides; ++k) {
            const float a = 2 * kPi * k / sides;
            mesh.positions.push_back(c + (nrm * std::cos(a) + bin * std::sin(a)) * tube);
        }
    }
    for (int s = 0; s < segments; ++s)
        for (int k = 0; k < sides; ++k) {
            const int s1 = (s + 1) % segments, k1 = (k + 1) % sides;
            const int a = s * sides + k, b = s1 * sides + k, c = s1 * sides + k1, d = s * sides + k1;
            const float u0 = float(s) / segments * 12, u1 = float(s + 1) / segments * 12;
            const float v0 = float(k) / sides, v1 = float(k + 1) / sides;
            const int mat = (s / 27) % 2;
            Face f1{ { a, b, c }, { u0, u1, u1 }, { v0, v0, v1 }, mat };
            Face f2{ { a, c, d }, { u0, u1, u0 }, { v0, v1, v1 }, mat };
            mesh.faces.push_back(f1);
            mesh.faces.push_back(f2);
        }
    // Make the faces point outwards whatever the frame's handedness.
    for (Face& f : mesh.faces) {
        const Vec3 mid = centroid(mesh, f);
        const int s = f.v[0] / sides;
        const Vec3 axis = curve(2 * kPi * s / segments);
        if (mesh.normal(f).dot(mid - axis) < 0) {
            std::swap(f.v[1], f.v[2]);
            std::swap(f.u[1], f.u[2]);
            std::swap(f.t[1], f.t[2]);
        }
    }
    return mesh;
}

// ---- The deer ------------------------------------------------------------------------

namespace {

struct DeerParts {
    float body, antlers, hooves;
};

DeerParts deerParts(const Vec3& p)
{
    // Facing +x; z is the deer's left-right axis. Mirror z so both sides are alike.
    const Vec3 m{ p.x, p.y, std::fabs(p.z) };
    float body = ellipsoid(p, { 0, 122, 0 }, { 62, 32, 25 });
    body = smin(body, ellipsoid(p, { 38, 128, 0 }, { 28, 32, 23 }), 10);                    // chest
    body = smin(body, cone(p, { 46, 138, 0 }, { 72, 186, 0 }, 13, 9), 9);                   // neck
    body = smin(body, ellipsoid(p, { 80, 194, 0 }, { 17, 12, 10 }), 6);                     // head
    body = smin(body, cone(p, { 84, 192, 0 }, { 106, 182, 0 }, 8.5f, 5.5f), 5);             // muzzle
    body = smin(body, cone(m, { 76, 203, 6 }, { 70, 216, 20 }, 3.5f, 2.2f), 3);             // ears
    body = smin(body, ellipsoid(p, { -58, 133, 0 }, { 7, 10, 5 }), 4);                      // tail
    // Legs: upper and lower segments, front and back, thinner towards the hooves.
    body = smin(body, cone(m, { 38, 112, 12 }, { 42, 62, 12 }, 10, 5.5f), 7);
    body = smin(body, cone(m, { 42, 62, 12 }, { 40, 6, 12 }, 5.5f, 4.2f), 2);
    body = smin(body, cone(m, { -38, 112, 12 }, { -50, 60, 12 }, 12, 6), 8);
    body = smin(body, cone(m, { -50, 60, 12 }, { -44, 6, 12 }, 5.5f, 4.2f), 2);
    float hooves = std::min(cone(m, { 40, 9, 12 }, { 41, 0, 12 }, 5.f, 5.6f), cone(m, { -44, 9, 12 }, { -43, 0, 12 }, 5.f, 5.6f));
    // Antlers: a main beam rising back and out, with three tines.
    float antlers = cone(m, { 78, 203, 6 }, { 70, 232, 20 }, 4.6f, 4.0f);
    antlers = std::min(antlers, cone(m, { 70, 232, 20 }, { 54, 258, 28 }, 4.0f, 3.4f));
    antlers = std::min(antlers, cone(m, { 54, 258, 28 }, { 40, 272, 30 }, 3.4f, 2.8f));
    antlers = std::min(antlers, cone(m, { 74, 214, 11 }, { 92, 224, 16 }, 3.6f, 2.8f));
    antlers = std::min(antlers, cone(m, { 70, 232, 20 }, { 82, 252, 24 }, 3.6f, 2.8f));
    antlers = std::min(antlers, cone(m, { 57, 254, 27 }, { 64, 276, 30 }, 3.4f, 2.8f));
    return { body, antlers, hooves };
}

} // namespace

Mesh deerModel()
{
    auto sdf = [](const Vec3& p) {
        const DeerParts d = deerParts(p);
        return std::min({ d.body, d.antlers, d.hooves });
    };
    Mesh mesh = polygonise(sdf, { -75, -3, -42 }, { 115, 284, 42 }, 3.5f);
    mesh.name = "hjortenfrahorten";
    mesh.materials = { material("hide", 0xc8743a, 0.15f, 8, "models/hjortenfrahorten.png"),
                       material("antler", 0xf0dcb0, 0.5f, 24, "models/hjortenfrahorten.png"),
                       material("hoof", 0x2a1a18, 0.3f, 16, "models/hjortenfrahorten.png") };
    for (Face& f : mesh.faces) {
        const DeerParts d = deerParts(centroid(mesh, f));
        f.material = d.antlers < d.body && d.antlers < d.hooves ? 1 : (d.hooves < d.body ? 2 : 0);
    }
    // Stand the hooves on y = 0.
    Vec3 lo, hi;
    mesh.boundingBox(lo, hi);
    for (Vec3& p : mesh.positions) p.y -= lo.y;
    sphericalUv(mesh, { 20, 140 - lo.y, 0 });
    return mesh;
}

// ---- The skull -----------------------------------------------------------------------

namespace {

struct SkullParts {
    float bone, teeth, socket;  // socket: distance to the hollows, for their material
};

SkullParts skullParts(const Vec3& p)
{
    // Facing +z; x is left-right, mirrored.
    const Vec3 m{ std::fabs(p.x), p.y, p.z };
    float bone = ellipsoid(p, { 0, 140, -8 }, { 66, 70, 80 });                             // cranium
    bone = smin(bone, ellipsoid(p, { 0, 98, 38 }, { 48, 42, 40 }), 16);                    // face
    bone = smin(bone, cone(m, { 40, 100, 46 }, { 56, 102, 8 }, 9, 7), 8);                  // cheekbones
    bone = smin(bone, ellipsoid(p, { 0, 68, 50 }, { 34, 16, 26 }), 10);                    // upper jaw
    // Lower jaw: a U of two bars meeting at the chin, with the rising branches behind.
    bone = smin(bone, cone(m, { 34, 40, 26 }, { 8, 32, 64 }, 10, 11), 8);
    bone = smin(bone, cone(m, { 36, 42, 24 }, { 48, 92, 4 }, 8, 7), 8);
    bone = smin(bone, ellipsoid(p, { 0, 30, 66 }, { 14, 10, 8 }), 6);                      // chin
    // Hollows: eye sockets, nose, the gap between the jaws and the temples.
    const float eyes = ellipsoid(m, { 24, 108, 76 }, { 17, 15, 20 });
    const float nose = std::max(ellipsoid(p, { 0, 82, 86 }, { 9, 14, 16 }), -(p.y - 70.f));
    const float mouth = ellipsoid(p, { 0, 52, 56 }, { 26, 6, 30 });
    const float temples = ellipsoid(m, { 58, 120, 10 }, { 14, 22, 26 });
    const float socket = std::min({ eyes, nose, mouth });
    bone = smax(bone, -socket, 4);
    bone = smax(bone, -temples, 10);
    // Teeth: two rows of rounded blocks along the front of each jaw.
    float teeth = 1e9f;
    for (int row = 0; row < 2; ++row)
        for (int i = -3; i <= 3; ++i) {
            // Alternate lengths, so each tooth shows against its neighbours.
            const float a = i * 0.27f, len = (i % 2 ? 4.f : 6.f);
            const Vec3 c{ 31 * std::sin(a), row ? 50.f - len * 0.5f : 56.f + len * 0.5f, 42 + 32 * std::cos(a) };
            const Vec3 d = p - c;
            const Vec3 q{ std::max(std::fabs(d.x) - 2.2f, 0.f), std::max(std::fabs(d.y) - len, 0.f), std::max(std::fabs(d.z) - 3.f, 0.f) };
            teeth = std::min(teeth, q.length() - 1.2f);
        }
    return { bone, teeth, socket };
}

} // namespace

Mesh skullModel()
{
    auto sdf = [](const Vec3& p) {
        const SkullParts s = skullParts(p);
        return std::min(s.bone, s.teeth);
    };
    Mesh mesh = polygonise(sdf, { -85, 10, -100 }, { 85, 220, 100 }, 4.6f);
    mesh.name = "skallen";
    mesh.materials = { material("bone", 0xf2e2c0, 0.35f, 20, "models/skallen.png"),
                       material("teeth", 0xfff6de, 0.8f, 48, "models/skallen.png"),
                       material("hollow", 0x3a1a1c, 0.05f, 4, "models/skallen.png") };
    for (Face& f : mesh.faces) {
        const SkullParts s = skullParts(centroid(mesh, f));
        f.material = s.teeth < s.bone ? 1 : (s.socket < 4.f ? 2 : 0);
    }
    // Drop the skull onto y = 0.
    Vec3 lo, hi;
    mesh.boundingBox(lo, hi);
    for (Vec3& p : mesh.positions) p.y -= lo.y;
    sphericalUv(mesh, { 0, 120 - lo.y, 0 });
    return mesh;
}

// ---- Textures ------------------------------------------------------------------------

Image modelTexture(const std::string& name, int size)
{
    Image img(size, size);
    const uint32_t seed = hash(uint32_t(name.size()) * 131u + uint32_t(name[0]));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = float(x) / size, v = float(y) / size;
            Color c;
            if (name == "tingen") {
                // Brushed bands along the tube with a slow swirl.
                const float swirl = fbm(u * 4, v * 4, 0.5f, 4, 4, 0.5f, seed);
                const float band = 0.5f + 0.5f * std::sin((v + swirl * 0.3f) * 2 * kPi * 3);
                const float brush = 0.85f + 0.15f * fbm(u * 64, v * 2, 0.1f, 64, 2, 0.5f, seed + 1);
                c = mix(hex(0xffffff), hex(0xffd9a0), band) * brush;
            } else if (name == "hjortenfrahorten") {
                // Short fur strokes, a paler belly (lower half of the sphere) and a few spots.
                const float fur = 0.8f + 0.2f * fbm(u * 96, v * 24, 0.3f, 96, 3, 0.5f, seed);
                const float belly = std::clamp((v - 0.55f) * 5.f, 0.f, 1.f);
                const float sx = u * 24, sy = v * 12;
                const float jx = hashUnit(int(sx), int(sy), 0, seed), jy = hashUnit(int(sx), int(sy), 1, seed);
                const float spot = v < 0.5f ? std::clamp(1.f - std::hypot(sx - std::floor(sx) - jx, sy - std::floor(sy) - jy) * 6.f, 0.f, 1.f) : 0.f;
                c = mix(mix(hex(0xffffff), hex(0xfff0d8), belly), hex(0xfff8ee), spot * 0.8f) * fur;
            } else {
                // Bone: fine grain, a few hairline cracks, faint stains.
                const float grain = 0.9f + 0.1f * fbm(u * 64, v * 64, 0.7f, 64, 3, 0.5f, seed);
                const float crack = std::fabs(fbm(u * 6, v * 6, 0.2f, 6, 5, 0.5f, seed + 2));
                const float stain = 0.5f + 0.5f * fbm(u * 3, v * 3, 0.9f, 3, 3, 0.5f, seed + 3);
                c = mix(hex(0xffffff), hex(0xe8d2a8), stain * 0.6f) * grain;
                c = mix(c, hex(0x6a4a3a), std::clamp(1.f - crack * 40.f, 0.f, 1.f) * 0.7f);
            }
            c.a = 1;
            img.at(x, y) = c;
        }
    return img;
}

} // namespace assets
