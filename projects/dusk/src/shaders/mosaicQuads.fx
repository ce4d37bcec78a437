// The mosaic: 1,500 quads, each showing the piece of gBgTex that lies under its original place,
// so that at rest they rebuild the picture as a tiled mosaic. gSpread pushes them out from the
// centre, gDrift carries each along its own direction, gGlitch throws a share of them sideways
// (with split colours and the wallpaper gTapetTexture showing through, reshuffled ten times a
// second), gDepthMess sinks them to different depths, gBgZoom scales the picture inside each
// quad (100 = true scale, 0 = one flat colour per tile), gQuadScale sizes them. gImageAspect
// fits the picture to the screen's height. Premultiplied output: targets with empty alpha stay
// see-through.
//
// The layers pile up to thirty quads on a pixel, and a quad of an opaque picture hides everything
// drawn before it there. So a sub-frame draws the layers of opaque pictures first ("QuadsOpaque"),
// front to back, each quad at its own depth (gRankBase + its number: later quads nearer), so that
// hidden texels fail the depth test before they are shaded; then the layers of pictures with
// see-through texels ("QuadsSeeThrough"), back to front and blended as before, tested against
// those depths. Together they give what drawing every layer's quads in order gives.
//
// A see-through picture is mostly empty (the model picture around its model), and a quad showing
// only empty texels adds nothing. "Occupancy" marks each 32 x 32 block of such a picture that
// holds a texel with alpha; with gCullEmpty set, the vertex stage drops the quads whose texels all
// lie in unmarked blocks before a fragment of theirs is made.
//
// The "Calm" techniques draw the same for layers whose gGlitch glitches no quad, without the
// glitch's texture reads.
#include "fw_Globals.fxi"
#include "dusk_Stage.fxi"

-- common
uniform sampler2D gBgTex;
uniform sampler2D gTapetTexture;
uniform float gSpread = 0.0;
uniform float gDrift = 0.0;
uniform float gGlitch = 0.0;
uniform float gBgZoom = 100.0;
uniform float gDepthMess = 1.0;
uniform vec4 gQuadScale = vec4(1.0, 1.0, 0.0, 0.0);
uniform float gImageAspect = 1.7777778;
uniform int gRankBase = 0;
uniform sampler2D gOccupancy;
uniform int gCullEmpty = 0;

const int kOccupancyBlock = 32;
// The glitch's split channels read this far to each side.
const float kGlitchShift = 0.012;

// Picture coordinates of a point in screen-height units (y up, centre 0).
vec2 PictureUV(vec2 p)
{
    return vec2(0.5 + p.x / (2.0 * max(gImageAspect, 1e-3)), 0.5 - 0.5 * p.y);
}

// A quad's colour, premultiplied, from its picture's texel; px is fwidth(local), which only a
// fragment stage can take.
vec4 QuadColor(vec4 color, vec2 uv, vec2 local, float glitched, float edge, vec2 px)
{
    if (glitched > 0.5) {
        // Split channels and let the wallpaper through, tinted by the piece's own light.
        color.r = texture(gBgTex, uv + vec2(kGlitchShift, 0.0)).r;
        color.b = texture(gBgTex, uv - vec2(kGlitchShift, 0.0)).b;
        vec3 tapet = texture(gTapetTexture, uv * vec2(gImageAspect, 1.0) * 3.0).rgb;
        float light = dot(color.rgb, vec3(0.3, 0.5, 0.2));
        color.rgb = mix(color.rgb, tapet * (0.3 + light * 1.6) * color.a, 0.55);
    }
    // A thin dark seam around each tile: faint at rest, stronger as the mosaic breaks up.
    vec2 d = 1.0 - abs(local);
    float seam = 1.0 - clamp(min(d.x / px.x, d.y / px.y) / 1.5, 0.0, 1.0);
    color.rgb *= 1.0 - edge * seam;
    return color;
}

-- sampler gBgTex filter=linear address=clamp mip=none
-- sampler gOccupancy filter=point address=clamp mip=none
-- sampler gTapetTexture filter=linear address=wrap

