// The audio library stand-in, loaded at run time as the program loads it: MP3 decoding from
// memory (length, content, byte/second conversions, seeking), playback on the no-sound device
// with positions moving in real time, pause, restart, and the errors of bad calls and bad data.
#include <platform/bass.h>
#include <platform/win32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

// The fixture: 1.5 s of 16-bit stereo at 44100 Hz, 440 Hz on the left, 660 Hz on the right.
constexpr QWORD kFrames = 66150;
constexpr QWORD kBytes = kFrames * 4;

std::vector<unsigned char> readFixture() {
  std::ifstream in(DUSK_SOURCE_DIR "/tests/data/tone_440_660_1500ms.mp3", std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// The library's calls, resolved by name from the loaded module.
struct Bass {
  HMODULE module = LoadLibraryA("bass.dll");
  template <typename F>
  F bind(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(module, name));
  }
#define BIND(name) decltype(&::name) name = bind<decltype(&::name)>(#name)
  BIND(BASS_Init);
  BIND(BASS_Free);
  BIND(BASS_GetInfo);
  BIND(BASS_ErrorGetCode);
  BIND(BASS_SetConfig);
  BIND(BASS_GetConfig);
  BIND(BASS_StreamCreateFile);
  BIND(BASS_StreamFree);
  BIND(BASS_ChannelPlay);
  BIND(BASS_ChannelPause);
  BIND(BASS_ChannelStop);
  BIND(BASS_ChannelIsActive);
  BIND(BASS_ChannelGetInfo);
  BIND(BASS_ChannelSeconds2Bytes);
  BIND(BASS_ChannelBytes2Seconds);
  BIND(BASS_ChannelSetPosition);
  BIND(BASS_ChannelGetPosition);
  BIND(BASS_ChannelGetLength);
  BIND(BASS_ChannelGetData);
#undef BIND
};

class BassStandIn : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(nullptr, bass.module) << "libbass.so must be built beside the tests";
    ASSERT_NE(nullptr, bass.BASS_ChannelGetData);
    mp3 = readFixture();
    ASSERT_GT(mp3.size(), 1000u);
    ASSERT_TRUE(bass.BASS_Init(0, 44100, BASS_DEVICE_LATENCY, nullptr, nullptr));
  }
  void TearDown() override { bass.BASS_Free(); }

  HSTREAM open(DWORD flags) { return bass.BASS_StreamCreateFile(TRUE, mp3.data(), 0, mp3.size(), flags); }
  double seconds(HSTREAM s) { return bass.BASS_ChannelBytes2Seconds(s, bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE)); }

  Bass bass;
  std::vector<unsigned char> mp3;
};

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

TEST_F(BassStandIn, DecodesTheWholeToneToItsExactLengthAndPitch) {
  HSTREAM s = open(BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
  ASSERT_NE(0u, s) << bass.BASS_ErrorGetCode();
  BASS_CHANNELINFO info;
  ASSERT_TRUE(bass.BASS_ChannelGetInfo(s, &info));
  EXPECT_EQ(44100u, info.freq);
  EXPECT_EQ(2u, info.chans);
  EXPECT_EQ(kBytes, bass.BASS_ChannelGetLength(s, BASS_POS_BYTE));

  std::vector<int16_t> pcm;
  int16_t chunk[4096];
  DWORD got;
  while ((got = bass.BASS_ChannelGetData(s, chunk, sizeof(chunk))) != static_cast<DWORD>(-1)) {
    pcm.insert(pcm.end(), chunk, chunk + got / 2);
    if (got == 0) break;
  }
  EXPECT_EQ(BASS_ERROR_ENDED, bass.BASS_ErrorGetCode());
  ASSERT_EQ(kFrames * 2, pcm.size());  // the encoder's padding is gone: gapless
  EXPECT_EQ(kBytes, bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE));
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_STOPPED), bass.BASS_ChannelIsActive(s));

  // Count rising zero crossings in the middle second: 440 left, 660 right.
  int left = 0, right = 0;
  for (size_t f = 22051; f < 22050 + 44100; ++f) {
    left += pcm[2 * (f - 1)] < 0 && pcm[2 * f] >= 0;
    right += pcm[2 * (f - 1) + 1] < 0 && pcm[2 * f + 1] >= 0;
  }
  EXPECT_NEAR(440, left, 2);
  EXPECT_NEAR(660, right, 2);
  EXPECT_TRUE(bass.BASS_StreamFree(s));
}

