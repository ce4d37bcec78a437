// Capture mode: offline rendering to files. A virtual performance counter advances exactly one
// frame (1/fps s) per presented frame, so the music clock, the sync row and every picture depend
// on the frame number alone; each presented frame is read back at render size and written as
// DIR/frame_NNNNNN.png; at the end the soundtrack of the captured span is written as
// DIR/soundtrack.wav and, when ffmpeg is installed, both are muxed into DIR/capture.mp4.
#pragma once

#include "frame/fw_CaptureOptions.h"

#include <cstdint>
#include <string>

// Installs the virtual counter and makes the directory; call before the clocks are created.
// Returns false (after an error line and an alert) when the directory cannot be made.
bool fw_CaptureInstall(const fw_CaptureSettings& settings, const std::string& musicFile);
bool fw_CaptureActive();

// Frame tick hooks. Before the clocks advance: the first frame seeks to the start row.
void fw_CaptureBeginFrame();
// After the row is known: true when the row has passed the end row, after finishing the capture
// and posting the quit message; the tick then draws nothing more.
bool fw_CaptureReachedEnd(float row);
// Right before present: reads "backbuffer" back and writes it; finishes after the frame limit.
void fw_CaptureFrame();
// Writes the soundtrack and the video once; called at the end of the capture, also when the show
// ends by its own timeline. Harmless when repeated or when no capture runs.
void fw_CaptureFinish();

int64_t fw_CaptureFramesWritten();
// Performance counter ticks (10^9 per second) for a frame number at a rate: floor(n · 10^9 / fps),
// so n frames are n/fps seconds to the nanosecond, without drift.
int64_t fw_CaptureCounterTicks(int64_t frame, int32_t fps);