-- vertex QuadsVS
// Whether a texel the picture's samples between uvLow and uvHigh can read has alpha. Clamped
// addressing reads the edge texels beyond [0, 1], and the linear filter the texel on each side.
// A span too wide to look through in a few fetches counts as holding something, as does one
// that is not a number.
bool MayHoldTexels(vec2 uvLow, vec2 uvHigh)
{
    if (!all(lessThanEqual(uvLow, uvHigh))) return true;
    vec2 size = vec2(textureSize(gBgTex, 0));
    ivec2 last = ivec2(size) - 1;
    ivec2 low = clamp(ivec2(floor(clamp(uvLow, 0.0, 1.0) * size - 0.5)), ivec2(0), last);
    ivec2 high = clamp(ivec2(floor(clamp(uvHigh, 0.0, 1.0) * size - 0.5)) + 1, ivec2(0), last);
    ivec2 blockLow = low / kOccupancyBlock, blockHigh = high / kOccupancyBlock;
    if (any(greaterThan(blockHigh - blockLow, ivec2(7)))) return true;
    for (int y = blockLow.y; y <= blockHigh.y; ++y)
        for (int x = blockLow.x; x <= blockHigh.x; ++x)
            if (texelFetch(gOccupancy, ivec2(x, y), 0).r > 0.0) return true;
    return false;
}

layout(location = 0) in vec4 POSITION;
layout(location = 0) out vec2 vUV;
layout(location = 1) out vec2 vLocal;
layout(location = 2) flat out float vGlitched;
layout(location = 3) flat out float vEdge;
void main()
{
    int quad = gl_VertexID / 4;
    float r1 = Hash01(quad, 11), r2 = Hash01(quad, 12), r3 = Hash01(quad, 13), r4 = Hash01(quad, 14);
    float aspect = RenderDim.x / max(RenderDim.y, 1.0);
    // The quads' centres span 3 x 2; stretch them over the whole screen width.
    vec2 home = POSITION.xy * vec2(aspect / 1.42, 1.0);
    vec2 centre = home;

    centre *= 1.0 + gSpread * 0.01 * (0.25 + 1.5 * r1);
    float angle = 6.2831853 * r2;
    centre += vec2(cos(angle), sin(angle)) * gDrift * 0.01 * (0.4 + 1.2 * r3);

    int beat = int(floor(Time * 10.0));
    float glitched = Hash01(quad, beat * 3 + 101) < gGlitch * 0.01 ? 1.0 : 0.0;
    centre.x += glitched * (Hash01(quad, beat * 3 + 102) - 0.5) * 0.8;
    centre.y += glitched * (Hash01(quad, beat * 3 + 103) - 0.5) * 0.1;

    // Depth mess: each quad sinks by its own share, shrinking towards the middle of the screen.
    float depth = 1.0 + max(gDepthMess - 1.0, -0.9) * r4;
    vec2 corner = POSITION.zw * gQuadScale.xy;
    vec2 p = (centre + corner) / max(depth, 0.1);

    // Steps of 2^-20 below 1 are exact in the depth buffer's float and need no interpolation.
    gl_Position = vec4(p.x / aspect, p.y, 1.0 - float(gRankBase + quad + 1) * (1.0 / 1048576.0), 1.0);
    vUV = PictureUV(home + POSITION.zw * gBgZoom * 0.01);
    if (gCullEmpty != 0) {
        // Every corner of the quad finds the same span, so all four leave together.
        vec2 reach = abs(POSITION.zw * gBgZoom * 0.01);
        vec2 a = PictureUV(home - reach), b = PictureUV(home + reach);
        vec2 spread = vec2(glitched * kGlitchShift, 0.0);
        if (!MayHoldTexels(min(a, b) - spread, max(a, b) + spread)) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
    }
    vLocal = sign(POSITION.zw);
    vGlitched = glitched;
    float unrest = abs(gSpread) + abs(gDrift) + gGlitch + 40.0 * abs(gDepthMess - 1.0);
    vEdge = clamp(0.12 + unrest * 0.004, 0.0, 0.55);
}

