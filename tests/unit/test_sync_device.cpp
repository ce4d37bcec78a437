// The playback sync device: lazy load-once tracks by exact name, defaults of the device
// interface, the framework's sync system with its value-reading convention, and the live device
// taking saved files and sources.
#include "diag/fw_Alert.h"
#include "live/fw_Live.h"
#include "res/fw_Paths.h"
#include "sync/LiveDevice.h"
#include "sync/PlayerDevice.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A timer that records what is done to it; the device must never touch it.
struct ProbeTimer : sync::Timer {
  int calls = 0;
  void pause() override { ++calls; }
  void play() override { ++calls; }
  float getRow() override { ++calls; return 0.0f; }
  void setRow(float) override { ++calls; }
  bool isPlaying() override { ++calls; return false; }
};

class SyncDevice : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("dusk_sync_device_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    base = (dir / "sync").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  // One key at row 0 with the given value.
  void writeTrack(const std::string& name, float value) {
    FILE* f = std::fopen(sync::trackFileName(base, name).c_str(), "wb");
    const uint32_t count = 1, row = 0;
    const unsigned char kind = 0;
    std::fwrite(&count, 4, 1, f);
    std::fwrite(&row, 4, 1, f);
    std::fwrite(&value, 4, 1, f);
    std::fwrite(&kind, 1, 1, f);
    std::fclose(f);
  }

  fs::path dir;
  std::string base;
};

}  // namespace

TEST_F(SyncDevice, SameNameGivesSameTrackAndReadsTheFileOnce) {
  writeTrack("cam_Yaw", 45.0f);
  ProbeTimer timer;
  PlayerDevice device(base, timer);
  sync::Track& first = device.getTrack("cam_Yaw");
  EXPECT_FLOAT_EQ(45.0f, first.getValue(0.0f));
  writeTrack("cam_Yaw", 90.0f);  // a changed file is not read again
  sync::Track& second = device.getTrack(std::string("cam_Yaw"));
  EXPECT_EQ(&first, &second);
  EXPECT_FLOAT_EQ(45.0f, second.getValue(0.0f));
  EXPECT_EQ(1u, device.trackCount());
  EXPECT_EQ("cam_Yaw", second.name());
}

TEST_F(SyncDevice, MissingFileGivesAnEmptyTrackThatStaysEmpty) {
  ProbeTimer timer;
  PlayerDevice device(base, timer);
  sync::Track& track = device.getTrack("Nothing");
  EXPECT_TRUE(track.isEmpty());
  EXPECT_EQ(0.0f, track.getValue(12.0f));
  writeTrack("Nothing", 3.0f);  // appearing later is not noticed
  EXPECT_TRUE(device.getTrack("Nothing").isEmpty());
}

TEST_F(SyncDevice, NamesDifferingInCaseAreDifferentTracksAndFiles) {
  writeTrack("scene", 1.0f);
  writeTrack("Scene", 2.0f);
  ProbeTimer timer;
  PlayerDevice device(base, timer);
  EXPECT_FLOAT_EQ(1.0f, device.getTrack("scene").getValue(0.0f));
  EXPECT_FLOAT_EQ(2.0f, device.getTrack("Scene").getValue(0.0f));
  EXPECT_NE(&device.getTrack("scene"), &device.getTrack("Scene"));
  EXPECT_TRUE(device.getTrack("SCENE").isEmpty());
  EXPECT_EQ(3u, device.trackCount());
}

TEST_F(SyncDevice, UpdateAndDefaultsChangeNothing) {
  writeTrack("A", 5.0f);
  ProbeTimer timer;
  PlayerDevice device(base, timer);
  sync::Track& a = device.getTrack("A");
  EXPECT_TRUE(device.update(123.5f));
  EXPECT_TRUE(device.update(-1.0f));
  device.onPauseToggled();
  device.onRowEvent(3, 4.0f);
  EXPECT_EQ(-1.0f, device.requestedRow(0));
  EXPECT_EQ(1u, a.keyCount());
  EXPECT_FLOAT_EQ(5.0f, a.getValue(0.0f));
  EXPECT_EQ(0, timer.calls);
  EXPECT_EQ(base, device.basePath());
}

