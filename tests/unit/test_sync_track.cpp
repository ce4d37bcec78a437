// Sync track sampling (every interpolation kind, bit for bit against values worked out by hand
// or in double arithmetic here) and the binary track file loader.
#include "sync/sync_Track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace {

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

#define EXPECT_SAME_FLOAT(expected, actual) EXPECT_EQ(bitsOf(expected), bitsOf(actual)) << (expected) << " vs " << (actual)

sync::Track twoKeys(int kind) {
  sync::Track t("t");
  t.setKey(0, {0.0f, kind});
  t.setKey(10, {1.0f, sync::kStep});
  return t;
}

// Writes a track file byte by byte: count, then (row, value, kind) records.
struct Record {
  uint32_t row;
  float value;
  uint8_t kind;
};
std::string writeTrackFile(const std::string& name, uint32_t count, const std::vector<Record>& records,
                           size_t trailingCut = 0) {
  std::vector<unsigned char> bytes;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  u32(count);
  for (const Record& r : records) {
    u32(r.row);
    u32(bitsOf(r.value));
    bytes.push_back(r.kind);
  }
  bytes.resize(bytes.size() - trailingCut);
  auto dir = std::filesystem::temp_directory_path() / ("dusk_sync_track_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / name).string();
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

}  // namespace

TEST(SyncTrack, EmptyTrackSamplesZeroEverywhere) {
  sync::Track t("empty");
  EXPECT_TRUE(t.isEmpty());
  for (float row : {0.0f, 5.5f, -3.0f, 1e9f, std::numeric_limits<float>::quiet_NaN()}) EXPECT_SAME_FLOAT(0.0f, t.getValue(row));
}

TEST(SyncTrack, SingleKeyHoldsEverywhere) {
  sync::Track t("one");
  t.setKey(40, {2.5f, sync::kLinear});
  for (float row : {0.0f, 39.99f, 40.0f, 40.5f, 1000.0f, -1.0f}) EXPECT_SAME_FLOAT(2.5f, t.getValue(row));
}

TEST(SyncTrack, OutsideTheKeysHoldTheEndValuesWhateverTheKind) {
  for (int kind = 0; kind <= 5; ++kind) {
    sync::Track t("ends");
    t.setKey(10, {3.0f, kind});
    t.setKey(20, {7.0f, kind});
    EXPECT_SAME_FLOAT(3.0f, t.getValue(0.0f));
    EXPECT_SAME_FLOAT(3.0f, t.getValue(9.999f));
    EXPECT_SAME_FLOAT(7.0f, t.getValue(20.0f));
    EXPECT_SAME_FLOAT(7.0f, t.getValue(20.75f));
    EXPECT_SAME_FLOAT(7.0f, t.getValue(5000.0f));
  }
}

TEST(SyncTrack, AtAKeyRowTheValueIsThatKeys) {
  for (int kind = 0; kind <= 4; ++kind) {
    sync::Track t("at");
    t.setKey(0, {1.0f, kind});
    t.setKey(8, {-4.25f, kind});
    t.setKey(16, {9.0f, kind});
    t.setKey(24, {0.5f, kind});
    EXPECT_SAME_FLOAT(-4.25f, t.getValue(8.0f)) << "kind " << kind;
    EXPECT_SAME_FLOAT(9.0f, t.getValue(16.0f)) << "kind " << kind;
  }
}

TEST(SyncTrack, LinearSmoothAndRampWorkedExamples) {
  EXPECT_SAME_FLOAT(0.5f, twoKeys(sync::kLinear).getValue(5.0f));
  EXPECT_SAME_FLOAT(0.25f, twoKeys(sync::kLinear).getValue(2.5f));
  EXPECT_SAME_FLOAT(0.5f, twoKeys(sync::kSmooth).getValue(5.0f));
  EXPECT_SAME_FLOAT(0.15625f, twoKeys(sync::kSmooth).getValue(2.5f));  // 1/16 * (3 - 1/2)
  EXPECT_SAME_FLOAT(0.25f, twoKeys(sync::kRamp).getValue(5.0f));
  EXPECT_SAME_FLOAT(0.0625f, twoKeys(sync::kRamp).getValue(2.5f));
  EXPECT_SAME_FLOAT(0.0f, twoKeys(sync::kStep).getValue(9.9f));
}

TEST(SyncTrack, RoundingPointsMatchDoubleArithmeticWithFloatSteps) {
  // Awkward values where rounding once at the end, or computing in float throughout, gives
  // different bits; the expected values follow the rounding contract step by step in double.
  const float y0 = 1.7f, y1 = -2.3000002f;
  const uint32_t r0 = 3, r1 = 1000003;
  int differsFromFloatMath = 0;
  for (int kind : {sync::kLinear, sync::kSmooth, sync::kRamp}) {
    sync::Track t("rounding");
    t.setKey(r0, {y0, kind});
    t.setKey(r1, {y1, sync::kStep});
    for (int i = 1; i < 400; ++i) {
      const float x = static_cast<float>(r0) + static_cast<float>(i) * 2499.937f + 0.3f;
      const double td = (static_cast<double>(x) - r0) / (static_cast<double>(r1) - r0);
      const double shaped = kind == sync::kLinear ? td : kind == sync::kRamp ? td * td : td * td * (3.0 - 2.0 * td);
      const float diff = static_cast<float>(static_cast<double>(y1) - y0);
      const float factor = static_cast<float>(shaped);
      const float expected = static_cast<float>(static_cast<double>(y0) + static_cast<double>(diff) * factor);
      EXPECT_SAME_FLOAT(expected, t.getValue(x)) << "kind " << kind << " x " << x;
      const float tf = (x - static_cast<float>(r0)) / static_cast<float>(r1 - r0);
      const float sf = kind == sync::kLinear ? tf : kind == sync::kRamp ? tf * tf : tf * tf * (3.0f - 2.0f * tf);
      if (y0 + (y1 - y0) * sf != expected) ++differsFromFloatMath;
    }
  }
  EXPECT_GT(differsFromFloatMath, 0) << "the sample rows do not tell the rounding rules apart";
}

TEST(SyncTrack, CatmullRomInteriorSegmentUsesAllFourValuesNotTheirRows) {
  // At t = 1/2 the weights are -1/8, 9/8, 9/8, -1/8 (after the leading 1/2).
  sync::Track t("cr");
  t.setKey(0, {4.0f, sync::kStep});
  t.setKey(7, {0.0f, sync::kCatmullRom});
  t.setKey(11, {1.0f, sync::kStep});
  t.setKey(100, {0.0f, sync::kStep});
  EXPECT_SAME_FLOAT(0.3125f, t.getValue(9.0f));  // 0.5 * (-0.5 + 1.125)
}

TEST(SyncTrack, CatmullRomEndKeysStandInForMissingNeighbours) {
  sync::Track first("first");
  first.setKey(0, {2.0f, sync::kCatmullRom});
  first.setKey(10, {4.0f, sync::kCatmullRom});
  first.setKey(20, {0.0f, sync::kStep});
  EXPECT_SAME_FLOAT(3.25f, first.getValue(5.0f));  // p0 = p1 = 2: 0.5 * (-0.25 + 2.25 + 4.5)

  sync::Track last("last");
  last.setKey(0, {0.0f, sync::kStep});
  last.setKey(10, {2.0f, sync::kCatmullRom});
  last.setKey(20, {4.0f, sync::kStep});
  EXPECT_SAME_FLOAT(3.125f, last.getValue(15.0f));  // p3 = p2 = 4: 0.5 * (2.25 + 4.5 - 0.5)

  sync::Track alone("alone");
  alone.setKey(0, {1.0f, sync::kCatmullRom});
  alone.setKey(4, {3.0f, sync::kStep});
  EXPECT_SAME_FLOAT(2.0f, alone.getValue(2.0f));  // both ends doubled: plain midpoint
}

TEST(SyncTrack, CatmullRomAtAnAwkwardFractionMatchesDoubleSum) {
  sync::Track t("cr");
  t.setKey(0, {-1.3f, sync::kStep});
  t.setKey(16, {0.7f, sync::kCatmullRom});
  t.setKey(48, {5.9f, sync::kStep});
  t.setKey(50, {2.2f, sync::kStep});
  const float x = 29.123f;
  const double td = (static_cast<double>(x) - 16.0) / 32.0;
  const double t1 = static_cast<float>(td), t2 = static_cast<float>(td * td), t3 = static_cast<float>(td * td * td);
  const double a = -1.3f, b = 0.7f, c = 5.9f, d = 2.2f;
  const float expected = static_cast<float>(0.5 * ((2 * t2 - t3 - t1) * a + (3 * t3 - 5 * t2 + 2) * b +
                                                   (4 * t2 - 3 * t3 + t1) * c + (t3 - t2) * d));
  EXPECT_SAME_FLOAT(expected, t.getValue(x));
}

TEST(SyncTrack, UnknownInterpolationKindsAreSteps) {
  for (int kind : {5, 17, 255}) EXPECT_SAME_FLOAT(0.0f, twoKeys(kind).getValue(9.5f)) << kind;
}

TEST(SyncTrack, NegativeRowsLieAfterEveryKey) {
  sync::Track t("neg");
  t.setKey(0, {1.0f, sync::kLinear});
  t.setKey(10, {2.0f, sync::kLinear});
  t.setKey(20, {3.0f, sync::kLinear});
  EXPECT_SAME_FLOAT(3.0f, t.getValue(-0.25f));  // floors to -1, read as row 4294967295
  EXPECT_SAME_FLOAT(3.0f, t.getValue(-1000.0f));
  EXPECT_SAME_FLOAT(1.0f, t.getValue(-0.0f));  // floors to 0: the first key
  // Rows with no 32-bit integer do the same instead of wrapping into the track.
  EXPECT_SAME_FLOAT(3.0f, t.getValue(4294967296.0f + 5.0f * 4096.0f));
  EXPECT_SAME_FLOAT(3.0f, t.getValue(std::numeric_limits<float>::infinity()));
  EXPECT_SAME_FLOAT(3.0f, t.getValue(std::numeric_limits<float>::quiet_NaN()));
}

TEST(SyncTrackFile, RecordsInFileOrderLaterRowWinsAndKeysSortByRow) {
  const std::string path = writeTrackFile("sync_order.track", 4,
                                          {{20, 2.0f, 1}, {5, 0.5f, 4}, {20, -7.5f, 2}, {4000000000u, 9.0f, 0}});
  sync::Track t("order");
  ASSERT_TRUE(t.load(path));
  ASSERT_EQ(3u, t.keyCount());
  std::vector<uint32_t> rows;
  for (const auto& [row, key] : t.keys()) rows.push_back(row);
  EXPECT_EQ((std::vector<uint32_t>{5, 20, 4000000000u}), rows);  // unsigned order
  EXPECT_SAME_FLOAT(-7.5f, t.keys().at(20).value);
  EXPECT_EQ(2, t.keys().at(20).interpolation);
  EXPECT_EQ(4, t.keys().at(5).interpolation);
}

TEST(SyncTrackFile, CountZeroEmptyAndMissingFilesGiveEmptyTracks) {
  sync::Track zero("zero");
  EXPECT_TRUE(zero.load(writeTrackFile("sync_zero.track", 0, {{1, 1.0f, 0}})));
  EXPECT_TRUE(zero.isEmpty());

  sync::Track empty("empty");
  EXPECT_TRUE(empty.load(writeTrackFile("sync_empty.track", 0, {}, 4)));  // zero bytes
  EXPECT_TRUE(empty.isEmpty());

  sync::Track missing("missing");
  EXPECT_FALSE(missing.load("/nonexistent/dir/sync_missing.track"));
  EXPECT_TRUE(missing.isEmpty());
  EXPECT_SAME_FLOAT(0.0f, missing.getValue(3.0f));
}

TEST(SyncTrackFile, ShortFileKeepsTheWholeRecordsReadSoFar) {
  // Promises 5 records, holds two and a half.
  const std::string path = writeTrackFile("sync_short.track", 5, {{1, 1.0f, 0}, {2, 2.0f, 0}, {3, 3.0f, 0}}, 5);
  sync::Track t("short");
  EXPECT_TRUE(t.load(path));
  EXPECT_EQ(2u, t.keyCount());
  EXPECT_SAME_FLOAT(2.0f, t.getValue(2.5f));
}

TEST(SyncTrackFile, HugeCountWithFewRecordsCostsOnlyTheRecords) {
  const std::string path = writeTrackFile("sync_huge.track", 0xFFFFFFFFu, {{7, 1.0f, 1}, {9, 3.0f, 0}, {11, 5.0f, 0}});
  sync::Track t("huge");
  EXPECT_TRUE(t.load(path));
  EXPECT_EQ(3u, t.keyCount());
  EXPECT_SAME_FLOAT(2.0f, t.getValue(8.0f));
}

TEST(SyncTrackFile, TrailingBytesAreIgnoredAndOddKindBytesSurvive) {
  const std::string path = writeTrackFile("sync_trailing.track", 1, {{3, 1.5f, 200}, {8, 99.0f, 0}});
  sync::Track t("trailing");
  EXPECT_TRUE(t.load(path));
  ASSERT_EQ(1u, t.keyCount());
  EXPECT_EQ(200, t.keys().at(3).interpolation);
  EXPECT_SAME_FLOAT(1.5f, t.getValue(100.0f));
}

TEST(SyncTrackFile, FileNameJoinsBaseNameAndExtension) {
  EXPECT_EQ("data/sync/sync_cam_LookAtX.track", sync::trackFileName("data/sync/sync", "cam_LookAtX"));
}