TEST_F(BassStandIn, SecondsAndBytesConvertInWholeFramesAndSeekLandsExactly) {
  HSTREAM s = open(BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
  ASSERT_NE(0u, s);
  EXPECT_EQ(176400u, bass.BASS_ChannelSeconds2Bytes(s, 1.0));
  EXPECT_EQ(4u * 55125u, bass.BASS_ChannelSeconds2Bytes(s, 1.25));
  EXPECT_EQ(4u * 441u, bass.BASS_ChannelSeconds2Bytes(s, 0.01));
  EXPECT_EQ(0u, bass.BASS_ChannelSeconds2Bytes(s, -3.0));
  EXPECT_DOUBLE_EQ(0.5, bass.BASS_ChannelBytes2Seconds(s, 88200));

  // Decoding after a seek gives the same samples as decoding straight through to that point.
  std::vector<int16_t> all(kFrames * 2);
  ASSERT_EQ(kBytes, bass.BASS_ChannelGetData(s, all.data(), static_cast<DWORD>(kBytes)));
  const QWORD at = bass.BASS_ChannelSeconds2Bytes(s, 0.75);
  ASSERT_TRUE(bass.BASS_ChannelSetPosition(s, at, BASS_POS_BYTE));
  EXPECT_EQ(at, bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE));
  int16_t after[512];
  ASSERT_EQ(sizeof(after), bass.BASS_ChannelGetData(s, after, sizeof(after)));
  for (size_t i = 0; i < 512; ++i) ASSERT_EQ(all[at / 2 + i], after[i]) << i;

  EXPECT_FALSE(bass.BASS_ChannelSetPosition(s, kBytes + 4, BASS_POS_BYTE));
  EXPECT_EQ(BASS_ERROR_POSITION, bass.BASS_ErrorGetCode());
  EXPECT_FALSE(bass.BASS_ChannelSetPosition(s, 0, 1));
}

TEST_F(BassStandIn, SilentDevicePlaysInRealTimePausesAndRestarts) {
  HSTREAM s = open(BASS_STREAM_PRESCAN);
  ASSERT_NE(0u, s);
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_STOPPED), bass.BASS_ChannelIsActive(s));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(bass.BASS_ChannelPlay(s, TRUE));
  sleepMs(400);
  const double played = seconds(s);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(played, 0.3);
  EXPECT_LE(played, wall + 0.01);

  ASSERT_TRUE(bass.BASS_ChannelPause(s));
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_PAUSED), bass.BASS_ChannelIsActive(s));
  const QWORD paused = bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE);
  sleepMs(100);
  EXPECT_EQ(paused, bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE));
  EXPECT_FALSE(bass.BASS_ChannelPause(s));  // not playing
  EXPECT_EQ(BASS_ERROR_NOPLAY, bass.BASS_ErrorGetCode());

  // Resuming without restart continues from the paused position.
  ASSERT_TRUE(bass.BASS_ChannelPlay(s, FALSE));
  sleepMs(50);
  EXPECT_GE(bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE), paused);

  // A seek while playing moves there; a restart goes back to the beginning.
  ASSERT_TRUE(bass.BASS_ChannelSetPosition(s, bass.BASS_ChannelSeconds2Bytes(s, 1.2), BASS_POS_BYTE));
  EXPECT_NEAR(1.2, seconds(s), 0.05);
  ASSERT_TRUE(bass.BASS_ChannelPlay(s, TRUE));
  EXPECT_LT(seconds(s), 0.05);

  // Played to the end, the channel stops there.
  ASSERT_TRUE(bass.BASS_ChannelSetPosition(s, bass.BASS_ChannelSeconds2Bytes(s, 1.4), BASS_POS_BYTE));
  sleepMs(300);
  EXPECT_EQ(static_cast<DWORD>(BASS_ACTIVE_STOPPED), bass.BASS_ChannelIsActive(s));
  EXPECT_EQ(kBytes, bass.BASS_ChannelGetPosition(s, BASS_POS_BYTE));
  EXPECT_TRUE(bass.BASS_ChannelStop(s));
}

