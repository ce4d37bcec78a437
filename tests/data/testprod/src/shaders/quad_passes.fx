// Two additive passes over the full-screen quad, each adding its own colour: a target cleared to
// black ends up with their sum, and every pixel of it is covered.
-- common
uniform vec4 gFirst = vec4(0.25, 0.0, 0.0, 0.0);
uniform vec4 gSecond = vec4(0.0, 0.5, 0.0, 0.0);

-- vertex QuadVS
layout(location = 0) in vec3 POSITION;
void main()
{
    gl_Position = vec4(POSITION, 1.0);
}

-- fragment FirstPS
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = gFirst;
}

-- fragment SecondPS
layout(location = 0) out vec4 oColor;
void main()
{
    oColor = gSecond;
}

-- technique TwoPasses
pass p0 vertex=QuadVS fragment=FirstPS blend=add depth=off cull=none fill=solid
pass p1 vertex=QuadVS fragment=SecondPS blend=add depth=off cull=none fill=solid
-- technique Empty
