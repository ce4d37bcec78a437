// The framework's post effects: full-screen passes over the quad (one POSITION of three floats
// per vertex). Copy and the halving copies, the additive accumulation of sub-frames, the bloom
// (bright pass, separable 5-tap blurs, blend of four levels), the filtered scale-out to the
// window and the final composite "Vignette" with the look controls.
#include "fw_Globals.fxi"

-- common
uniform sampler2D texView1;
uniform sampler2D texView2;
uniform sampler2D texView3;
uniform sampler2D texView4;
uniform sampler2D texColorBufferForVignette;
uniform sampler2D texVignette;
uniform sampler2D texRnd;

uniform float gAddScale = 1.0;
uniform float gBrightnessCutoff = 1.0;
uniform float gBloomBlendScale = 0.01;

// Step between blur taps in texture coordinates. Nothing in the frame sets it, and the bloom
// blurs four levels of different sizes with it, so one fixed step would be a whole texel on one
// level and a fraction of one on another. Zero (the initial value) means "one texel of the
// texture being blurred", which gives every level the same kernel in its own texels.
uniform vec2 gPixelDimInv = vec2(0.0, 0.0);

uniform float gFade = 1.0;
// Per-channel exponents in tenths (the frame passes a tenth of each exponent track, so 0.1
// leaves a channel as it is and 0.2 squares it) and, in w, a scale.
uniform vec4 gColorExponents = vec4(0.1, 0.1, 0.1, 1.0);
uniform float gChromaDistortion = 0.0;
// x: largest sideways shift of a glitched band, in picture widths; y: offset of the band
// pattern, in picture heights (a new offset moves the bands and draws other shifts).
uniform vec4 gGlitch = vec4(0.0);
uniform float gNoiseStrength = 0.0;

// Mean of four bilinear taps half a texel around uv: a 3x3 tent in the texture's own texels,
// which hides the creases of bilinear magnification from a very small texture.
vec4 SampleTent(sampler2D t, vec2 uv)
{
    vec2 h = 0.5 / vec2(textureSize(t, 0));
    return 0.25 * (texture(t, uv + vec2(-h.x, -h.y)) + texture(t, uv + vec2(h.x, -h.y)) +
                   texture(t, uv + vec2(-h.x, h.y)) + texture(t, uv + vec2(h.x, h.y)));
}

vec2 BlurStep(sampler2D t)
{
    return any(greaterThan(gPixelDimInv, vec2(0.0))) ? gPixelDimInv : 1.0 / vec2(textureSize(t, 0));
}

// Binomial 1-4-6-4-1 weights: a Gaussian of sigma 1 tap, normalised.
vec4 Blur5(sampler2D t, vec2 uv, vec2 dir)
{
    return (1.0 / 16.0) * (texture(t, uv - 2.0 * dir) + 4.0 * texture(t, uv - dir) +
                           6.0 * texture(t, uv) + 4.0 * texture(t, uv + dir) +
                           texture(t, uv + 2.0 * dir));
}

-- sampler texView1 filter=linear address=clamp mip=none
-- sampler texView2 filter=linear address=clamp mip=none
-- sampler texView3 filter=linear address=clamp mip=none
-- sampler texView4 filter=linear address=clamp mip=none
-- sampler texColorBufferForVignette filter=linear address=clamp mip=none
-- sampler texVignette filter=linear address=clamp mip=none
-- sampler texRnd filter=point address=wrap mip=none

-- vertex QuadVS
// Clip space -1..1 to texture space with row 0 at the top: (-1, 1) is texture (0, 0).
layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vTexCoord;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
    vTexCoord = vec2(POSITION.x * 0.5 + 0.5, 0.5 - POSITION.y * 0.5);
}

-- fragment CopyPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    // Bilinear: at a halving step every target pixel lands between four source texels and gets
    // their mean.
    oColor = texture(texView1, vTexCoord);
}

-- fragment AddPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = texture(texView1, vTexCoord) * gAddScale;
}

-- fragment BrightPassPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    vec3 c = max(texture(texView1, vTexCoord).rgb, vec3(0.0));
    // Brightness is the largest channel, so saturated colours glow as well as white. A soft
    // knee half the cutoff wide lets light just below the cutoff in gradually, which keeps the
    // glow from popping as a surface crosses it; black stays black at any cutoff.
    float cutoff = max(gBrightnessCutoff, 0.0);
    float knee = 0.5 * cutoff;
    float brightness = max(c.r, max(c.g, c.b));
    float soft = clamp(brightness - cutoff + knee, 0.0, 2.0 * knee);
    soft = soft * soft / (4.0 * knee + 1e-5);
    float contribution = max(soft, brightness - cutoff) / max(brightness, 1e-5);
    oColor = vec4(c * contribution, 1.0);
}

-- fragment BlurHorizontalPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = Blur5(texView1, vTexCoord, vec2(BlurStep(texView1).x, 0.0));
}

-- fragment BlurVerticalPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = Blur5(texView1, vTexCoord, vec2(0.0, BlurStep(texView1).y));
}

-- fragment BloomBlendPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    // Each level was blurred three times in its own texels, so plain bilinear magnification is
    // smooth enough except from the coarsest level, where one texel spans 64 target pixels and
    // its creases would show. Every tap costs a full-screen texture read on a software
    // rasteriser, hence the tent only where it is needed.
    vec3 glow = texture(texView1, vTexCoord).rgb + texture(texView2, vTexCoord).rgb +
                texture(texView3, vTexCoord).rgb + SampleTent(texView4, vTexCoord).rgb;
    // Alpha 0: the destination's alpha is left as it is under additive blending.
    oColor = vec4(glow * gBloomBlendScale, 0.0);
}

