// Pixel x of the target shows texel (0, 0) of layer x / 3, level x % 3, of gLayers: every level of
// every layer of a two-layer array in six pixels.
-- common
uniform sampler2DArray gLayers;

-- vertex QuadVS
layout(location = 0) in vec3 POSITION;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
}

-- fragment LevelsPS
layout(location = 0) out vec4 oColor;
void main()
{
    int x = int(gl_FragCoord.x);
    oColor = texelFetch(gLayers, ivec3(0, 0, x / 3), x % 3);
}

-- technique Levels
pass p0 vertex=QuadVS fragment=LevelsPS blend=none depth=off cull=none fill=solid