TEST_F(BassStandIn, CorruptEmptyOrMissingDataGivesNoStream) {
  const char text[] = "This is not an MP3 file, only a sentence that pretends to be one for a while.";
  EXPECT_EQ(0u, bass.BASS_StreamCreateFile(TRUE, text, 0, sizeof(text), BASS_STREAM_PRESCAN));
  EXPECT_EQ(BASS_ERROR_FILEFORM, bass.BASS_ErrorGetCode());
  std::vector<unsigned char> zeros(20000, 0);
  EXPECT_EQ(0u, bass.BASS_StreamCreateFile(TRUE, zeros.data(), 0, zeros.size(), BASS_STREAM_PRESCAN));
  EXPECT_EQ(0u, bass.BASS_StreamCreateFile(TRUE, mp3.data(), 0, 0, BASS_STREAM_PRESCAN));
  EXPECT_EQ(0u, bass.BASS_StreamCreateFile(TRUE, nullptr, 0, 100, 0));
  EXPECT_EQ(BASS_ERROR_ILLPARAM, bass.BASS_ErrorGetCode());
  EXPECT_EQ(0u, bass.BASS_StreamCreateFile(FALSE, "/nonexistent/music.mp3", 0, 0, 0));
  EXPECT_EQ(BASS_ERROR_FILEOPEN, bass.BASS_ErrorGetCode());

  // A truncated file still plays what it has.
  HSTREAM part = bass.BASS_StreamCreateFile(TRUE, mp3.data(), 0, mp3.size() / 2, BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
  ASSERT_NE(0u, part);
  const QWORD length = bass.BASS_ChannelGetLength(part, BASS_POS_BYTE);
  EXPECT_GT(length, kBytes / 4);
  EXPECT_LT(length, kBytes);

  // Calls on handle 0 fail without effect.
  EXPECT_FALSE(bass.BASS_ChannelPlay(0, TRUE));
  EXPECT_EQ(BASS_ERROR_HANDLE, bass.BASS_ErrorGetCode());
  EXPECT_FALSE(bass.BASS_ChannelSetPosition(0, 0, BASS_POS_BYTE));
  EXPECT_FALSE(bass.BASS_ChannelPause(0));
  EXPECT_FALSE(bass.BASS_StreamFree(0));
}

TEST_F(BassStandIn, StreamsFromAFileNameAndDecodeStreamsRefusePlayback) {
  HSTREAM s = bass.BASS_StreamCreateFile(FALSE, DUSK_SOURCE_DIR "/tests/data/tone_440_660_1500ms.mp3", 0, 0,
                                         BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
  ASSERT_NE(0u, s);
  EXPECT_EQ(kBytes, bass.BASS_ChannelGetLength(s, BASS_POS_BYTE));
  EXPECT_FALSE(bass.BASS_ChannelPlay(s, TRUE));
  EXPECT_EQ(BASS_ERROR_DECODE, bass.BASS_ErrorGetCode());
  EXPECT_TRUE(bass.BASS_StreamFree(s));
  EXPECT_FALSE(bass.BASS_StreamFree(s));
}

TEST_F(BassStandIn, LifecycleInitInfoConfigAndFree) {
  EXPECT_FALSE(bass.BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ERROR_ALREADY, bass.BASS_ErrorGetCode());
  BASS_INFO info;
  ASSERT_TRUE(bass.BASS_GetInfo(&info));
  EXPECT_EQ(44100u, info.freq);
  EXPECT_EQ(static_cast<DWORD>(BASS_DEVICE_LATENCY), info.initflags);
  EXPECT_TRUE(bass.BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 5000));
  EXPECT_EQ(5000u, bass.BASS_GetConfig(BASS_CONFIG_GVOL_STREAM));
  EXPECT_FALSE(bass.BASS_SetConfig(999, 1));
  EXPECT_FALSE(bass.BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, 10001));

  HSTREAM s = open(BASS_STREAM_PRESCAN);
  ASSERT_NE(0u, s);
  ASSERT_TRUE(bass.BASS_ChannelPlay(s, TRUE));
  EXPECT_TRUE(bass.BASS_Free());  // frees the playing stream with the device
  EXPECT_FALSE(bass.BASS_ChannelPlay(s, TRUE));
  EXPECT_FALSE(bass.BASS_GetInfo(&info));
  EXPECT_EQ(BASS_ERROR_INIT, bass.BASS_ErrorGetCode());
  EXPECT_EQ(0u, open(0));
  EXPECT_EQ(BASS_ERROR_INIT, bass.BASS_ErrorGetCode());
  EXPECT_FALSE(bass.BASS_Init(7, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ERROR_DEVICE, bass.BASS_ErrorGetCode());
  ASSERT_TRUE(bass.BASS_Init(0, 48000, 0, nullptr, nullptr));  // again, at another rate

  // A 44100 Hz stream on a 48000 Hz device still advances at its own rate.
  s = open(BASS_STREAM_PRESCAN);
  ASSERT_TRUE(bass.BASS_ChannelPlay(s, TRUE));
  sleepMs(300);
  EXPECT_NEAR(0.3, seconds(s), 0.1);
}
