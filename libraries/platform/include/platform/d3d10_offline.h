// Offline rendering aids of the Direct3D 10 stand-in. A capture that starts in the middle of the
// show steps through the frames before it so that everything carried from frame to frame (the
// shared generator, camera shake, the tick's counters) is exactly as in a capture from the start;
// those frames are never seen, so their GPU work can be dropped.
#pragma once

namespace platform {

// While true, drawing does nothing on every device: draws, clears, presents, and mip generation of
// render targets. Everything else still works, so the program's own state moves on as it would:
// resource creation, uploads, state, effect variables, and the data movement the program relies
// on (resource copies, mip generation of loaded pictures, Map), so reading a texture back gives
// the same answer with the switch on as off.
void SetGpuWorkDiscarded(bool discarded);
bool GpuWorkDiscarded();

}  // namespace platform
