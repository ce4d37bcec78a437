// The block landscape: a grid of 160 x 45 cells, each a block whose top is raised towards the eye
// by the height maps (gHeightFade crosses from the first map to the second), scrolled sideways by
// gScrollValue columns. Tops take the stone texture, bevels where a block meets open air and
// grooves where it meets a neighbour; walls are shaded by a low sun, and everything near the hero
// catches its amber light, all under the film grain. Depth is kept in a thin band near 1 so the
// models drawn later in front of it are never hidden by it.
#include "fw_Globals.fxi"
#include "dusk_Stage.fxi"

-- common
uniform int gNumRows = 45;
uniform int gNumColumns = 160;
uniform float gScrollValue = 0.0;
uniform float gHeightFade = 0.0;
uniform vec4 gHeroPosition = vec4(0.0);
uniform float gTime = 0.0;

uniform sampler2D gHeightTexture;
uniform sampler2D gHeightTexture2;
// The edge decorations in pairs, layer 0 the groove (inner), layer 1 the bevel (outer): a pixel
// picks its layer, and the pair is sampled once.
uniform sampler2DArray gHorEdgeTextures;
uniform sampler2DArray gVertEdgeTextures;
uniform sampler2D gTexture1;
uniform sampler2D gGrainTexture;

// The tallest block, in stage pixels towards the eye.
const float kRaise = 90.0;

// Block height 0..1 of grid cell (column, row from the bottom), the maps tiling sideways.
float CellHeight(int column, int row)
{
    if (row < 0 || row >= gNumRows) return 0.0;
    float fade = clamp(gHeightFade, 0.0, 1.0);
    ivec2 size1 = textureSize(gHeightTexture, 0);
    ivec2 size2 = textureSize(gHeightTexture2, 0);
    // Image row 0 is the top of the screen; grid row 0 is the bottom.
    int imageRow = gNumRows - 1 - row;
    // The column wrapped into each map in floats: a software vertex stage divides integers lane by
    // lane, and this runs five times a corner. Exact for any column below 2^24.
    float c = float(column);
    int x1 = int(c - float(size1.x) * floor(c / float(size1.x)));
    int x2 = int(c - float(size2.x) * floor(c / float(size2.x)));
    float h1 = texelFetch(gHeightTexture, ivec2(x1, clamp(imageRow, 0, size1.y - 1)), 0).r;
    float h2 = texelFetch(gHeightTexture2, ivec2(x2, clamp(imageRow, 0, size2.y - 1)), 0).r;
    return mix(h1, h2, fade);
}

vec2 CellSize() { return vec2(1280.0 / float(gNumColumns - 2), 720.0 / float(gNumRows)); }
int ScrollColumns() { return int(floor(gScrollValue)); }

// The surface shading, shared by the pass that shades every face and the two that shade walls
// and tops apart (a software rasteriser runs both sides of a branch where a block of pixels takes
// both, and the landscape's small faces put walls and tops into most blocks).

// Stone scrolling with the blocks; the dusk palette runs from violet shadow low down to amber on
// the high blocks and towards the top of the screen.
vec3 BlockBase(vec3 stage, vec2 cell, ivec2 cellIndex, float height, out vec3 tint)
{
    vec2 local = fract(cell);
    vec2 stoneUV = vec2(float(cellIndex.x) + local.x, float(cellIndex.y) + local.y + stage.z / 16.0) * vec2(0.11, 0.2);
    vec3 stone = texture(gTexture1, stoneUV).rgb;
    float stoneLight = dot(stone, vec3(0.3, 0.5, 0.2));
    float screenY = stage.y / 360.0 * 0.5 + 0.5;
    float warmth = smoothstep(0.0, 1.0, 0.45 * screenY + 0.75 * height - 0.1);
    tint = mix(vec3(0.30, 0.11, 0.20), vec3(1.0, 0.56, 0.26), warmth);
    return mix(tint, stone * tint * 2.2, 0.35) * (0.55 + 1.1 * stoneLight);
}

// Decoration of one side: the bevel where the neighbour is open air, the groove where it is not.
vec4 Edge(sampler2DArray pair, vec2 uv, bool open)
{
    return texture(pair, vec3(uv, open ? 1.0 : 0.0));
}

