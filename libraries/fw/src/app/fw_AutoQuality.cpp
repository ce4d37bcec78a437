// Automatic quality: timing the frames, applying the choice and the governor's moves, the log lines.
#include "app/fw_AutoQuality.h"

#include "app/fw_Framework.h"
#include "app/fw_StartupOptions.h"
#include "device/fw_DeviceState.h"
#include "device/fw_Quality.h"
#include "device/fw_QualityLadder.h"
#include "device/fw_RenderSize.h"
#include "diag/fw_Log.h"
#include "frame/fw_FrameContext.h"
#include "frame/fw_FrameTick.h"
#include "sync/fw_Sync.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// The first two drawn frames at a pair pay for shader compiles and first uses of its targets, so
// they are not timed; the median of the next five is. Rounds: the full size, then the first guess at
// the same count (two sizes tell the part that shrinks with the picture from the part that does
// not), then, when the count is the program's to choose, the guess at the fewest sub-frames (which
// tells what every frame pays once from what each sub-frame pays).
constexpr uint32_t kUntimedFrames = 2;
constexpr size_t kTimedFrames = 5;
constexpr int kFewerSubFrames = 2;

struct Measured {
  fw_QualityMeasure measure;
  int32_t width, height;
};

struct State {
  bool armed = false;     // measuring
  bool holding = false;   // the governor has the pair
  std::vector<int> counts;
  uint32_t counterAtRoundStart = 0;  // the render counter when the round began
  uint32_t lastCounter = 0;
  Clock::time_point lastDrawnEnd;
  bool haveLastDrawn = false;
  std::vector<double> times;
  std::vector<Measured> measured;
  std::optional<fw_QualityGovernor> governor;
};
State gState;

void StartRound() {
  // The first three render calls of a run draw nothing; they are not frames of the show.
  gState.counterAtRoundStart = std::max<uint32_t>(fw_GetRenderSkipCounter(), 3);
  gState.lastCounter = fw_GetRenderSkipCounter();
  gState.times.clear();
}

// The targets and the cameras' projections follow a new size (fw_ApplyRenderSize's follower).
void Apply(const fw_QualityPair& pair) {
  if (fw_GetRenderSizeRecord().scale != pair.scale) {
    fw_RenderSizeInput input = fw_FrameworkDeviceSettings().size;
    input.renderScale = pair.scale;
    fw_ApplyRenderSize(input);
  }
  fw_SetSubFrames(pair.subFrames);
}

std::string Describe(const Measured& m) {
  char text[128];
  std::snprintf(text, sizeof(text), "%.2f s at %d x %d with %d", m.measure.seconds, m.width, m.height,
                m.measure.pair.subFrames);
  return text;
}

void LogChoice(const fw_QualityChoice& choice, const fw_QualityCost& cost) {
  char text[512];
  std::snprintf(text, sizeof(text),
                "Render scale %.2f (%d x %d, scaled out to the window) and %d motion-blur sub-frames chosen for the "
                "software device: a frame took ",
                static_cast<double>(choice.pair.scale), fw_GetRenderWidth(), fw_GetRenderHeight(),
                choice.pair.subFrames);
  std::string line = text;
  for (size_t i = 0; i < gState.measured.size(); ++i)
    line += (i == 0 ? "" : i + 1 == gState.measured.size() ? " and " : ", ") + Describe(gState.measured[i]);
  std::snprintf(text, sizeof(text), " sub-frames; %.2f s predicted.", cost.predict(choice.pair));
  line += text;
  const int fewest = gState.counts.back();
  switch (choice.reason) {
    case fw_QualityChoice::Reason::FitsAim:
      if (choice.pair.subFrames < gState.counts.front()) {
        std::snprintf(text, sizeof(text),
                      " More sub-frames reach ten frames a second only below a scale of %.2f.",
                      static_cast<double>(fw_kQualityLeastScale));
        line += text;
      }
      break;
    case fw_QualityChoice::Reason::ShortOfLeastScale:
      std::snprintf(text, sizeof(text), " Even %d sub-frames reach ten frames a second only below a scale of %.2f.",
                    fewest, static_cast<double>(fw_kQualityLeastScale));
      line += text;
      break;
    case fw_QualityChoice::Reason::PixelsGetAQuarter:
      // Said plainly, so a slow picture is not taken for a fault.
      std::snprintf(text, sizeof(text),
                    " At %d sub-frames the part of a frame that does not shrink with the picture takes %.2f s, so no "
                    "scale reaches the %.2f s aimed at and the pixels get about a quarter of the frame.",
                    fewest, cost.sizeless(fewest), fw_kAutoScaleTargetSeconds);
      line += text;
      break;
  }
  line += " --render-scale F and --sub-frames N set them instead.";
  fw_Log(fw_LogPlain, "%s", line.c_str());
}

