// Sync track costs: sampling a 200-key track at random rows (time and heap allocations per
// sample), and one frame's worth of lookups: 80 getTrack calls by name over 120 tracks, each
// sampled at the current row.
#include "sync/PlayerDevice.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace {
std::atomic<long> gAllocations{0};
}

// Counting replacements of the global allocation functions; GCC cannot see that new and delete
// below are a matched pair over malloc and free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

sync::Track makeTrack(int keys, std::mt19937& rng) {
  sync::Track track("bench");
  std::uniform_real_distribution<float> value(-100.0f, 100.0f);
  for (int i = 0; i < keys; ++i) track.setKey(static_cast<uint32_t>(i * 16 + rng() % 8), {value(rng), static_cast<int32_t>(i % 5)});
  return track;
}

void BM_SampleTrack200Keys(benchmark::State& state) {
  std::mt19937 rng(1);
  const sync::Track track = makeTrack(200, rng);
  std::uniform_real_distribution<float> row(-10.0f, 3300.0f);
  std::vector<float> rows(4096);
  for (float& r : rows) r = row(rng);
  size_t i = 0;
  const long before = gAllocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(track.getValue(rows[i++ & 4095]));
  }
  state.counters["allocations_per_sample"] =
      benchmark::Counter(static_cast<double>(gAllocations.load() - before) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SampleTrack200Keys);

struct NullTimer : sync::Timer {
  void pause() override {}
  void play() override {}
  float getRow() override { return 0.0f; }
  void setRow(float) override {}
  bool isPlaying() override { return true; }
};

void BM_FrameOfLookups(benchmark::State& state) {
  // 120 tracks with realistic names, files of 40 keys each for half of them.
  const auto dir = std::filesystem::temp_directory_path() / ("dusk_bench_sync_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string base = (dir / "sync").string();
  std::vector<std::string> names;
  const char* stems[] = {"cam_LookAt", "Post_Bloom", "Scroller_Speed", "Quads_Alpha", "Mesh_Rotate", "Leaves_Wind"};
  for (int i = 0; i < 120; ++i) names.push_back(std::string(stems[i % 6]) + std::to_string(i));
  std::mt19937 rng(7);
  for (size_t i = 0; i < names.size(); i += 2) {
    FILE* f = std::fopen(sync::trackFileName(base, names[i]).c_str(), "wb");
    const uint32_t count = 40;
    std::fwrite(&count, 4, 1, f);
    for (uint32_t k = 0; k < count; ++k) {
      const uint32_t row = k * 32;
      const float value = static_cast<float>(rng() % 1000) * 0.1f;
      const unsigned char kind = static_cast<unsigned char>(k % 5);
      std::fwrite(&row, 4, 1, f);
      std::fwrite(&value, 4, 1, f);
      std::fwrite(&kind, 1, 1, f);
    }
    std::fclose(f);
  }
  NullTimer timer;
  PlayerDevice device(base, timer);
  for (const std::string& name : names) device.getTrack(name);  // all loaded, as after the first frames

  // The frame asks for 80 names spread over the whole list, as string literals would be.
  std::vector<const char*> asked;
  for (int i = 0; i < 80; ++i) asked.push_back(names[(i * 37) % names.size()].c_str());
  float row = 0.0f;
  const long before = gAllocations.load();
  for (auto _ : state) {
    float sum = 0.0f;
    for (const char* name : asked) {
      const sync::Track& track = device.getTrack(name);
      sum += track.isEmpty() ? 1.0f : track.getValue(row);
    }
    benchmark::DoNotOptimize(sum);
    row += 0.29f;
    if (row > 1300.0f) row = 0.0f;
  }
  state.counters["allocations_per_frame"] =
      benchmark::Counter(static_cast<double>(gAllocations.load() - before) / static_cast<double>(state.iterations()));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FrameOfLookups)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
