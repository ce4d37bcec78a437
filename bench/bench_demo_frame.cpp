// Frame cost of the Demo scene on the framework's device (a software rasteriser under Xvfb
// here): the median time of whole frames at 1280 x 720 and at half that render size, and the
// median time of each stretch of the frame (terrain, hero, models, mosaic, adds, leaves, bloom,
// composite, summed over the eight sub-frames). The tracks switch every part on: three model
// instances, four mosaic layers, 1,000 leaves and a motion-blur spread; a third run at full size
// switches the bloom off, so the frame's cost with and without it can be set side by side.
//
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_demo_frame
#include "demo_Demo.h"
#include "device/fw_DeviceState.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Paths.h"
#include "frame/fw_LoadResources.h"
#include "res/fw_Resources.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "sync/fw_Sync.h"

#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = boost::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kPhaseNames[demo_kPhaseCount] = {"terrain", "hero", "models", "mosaic",
                                                   "adds",    "leaves", "bloom", "composite"};

void WriteTrack(const fs::path& dir, const std::string& name, float value) {
  std::ofstream out((dir / ("sync_" + name + ".track")).string(), std::ios::binary);
  const uint32_t count = 1, row = 0;
  const uint8_t step = 0;
  out.write(reinterpret_cast<const char*>(&count), 4);
  out.write(reinterpret_cast<const char*>(&row), 4);
  out.write(reinterpret_cast<const char*>(&value), 4);
  out.write(reinterpret_cast<const char*>(&step), 1);
}

// Waits until the device has finished everything drawn into `target` so far, by reading it back.
class DeviceWait {
 public:
  ~DeviceWait() {
    for (auto& entry : mStaging) entry.second->Release();
  }
  void operator()(fw_Texture* target) {
    if (!target || !target->mTexture2D) return;
    ID3D10Texture2D*& staging = mStaging[target];
    if (!staging) {
      D3D10_TEXTURE2D_DESC desc;
      target->mTexture2D->GetDesc(&desc);
      desc.MipLevels = 1;
      desc.ArraySize = 1;
      desc.Usage = D3D10_USAGE_STAGING;
      desc.BindFlags = 0;
      desc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
      desc.MiscFlags = 0;
      fw_GetDevice()->CreateTexture2D(&desc, nullptr, &staging);
      if (!staging) return;
    }
    fw_GetDevice()->CopyResource(staging, target->mTexture2D);
    D3D10_MAPPED_TEXTURE2D mapped{};
    if (SUCCEEDED(staging->Map(0, D3D10_MAP_READ, 0, &mapped))) staging->Unmap(0);
  }

 private:
  std::map<fw_Texture*, ID3D10Texture2D*> mStaging;
};

// The target each stretch of drawing ends in.
fw_Texture* TargetOf(demo_Phase phase) {
  switch (phase) {
    case demo_Phase::Terrain:
    case demo_Phase::Hero: return fw_FindTexture("r8g8b8a8_2");
    case demo_Phase::Models: return fw_FindTexture("r8g8b8a8_1");
    case demo_Phase::Mosaic: return fw_FindTexture("r8g8b8a8_3");
    case demo_Phase::Composite: return fw_FindTexture("backbuffer");
    default: return fw_FindTexture("r16g16b16a16f_1");
  }
}

std::string SourceDir() { return DUSK_SOURCE_DIR; }

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BM_DemoFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const bool bloom = state.range(2) != 0;
  const fs::path dir = fs::temp_directory_path() / fs::unique_path("bench-demo-%%%%%%");
  fs::create_directories(dir);
  ID3D10Device* device = nullptr;
  D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_WARP, nullptr, 0, D3D10_SDK_VERSION, &device);
  if (!device) {
    state.SkipWithError("no software GL 4.5 device (run under xvfb-run)");
    return;
  }
  fw_SetDevice(device);
  fw_SetRoots(SourceDir() + "/libraries/fw", SourceDir() + "/projects/dusk");
  fw_SetRenderSize(width, height);
  fw_SetOutputSize(width, height);
  fw_gPostEffects = new fw_PostEffects();
  const std::pair<const char*, float> tracks[] = {
      {"3_i", -2},          {"2_i", 5},         {"4_i", 12},         {"2_NumQuads", 40},  {"4_NumQuads", 30},
      {"1_Spread", 20},     {"4_Glitch", 30},   {"timeDelay", 120},  {"leafsNum", 4},     {"leafsScale", 40},
      {"heroX", -100},      {"heroY", 40},      {"bgScroll", 57.5f}, {"meshWireShow", 60}, {"Post_Bloom", bloom ? 100.0f : 0.0f}};
  for (const auto& t : tracks) WriteTrack(dir, t.first, t.second);
  fw_StartSync((dir / "sync").string().c_str());
  fw_LoadResources();
  auto owned = std::make_unique<Demo>("demo.xml");
  Demo& demo = *owned;
  demo.createResources();
  D3DXMATRIX view, projection, viewProjection;
  D3DXVECTOR3 eye(0, 0, 650), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtRH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovRH(&projection, 0.7853982f, 16.0f / 9.0f, 1.0f, 2000.0f);
  D3DXMatrixMultiply(&viewProjection, &view, &projection);
  fw_GetGlobals().ViewProjection->SetMatrix(viewProjection);

  DeviceWait wait;
  fw_Texture* backbuffer = fw_FindTexture("backbuffer");
  demo.render();  // warm-up: programs linked, textures resident
  wait(backbuffer);

  std::vector<double> frames;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    demo.render();
    wait(backbuffer);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    frames.push_back(ms);
    state.SetIterationTime(ms * 0.001);
  }

  // The split: wait at the end of each stretch; a second wait right after measures the wait
  // itself, which is left out of the next stretch.
  std::vector<std::vector<double>> phases(demo_kPhaseCount);
  for (int frame = 0; frame < static_cast<int>(frames.size()); ++frame) {
    double sums[demo_kPhaseCount] = {};
    Clock::time_point last = Clock::now();
    demo.mPhaseHook = [&](demo_Phase phase) {
      wait(TargetOf(phase));
      const Clock::time_point done = Clock::now();
      sums[static_cast<int>(phase)] += std::chrono::duration<double, std::milli>(done - last).count();
      wait(TargetOf(phase));
      last = Clock::now();
    };
    demo.render();
    demo.mPhaseHook = nullptr;
    for (int p = 0; p < demo_kPhaseCount; ++p) phases[p].push_back(sums[p]);
  }

  state.counters["median_ms"] = Median(frames);
  std::printf("\n%dx%d%s: median frame %.1f ms over %zu frames; per phase (median ms):", width, height,
              bloom ? "" : " without bloom", Median(frames), frames.size());
  for (int p = 0; p < demo_kPhaseCount; ++p) {
    state.counters[std::string(kPhaseNames[p]) + "_ms"] = Median(phases[p]);
    std::printf(" %s %.1f", kPhaseNames[p], Median(phases[p]));
  }
  std::printf("\n");

  owned.reset();
  fw_ReleaseFrameworkResources();
  delete fw_gPostEffects;
  fw_gPostEffects = nullptr;
  fw_StopSync();
  fw_SetDevice(nullptr);
  device->Release();
  fs::remove_all(dir);
}

}  // namespace

// Full render size, render scale 0.5, and full size without the bloom.
BENCHMARK(BM_DemoFrame)->Args({1280, 720, 1})->Args({640, 360, 1})->Args({1280, 720, 0})->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
