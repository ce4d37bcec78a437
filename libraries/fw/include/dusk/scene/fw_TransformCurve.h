// Transform curves: cubic Hermite splines over seconds of scene time whose keys carry explicit
// in- and out-tangents. One curve animates one component of an fw_Transform; the scene
// description loader fills them and the scene's update evaluates them every frame.
#pragma once

#include <cstddef>
#include <vector>

struct fw_TransformKey {
  float time = 0.0f;        // seconds
  float value = 0.0f;
  float inTangent = 0.0f;   // slope as the curve arrives at this key
  float outTangent = 0.0f;  // slope as the curve leaves this key
};

class fw_TransformCurve {
public:
  // Keeps the keys in time order; a key at a time already present replaces that key.
  void insertKey(float time, float value, float inTangent, float outTangent);

  // Sets value() and slope() for time t (seconds). Outside the keyed range the value is the
  // nearest key's and the slope 0. A curve without keys keeps its value and reports slope 0.
  void evaluate(float t);

  float value() const { return mValue; }
  float slope() const { return mSlope; }
  size_t keyCount() const { return mKeys.size(); }
  const std::vector<fw_TransformKey>& keys() const { return mKeys; }

private:
  std::vector<fw_TransformKey> mKeys;
  size_t mCursor = 0;  // segment found by the last evaluation
  float mValue = 0.0f;
  float mSlope = 0.0f;
};
