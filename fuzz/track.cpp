// libFuzzer target: a binary track file through the track reader, then sampled at a few rows
// (including the awkward ones: negative, between keys, past the end, NaN).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_target.h"
#include "sync/sync_Track.h"

DUSK_FUZZ_TARGET(track) {
  sync::Track track("fuzz");
  track.read(data, size);
  if (track.keyCount() > size / sync::kTrackRecordSize) std::abort();  // never more keys than records

  const float rows[] = {-1.0f, 0.0f, 0.5f, 17.25f, 1e9f, 4294967296.0f, NAN, INFINITY};
  for (float row : rows) (void)track.getValue(row);
  for (const auto& [row, key] : track.keys()) {
    (void)track.getValue(static_cast<float>(row));
    (void)track.getValue(static_cast<float>(row) + 0.5f);
  }
  return 0;
}
