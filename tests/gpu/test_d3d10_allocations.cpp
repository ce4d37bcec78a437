// The draw path's costs: once warm, binding targets, applying passes, setting variables and
// drawing allocate nothing, and binding the same targets again binds no framebuffer. Counts the
// program's own allocations by replacing the global operator new in this test program.
#include "test_d3d10_support.h"

#include "../../libraries/platform/d3d10/d3d10_sdl2_p.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
}

// The replacements pair malloc with free; the compiler cannot see that through the inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size) {
  ++gAllocations;
  if (void* p = malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// The nothrow forms too (the GL driver uses them): every form must come from the same pair, or
// memory from one allocator reaches the other's free.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++gAllocations;
  return malloc(size ? size : 1);
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }

using namespace gfxtest;

namespace {

TEST(D3D10DrawPath, WarmDrawsAndAppliesAllocateNothingAndRebindNothing) {
  ID3D10Device* device = MakeDevice();
  ASSERT_NE(nullptr, device);
  {
  ID3D10Effect* effect = EffectFromText(device, R"(
-- common
uniform vec4 gColor = vec4(1.0);
uniform mat4 World = mat4(1.0);
uniform sampler2D gTexture;
-- vertex VS
layout(location = 0) in vec3 POSITION;
void main() { gl_Position = World * vec4(POSITION, 1.0); }
-- fragment PS
layout(location = 0) out vec4 oColor;
void main() { oColor = gColor * texture(gTexture, vec2(0.5)); }
-- technique A
pass p0 vertex=VS fragment=PS blend=add depth=off cull=none
-- technique B
pass p0 vertex=VS fragment=PS blend=none depth=write cull=back
)");
  ASSERT_NE(nullptr, effect);
  Target first(device, 8, 8), second(device, 8, 8, DXGI_FORMAT_R16G16B16A16_FLOAT);
  ID3D10ShaderResourceView* view = nullptr;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(second.texture, nullptr, &view));
  ID3D10EffectTechnique* a = effect->GetTechniqueByName("A");
  Geometry quad(device, a, {-1, 1, 0, 1, 1, 0, 1, -1, 0});

  auto frame = [&](int i) {
    // Names looked up every time, as the framework's passes do.
    const float color[4] = {float(i & 1), 0.5f, 0.25f, 1.0f};
    float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    world[12] = float(i % 3) * 0.1f;
    effect->GetVariableByName("gColor")->AsVector()->SetFloatVector(color);
    effect->GetVariableByName("World")->AsMatrix()->SetMatrix(world);
    effect->GetVariableByName("gTexture")->AsShaderResource()->SetResource(i & 1 ? view : nullptr);
    for (Target* target : {&first, &second}) {
      device->OMSetRenderTargets(1, &target->view, nullptr);
      D3D10_VIEWPORT vp = target->Viewport();
      device->RSSetViewports(1, &vp);
      if (target == &first) device->ClearRenderTargetView(target->view, color);
      ID3D10EffectTechnique* t = effect->GetTechniqueByName(target == &first ? "A" : "B");
      quad.Bind(device);
      D3D10_TECHNIQUE_DESC desc;
      t->GetDesc(&desc);
      for (UINT p = 0; p < desc.Passes; ++p) {
        t->GetPassByIndex(p)->Apply(0);
        device->Draw(3, 0);
      }
    }
  };
  for (int i = 0; i < 4; ++i) frame(i);  // warm: framebuffers, vertex arrays and samplers made
  unsigned long long bindsBefore = 0, bindsAfter = 0, draws = 0;
  d3d10gl::DeviceCounters(device, &draws, &bindsBefore);
  long allocationsBefore = gAllocations.load();
  for (int i = 0; i < 50; ++i) frame(i);
  EXPECT_EQ(allocationsBefore, gAllocations.load());
  delete new std::string(64, 'x');  // the counter does count
  EXPECT_LT(allocationsBefore, gAllocations.load());
  d3d10gl::DeviceCounters(device, nullptr, &bindsAfter);
  EXPECT_EQ(bindsBefore + 100, bindsAfter);  // two target sets a frame: one bind each, no more

  // Setting the same targets again binds nothing.
  device->OMSetRenderTargets(1, &first.view, nullptr);
  effect->GetTechniqueByName("A")->GetPassByIndex(0)->Apply(0);
  device->Draw(3, 0);
  d3d10gl::DeviceCounters(device, nullptr, &bindsBefore);
  for (int i = 0; i < 10; ++i) {
    device->OMSetRenderTargets(1, &first.view, nullptr);
    device->Draw(3, 0);
  }
  d3d10gl::DeviceCounters(device, nullptr, &bindsAfter);
  EXPECT_EQ(bindsBefore, bindsAfter);

  effect->Release();
  view->Release();
  device->ClearState();
  }
  EXPECT_EQ(0u, device->Release());
}

}  // namespace
