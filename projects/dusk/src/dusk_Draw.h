// Small drawing helpers the production's components share: an effect loaded against the
// framework's pool (replacing an earlier one), default-usage buffers with initial data, an input
// layout built against pass 0 of a technique, and an indexed triangle-list draw over every pass.
// Needs the framework's device (device/fw_DeviceState.h).
#pragma once

#include <platform/d3d10.h>
#include <platform/d3dx10effect.h>
#include <platform/safe_release.h>

#include <cstdint>

struct fw_Effect;

// Releases and deletes `effect` when set, then loads `name` as a child of the effect pool.
void dusk_ReplaceEffect(fw_Effect*& effect, const char* name);
// Releases and deletes the effect, leaving null.
void dusk_DestroyEffect(fw_Effect*& effect);

// A default-usage buffer without CPU access holding `bytes` of `data`; null without a device.
ID3D10Buffer* dusk_CreateBuffer(UINT bindFlags, const void* data, size_t bytes);
// Null when the technique is invalid or has no input signature.
ID3D10InputLayout* dusk_CreateLayout(const D3D10_INPUT_ELEMENT_DESC* elements, UINT count,
                                     ID3D10EffectTechnique* technique);

// Binds layout, the vertex buffer at slot 0, 32-bit indices and a triangle list, then applies
// each pass of the technique and draws indexCount indices from startIndex.
void dusk_DrawIndexed(ID3D10EffectTechnique* technique, ID3D10InputLayout* layout, ID3D10Buffer* vertices,
                      UINT stride, ID3D10Buffer* indices, UINT indexCount, UINT startIndex = 0);

