// The full-screen quad: two triangles covering clip space from -1 to 1, drawn once per pass of
// a technique. Its input layout is made against a technique whose vertex shader takes a float3
// "POSITION"; every full-screen pass draws through it.
#pragma once

#include <platform/d3dx10effect.h>

struct fw_FullScreenQuad {
  fw_FullScreenQuad() = default;
  ~fw_FullScreenQuad();
  fw_FullScreenQuad(const fw_FullScreenQuad&) = delete;
  fw_FullScreenQuad& operator=(const fw_FullScreenQuad&) = delete;

  // Builds both buffers and the input layout against pass 0 of the technique.
  void create(ID3D10EffectTechnique* technique);
  // Binds the quad's input state and draws it for every pass of the technique, each after its
  // own Apply. Leaves the input-assembler state set.
  void draw(ID3D10EffectTechnique* technique);
  // Releases layout, vertex buffer and index buffer, nulling each.
  void release();

  ID3D10Buffer* mVertexBuffer = nullptr;
  ID3D10Buffer* mIndexBuffer = nullptr;
  ID3D10InputLayout* mInputLayout = nullptr;
};
