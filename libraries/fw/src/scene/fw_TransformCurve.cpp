// Transform curve keys and their Hermite evaluation. All arithmetic is in float, as the
// curves were authored against it.
#include "scene/fw_TransformCurve.h"

#include <algorithm>

void fw_TransformCurve::insertKey(float time, float value, float inTangent, float outTangent) {
  const fw_TransformKey key{time, value, inTangent, outTangent};
  auto it = std::lower_bound(mKeys.begin(), mKeys.end(), time,
                             [](const fw_TransformKey& k, float t) { return k.time < t; });
  if (it != mKeys.end() && it->time == time)
    *it = key;
  else
    mKeys.insert(it, key);
}

void fw_TransformCurve::evaluate(float t) {
  mSlope = 0.0f;
  if (mKeys.empty()) return;
  if (t >= mKeys.back().time) {
    mValue = mKeys.back().value;
    return;
  }
  if (t <= mKeys.front().time) {
    mValue = mKeys.front().value;
    return;
  }

  // The search starts from the first key on every evaluation: curves hold a handful of keys.
  mCursor = 0;
  while (mCursor + 1 < mKeys.size() && mKeys[mCursor + 1].time <= t) ++mCursor;
  const fw_TransformKey& k0 = mKeys[mCursor];
  const fw_TransformKey& k1 = mKeys[mCursor + 1];

  const float d = k1.time - k0.time;
  const float delta = k1.value - k0.value;
  const float m0 = k0.outTangent;
  const float m1 = k1.inTangent;
  const float s = t - k0.time;
  const float a = (m1 + m0) / (d * d) - 2.0f * delta / (d * d * d);
  const float b = 3.0f * delta / (d * d) - (m1 + 2.0f * m0) / d;
  mValue = ((a * s + b) * s + m0) * s + k0.value;
  mSlope = (3.0f * a * s + 2.0f * b) * s + m0;
}
