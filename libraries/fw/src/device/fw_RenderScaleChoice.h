// The automatic render scale for a device too slow for the full render size: whether a run may
// choose one, and which one its measured frame times call for. Pure functions of their inputs, so
// every case is checked without a device; device/fw_QualityLadder.h takes it on to
// the sub-frames; app/fw_AutoQuality.h measures and applies.
#pragma once

#include <optional>
#include <vector>

// What decides whether the program may pick the render scale itself.
struct fw_AutoScaleConditions {
  bool softwareDevice = false;  // the device fell back from hardware to the software rasteriser
  bool scaleGiven = false;      // --render-scale was on the command line: the user's scale stands
  bool capture = false;         // capture output is exactly the size that was asked for
  bool scaleActs = true;        // false in full screen at the desktop's size, where no scale applies
};

// Playback aims at ten frames a second; frames within this factor of it are left alone, so a
// machine near the aim keeps its picture and noise in the timings moves nothing.
constexpr double fw_kAutoScaleTargetSeconds = 0.1;
constexpr double fw_kAutoScaleTolerance = 1.5;
// The smallest scale still shows the show; steps of 1/20 give 1280 × 720 sizes with even sides
// (64 × 36 pixels a step) and the exact aspect of the window.
constexpr float fw_kAutoScaleMin = 0.1f;
constexpr float fw_kAutoScaleMax = 1.0f;
constexpr float fw_kAutoScaleStep = 0.05f;

// A scale rounded down to a step and clamped to the range, as every chosen scale is.
float fw_TidyRenderScale(double scale);

// True only for the software device with no scale given, no capture, and a scale that acts.
bool fw_AutoRenderScaleAllowed(const fw_AutoScaleConditions& conditions);

// The median of the valid times (finite and above zero), or nullopt when there is none.
std::optional<double> fw_MedianFrameSeconds(const std::vector<double>& frameSeconds);

// The median frame time measured at a render scale.
struct fw_FrameCost {
  float scale = 1.0f;
  double seconds = 0.0;
};

// The first choice: the scale that brings frames measured at `currentScale` to the aim, taking a
// frame's cost to go with its pixel count; clamped to the range and rounded down to a step.
// Nullopt keeps the current scale: the times say nothing, the frames are near enough the aim, or
// the rounded scale is the current one.
std::optional<float> fw_ChooseRenderScale(const std::vector<double>& frameSeconds, float currentScale);

// A frame's cost read off two measurements at different scales: seconds = fixed + perArea · scale².
// Nullopt when the two do not tell the parts apart: the same scale, invalid times, or no gain from
// fewer pixels (noise). The fixed part is never below zero.
struct fw_FrameCostFit {
  double fixed = 0.0;
  double perArea = 0.0;
  double predict(double scale) const { return fixed + perArea * scale * scale; }
  // True when the part that does not shrink with the picture alone misses the aim.
  bool fixedMissesAim() const { return fixed >= fw_kAutoScaleTargetSeconds; }
};
std::optional<fw_FrameCostFit> fw_FitFrameCost(const fw_FrameCost& earlier, const fw_FrameCost& latest);
