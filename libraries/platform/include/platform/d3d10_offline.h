// Offline rendering aids of the Direct3D 10 stand-in. A capture that starts in the middle of the
// show steps through the frames before it so that everything carried from frame to frame (the
// shared generator, camera shake, the tick's counters) is exactly as in a capture from the start;
// those frames are never seen, so their GPU work can be dropped.
#pragma once

namespace platform {

// While true, draws, clears, resource copies, mip generation and presents do nothing on every
// device; resource creation, uploads, state and effect variables still work, so the program's
// own state moves on as it would.
void SetGpuWorkDiscarded(bool discarded);
bool GpuWorkDiscarded();

}  // namespace platform
