// Automatic render scale: timing the frames, applying the choice, the log line.
#include "app/fw_AutoRenderScale.h"

#include "app/fw_Framework.h"
#include "app/fw_StartupOptions.h"
#include "device/fw_DeviceState.h"
#include "device/fw_RenderScaleChoice.h"
#include "device/fw_RenderSize.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameContext.h"
#include "frame/fw_FrameTick.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// The first drawn frame at a size pays for shader compiles and first uses of its targets, so it
// is not timed; the median of the next three is. A second round at the first choice corrects it:
// part of a frame's cost does not shrink with its pixels (draw calls, the scale-out to the window),
// so a choice from the full size alone stays short of the aim; two sizes tell the parts apart.
constexpr uint32_t kUntimedFrames = 1;
constexpr size_t kTimedFrames = 3;
constexpr int kRounds = 2;

struct Measured {
  float scale;
  int32_t width, height;
  double seconds;
};

struct State {
  bool armed = false;
  int round = 0;
  bool applied = false;
  uint32_t counterAtRoundStart = 0;  // the render counter when the round began
  uint32_t lastCounter = 0;
  Clock::time_point lastDrawnEnd;
  std::vector<double> times;
  std::vector<Measured> measured;
};
State gState;

void StartRound() {
  ++gState.round;
  // The first three render calls of a run draw nothing; they are not frames of the show.
  gState.counterAtRoundStart = std::max<uint32_t>(fw_GetRenderSkipCounter(), 3);
  gState.lastCounter = fw_GetRenderSkipCounter();
  gState.times.clear();
}

// The targets and the cameras' projections follow the new size (fw_ApplyRenderSize's follower).
void Apply(float scale) {
  fw_RenderSizeInput input = fw_FrameworkDeviceSettings().size;
  input.renderScale = scale;
  fw_ApplyRenderSize(input);
  gState.applied = true;
}

void Finish() {
  gState.armed = false;
  const std::vector<Measured>& m = gState.measured;
  if (m.empty()) return;
  std::string line;
  char part[256];
  const float scale = fw_Framework::mRenderScale;
  if (!gState.applied) {
    std::snprintf(part, sizeof(part),
                  "Render scale %.2f kept for the software device: a frame takes %.2f s at %d x %d; "
                  "--render-scale F sets another.",
                  static_cast<double>(scale), m.front().seconds, m.front().width, m.front().height);
    fw_Log(fw_LogPlain, "%s", part);
    return;
  }
  std::snprintf(part, sizeof(part), "Render scale %.2f (%d x %d, scaled out to the window) chosen for the software device: ",
                static_cast<double>(scale), fw_GetRenderWidth(), fw_GetRenderHeight());
  line = part;
  for (size_t i = 0; i < m.size(); ++i) {
    std::snprintf(part, sizeof(part), "%s%.2f s at %d x %d", i == 0 ? "a frame took " : " and ", m[i].seconds,
                  m[i].width, m[i].height);
    line += part;
  }
  line += "; --render-scale F sets the scale instead.";
  // Said plainly when no scale can reach the aim, so a slow picture is not taken for a fault.
  if (m.size() >= 2) {
    const std::optional<fw_FrameCostFit> fit = fw_FitFrameCost({m[0].scale, m[0].seconds}, {m[1].scale, m[1].seconds});
    if (fit && fit->fixedMissesAim()) {
      std::snprintf(part, sizeof(part),
                    " The part of a frame that does not shrink with the picture takes %.2f s, more than the %.2f s "
                    "aimed at, so the scale leaves about a quarter of the frame to its pixels.",
                    fit->fixed, fw_kAutoScaleTargetSeconds);
      line += part;
    }
  }
  fw_Log(fw_LogPlain, "%s", line.c_str());
}
}  // namespace

void fw_AutoRenderScaleStart() {
  gState = State{};
  fw_AutoScaleConditions conditions;
  conditions.softwareDevice = fw_GetDevice() && fw_GetDriverType() != D3D10_DRIVER_TYPE_HARDWARE;
  conditions.scaleGiven = fw_GetStartupOptions().renderScale.has_value();
  conditions.capture = fw_GetStartupOptions().offline;
  conditions.scaleActs = !fw_Framework::mFullscreen || fw_FinalMarkerExists();
  if (!fw_AutoRenderScaleAllowed(conditions)) return;
  gState.armed = true;
  StartRound();
}

void fw_AutoRenderScaleAfterFrame() {
  if (!gState.armed) return;
  const uint32_t counter = fw_GetRenderSkipCounter();
  if (counter == gState.lastCounter) return;  // the tick drew nothing
  gState.lastCounter = counter;
  const Clock::time_point now = Clock::now();
  if (counter <= gState.counterAtRoundStart) return;
  const uint32_t drawn = counter - gState.counterAtRoundStart;
  if (drawn > kUntimedFrames) gState.times.push_back(std::chrono::duration<double>(now - gState.lastDrawnEnd).count());
  gState.lastDrawnEnd = now;
  if (gState.times.size() < kTimedFrames) return;

  const float scale = fw_Framework::mRenderScale;
  const std::optional<double> median = fw_MedianFrameSeconds(gState.times);
  if (median) gState.measured.push_back({scale, fw_GetRenderWidth(), fw_GetRenderHeight(), *median});
  std::optional<float> chosen;
  if (gState.round == 1 || !median || gState.measured.size() < 2)
    chosen = fw_ChooseRenderScale(gState.times, scale);
  else
    chosen = fw_RefineRenderScale({gState.measured[0].scale, gState.measured[0].seconds}, {scale, *median});
  if (chosen) Apply(*chosen);
  if (chosen && gState.round < kRounds)
    StartRound();
  else
    Finish();
}
