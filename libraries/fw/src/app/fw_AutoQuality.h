// The quality the program picks itself on the software device: it times the first drawn frames at
// a few pairs of render scale and motion-blur sub-frames, chooses the pair that shows the most at
// ten frames a second, applies it while the show goes on, and holds it there as the show gets
// heavier or lighter. Every choice and change is one log line.
#pragma once

// Before the main loop, once the device and the resources exist: arms the choice when the device
// is the software fallback, no --render-scale was given, no capture runs and a scale applies.
// --sub-frames N leaves the choice the scale alone, at N sub-frames.
void fw_AutoQualityStart();
// After every frame tick: times drawn frames, decides and applies when a round of them is
// complete, and afterwards hands each frame's time to the governor.
void fw_AutoQualityAfterFrame();
