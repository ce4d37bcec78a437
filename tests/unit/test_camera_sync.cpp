// The orbit camera's inputs read through the framework's own sync device and music clock:
// empty tracks give the defaults, keyed tracks their value at the timer's row, and the shake
// only counts as running while the music clock runs.
#include "sync/fw_Sync.h"

#include <gtest/gtest.h>

#include "scene/fw_OrbitCamera.h"
#include "sync/fw_Clock.h"

namespace {

// A sync system whose track files do not exist, so every track starts empty.
struct EmptySync {
  EmptySync() {
    fw_CreateClocks();
    fw_StartSync("/nonexistent/dusk-test/sync");
  }
  ~EmptySync() {
    fw_StopSync();
    fw_DestroyClocks();
  }
  void key(const char* track, float value) { fw_GetSyncDevice()->getTrack(track).setKey(0, sync::Key{value, sync::kStep}); }
};

}  // namespace

TEST(OrbitCameraTracks, EmptyTracksGiveTheDefaults) {
  EmptySync sync;
  const fw_OrbitCameraInputs in = fw_ReadOrbitCameraInputs();
  EXPECT_EQ(D3DXVECTOR3(0, 0, 0), in.lookAt);
  EXPECT_EQ(0.0f, in.yaw);
  EXPECT_EQ(0.0f, in.pitch);
  EXPECT_EQ(0.0f, in.roll);
  EXPECT_EQ(20.0f, in.distToLookAt);
  EXPECT_EQ(0.0f, in.offsetX);
  EXPECT_EQ(0.0f, in.offsetY);
  EXPECT_EQ(0.0f, in.shake);
  EXPECT_FALSE(in.musicRunning);  // the clocks start paused
}

TEST(OrbitCameraTracks, KeyedTracksAreReadByTheirNames) {
  EmptySync sync;
  sync.key("cam_LookAtX", 1);
  sync.key("cam_LookAtY", 2);
  sync.key("cam_LookAtZ", 3);
  sync.key("cam_Yaw", 90);
  sync.key("cam_Pitch", 10);
  sync.key("cam_Roll", -5);
  sync.key("cam_DistToLookAt", 0);  // a keyed 0 is a value, not "no keys"
  sync.key("cam_OffsetX", 4);
  sync.key("cam_OffsetY", 6);
  sync.key("cam_Shake", 250);
  fw_GetMusicClock()->resume();
  const fw_OrbitCameraInputs in = fw_ReadOrbitCameraInputs();
  EXPECT_EQ(D3DXVECTOR3(1, 2, 3), in.lookAt);
  EXPECT_EQ(90.0f, in.yaw);
  EXPECT_EQ(10.0f, in.pitch);
  EXPECT_EQ(-5.0f, in.roll);
  EXPECT_EQ(0.0f, in.distToLookAt);
  EXPECT_EQ(4.0f, in.offsetX);
  EXPECT_EQ(6.0f, in.offsetY);
  EXPECT_EQ(250.0f, in.shake);
  EXPECT_TRUE(in.musicRunning);
}

TEST(OrbitCameraTracks, YawTrackTurnsTheCurrentCamera) {
  EmptySync sync;
  sync.key("cam_Yaw", 90);
  fw_Transform transform;
  fw_CameraSet set;
  set.add("cam", std::make_unique<fw_Camera>(&transform, 1.0f));
  set.update(0.0f);
  ASSERT_TRUE(fw_UpdateOrbitCamera(&set));
  EXPECT_NEAR(20.0f, transform.translation().x, 1e-4f);
  EXPECT_NEAR(0.0f, transform.translation().z, 1e-4f);
}
