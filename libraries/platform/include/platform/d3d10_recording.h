// The recording device: D3D10CreateDevice with D3D10_DRIVER_TYPE_NULL gives a device that needs
// no display and draws nothing. It keeps resources in CPU memory, takes effects and images like
// any device, and writes down what every draw had bound and every clear and copy touched.
// Tests read that record here; nothing else in the program needs this header.
#pragma once

#include <platform/d3d10.h>

#include <cstdint>
#include <string>
#include <vector>

namespace d3d10rec {

// A bound view and what it views, as it was when the event happened.
struct RecordedView {
  const void* view = nullptr;  // the ID3D10RenderTargetView / DepthStencilView / ShaderResourceView
  ID3D10Resource* resource = nullptr;
  UINT width = 0, height = 0, depth = 1;  // of the viewed mip level
  DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
};

enum class ValueKind { kFloat, kInt, kUInt, kBool, kResource };

// An effect variable's value when its pass was applied: what the pass would have uploaded.
struct RecordedVariable {
  std::string name;
  ValueKind kind = ValueKind::kFloat;
  bool pooled = false;          // lives in the effect pool
  std::vector<float> floats;    // every component of every element, converted for integer kinds
  std::vector<int32_t> ints;    // the exact words of integer and bool kinds
  std::vector<RecordedView> views;  // shader-resource variables: one per element, view null when unset
};

enum class EventKind {
  kDraw,               // Draw, DrawIndexed, DrawInstanced, DrawIndexedInstanced
  kClearRenderTarget,
  kClearDepthStencil,
  kCopyResource,
  kUpdateSubresource,
  kGenerateMips,
  kPresent,            // a swap chain of the device presented
};

struct Event {
  EventKind kind = EventKind::kDraw;

  // kDraw: the output merger, rasteriser and input assembler at the draw.
  std::vector<RecordedView> targets;  // one per bound slot, view null for an empty slot
  RecordedView depthTarget;
  std::vector<D3D10_VIEWPORT> viewports;
  D3D10_PRIMITIVE_TOPOLOGY topology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  const void* inputLayout = nullptr;
  bool indexed = false, instanced = false;
  UINT count = 0;            // vertices, or indices, per instance
  UINT instanceCount = 1;
  UINT start = 0;            // start vertex or start index
  INT baseVertex = 0;
  UINT startInstance = 0;
  // The effect pass applied last, with its effect's variables (its own and the pool's).
  std::string technique, pass;
  const void* effect = nullptr;  // the ID3D10Effect
  // The pass's fixed-function states, spelled as effect files spell them ("add", "off", ...).
  std::string blend, depth, cull, fill;
  std::vector<RecordedVariable> variables;

  // Clears: the view (in targets[0] or depthTarget), the colour or depth/stencil and the flags.
  float color[4] = {0, 0, 0, 0};
  UINT clearFlags = 0;
  float clearDepth = 0;
  UINT8 clearStencil = 0;

  // Copies, updates and mip generation: the resources.
  ID3D10Resource* destination = nullptr;
  ID3D10Resource* source = nullptr;

  // A variable of the draw's snapshot by name; null when the effect has none by that name.
  const RecordedVariable* Variable(const std::string& name) const;
  // The first float of a variable, for the many scalar checks; NaN when there is none.
  float Float(const std::string& name) const;
};

struct Record {
  std::vector<Event> events;
  // Name lookups on effects made on this device (GetVariableByName, GetTechniqueByName).
  uint64_t variableLookups = 0;
  uint64_t techniqueLookups = 0;
  // Device calls of any kind that change pipeline state, draw, clear or copy.
  uint64_t stateCalls = 0;

  std::vector<const Event*> Draws() const;
};

// True for a device made with D3D10_DRIVER_TYPE_NULL.
bool IsRecordingDevice(ID3D10Device* device);
// The record of a recording device; null for any other device.
const Record* RecordOf(ID3D10Device* device);
// Forgets every event and count so far (bindings and resources stay).
void ClearRecord(ID3D10Device* device);

}  // namespace d3d10rec
