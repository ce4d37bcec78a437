// How many motion-blur sub-frames a frame averages: the part of the picture's quality besides its
// render size. The show's own look is fw_kShowSubFrames, spread back over the frame's shutter
// span; fewer sub-frames over the same span keep the blur's length and lose only its smoothness.
#pragma once

#include <array>

inline constexpr int fw_kShowSubFrames = 8;
inline constexpr int fw_kMaxSubFrames = 8;

// What a frame is drawn at: the render scale and the sub-frame count.
struct fw_QualityPair {
  float scale = 1.0f;
  int subFrames = fw_kShowSubFrames;
};
// The pair now: the render size record's scale and fw_GetSubFrames().
fw_QualityPair fw_GetQuality();

// The count a frame draws now: fw_kShowSubFrames until --sub-frames or the automatic choice sets
// another.
int fw_GetSubFrames();
// Clamped to 1..fw_kMaxSubFrames.
void fw_SetSubFrames(int count);

// The times of `count` sub-frames (clamped as above) of the frame at t seconds, spread back over
// `span` seconds: t first, the last at t - span; one sub-frame is t itself. Entries past `count`
// are left at t.
std::array<double, fw_kMaxSubFrames> fw_SubFrameTimes(double t, double span, int count);
// What each sub-frame adds to the frame's average: 1 / count.
float fw_SubFrameWeight(int count);
