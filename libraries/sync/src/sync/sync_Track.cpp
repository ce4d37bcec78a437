// Sampling and loading of sync tracks. The rounding points are part of the contract: every
// caller, the track tool and the tests must see bit-identical values for the same row.
#include "sync/sync_Track.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace sync {

namespace {

float interpolateSegment(int32_t kind, double x, uint32_t r0, float y0, uint32_t r1, float y1) {
  // x and the rows are widened to double; t never passes through float before shaping.
  const double t = (x - static_cast<double>(r0)) / (static_cast<double>(r1) - static_cast<double>(r0));
  double shape;
  switch (kind) {
    case kLinear: shape = t; break;
    case kSmooth: shape = t * t * (3.0 - 2.0 * t); break;
    case kRamp: shape = t * t; break;
    default: return y0;  // step, and every unknown kind
  }
  const float difference = static_cast<float>(static_cast<double>(y1) - static_cast<double>(y0));
  const float factor = static_cast<float>(shape);
  return static_cast<float>(static_cast<double>(y0) + static_cast<double>(difference) * static_cast<double>(factor));
}

float catmullRom(double x, uint32_t r1, uint32_t r2, float a, float b, float c, float d) {
  // Uniform spline: the neighbours' rows play no part, only their values.
  const double t = (x - static_cast<double>(r1)) / (static_cast<double>(r2) - static_cast<double>(r1));
  const double t1 = static_cast<float>(t);
  const double t2 = static_cast<float>(t * t);
  const double t3 = static_cast<float>(t * t * t);
  const double sum = 0.5 * ((2.0 * t2 - t3 - t1) * a + (3.0 * t3 - 5.0 * t2 + 2.0) * b +
                            (4.0 * t2 - 3.0 * t3 + t1) * c + (t3 - t2) * d);
  return static_cast<float>(sum);
}

uint32_t readU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

float Track::getValue(float row) const {
  if (mKeys.empty()) return 0.0f;

  // The floored row is taken as a signed integer and then read as an unsigned row, so a negative
  // row lies after every key. Rows that have no 32-bit integer (NaN, infinities, beyond 2^32)
  // are treated the same way rather than wrapping into the middle of the track.
  const double floored = std::floor(static_cast<double>(row));
  if (!(floored >= -2147483648.0 && floored < 4294967296.0)) return std::prev(mKeys.end())->second.value;
  const uint32_t n = floored < 0.0 ? static_cast<uint32_t>(static_cast<int32_t>(floored)) : static_cast<uint32_t>(floored);

  auto next = mKeys.upper_bound(n);
  if (next == mKeys.begin()) return next->second.value;
  auto prev = std::prev(next);
  if (next == mKeys.end()) return prev->second.value;

  const double x = static_cast<double>(row);
  const Key& k0 = prev->second;
  const Key& k1 = next->second;
  if (k0.interpolation == kCatmullRom) {
    // The end keys stand in for missing neighbours.
    auto before = prev == mKeys.begin() ? prev : std::prev(prev);
    auto after = std::next(next) == mKeys.end() ? next : std::next(next);
    return catmullRom(x, prev->first, next->first, before->second.value, k0.value, k1.value, after->second.value);
  }
  return interpolateSegment(k0.interpolation, x, prev->first, k0.value, next->first, k1.value);
}

namespace {

// Reads the count, then one record at a time from `next(buffer, size)`, which fills the buffer
// completely or returns false. The count is only an upper bound: nothing is sized by it, so a
// file that promises more than it holds costs no more than its real size.
template <class Next>
void readRecords(std::map<uint32_t, Key>& keys, Track::FileReport& report, Next&& next) {
  unsigned char header[4];
  if (!next(header, sizeof(header))) return;
  const uint32_t count = readU32(header);
  report.hasCount = true;
  report.count = count;
  unsigned char record[kTrackRecordSize];
  for (uint32_t i = 0; i < count; ++i) {
    if (!next(record, sizeof(record))) break;
    ++report.records;
    Key key;
    const uint32_t valueBits = readU32(record + 4);
    std::memcpy(&key.value, &valueBits, sizeof(key.value));
    key.interpolation = record[8];
    keys[readU32(record)] = key;  // a later record for the same row wins
  }
}

}  // namespace

bool Track::load(const std::string& path, FileReport* report) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  FileReport local;
  FileReport& r = report ? *report : local;
  r = FileReport();
  size_t consumed = 0;
  readRecords(mKeys, r, [&](unsigned char* buffer, size_t size) {
    const size_t got = std::fread(buffer, 1, size, file);
    consumed += got;
    return got == size;
  });
  if (report) {
    // A short record was taken from the file without being used: it counts as extra.
    const size_t used = (r.hasCount ? 4 : 0) + r.records * kTrackRecordSize;
    unsigned char rest[4096];
    size_t got;
    while ((got = std::fread(rest, 1, sizeof(rest), file)) > 0) consumed += got;
    r.extraBytes = consumed - used;
  }
  std::fclose(file);
  return true;
}

void Track::read(const unsigned char* data, size_t size, FileReport* report) {
  FileReport local;
  FileReport& r = report ? *report : local;
  r = FileReport();
  size_t offset = 0;
  readRecords(mKeys, r, [&](unsigned char* buffer, size_t n) {
    if (size - offset < n) return false;
    std::memcpy(buffer, data + offset, n);
    offset += n;
    return true;
  });
  r.extraBytes = size - ((r.hasCount ? 4 : 0) + r.records * kTrackRecordSize);
}

std::string trackFileName(const std::string& basePath, const std::string& name) {
  return basePath + "_" + name + ".track";
}

}  // namespace sync
