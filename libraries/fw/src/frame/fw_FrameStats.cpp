// Frame times by section.
#include "frame/fw_FrameStats.h"

#include "diag/fw_Log.h"
#include "sync/fw_ShowSections.h"
#include "sync/fw_Sync.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {
bool SamePair(const fw_QualityPair& a, const fw_QualityPair& b) {
  return a.subFrames == b.subFrames && std::fabs(a.scale - b.scale) < 1e-4f;
}

// The nearest-rank percentile of sorted times.
double Percentile(const std::vector<double>& sorted, double fraction) {
  const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

double Median(const std::vector<double>& sorted) {
  const size_t middle = sorted.size() / 2;
  return sorted.size() % 2 ? sorted[middle] : 0.5 * (sorted[middle - 1] + sorted[middle]);
}
}  // namespace

fw_FrameTable::fw_FrameTable(std::vector<sync::Section> sections) {
  for (sync::Section& section : sections)
    mParts.push_back({std::move(section.name), section.firstRow, section.lastRow, {}, {}});
  mParts.push_back({"the show", -1, -1, {}, {}});
}

void fw_FrameTable::add(float row, double seconds, const fw_QualityPair& quality) {
  if (!std::isfinite(seconds) || seconds <= 0.0 || !std::isfinite(row)) return;
  Part* part = &mParts.back();
  for (Part& p : mParts)
    if (p.firstRow >= 0 && row >= static_cast<float>(p.firstRow) && row < static_cast<float>(p.lastRow + 1)) {
      part = &p;
      break;
    }
  part->seconds.push_back(seconds);
  auto used = std::find_if(part->qualities.begin(), part->qualities.end(),
                           [&](const auto& q) { return SamePair(q.first, quality); });
  if (used == part->qualities.end())
    part->qualities.push_back({quality, 1});
  else
    ++used->second;
  ++mFrames;
}

std::vector<std::string> fw_FrameTable::lines() const {
  std::vector<std::string> lines;
  char text[256];
  for (const Part& part : mParts) {
    const bool outside = part.firstRow < 0;
    if (outside && part.seconds.empty()) continue;
    std::string line = part.name;
    if (!outside) {
      std::snprintf(text, sizeof(text), " (rows %lld to %lld)", static_cast<long long>(part.firstRow),
                    static_cast<long long>(part.lastRow));
      line += text;
    }
    if (part.seconds.empty()) {
      lines.push_back(line + ": no frames drawn");
      continue;
    }
    std::vector<double> sorted = part.seconds;
    std::sort(sorted.begin(), sorted.end());
    const double median = Median(sorted);
    std::snprintf(text, sizeof(text), ": %zu frame%s, median %.3f s (%.1f frames a second), 95th percentile %.3f s; ",
                  sorted.size(), sorted.size() == 1 ? "" : "s", median, 1.0 / median, Percentile(sorted, 0.95));
    line += text;
    std::vector<std::pair<fw_QualityPair, size_t>> qualities = part.qualities;
    std::stable_sort(qualities.begin(), qualities.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    for (size_t i = 0; i < qualities.size(); ++i) {
      const fw_QualityPair& q = qualities[i].first;
      if (i == 0)
        std::snprintf(text, sizeof(text), "render scale %.2f and %d sub-frames", static_cast<double>(q.scale), q.subFrames);
      else
        std::snprintf(text, sizeof(text), ", %.2f and %d", static_cast<double>(q.scale), q.subFrames);
      line += text;
      if (qualities.size() > 1) {
        std::snprintf(text, sizeof(text), " for %zu", qualities[i].second);
        line += text;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

namespace {
using Clock = std::chrono::steady_clock;

struct Run {
  std::optional<fw_FrameTable> table;
  bool haveLast = false;
  Clock::time_point lastDrawnEnd;
  float lastRow = 0.0f;
  bool logged = false;
};
Run gRun;
}  // namespace

void fw_FrameStatsStart(const std::string& musicPath) {
  gRun = Run{};
  gRun.table.emplace(fw_ReadSectionMap(fw_ShowSectionsPath(musicPath)));
}

void fw_FrameStatsFrameDrawn() {
  if (!gRun.table) return;
  const Clock::time_point now = Clock::now();
  const float row = fw_GetSyncRow();
  // A frame counts when the show moved forward to it: the first frame pays for the first uses of
  // everything, a paused show's frames and a seek's are no frames of the show.
  if (gRun.haveLast && row > gRun.lastRow && row - gRun.lastRow < 64.0f)
    gRun.table->add(row, std::chrono::duration<double>(now - gRun.lastDrawnEnd).count(), fw_GetQuality());
  gRun.haveLast = true;
  gRun.lastDrawnEnd = now;
  gRun.lastRow = row;
}

void fw_FrameStatsLog() {
  if (!gRun.table || gRun.logged) return;
  gRun.logged = true;
  fw_Log(fw_LogPlain, "Frame times by section (%zu frames drawn as the show played):", gRun.table->frames());
  for (const std::string& line : gRun.table->lines()) fw_Log(fw_LogPlain, "  %s.", line.c_str());
}
