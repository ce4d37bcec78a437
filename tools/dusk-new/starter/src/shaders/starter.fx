// The show's picture in one full-screen pass: a sky running from a hue at the top to a warm glow
// at the horizon, and a soft disc with a halo over it. The pool's RenderDim keeps the disc round
// at any render size, and its Time lets the halo breathe between keys.
#include "fw_Globals.fxi"

-- common
// Centre x and y (-1 to 1, y up), radius (share of the picture's height), halo strength.
uniform vec4 gShape = vec4(0.0, 0.0, 0.2, 0.0);
// The sky's hue at the top, in turns (0 = violet, 0.5 = teal).
uniform float gSkyHue = 0.0;
// Where the glow meets the sky, from 0 (bottom) to 1 (top).
uniform float gSkyHorizon = 0.5;

vec3 hueColor(float h) {
    return 0.5 + 0.5 * cos(6.2831853 * (h + vec3(0.72, 0.52, 0.32)));
}

-- vertex QuadVS
layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vUV;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
    vUV = vec2(POSITION.x * 0.5 + 0.5, 0.5 - POSITION.y * 0.5);
}

-- fragment PicturePS
layout(location = 0) in vec2 vUV;
layout(location = 0) out vec4 oColor;
void main()
{
    float y = 1.0 - vUV.y;
    vec3 top = hueColor(gSkyHue) * 0.35;
    vec3 glow = vec3(0.95, 0.45, 0.15);
    vec3 sky = mix(glow, top, smoothstep(gSkyHorizon - 0.35, gSkyHorizon + 0.35, y));

    // The disc in picture heights, so that it stays round whatever the aspect.
    vec2 p = (vUV * 2.0 - 1.0) * vec2(RenderDim.x * RenderDim.w, -1.0);
    vec2 centre = gShape.xy * vec2(RenderDim.x * RenderDim.w, 1.0);
    float d = length(p - centre) / max(gShape.z * 2.0, 1e-3);
    float disc = 1.0 - smoothstep(0.48, 0.5, d);
    float halo = gShape.w * (0.8 + 0.2 * sin(Time * 3.0)) * exp(-4.0 * max(d - 0.5, 0.0));
    vec3 colour = mix(sky, vec3(1.0, 0.85, 0.55) * 1.6, disc) + glow * halo;
    oColor = vec4(colour, 1.0);
}

-- technique Picture
pass p0 vertex=QuadVS fragment=PicturePS blend=none depth=off cull=none fill=solid
