// The pass procedure every post operation draws through: bind inputs and constants by name,
// bind one target with its own viewport (or nothing), fetch the technique by name and draw the
// quad once per pass. Names are looked up on every call; nothing is cached or restored.
#pragma once

#include <platform/d3d10.h>

#include <initializer_list>

class fw_Texture;
struct fw_PostEffects;

struct fw_PostInput {
  const char* variable;
  fw_Texture* texture;  // null leaves the variable without a view
};

struct fw_PostConstant {
  const char* variable;
  int components;  // 1: scalar (SetFloat), 4: vector (SetFloatVector)
  float value[4];
};

inline fw_PostConstant fw_PostScalar(const char* variable, float value) { return {variable, 1, {value, 0, 0, 0}}; }
inline fw_PostConstant fw_PostVector(const char* variable, const float value[4]) {
  return {variable, 4, {value[0], value[1], value[2], value[3]}};
}

// Sets the inputs, then the constants, binds target (null binds no view and no viewport), and
// draws the technique. An empty chain (setup not run, or released) draws nothing.
void fw_PostPass(fw_PostEffects* chain, std::initializer_list<fw_PostInput> inputs,
                 std::initializer_list<fw_PostConstant> constants, fw_Texture* target, const char* technique);

// Binds one render-target view and one viewport, or with a null view none of either.
void fw_PostBindTarget(ID3D10RenderTargetView* view, const D3D10_VIEWPORT* viewport);

// The texture table's render target of that exact name. A missing name is a fault of the
// program, not of the data: it is logged as an error naming the target (once per name) and null
// comes back; the calling operation then draws nothing rather than drawing into whatever target
// was bound before.
fw_Texture* fw_PostFindTarget(const char* name);

// The scale-out with an explicit window target, for the frame's own call and for tests.
void fw_PostScreenScaleOutTo(fw_PostEffects* chain, fw_Texture* source, fw_Texture* windowTarget, int32_t offset);