-- fragment QuadsOpaquePS
layout(location = 0) in vec2 vUV;
layout(location = 1) in vec2 vLocal;
layout(location = 2) flat in float vGlitched;
layout(location = 3) flat in float vEdge;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = QuadColor(texture(gBgTex, vUV), vUV, vLocal, vGlitched, vEdge, fwidth(vLocal) + 1e-5);
}

-- fragment QuadsSeeThroughPS
layout(location = 0) in vec2 vUV;
layout(location = 1) in vec2 vLocal;
layout(location = 2) flat in float vGlitched;
layout(location = 3) flat in float vEdge;
layout(location = 0) out vec4 oColor;
void main()
{
    vec2 px = fwidth(vLocal) + 1e-5;
    vec4 color = texture(gBgTex, vUV);
    // Nothing to add where the picture is empty (the model picture around its model), unless the
    // glitch lets the wallpaper through; most of such a picture is, so this goes first.
    if (color.a <= 0.0 && vGlitched < 0.5) discard;
    oColor = QuadColor(color, vUV, vLocal, vGlitched, vEdge, px);
}

-- fragment QuadsOpaqueCalmPS
// A layer without glitch (gGlitch 0 or less) glitches no quad: the same colour without the
// glitch's samples, which the software rasteriser would take for every pixel, glitched or not.
layout(location = 0) in vec2 vUV;
layout(location = 1) in vec2 vLocal;
layout(location = 3) flat in float vEdge;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = QuadColor(texture(gBgTex, vUV), vUV, vLocal, 0.0, vEdge, fwidth(vLocal) + 1e-5);
}

-- fragment QuadsSeeThroughCalmPS
layout(location = 0) in vec2 vUV;
layout(location = 1) in vec2 vLocal;
layout(location = 3) flat in float vEdge;
layout(location = 0) out vec4 oColor;
void main()
{
    vec2 px = fwidth(vLocal) + 1e-5;
    vec4 color = texture(gBgTex, vUV);
    if (color.a <= 0.0) discard;
    oColor = QuadColor(color, vUV, vLocal, 0.0, vEdge, px);
}

-- vertex OccupancyVS
layout(location = 0) in vec4 POSITION;
void main()
{
    // The first quad's four corners, stretched over the whole target.
    int corner = gl_VertexID % 4;
    gl_Position = vec4(corner == 0 || corner == 3 ? -1.0 : 1.0, corner < 2 ? 1.0 : -1.0, 0.0, 1.0);
}

-- fragment OccupancyPS
layout(location = 0) out vec4 oColor;
// Alpha anywhere in the block of the picture under this texel of the grid.
void main()
{
    ivec2 size = textureSize(gBgTex, 0);
    ivec2 low = ivec2(gl_FragCoord.xy) * kOccupancyBlock;
    ivec2 high = min(low + kOccupancyBlock, size);
    float alpha = 0.0;
    for (int y = low.y; y < high.y; ++y)
        for (int x = low.x; x < high.x; ++x)
            alpha = max(alpha, texelFetch(gBgTex, ivec2(x, y), 0).a);
    oColor = vec4(alpha > 0.0 ? 1.0 : 0.0);
}

-- technique Occupancy
pass p0 vertex=OccupancyVS fragment=OccupancyPS blend=none depth=off cull=none fill=solid
-- technique QuadsOpaque
pass p0 vertex=QuadsVS fragment=QuadsOpaquePS blend=none depth=write cull=none fill=solid
-- technique QuadsSeeThrough
pass p0 vertex=QuadsVS fragment=QuadsSeeThroughPS blend=premultiplied depth=test cull=none fill=solid
-- technique QuadsOpaqueCalm
pass p0 vertex=QuadsVS fragment=QuadsOpaqueCalmPS blend=none depth=write cull=none fill=solid
-- technique QuadsSeeThroughCalm
pass p0 vertex=QuadsVS fragment=QuadsSeeThroughCalmPS blend=premultiplied depth=test cull=none fill=solid
