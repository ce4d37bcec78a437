// D3DX10 stand-in: effects over GLSL effect files, image loading, meshes, and the matrix and
// vector helpers. Each piece has its own header; this one gathers them as the platform does.
#pragma once

#include <platform/d3d10.h>
#include <platform/d3dx10math.h>
#include <platform/d3dx10effect.h>
#include <platform/d3dx10tex.h>
#include <platform/d3dx10mesh.h>
