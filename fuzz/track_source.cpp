// libFuzzer target: track source text through the parser that `dusk-track compile` uses, then
// each track printed back to source form and read again: the round trip must keep every key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "sync/sync_TrackSource.h"

DUSK_FUZZ_TARGET(track_source) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> errors;
  for (const sync::SourceTrack& source : sync::parseSource(text, "fuzz.txt", errors)) {
    if (!sync::isValidTrackName(source.name)) continue;
    std::vector<std::string> again;
    const auto reread = sync::parseSource(sync::formatTrack(source.name, source.track), "again", again);
    if (!again.empty() || reread.size() != 1) std::abort();
    const auto& before = source.track.keys();
    const auto& after = reread[0].track.keys();
    if (before.size() != after.size()) std::abort();
    for (auto a = before.begin(), b = after.begin(); a != before.end(); ++a, ++b) {
      if (a->first != b->first || a->second.interpolation != b->second.interpolation ||
          std::memcmp(&a->second.value, &b->second.value, sizeof(float)) != 0)
        std::abort();
    }
  }
  return 0;
}
