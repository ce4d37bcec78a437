// The frame rate a run reached: each drawn frame's time, by the section of the show it was drawn
// in and the quality it was drawn at, told in the log when the run ends (the show's end, Esc, a
// stop signal) as one line per section. The table is a value fed with frames, so its figures are
// checked without a device or a clock.
#pragma once

#include "device/fw_Quality.h"
#include "sync/sync_Sections.h"

#include <cstdint>
#include <string>
#include <vector>

class fw_FrameTable {
 public:
  // Rows outside every section (or every row, without a section map) count as "the show".
  explicit fw_FrameTable(std::vector<sync::Section> sections);

  // A frame drawn at `row` that took `seconds` since the one before, at `quality`.
  void add(float row, double seconds, const fw_QualityPair& quality);
  size_t frames() const { return mFrames; }

  // One line per section in row order, then one for the rows outside them when any frame fell
  // there: "drop (rows 768 to 1279): 143 frames, median 0.095 s (10.5 frames a second), 95th
  // percentile 0.120 s; render scale 0.55 and 4 sub-frames" (each pair used, most used first, with
  // its frame count when there was more than one); a section with no frame says so.
  std::vector<std::string> lines() const;

 private:
  struct Part {
    std::string name;
    int64_t firstRow = -1, lastRow = -1;  // -1: the rows outside the sections
    std::vector<double> seconds;
    std::vector<std::pair<fw_QualityPair, size_t>> qualities;
  };
  std::vector<Part> mParts;
  size_t mFrames = 0;
};

// The run's table: started with the show (the section map beside the music), fed by the tick
// with every frame it draws, told once.
void fw_FrameStatsStart(const std::string& musicPath);
void fw_FrameStatsFrameDrawn();
// Logs the table (a heading and the lines) the first time it is called after the start.
void fw_FrameStatsLog();