vec3 TopBase(vec3 base, vec3 tint, vec2 cell, vec4 open)
{
    // Texture v runs down the cell (image row 0 at the top).
    vec2 local = fract(cell);
    vec2 uv = vec2(local.x, 1.0 - local.y);
    bool openUp = open.x > 0.5, openDown = open.y > 0.5;
    bool openLeft = open.z > 0.5, openRight = open.w > 0.5;
    vec4 h = Edge(gHorEdgeTextures, uv, uv.y < 0.5 ? openUp : openDown);
    vec4 v = Edge(gVertEdgeTextures, uv, uv.x < 0.5 ? openLeft : openRight);
    base *= 1.15;
    base = mix(base, h.rgb * tint * 1.6, h.a * 0.85);
    return mix(base, v.rgb * tint * 1.6, v.a * 0.85);
}

// Walls darken towards the floor so the blocks stand out of the plane.
vec3 WallBase(vec3 base, vec3 stage, float height)
{
    return base * mix(0.45, 0.9, clamp(stage.z / kRaise / max(height, 0.05), 0.0, 1.0));
}

vec4 BlockLight(vec3 n, vec3 base, vec3 stage, vec2 pixel)
{
    // A low evening sun from the upper left, and a violet sky from the front.
    vec3 sun = normalize(vec3(-0.45, 0.55, 0.70));
    float lambert = max(dot(n, sun), 0.0);
    vec3 color = base * (vec3(0.30, 0.22, 0.40) + vec3(1.0, 0.80, 0.58) * lambert * 1.1);

    // The hero's light: a warm falloff around it, strongest on surfaces that face it.
    vec3 toHero = gHeroPosition.xyz + vec3(0.0, 0.0, 60.0) - stage;
    float d = length(toHero);
    float facing = max(dot(n, toHero / max(d, 1e-3)), 0.0);
    color += vec3(1.0, 0.62, 0.28) * (base + 0.08) * (2.0 * facing + 0.5) * exp(-d / 260.0);

    return vec4(FilmGrain(gGrainTexture, pixel, gTime, color), 1.0);
}

-- sampler gHeightTexture filter=point address=wrap mip=none
-- sampler gHeightTexture2 filter=point address=wrap mip=none
-- sampler gHorEdgeTextures filter=linear address=clamp
-- sampler gVertEdgeTextures filter=linear address=clamp
-- sampler gTexture1 filter=linear address=wrap
-- sampler gGrainTexture filter=linear address=wrap

-- vertex BlockVS
// The faces are drawn in passes with different fragment stages: every one must place a corner
// where the others do.
invariant gl_Position;
layout(location = 0) in vec2 POSITION;
layout(location = 0) out vec3 vStage;      // stage position
layout(location = 1) out vec2 vCell;       // position in cells (fraction = place in the cell)
layout(location = 2) flat out ivec2 vCellIndex;  // map column and grid row
layout(location = 3) flat out float vHeight;
layout(location = 4) flat out vec4 vOpen;      // up, down, left, right: 1 where the neighbour is open air
void main()
{
    int cell = gl_VertexID / 8;
    bool top = (gl_VertexID % 8) >= 4;
    int row = cell / gNumColumns;
    int column = cell % gNumColumns;
    // Grid coordinates back from the positions: x = 2 (j + a) / (M + 1) - 1.
    vec2 grid = (POSITION + 1.0) * 0.5 * vec2(float(gNumColumns + 1), float(gNumRows + 1));
    float height = CellHeight(column + ScrollColumns(), row);
    vCellIndex = ivec2(column + ScrollColumns(), row);
    vHeight = height;
    // scroller_BuildVisibleTerrainIndices leaves out on the CPU the cells this stage lays flat as
    // open air, the walls turned away from StageClip's eye and the walls a neighbour hides: the
    // threshold and the eye change together with it.
    if (height < 0.02) {
        // Open air: every corner on one point, so the block's triangles cover nothing.
        gl_Position = vec4(0.0, 0.0, 2.0, 1.0);
        vStage = vec3(0.0); vCell = vec2(0.0); vOpen = vec4(0.0);
        return;
    }
    // The neighbours, looked up once a corner here rather than for every pixel of the top.
    int mapColumn = vCellIndex.x;
    vec4 around = vec4(CellHeight(mapColumn, row + 1), CellHeight(mapColumn, row - 1),
                       CellHeight(mapColumn - 1, row), CellHeight(mapColumn + 1, row));
    vOpen = vec4(lessThan(around, vec4(0.02)));
    // A wall's stretch below its neighbour's top lies against the neighbour's block and is hidden
    // by it from any eye, so a floor corner rises to the lower of the two neighbours it stands
    // against (open air stands nowhere): the walls lose only what could never be seen.
    float z = height;
    if (!top) {
        int corner = gl_VertexID % 8;  // 0..3 the floor, x then y
        vec4 solid = around * (1.0 - vOpen);
        float beside = (corner & 1) == 0 ? solid.z : solid.w;
        float across = (corner & 2) == 0 ? solid.y : solid.x;
        z = min(height, min(beside, across));
    }
    vec2 size = CellSize();
    float scrolled = grid.x - fract(gScrollValue) - 0.5 * float(gNumColumns);
    vec3 p = vec3(scrolled * size.x, (grid.y - 0.5 * float(gNumRows)) * size.y, z * kRaise);
    vStage = p;
    vCell = grid;
    // Nearer (higher) surfaces get smaller depth, all of it behind anything at normal depth.
    gl_Position = StageClip(p, 0.9995 + 0.0004 * (1.0 - p.z / kRaise));
}

