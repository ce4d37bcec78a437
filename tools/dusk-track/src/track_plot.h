// Draws a sync track's curve over a row range into a PNG: the sampled curve, the keys as
// markers, the zero line and a grid every 8 rows (one beat) where they fit.
#pragma once

#include "sync/sync_Track.h"

#include <string>

namespace track_tool {

struct PlotOptions {
  double fromRow = 0.0;
  double toRow = 0.0;  // when equal to fromRow, the keys' range with a margin is used
  int width = 800;
  int height = 300;
};

struct PlotResult {
  bool ok = false;
  double fromRow = 0.0, toRow = 0.0;
  float minValue = 0.0f, maxValue = 0.0f;
};

PlotResult plotTrack(const sync::Track& track, const PlotOptions& options, const std::string& pngPath);

}  // namespace track_tool
