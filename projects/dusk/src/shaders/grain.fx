// The hero and the sky behind the landscape. "grain" fills the open sky behind the blocks (where
// the depth is still cleared) with a dusk gradient under the moving film grain the blocks take as
// well (FilmGrain); "hero" draws one glowing sprite at gHeroParameters.xyz on the stage with
// intensity .w (1 for the hero, less for its echoes), added so that overlapping echoes build up
// light.
#include "fw_Globals.fxi"
#include "dusk_Stage.fxi"

-- common
uniform float gTime = 0.0;
uniform vec4 gHeroParameters = vec4(0.0, 0.0, 0.0, 1.0);
// RGB: grain around 0.5; A: the sprite's soft disc.
uniform sampler2D gGrainTexture;

-- sampler gGrainTexture filter=linear address=wrap

-- fragment SkyPS
layout(location = 0) in vec2 vUV;
layout(location = 0) out vec4 oColor;
void main()
{
    // Screen height from 0 at the bottom to 1 at the top.
    float y = 1.0 - vUV.y;
    float x = vUV.x;
    vec3 zenith = vec3(0.05, 0.025, 0.09);
    vec3 violet = vec3(0.26, 0.09, 0.20);
    vec3 glow = vec3(0.80, 0.38, 0.16);
    vec3 sky = mix(glow, violet, smoothstep(0.18, 0.55, y));
    sky = mix(sky, zenith, smoothstep(0.5, 1.0, y));
    // A slow low haze band drifting across.
    sky *= 0.9 + 0.1 * sin(x * 9.0 + y * 4.0 + gTime * 0.2);
    oColor = vec4(FilmGrain(gGrainTexture, gl_FragCoord.xy, gTime, sky), 1.0);
}

-- vertex SkyVS
layout(location = 0) in vec2 POSITION;
layout(location = 0) out vec2 vUV;
void main()
{
    // Just short of the cleared depth: only where no block was drawn.
    gl_Position = vec4(POSITION, 0.99995, 1.0);
    vUV = POSITION * vec2(0.5, -0.5) + 0.5;
}

-- vertex HeroVS
layout(location = 0) in vec2 POSITION;
layout(location = 0) out vec2 vCorner;
void main()
{
    float intensity = gHeroParameters.w;
    // Echoes are smaller as they fade.
    float radius = 46.0 * (0.45 + 0.55 * intensity);
    vec3 p = gHeroParameters.xyz + vec3(POSITION * radius, 0.0);
    gl_Position = StageClip(p, 0.5);
    vCorner = POSITION;
}

-- fragment HeroPS
layout(location = 0) in vec2 vCorner;
layout(location = 0) out vec4 oColor;
void main()
{
    float intensity = clamp(gHeroParameters.w, 0.0, 1.0);
    float r = length(vCorner);
    // The sprite's disc from the grain picture's alpha, a white-hot core and a four-point glint.
    float disc = texture(gGrainTexture, vCorner * 0.5 + 0.5).a;
    float core = exp(-r * r * 28.0);
    float glint = (exp(-abs(vCorner.y) * 22.0) * max(1.0 - abs(vCorner.x), 0.0) +
                   exp(-abs(vCorner.x) * 22.0) * max(1.0 - abs(vCorner.y), 0.0)) * 0.55;
    float ring = exp(-pow((r - 0.62) * 9.0, 2.0)) * 0.35;
    vec3 color = vec3(1.0, 0.58, 0.22) * disc * 0.9 + vec3(1.0, 0.93, 0.8) * (core * 1.4 + glint) +
                 vec3(1.0, 0.75, 0.45) * ring;
    float alpha = clamp(disc * 0.8 + core + glint + ring, 0.0, 1.0);
    oColor = vec4(color, alpha) * intensity;
}

-- technique grain
pass sky vertex=SkyVS fragment=SkyPS blend=none depth=test cull=none fill=solid
-- technique hero
pass p0 vertex=HeroVS fragment=HeroPS blend=add depth=off cull=none fill=solid