TEST_F(SyncDevice, FrameworkSyncSystemReadsValuesWithDefaultsForEmptyTracks) {
  writeTrack("GotoRow", 0.0f);
  EXPECT_EQ(7.0f, fw_SyncValue("GotoRow", 7.0f));  // before the sync system exists
  fw_StartSync(base.c_str());
  fw_SyncTimer* firstTimer = fw_GetSyncTimer();
  ASSERT_NE(nullptr, firstTimer);
  ASSERT_NE(nullptr, fw_GetSyncDevice());
  EXPECT_EQ(base, fw_GetSyncDevice()->basePath());
  EXPECT_EQ(0.0f, fw_SyncValue("GotoRow", -1.0f));  // a key, even at 0, beats the default
  EXPECT_EQ(-1.0f, fw_SyncValue("Scene", -1.0f));
  EXPECT_EQ(0.0f, fw_SyncValueAt("GotoRow", -1.0f, 50.0f));

  fw_StartSync(base.c_str());  // a second start replaces timer and device
  EXPECT_NE(nullptr, fw_GetSyncTimer());
  EXPECT_EQ(base, fw_GetSyncDevice()->basePath());
  fw_StopSync();
  EXPECT_EQ(nullptr, fw_GetSyncDevice());
  EXPECT_EQ(nullptr, fw_GetSyncTimer());
}

// The live device changes keys, never track objects: references taken before a reload read the
// new keys. A source with an error, a vanished or a half-written file leaves every key alone.
TEST_F(SyncDevice, LiveDeviceReplacesKeysInPlaceAndKeepsThemOnBadInput) {
  writeTrack("Fade", 1.0f);
  ProbeTimer timer;
  LiveDevice device(base, timer);
  std::vector<std::string> warnings;
  device.setWarningSink([&](const std::string& message) { warnings.push_back(message); });
  sync::Track& fade = device.getTrack("Fade");
  ASSERT_EQ(fade.getValue(0.0f), 1.0f);

  writeTrack("Fade", 2.0f);
  EXPECT_TRUE(device.reloadTrackFile(sync::trackFileName(base, "Fade")));
  EXPECT_EQ(fade.getValue(0.0f), 2.0f);
  EXPECT_FALSE(device.reloadTrackFile(sync::trackFileName(base, "Other")));  // never requested

  // Compiled from a source: the keys change and the file is written as the compiler would.
  ASSERT_TRUE(device.applySources({{"tracks/post.txt", "track Fade\n0 3 linear\n32 5\ntrack Zoom\n0 7\n"}}, "tracks/post.txt"));
  EXPECT_EQ(fade.keyCount(), 2u);
  EXPECT_EQ(fade.getValue(16.0f), 4.0f);
  EXPECT_EQ(device.getTrack("Zoom").getValue(0.0f), 7.0f);
  sync::Track onDisk;
  ASSERT_TRUE(onDisk.load(sync::trackFileName(base, "Zoom")));
  EXPECT_EQ(onDisk.getValue(0.0f), 7.0f);
  EXPECT_FALSE(fs::exists(sync::trackFileName(base, "Zoom") + ".new"));
  EXPECT_TRUE(warnings.empty());

  // An error anywhere in the source: nothing changes, and the warning names file and line.
  EXPECT_FALSE(device.applySources({{"tracks/post.txt", "track Fade\n0 9\n8 nine\n"}}, "tracks/post.txt"));
  EXPECT_EQ(fade.getValue(16.0f), 4.0f);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("tracks/post.txt:3: ", 0), 0u) << warnings[0];

  // A file cut short (a save caught half way) and a file gone keep the keys in use.
  { std::ofstream(sync::trackFileName(base, "Fade"), std::ios::binary) << std::string("\x02\0\0\0\0\0\0\0", 8); }
  EXPECT_TRUE(device.reloadTrackFile(sync::trackFileName(base, "Fade")));
  fs::remove(sync::trackFileName(base, "Fade"));
  EXPECT_TRUE(device.reloadTrackFile(sync::trackFileName(base, "Fade")));
  EXPECT_EQ(fade.getValue(16.0f), 4.0f);
  EXPECT_EQ(warnings.size(), 3u);
  EXPECT_EQ(timer.calls, 0);
}

