// The models. "smooth": textured with the material colours (Ambient, Diffuse, Specular from the
// pool), lit from gLightDirection (the direction towards the light) with an amber rim, turned to
// banded toon light and a stronger rim as gMeshShading goes to 100; gDistortionScale swells the
// surface along its normals by the volume noise, gDistortionDrift moves through the noise.
// "wireframe": glowing edges revealed from the feet up to gWireMeshShowPercent of gModelHeight,
// shaken by gWireMeshGlitch. The demo draws only the faces with a corner below the front, so
// nothing this effect does can show a line above it. World placement comes from gWorldMatrix.
#include "fw_Globals.fxi"
#include "dusk_Stage.fxi"

-- common
uniform mat4 gWorldMatrix = mat4(1.0);
uniform vec4 gLightDirection = vec4(0.0, 0.0, 1.0, 0.0);
uniform float gMeshShading = 0.0;
uniform float gDistortionScale = 0.0;
uniform float gDistortionDrift = 0.0;
uniform float gWireMeshGlitch = 0.0;
uniform float gWireMeshShowPercent = 0.0;

// The models stand on y = 0 and reach up to about this (set by the demo, which culls by it).
uniform float gModelHeight = 280.0;

vec3 Distorted(vec3 p, vec3 n)
{
    if (gDistortionScale == 0.0) return p;
    float noise = texture(gNoiseTexture, p * 0.004 + vec3(gDistortionDrift, 0.37 * gDistortionDrift, 0.0)).r - 0.5;
    return p + n * noise * gDistortionScale * 80.0;
}

-- vertex SmoothVS
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 2) in vec2 TEXCOORD;
layout(location = 0) out vec3 vWorld;
layout(location = 1) out vec3 vNormal;
layout(location = 2) out vec2 vUV;
void main()
{
    vec3 p = Distorted(POSITION, NORMAL);
    vec4 world = gWorldMatrix * vec4(p, 1.0);
    vWorld = world.xyz;
    vNormal = mat3(gWorldMatrix) * NORMAL;
    vUV = TEXCOORD;
    gl_Position = ViewProjection * world;
}

-- fragment SmoothPS
layout(location = 0) in vec3 vWorld;
layout(location = 1) in vec3 vNormal;
layout(location = 2) in vec2 vUV;
layout(location = 0) out vec4 oColor;
void main()
{
    vec3 n = normalize(vNormal);
    vec3 toEye = normalize(EyePositionWorld.xyz - vWorld);
    if (dot(n, toEye) < 0.0) n = -n;
    vec3 l = normalize(gLightDirection.xyz + vec3(0.0, 1e-4, 0.0));
    vec3 albedo = texture(MeshTextures[0], vUV).rgb * Diffuse.rgb;

    float lambert = max(dot(n, l), 0.0);
    float specularTerm = pow(max(dot(n, normalize(l + toEye)), 0.0), max(SpecularPower, 1.0));
    float rim = pow(1.0 - max(dot(n, toEye), 0.0), 3.0);

    float toon = clamp(gMeshShading * 0.01, 0.0, 1.0);
    float bands = floor(lambert * 3.0 + 0.5) / 3.0;
    float light = mix(lambert, bands, toon);
    vec3 color = Ambient.rgb * albedo * 1.6 + albedo * light * vec3(1.0, 0.9, 0.78) + Specular.rgb * specularTerm * 0.6 +
                 vec3(1.0, 0.55, 0.22) * rim * (0.35 + 0.9 * toon);
    oColor = vec4(color, 1.0);
}

-- vertex WireVS
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 2) in vec2 TEXCOORD;
layout(location = 0) out float vHeight;
void main()
{
    vec3 p = Distorted(POSITION, NORMAL);
    int beat = int(floor(Time * 15.0));
    vec3 jitter = vec3(Hash01(gl_VertexID, beat), Hash01(gl_VertexID, beat + 7), Hash01(gl_VertexID, beat + 13)) - 0.5;
    // A few vertices jump far, the rest tremble.
    float jump = Hash01(gl_VertexID / 3, beat + 29) < 0.04 ? 12.0 : 1.0;
    p += jitter * gWireMeshGlitch * jump;
    vec4 world = gWorldMatrix * vec4(p, 1.0);
    // Just in front of the surface, so the lines win against the faces they lie on.
    world.xyz += normalize(EyePositionWorld.xyz - world.xyz) * 0.6;
    vHeight = POSITION.y / gModelHeight;
    gl_Position = ViewProjection * world;
}

-- fragment WirePS
layout(location = 0) in float vHeight;
layout(location = 0) out vec4 oColor;
void main()
{
    float front = gWireMeshShowPercent - vHeight;
    if (front < 0.0) discard;
    // The newest lines, just below the reveal front, are the brightest.
    // Dense meshes put many lines on one pixel, so each adds little.
    float glow = 0.12 + 0.9 * exp(-front * 30.0);
    oColor = vec4(vec3(1.0, 0.62, 0.30) * glow, 1.0);
}

-- technique smooth
pass p0 vertex=SmoothVS fragment=SmoothPS blend=none depth=write cull=none fill=solid
-- technique wireframe
pass p0 vertex=WireVS fragment=WirePS blend=add depth=test cull=none fill=wireframe
