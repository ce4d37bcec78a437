// The module cache, the music player on the real audio library stand-in (a real MP3 made with
// lame, the no-sound or dummy device, real positions), the sync timer driving the music, and
// the failures: missing library (alert, exit code 20), missing or corrupt music (silence).
#include "audio/fw_ModuleCache.h"
#include "audio/fw_MusicPlayer.h"
#include "diag/fw_Alert.h"
#include "sync/fw_Clock.h"
#include "sync/fw_Sync.h"

#include "process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Run as a child with DUSK_MUSIC_CHILD set (from a directory without the audio library), the
// program only tries to start the music, which must end it with exit code 20.
class MissingLibraryChild : public ::testing::Environment {
public:
  void SetUp() override {
    if (!std::getenv("DUSK_MUSIC_CHILD")) return;
    fw_SetAlertMode(0);
    fw_CreateMusicPlayer(DUSK_SOURCE_DIR "/tests/data/tone_440_660_1500ms.mp3");
    std::exit(3);  // not reached when the library is missing
  }
};
const auto* gChildEnvironment = ::testing::AddGlobalTestEnvironment(new MissingLibraryChild);

fs::path tempDir() {
  fs::path dir = fs::temp_directory_path() / ("dusk_music_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

// A 14 s mono 440 Hz tone, encoded with lame at 44100 Hz.
std::string longMp3() {
  static std::string path;
  if (!path.empty()) return path;
  const fs::path wav = tempDir() / "long.wav", mp3 = tempDir() / "long.mp3";
  const uint32_t rate = 44100, frames = rate * 14;
  std::ofstream out(wav, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4); u32(36 + frames * 2); out.write("WAVEfmt ", 8);
  u32(16); u16(1); u16(1); u32(rate); u32(rate * 2); u16(2); u16(16);
  out.write("data", 4); u32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i) u16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / rate))));
  out.close();
  const std::string command = "lame --silent -m m -b 32 --resample 44.1 '" + wav.string() + "' '" + mp3.string() + "'";
  if (std::system(command.c_str()) == 0 && fs::exists(mp3)) path = mp3.string();
  return path;
}

// Queries of the loaded library that the player itself never makes.
struct Probe {
  template <typename F>
  static F bind(const char* name) { return reinterpret_cast<F>(GetProcAddress(fw_LoadModule("bass.dll"), name)); }
  static double seconds(HSTREAM s) {
    auto position = bind<decltype(&::BASS_ChannelGetPosition)>("BASS_ChannelGetPosition");
    auto toSeconds = bind<decltype(&::BASS_ChannelBytes2Seconds)>("BASS_ChannelBytes2Seconds");
    return toSeconds(s, position(s, BASS_POS_BYTE));
  }
  static QWORD bytes(HSTREAM s) { return bind<decltype(&::BASS_ChannelGetPosition)>("BASS_ChannelGetPosition")(s, BASS_POS_BYTE); }
  static DWORD active(HSTREAM s) { return bind<decltype(&::BASS_ChannelIsActive)>("BASS_ChannelIsActive")(s); }
};

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class MusicPlayer : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);  // never play out loud; the no-sound device if none
    mp3 = longMp3();
    ASSERT_FALSE(mp3.empty()) << "the lame encoder is needed to make the test's MP3";
  }
  void TearDown() override {
    fw_TakeMusicPlayer().reset();
    fw_StopSync();
    fw_DestroyClocks();
  }
  std::string mp3;
};

}  // namespace

TEST(ModuleCache, LoadsALibraryOnceAndReleasesIt) {
  HMODULE first = fw_LoadModule("bass.dll");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, fw_LoadModule("bass.dll"));
  EXPECT_TRUE(fw_IsModuleLoaded("bass.dll"));
  fw_ReleaseModule("bass.dll");
  EXPECT_FALSE(fw_IsModuleLoaded("bass.dll"));
  fw_ReleaseModule("bass.dll");  // unknown names are ignored
  fw_ReleaseModule("never_loaded.dll");
  EXPECT_NE(nullptr, fw_LoadModule("bass.dll"));
  fw_ReleaseModule("bass.dll");
}

TEST(ModuleCacheDeathTest, MissingLibraryAlertsAndEndsWithCode20) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dup2(2, 1);  // the console alert goes to standard output
        fw_SetAlertMode(0);
        fw_LoadModule("dusk_no_such_library.dll");
      },
      ::testing::ExitedWithCode(20), "Alert: Could not load dusk_no_such_library.dll");
}

TEST(MusicPlayerProcess, WithoutTheAudioLibraryTheProgramEndsWithCode20) {
  // A copy of this test program in a directory without libbass.so.
  const fs::path dir = tempDir() / "nolib";
  fs::create_directories(dir);
  const fs::path copy = dir / "music_child";
  fs::copy_file("/proc/self/exe", copy, fs::copy_options::overwrite_existing);
  RunningProcess child(copy.string(), {"--gtest_filter=ModuleCache.LoadsALibraryOnceAndReleasesIt"}, dir.string(), {"DUSK_MUSIC_CHILD=1"});
  const ProcessResult result = child.wait(30.0);
  EXPECT_EQ(20, result.exitCode) << result.output;
  EXPECT_NE(std::string::npos, result.output.find("Could not load bass.dll")) << result.output;
}

