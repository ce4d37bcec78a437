// Writes sampling vectors for the timeline page's own sampling: tracks (keys of every kind, mixed
// and random), rows (whole, fractional, before the first key, after the last, negative, beyond
// 32 bits) and the values the player gives there, as JSON on standard output.
#include "sync/sync_Track.h"
#include "sync/sync_TrackSource.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Case {
  std::string name;
  std::vector<std::pair<uint32_t, sync::Key>> keys;
};

sync::Key K(float value, int32_t kind) {
  sync::Key key;
  key.value = value;
  key.interpolation = kind;
  return key;
}

// A small fixed generator: the same vectors on every machine.
uint32_t gState = 12345;
uint32_t Next() {
  gState = gState * 1103515245u + 12345u;
  return gState >> 8;
}

std::vector<float> RowsFor(const sync::Track& track) {
  std::vector<float> rows = {-1.0f, -0.25f, -3000000000.0f, 5000000000.0f, 4294967040.0f};
  const auto& keys = track.keys();
  if (keys.empty()) rows.push_back(3.0f);
  for (auto it = keys.begin(); it != keys.end(); ++it) {
    const float r = static_cast<float>(it->first);
    for (float d : {-1.0f, -0.5f, 0.0f, 0.001f, 0.25f, 0.5f, 0.75f, 0.999f, 1.0f, 1.5f}) rows.push_back(r + d);
    auto next = std::next(it);
    if (next != keys.end()) {
      const double span = double(next->first) - double(it->first);
      for (int i = 1; i < 16; ++i) rows.push_back(static_cast<float>(double(it->first) + span * i / 16.0 + 0.37));
    }
  }
  return rows;
}

}  // namespace

int main() {
  std::vector<Case> cases;
  for (int32_t kind = 0; kind <= 4; ++kind) {
    cases.push_back({"two keys, " + sync::kindName(kind), {{0, K(1.0f, kind)}, {16, K(-3.5f, kind)}}});
    cases.push_back({"three keys, " + sync::kindName(kind), {{4, K(0.1f, kind)}, {10, K(2.7f, kind)}, {37, K(-1.25f, kind)}}});
  }
  cases.push_back({"empty", {}});
  cases.push_back({"one key", {{12, K(4.5f, 1)}}});
  cases.push_back({"catmull, five keys with uneven rows",
                   {{0, K(0.0f, 4)}, {3, K(10.0f, 4)}, {40, K(-2.0f, 4)}, {41, K(7.25f, 4)}, {200, K(1e6f, 4)}}});
  cases.push_back({"mixed kinds", {{0, K(0.0f, 4)}, {8, K(1.0f, 2)}, {16, K(0.5f, 3)}, {24, K(3.0f, 0)}, {32, K(-1.0f, 1)},
                                   {64, K(2.0f, 4)}, {65, K(2.5f, 4)}}});
  cases.push_back({"unknown kinds are steps", {{0, K(1.0f, 7)}, {10, K(2.0f, 255)}, {20, K(3.0f, 1)}}});
  cases.push_back({"keys near the top of the row range", {{5, K(1.0f, 1)}, {4294967000u, K(2.0f, 4)}, {4294967295u, K(3.0f, 1)}}});
  for (int c = 0; c < 12; ++c) {
    Case random{"random " + std::to_string(c), {}};
    uint32_t row = Next() % 20;
    const int count = 2 + Next() % 9;
    for (int i = 0; i < count; ++i) {
      const float value = static_cast<float>(int32_t(Next() % 200001) - 100000) / 997.0f;
      random.keys.push_back({row, K(value, Next() % 5)});
      row += 1 + Next() % 300;
    }
    cases.push_back(random);
  }

  std::printf("{\"cases\":[\n");
  for (size_t c = 0; c < cases.size(); ++c) {
    sync::Track track;
    for (const auto& [row, key] : cases[c].keys) track.setKey(row, key);
    std::printf("%s{\"name\":\"%s\",\"keys\":[", c ? ",\n" : "", cases[c].name.c_str());
    bool first = true;
    for (const auto& [row, key] : track.keys()) {
      std::printf("%s{\"row\":%u,\"value\":%.9g,\"kind\":\"%s\"}", first ? "" : ",", row, key.value,
                  sync::kindName(key.interpolation).c_str());
      first = false;
    }
    std::printf("],\"samples\":[");
    first = true;
    for (float row : RowsFor(track)) {
      std::printf("%s[%.9g,%.9g]", first ? "" : ",", row, track.getValue(row));
      first = false;
    }
    std::printf("]}");
  }
  std::printf("\n]}\n");
  return 0;
}
