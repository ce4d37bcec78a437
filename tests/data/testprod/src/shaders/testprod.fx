// The test production's one effect: a textured square placed by World and the camera, and a
// full-screen fill that shows Time, so a frame's picture depends on the music clock.
#include "fw_Globals.fxi"
#include "testprod_common.fxi"

-- vertex SquareVS
layout(location = 0) in vec3 POSITION;
layout(location = 0) out vec2 vTexCoord;
void main()
{
    gl_Position = ViewProjection * (World * vec4(POSITION, 1.0));
    vTexCoord = vec2(POSITION.x * 0.5 + 0.5, 0.5 - POSITION.y * 0.5);
}

-- fragment SquarePS
layout(location = 0) in vec2 vTexCoord;
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = texture(gPicture, vTexCoord) * gTint;
}

-- vertex FillVS
layout(location = 0) in vec3 POSITION;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
}

-- fragment FillPS
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = vec4(fract(Time * 0.25), 0.2, 0.3 + 0.1 * texture(gNoiseTexture, vec3(0.5)).r, 1.0);
}

-- technique Square
pass p0 vertex=SquareVS fragment=SquarePS blend=none depth=off cull=none fill=solid
-- technique Fill
pass p0 vertex=FillVS fragment=FillPS blend=none depth=off cull=none fill=solid