void Decide() {
  std::optional<fw_QualityCost> cost;
  const std::vector<Measured>& m = gState.measured;
  if (m.size() >= 3)
    cost = fw_FitQualityCost(m[0].measure, m[1].measure, m[2].measure);
  else if (m.size() >= 2)
    cost = fw_FitQualityCost(m[0].measure, m[1].measure);
  gState.armed = false;
  if (!cost) {
    // Fewer pixels gained nothing measurable: the first pair is as good as any.
    Apply(m.front().measure.pair);
    fw_Log(fw_LogPlain,
           "Render scale %.2f and %d motion-blur sub-frames kept for the software device: a frame took %s "
           "sub-frames, and smaller pictures were not measurably faster; --render-scale F and --sub-frames N set "
           "them.",
           static_cast<double>(m.front().measure.pair.scale), m.front().measure.pair.subFrames,
           Describe(m.front()).c_str());
    return;
  }
  // Chosen a little inside the aim, so the noise of a frame just at it does not make the
  // governor's first move.
  const fw_QualityChoice choice = fw_ChooseQuality(*cost, gState.counts, fw_kAutoScaleTargetSeconds / fw_kQualityStepDownAbove);
  Apply(choice.pair);
  LogChoice(choice, *cost);
  gState.governor.emplace(*cost, gState.counts, choice.pair);
  gState.holding = true;
}

// The next pair to measure, or nullopt when the measuring is over.
std::optional<fw_QualityPair> NextRound() {
  const std::vector<Measured>& m = gState.measured;
  const fw_QualityPair first = m.front().measure.pair;
  if (m.size() == 1) {
    // The first guess from the full size alone; a frame near the aim is still measured at half
    // the size, for the governor's figures.
    std::vector<double> times = {m.front().measure.seconds};
    const float guess = fw_ChooseRenderScale(times, first.scale).value_or(fw_TidyRenderScale(first.scale * 0.5));
    return fw_QualityPair{guess, first.subFrames};
  }
  if (m.size() == 2 && gState.counts.size() > 1) return fw_QualityPair{m[1].measure.pair.scale, kFewerSubFrames};
  return std::nullopt;
}

void LogMove(const fw_QualityPair& from, const fw_QualityPair& to, double median, bool down) {
  fw_Log(fw_LogPlain,
         "Render scale %.2f (%d x %d) and %d motion-blur sub-frames from row %.0f: frames took %.3f s (the median "
         "of the last two seconds) at %.2f and %d, %s the %.2f s aimed at.",
         static_cast<double>(to.scale), fw_GetRenderWidth(), fw_GetRenderHeight(), to.subFrames,
         static_cast<double>(fw_GetSyncRow()), median, static_cast<double>(from.scale), from.subFrames,
         down ? "over" : "well under", fw_kAutoScaleTargetSeconds);
}
}  // namespace

void fw_AutoQualityStart() {
  gState = State{};
  fw_AutoScaleConditions conditions;
  conditions.softwareDevice = fw_GetDevice() && fw_GetDriverType() != D3D10_DRIVER_TYPE_HARDWARE;
  conditions.scaleGiven = fw_GetStartupOptions().renderScale.has_value();
  conditions.capture = fw_GetStartupOptions().offline;
  conditions.scaleActs = !fw_Framework::mFullscreen || fw_FinalMarkerExists();
  if (!fw_AutoRenderScaleAllowed(conditions)) return;
  if (const std::optional<int> given = fw_GetStartupOptions().subFrames)
    gState.counts = {*given};
  else
    gState.counts = fw_QualitySubFrameCounts();
  fw_SetSubFrames(gState.counts.front());
  gState.armed = true;
  StartRound();
}

void fw_AutoQualityAfterFrame() {
  if (!gState.armed && !gState.holding) return;
  const uint32_t counter = fw_GetRenderSkipCounter();
  if (counter == gState.lastCounter) return;  // the tick drew nothing
  gState.lastCounter = counter;
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - gState.lastDrawnEnd).count();
  const bool timed = gState.haveLastDrawn;
  gState.lastDrawnEnd = now;
  gState.haveLastDrawn = true;

  if (gState.holding) {
    if (!timed) return;
    const fw_QualityPair from = gState.governor->current();
    const double clock = std::chrono::duration<double>(now.time_since_epoch()).count();
    if (const std::optional<fw_QualityPair> to = gState.governor->frame(clock, seconds)) {
      Apply(*to);
      LogMove(from, *to, gState.governor->lastMedian(), gState.governor->lastMoveDown());
    }
    return;
  }

  if (counter <= gState.counterAtRoundStart) return;
  if (counter - gState.counterAtRoundStart > kUntimedFrames) gState.times.push_back(seconds);
  if (gState.times.size() < kTimedFrames) return;

  const std::optional<double> median = fw_MedianFrameSeconds(gState.times);
  const fw_QualityPair pair = fw_GetQuality();
  if (!median) {
    StartRound();  // times that say nothing: measure the pair again
    return;
  }
  gState.measured.push_back({{pair, *median}, fw_GetRenderWidth(), fw_GetRenderHeight()});
  if (const std::optional<fw_QualityPair> next = NextRound()) {
    Apply(*next);
    StartRound();
  } else {
    Decide();
  }
}
