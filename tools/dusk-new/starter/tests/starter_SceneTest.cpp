// @TITLE@'s scene on the recording device: no display and nothing drawn, but every draw written
// down with its targets, technique and variables. The test runs in the show's folder (data/ is
// read from there), with the tracks and shaders the build put into it.
#include "frame/fw_LoadResources.h"
#include "post/fw_PostEffects.h"
#include "res/fw_Paths.h"
#include "res/fw_Texture.h"
#include "res/fw_TextureTable.h"
#include "starter_Scene.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"
#include "testing/fw_RecordingDevice.h"

#include <gtest/gtest.h>

namespace {

// The draw of the technique that went last into the target.
const d3d10rec::Event* LastDraw(const d3d10rec::Record& record, const std::string& technique) {
  const d3d10rec::Event* found = nullptr;
  for (const d3d10rec::Event* draw : record.Draws())
    if (draw->technique == technique) found = draw;
  return found;
}

}  // namespace

TEST(StarterScene, TracksReachThePictureAndTheFrameEndsInTheBackBuffer) {
  fw_RecordingDevice device;
  fw_SetRoots(SHOW_DIR, SHOW_DIR);
  fw_SetRenderSize(320, 180);
  fw_SetOutputSize(320, 180);
  fw_StartSync(SHOW_DIR "/data/sync/sync");
  fw_CreateClocks();  // the music clock the rows are read from
  fw_gPostEffects = new fw_PostEffects();
  ASSERT_EQ(fw_LoadResources(), S_OK);
  StarterScene scene;
  scene.createResources();

  for (float row : {0.0f, float(@OUTRO@)}) {
    fw_SeekToRow(row, true);
    d3d10rec::ClearRecord(device.get());
    scene.render();
    const d3d10rec::Event* picture = LastDraw(device.record(), "Picture");
    ASSERT_NE(picture, nullptr) << "row " << row;
    EXPECT_FLOAT_EQ(picture->Float("gShape"), fw_SyncValueAt("shapeX", 0.0f, row)) << "row " << row;
    EXPECT_FLOAT_EQ(picture->Float("gSkyHue"), fw_SyncValueAt("skyHue", 0.0f, row)) << "row " << row;
    const std::vector<const d3d10rec::Event*> draws = device.record().Draws();
    ASSERT_FALSE(draws.empty());
    ASSERT_FALSE(draws.back()->targets.empty());
    EXPECT_EQ(draws.back()->targets[0].view, fw_FindTexture("backbuffer")->mRenderTargetView) << "row " << row;
  }
  EXPECT_NE(fw_SyncValueAt("shapeX", 0.0f, 0.0f), fw_SyncValueAt("shapeX", 0.0f, @OUTRO@)) << "the disc moves";

  scene.releaseResources();
  fw_ReleaseFrameworkResources();
  delete fw_gPostEffects;
  fw_gPostEffects = nullptr;
  fw_StopSync();
  fw_DestroyClocks();
}
