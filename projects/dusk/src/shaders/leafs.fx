// The leaf field: 25,000 small quads (every 400th a large one near the eye) that fall, drift to
// the left against the scroll and tumble, each wrapped around the stage so the field never runs
// out (the large ones, near the eye, are drawn out of focus). gRndSeed reshuffles their phases;
// gQuadScale sizes them. A leaf takes its colour from the
// picture under it in gTexture, brightened and warmed, and is blended lightly: the eight
// sub-frames of a frame build it up to nearly opaque, or into a streak when they differ in time.
// Drawn in fewer sub-frames, each blend stands for gAlphaSteps of the eight.
#include "fw_Globals.fxi"
#include "dusk_Stage.fxi"

-- common
uniform sampler2D gTexture;
uniform float gTime = 0.0;
uniform int gRndSeed = 0;
uniform float gQuadScale = 1.0;
uniform float gAlphaSteps = 1.0;

-- sampler gTexture filter=linear address=clamp mip=none

-- vertex LeafVS
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec2 TEXCOORD;
layout(location = 0) out vec2 vLocal;
layout(location = 1) out vec3 vColor;
layout(location = 2) out float vAlpha;
layout(location = 3) out float vSoft;
void main()
{
    int leaf = gl_VertexID / 4;
    float a = Hash01(leaf, gRndSeed * 7 + 1);
    float b = Hash01(leaf, gRndSeed * 7 + 2);
    float c = Hash01(leaf, gRndSeed * 7 + 3);
    float t = gTime;

    // Depth into the picture: far leaves are smaller, slower and dimmer.
    float depth = POSITION.z;
    float w = (kStageEye + depth) / kStageEye;
    vec2 extent = kStageHalf * w + 80.0 * w;

    float fall = 35.0 + 55.0 * a;
    float wind = 60.0 + 40.0 * b;
    float y = POSITION.y + 400.0 * c - t * fall + sin(t * (0.6 + a) + 6.283 * b) * 25.0;
    float x = POSITION.x - t * wind + sin(t * (0.9 + b) + 6.283 * c) * 30.0;
    y = mod(y + extent.y, 2.0 * extent.y) - extent.y;
    x = mod(x + extent.x, 2.0 * extent.x) - extent.x;

    // Spin in the plane and flip about the leaf's own axis.
    float spin = t * (0.8 + 2.0 * b) * (a < 0.5 ? -1.0 : 1.0) + 6.283 * a;
    float flip = cos(t * (1.5 + 2.5 * c) + 6.283 * b);
    vec2 corner = TEXCOORD * gQuadScale * vec2(1.0, flip);
    corner = mat2(cos(spin), sin(spin), -sin(spin), cos(spin)) * corner;

    vec2 stage = vec2(x, y) + corner;
    // Stage units at the leaf's depth: divide by w on screen.
    gl_Position = vec4(stage / kStageHalf, 0.5 * w, w);
    vLocal = sign(TEXCOORD);

    vec2 screen = vec2(x, y) / (kStageHalf * w);
    vec3 under = textureLod(gTexture, vec2(0.5 + 0.5 * screen.x, 0.5 - 0.5 * screen.y), 0.0).rgb;
    vec3 amber = vec3(1.0, 0.55, 0.2);
    float lit = 0.55 + 0.45 * abs(flip);
    vColor = (under * 1.5 + amber * 0.35) * lit * mix(1.0, 0.45, depth / 900.0);
    vAlpha = mix(0.34, 0.16, depth / 900.0);
    // The large leaves pass close to the eye: out of focus, darker and fainter.
    vSoft = clamp((abs(TEXCOORD.x) - 60.0) / 200.0, 0.0, 1.0);
    vColor *= 1.0 - 0.45 * vSoft;
    vAlpha *= 1.0 - 0.55 * vSoft;
    // Exactly the eight sub-frames' alpha when there are eight (pow is not exact at 1).
    if (gAlphaSteps != 1.0) vAlpha = 1.0 - pow(1.0 - vAlpha, gAlphaSteps);
}

-- fragment LeafPS
layout(location = 0) in vec2 vLocal;
layout(location = 1) in vec3 vColor;
layout(location = 2) in float vAlpha;
layout(location = 3) in float vSoft;
layout(location = 0) out vec4 oColor;
void main()
{
    // A pointed leaf along x: half-width 0.85 (1 - x^2), a darker middle vein.
    float x = vLocal.x, y = vLocal.y;
    float width = 0.85 * (1.0 - x * x);
    float edge = width - abs(y);
    float aa = fwidth(edge) + 1e-4 + 0.4 * vSoft;
    float shape = clamp(edge / aa, 0.0, 1.0);
    if (shape <= 0.0) discard;
    float vein = 1.0 - 0.35 * (1.0 - vSoft) * exp(-abs(y) * 30.0) * step(-0.8, x);
    oColor = vec4(vColor * vein, vAlpha * shape);
}

-- technique leafs
pass p0 vertex=LeafVS fragment=LeafPS blend=alpha depth=off cull=none fill=solid
