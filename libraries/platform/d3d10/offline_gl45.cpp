// The switch that drops the GPU work of frames nobody sees.
#include <platform/d3d10_offline.h>

#include <atomic>

namespace {
std::atomic<bool> gGpuWorkDiscarded{false};
}  // namespace

namespace platform {
void SetGpuWorkDiscarded(bool discarded) { gGpuWorkDiscarded = discarded; }
bool GpuWorkDiscarded() { return gGpuWorkDiscarded; }
}  // namespace platform