-- fragment BlockPS
layout(location = 0) in vec3 vStage;
layout(location = 1) in vec2 vCell;
layout(location = 2) flat in ivec2 vCellIndex;
layout(location = 3) flat in float vHeight;
layout(location = 4) flat in vec4 vOpen;
layout(location = 0) out vec4 oColor;
void main()
{
    vec3 n = normalize(cross(dFdx(vStage), dFdy(vStage)));
    if (n.z < 0.0) n = -n;
    vec3 tint;
    vec3 base = BlockBase(vStage, vCell, vCellIndex, vHeight, tint);
    if (n.z > 0.9)
        base = TopBase(base, tint, vCell, vOpen);
    else
        base = WallBase(base, vStage, vHeight);
    oColor = BlockLight(n, base, vStage, gl_FragCoord.xy);
}

-- fragment BlockTopPS
// Faces the CPU knows to be tops: the top's shading alone.
layout(location = 0) in vec3 vStage;
layout(location = 1) in vec2 vCell;
layout(location = 2) flat in ivec2 vCellIndex;
layout(location = 3) flat in float vHeight;
layout(location = 4) flat in vec4 vOpen;
layout(location = 0) out vec4 oColor;
void main()
{
    vec3 n = normalize(cross(dFdx(vStage), dFdy(vStage)));
    if (n.z < 0.0) n = -n;
    vec3 tint;
    vec3 base = BlockBase(vStage, vCell, vCellIndex, vHeight, tint);
    oColor = BlockLight(n, TopBase(base, tint, vCell, vOpen), vStage, gl_FragCoord.xy);
}

-- fragment BlockWallPS
layout(location = 0) in vec3 vStage;
layout(location = 1) in vec2 vCell;
layout(location = 2) flat in ivec2 vCellIndex;
layout(location = 3) flat in float vHeight;
layout(location = 4) flat in vec4 vOpen;
layout(location = 0) out vec4 oColor;
void main()
{
    vec3 n = normalize(cross(dFdx(vStage), dFdy(vStage)));
    if (n.z < 0.0) n = -n;
    vec3 tint;
    vec3 base = BlockBase(vStage, vCell, vCellIndex, vHeight, tint);
    oColor = BlockLight(n, WallBase(base, vStage, vHeight), vStage, gl_FragCoord.xy);
}

-- technique bg
// The grid's faces that look at the eye wind counter-clockwise on screen, the "back" ones of the
// device's clockwise rule; the walls turned away lie inside their block and are culled.
pass p0 vertex=BlockVS fragment=BlockPS blend=none depth=write cull=front fill=solid
-- technique bgWalls
pass p0 vertex=BlockVS fragment=BlockWallPS blend=none depth=write cull=front fill=solid
-- technique bgTops
pass p0 vertex=BlockVS fragment=BlockTopPS blend=none depth=write cull=front fill=solid