TEST_F(MusicPlayer, PlaysFromZeroRestartsAndSeeksThenResumes) {
  fw_MusicPlayer* player = fw_CreateMusicPlayer(mp3);
  ASSERT_NE(nullptr, player);
  const HSTREAM s = player->playbackStream();
  ASSERT_NE(0u, s);
  EXPECT_NE(0u, player->decodeStream());
  EXPECT_EQ(fs::file_size(mp3), player->fileSize());
  EXPECT_EQ(44100u, player->deviceInfo().freq);

  player->play(0.0f);
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PLAYING), Probe::active(s));
  sleepMs(300);
  const double early = Probe::seconds(s);
  EXPECT_GT(early, 0.15);
  EXPECT_LT(early, 1.5);

  player->play(12.5f);  // seeks and resumes without restarting
  EXPECT_NEAR(12.5, Probe::seconds(s), 0.05);
  sleepMs(200);
  EXPECT_GT(Probe::seconds(s), 12.55);
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PLAYING), Probe::active(s));

  player->play(0.0f);  // from anywhere, 0 restarts the soundtrack
  EXPECT_LT(Probe::seconds(s), 0.05);

  player->pause();
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PAUSED), Probe::active(s));
  player->seek(3.0f);
  EXPECT_EQ(3u * 44100u * 2u, Probe::bytes(s));  // mono, 16-bit
  sleepMs(100);
  EXPECT_EQ(3u * 44100u * 2u, Probe::bytes(s));
  player->play(3.0f);
  sleepMs(100);
  EXPECT_GT(Probe::bytes(s), 3u * 44100u * 2u);
}

TEST_F(MusicPlayer, MissingEmptyOrCorruptMusicLeavesNoStreamsAndStaysQuiet) {
  const fs::path corrupt = tempDir() / "corrupt.mp3", empty = tempDir() / "empty.mp3";
  std::ofstream(corrupt) << "ID3 but then nothing that decodes, only words and more words";
  std::ofstream{empty};
  for (const std::string& path : {std::string("/nonexistent/music.mp3"), corrupt.string(), empty.string()}) {
    fw_MusicPlayer* player = fw_CreateMusicPlayer(path);
    EXPECT_EQ(0u, player->playbackStream()) << path;
    EXPECT_EQ(0u, player->decodeStream()) << path;
    player->play(0.0f);
    player->seek(5.0f);
    player->pause();
    player->play(2.0f);
  }
  EXPECT_EQ(0u, fs::file_size(empty));

  // The show then runs silently on the music clock, seeks included.
  LONGLONG now = 0;
  platform::SetVirtualPerformanceCounter([&now] { return now; });
  fw_CreateClocks();
  fw_StartSync("/nonexistent/sync");
  fw_RestartClocks();
  fw_GetSyncTimer()->play();
  now += 1'500'000'000LL;
  fw_UpdateClocks();
  EXPECT_EQ(1.5f, fw_GetSyncTimer()->getTime());
  fw_SeekToRow(200.0f, true);
  EXPECT_TRUE(fw_GetSyncTimer()->isPlaying());
  EXPECT_GE(fw_GetSyncRow(), 200.0f);
  platform::SetVirtualPerformanceCounter({});
}

TEST_F(MusicPlayer, TheSyncTimerKeepsTheMusicInStep) {
  LONGLONG now = 1'000'000'000LL;
  platform::SetVirtualPerformanceCounter([&now] { return now; });
  fw_CreateClocks();
  fw_StartSync("/nonexistent/sync");
  fw_MusicPlayer* player = fw_CreateMusicPlayer(mp3);
  const HSTREAM s = player->playbackStream();
  ASSERT_NE(0u, s);

  fw_RestartClocks();
  player->play(0.0f);
  fw_SyncTimer& timer = *fw_GetSyncTimer();

  // A forced seek while playing: the music is moved to the stored time and keeps playing.
  fw_SeekToRow(104.0f, true);
  EXPECT_TRUE(timer.isPlaying());
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PLAYING), Probe::active(s));
  EXPECT_NEAR(fw_RowToSeconds(104.0f), Probe::seconds(s), 0.03);

  timer.pause();
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PAUSED), Probe::active(s));
  const QWORD held = Probe::bytes(s);
  sleepMs(100);
  EXPECT_EQ(held, Probe::bytes(s));

  // Frame ticks go on while paused and the clock holds; play starts the music from the clock's
  // time, and both run on together.
  now += 2'000'000'000LL;
  fw_UpdateClocks();
  player->seek(1.0f);  // the music is elsewhere; play puts it back at the clock's time
  timer.play();
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PLAYING), Probe::active(s));
  EXPECT_NEAR(fw_RowToSeconds(104.0f), Probe::seconds(s), 0.03);
  now += 500'000'000LL;
  fw_UpdateClocks();
  EXPECT_NEAR(fw_RowToSeconds(104.0f) + 0.5, timer.getTime(), 1e-5);

  // A seek while paused leaves both paused at the row.
  timer.pause();
  fw_SeekToRow(17.0f, false);
  EXPECT_FALSE(timer.isPlaying());
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PAUSED), Probe::active(s));
  EXPECT_NEAR(fw_RowToSeconds(17.0f), Probe::seconds(s), 1e-3);
  platform::SetVirtualPerformanceCounter({});
}
