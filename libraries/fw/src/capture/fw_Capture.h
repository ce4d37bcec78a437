// Capture mode: offline rendering to files. A virtual performance counter puts frame k of the
// show at exactly k / fps seconds (the tick's three warm-up calls run at 0 and are not written),
// so every picture depends on its frame number alone. The frames before the span are stepped
// through without drawing, for what they carry to the next frame. Each frame of the span is read
// back at render size and written as DIR/frame_NNNNNN.png under its number in the show, so
// captures of neighbouring spans join exactly; at the end the span's soundtrack is written as
// DIR/soundtrack.wav and, when ffmpeg is installed, both are muxed into DIR/capture.mp4 (neither
// with --frames-only). With --capture-video FILE the frames go instead, read back as raw pixels,
// through a pipe into an encoder that writes FILE (fw_CaptureEncoder.h), without sound. The
// paths are checked before the first frame. Every file is written under a hidden temporary name
// and renamed when whole; the first one that cannot be written (a frame the encoder did not take
// whole included) ends the process with fw_kCaptureWriteFailedExitCode and the system's reason.
// SIGINT, SIGTERM and SIGHUP end the encoder, leave no temporary file and end the process with
// 128 + the signal's number (fw_CaptureSignals.h).
#pragma once

#include "capture/fw_CaptureClock.h"
#include "capture/fw_CaptureOptions.h"

#include <cstdint>
#include <string>

// The exit code of a capture that could not write one of its files (a full disk, a folder gone).
inline constexpr int fw_kCaptureWriteFailedExitCode = 3;

// Installs the virtual counter and the stop signals' handlers and makes the directory; call
// before the clocks are created. Returns false (after an error line and an alert naming the path
// and the reason) when the directory cannot be made or written, or the video's name cannot be.
bool fw_CaptureInstall(const fw_CaptureSettings& settings, const std::string& musicFile);
bool fw_CaptureActive();

// Frame tick hooks. Before the clocks advance: drops the GPU work of frames before the span, and
// ends the capture when a signal asked it to stop.
void fw_CaptureBeginFrame();
// After the row is known: true when the frame is past the span's last, after finishing the
// capture and posting the quit message; the tick then draws nothing more.
bool fw_CaptureReachedEnd(float row);
// Right before present: writes "backbuffer" when the frame is in the span; finishes after its last.
// A frame that cannot be written ends the process (see above).
void fw_CaptureFrame();
// Writes the soundtrack and the video once; called at the end of the capture, also when the show
// ends by its own timeline. Harmless when repeated or when no capture runs. A soundtrack that
// cannot be written ends the process as a frame does.
void fw_CaptureFinish();

int64_t fw_CaptureFramesWritten();