-- fragment HighQualityDownScalePS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    // Source texels per target pixel along each axis; the quad maps the whole source onto the
    // viewport, so the derivatives are constant.
    vec2 texSize = vec2(textureSize(texView1, 0));
    vec2 footprint = vec2(abs(dFdx(vTexCoord.x)), abs(dFdy(vTexCoord.y))) * texSize;
    // A tent of one footprint's radius, from 4 x 4 bilinear taps. An axis that is magnified
    // (footprint up to one texel) gets no spread: plain bilinear there.
    vec2 spread = mix(vec2(0.0), footprint, greaterThan(footprint, vec2(1.0))) / texSize;
    const float offsets[4] = float[4](-0.75, -0.25, 0.25, 0.75);
    const float weights[4] = float[4](1.0, 3.0, 3.0, 1.0);
    vec4 sum = vec4(0.0);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            sum += weights[i] * weights[j] *
                   texture(texView1, vTexCoord + vec2(offsets[i], offsets[j]) * spread);
    oColor = sum / 64.0;
}

-- fragment VignettePS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;

vec3 SampleChroma(vec2 uv)
{
    // Lateral colour: red is magnified and blue shrunk about the centre, more towards the corners.
    // Without distortion one read serves all three channels (reads are what a software
    // rasteriser pays for; the branch is the same for every pixel).
    if (gChromaDistortion == 0.0)
        return texture(texColorBufferForVignette, uv).rgb;
    vec2 d = uv - 0.5;
    float k = gChromaDistortion * (0.5 + 2.0 * dot(d, d));
    return vec3(texture(texColorBufferForVignette, 0.5 + d * (1.0 + k)).r,
                texture(texColorBufferForVignette, uv).g,
                texture(texColorBufferForVignette, 0.5 + d * (1.0 - k)).b);
}

void main()
{
    vec2 uv = vTexCoord;
    ivec2 rndSize = max(textureSize(texRnd, 0), ivec2(1));

    // Glitch: the picture is cut into 24 horizontal bands; about two in five are shifted
    // sideways by up to gGlitch.x, each by its own random amount from texRnd.
    const float bands = 24.0;
    int band = int(floor((uv.y + gGlitch.y) * bands));
    int texels = rndSize.x * rndSize.y;
    int pick = ((band % texels) + texels) % texels;
    vec4 bandRnd = texelFetch(texRnd, ivec2(pick % rndSize.x, pick / rndSize.x), 0);
    if (bandRnd.r < 0.4)
        uv.x += (bandRnd.g * 2.0 - 1.0) * gGlitch.x;

    vec3 c = max(SampleChroma(uv), vec3(0.0));

    // Colour controls: exponents arrive in tenths; a negative or zero exponent would make pow
    // undefined, so the smallest is one thousandth.
    vec3 exponents = max(gColorExponents.xyz * 10.0, vec3(0.001));
    c = pow(c, exponents) * gColorExponents.w;

    c *= texture(texVignette, vTexCoord).rgb;

    // Noise: per-pixel grain from texRnd, jumping to a new place every frame, modulated by the
    // slow volume noise so that it breathes rather than hisses evenly.
    if (gNoiseStrength != 0.0) {
        vec2 jump = floor(vec2(fract(Time * 37.31), fract(Time * 91.73)) * vec2(rndSize));
        float grain = texture(texRnd, (gl_FragCoord.xy + jump) / vec2(rndSize)).r - 0.5;
        float breath = texture(gNoiseTexture, vec3(vTexCoord * vec2(4.0, 2.25), Time * 0.1)).r;
        c += gNoiseStrength * grain * (0.5 + breath);
    }

    oColor = vec4(clamp(c * gFade, 0.0, 1.0), 1.0);
}

-- fragment LightByDepthPS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    // texView1 holds view depth in red; light falls off from the near to the far plane.
    float depth = texture(texView1, vTexCoord).r;
    float light = 1.0 - smoothstep(NearXYZFarZ.z, NearXYZFarZ.w, depth);
    oColor = vec4(vec3(light * light), 1.0);
}

-- technique Copy
pass p0 vertex=QuadVS fragment=CopyPS blend=none depth=off cull=none fill=solid
-- technique Add
pass p0 vertex=QuadVS fragment=AddPS blend=add depth=off cull=none fill=solid
-- technique BrightPass
pass p0 vertex=QuadVS fragment=BrightPassPS blend=none depth=off cull=none fill=solid
-- technique BlurHorizontal5Taps
pass p0 vertex=QuadVS fragment=BlurHorizontalPS blend=none depth=off cull=none fill=solid
-- technique BlurVertical5Taps
pass p0 vertex=QuadVS fragment=BlurVerticalPS blend=none depth=off cull=none fill=solid
-- technique BloomBlend
pass p0 vertex=QuadVS fragment=BloomBlendPS blend=add depth=off cull=none fill=solid
-- technique HighQualityDownScale
pass p0 vertex=QuadVS fragment=HighQualityDownScalePS blend=none depth=off cull=none fill=solid
-- technique Vignette
pass p0 vertex=QuadVS fragment=VignettePS blend=none depth=off cull=none fill=solid
-- technique LightByDepth
pass p0 vertex=QuadVS fragment=LightByDepthPS blend=none depth=off cull=none fill=solid