// Live mode takes a track out of the show as the compile script takes its file away: when the
// source that defined it no longer does and no other source does; it then samples as a missing
// track. What each source defined is read when live mode starts.
TEST_F(SyncDevice, LiveModeRemovesATrackThatNoSourceDefinesAnyMore) {
  const fs::path sources = dir / "tracks";
  fs::create_directories(sources);
  const auto save = [&](const std::string& name, const std::string& text) {
    std::ofstream((sources / name).string(), std::ios::binary) << text;
    fw_LiveFileSaved((sources / name).string());
  };
  std::ofstream((sources / "post.txt").string()) << "track Fade\n0 1\ntrack Glow\n0 2\n";
  std::ofstream((sources / "show.txt").string()) << "track Scene\n0 3\n";
  for (const char* name : {"Fade", "Glow", "Scene"}) writeTrack(name, 9.0f);  // as compiled before
  writeTrack("Handmade", 4.0f);  // in no source: live mode leaves it be
  fw_SetAlertMode(0);             // the bad source's warning is printed, not shown in a box
  fw_SetRoots(dir.string(), dir.string());
  fw_StartSync(base.c_str(), true);
  ASSERT_TRUE(fw_LiveStart(nullptr, "show", ""));
  EXPECT_EQ(fw_SyncValueAt("Glow", -1.0f, 0.0f), 9.0f);

  save("post.txt", "track Fade\n0 1\n");
  EXPECT_EQ(fw_SyncValueAt("Glow", -1.0f, 0.0f), -1.0f);
  EXPECT_FALSE(fs::exists(sync::trackFileName(base, "Glow")));
  EXPECT_EQ(fw_SyncValueAt("Fade", -1.0f, 0.0f), 1.0f);

  // Moved to another source, first added there and then taken out here: it stays.
  save("show.txt", "track Scene\n0 3\ntrack Fade\n0 5\n");
  save("post.txt", "# nothing here now\n");
  EXPECT_EQ(fw_SyncValueAt("Fade", -1.0f, 0.0f), 5.0f);
  EXPECT_TRUE(fs::exists(sync::trackFileName(base, "Fade")));
  // A source with an error removes nothing.
  save("show.txt", "track Scene\n0 three\n");
  EXPECT_EQ(fw_SyncValueAt("Fade", -1.0f, 0.0f), 5.0f);
  save("show.txt", "track Scene\n0 3\n");
  EXPECT_EQ(fw_SyncValueAt("Fade", -1.0f, 0.0f), -1.0f);
  EXPECT_FALSE(fs::exists(sync::trackFileName(base, "Fade")));
  EXPECT_EQ(fw_SyncValueAt("Handmade", -1.0f, 0.0f), 4.0f);
  EXPECT_TRUE(fs::exists(sync::trackFileName(base, "Handmade")));

  fw_LiveStop();
  fw_StopSync();
}

TEST(SyncRowRate, MusicSecondsToRowsUsesTheWidenedFloatRate) {
  EXPECT_EQ(0x418AAAABu, [] { float r = sync::kRowRate; uint32_t b; std::memcpy(&b, &r, 4); return b; }());
  EXPECT_EQ(static_cast<float>(10.0 * 17.33333396911621), fw_RowFromSeconds(10.0));
  EXPECT_EQ(static_cast<float>(123.456 * 17.33333396911621), fw_RowFromSeconds(123.456));
}
