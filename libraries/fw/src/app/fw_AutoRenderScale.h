// The render scale the program picks itself on the software device: it times the first drawn
// frames, chooses a smaller render size when they are far slower than playback needs, remakes the
// render targets at that size while the show goes on, and says so in one log line.
#pragma once

// Before the main loop, once the device and the resources exist: arms the choice when the device
// is the software fallback, no --render-scale was given, no capture runs and a scale applies.
void fw_AutoRenderScaleStart();
// After every frame tick: times drawn frames and, when a round of them is complete, decides and
// applies. Does nothing once the choice is made, or when it was never armed.
void fw_AutoRenderScaleAfterFrame();
