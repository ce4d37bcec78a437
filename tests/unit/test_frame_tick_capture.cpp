#include "frame/fw_Capture.h"
#include "frame/fw_CaptureFiles.h"
#include "frame/fw_CaptureOptions.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>

namespace fs = boost::filesystem;

namespace {
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int Parse(std::vector<const char*> args, fw_CaptureSettings* s, std::string* error) {
  int consumed = 0;
  for (int i = 0; i < static_cast<int>(args.size());) {
    int n = fw_ParseCaptureOption(static_cast<int>(args.size()), args.data(), i, s, error);
    if (n == 0) return -1;
    consumed += n;
    i += n;
  }
  return consumed;
}
}  // namespace

TEST(CaptureFiles, PngChunksChecksumsAndPixelsRoundTrip) {
  fs::path dir = fs::temp_directory_path() / fs::unique_path("core-png-%%%%%%");
  fs::create_directories(dir);
  // 300 × 100 RGBA with padding in each row: two stored blocks and a pitch wider than the row.
  const int w = 300, h = 100, pitch = w * 4 + 8;
  std::vector<uint8_t> pixels(pitch * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) pixels[y * pitch + 4 * x + c] = uint8_t(x * 7 + y * 3 + c * 50);
  const std::string path = (dir / "f.png").string();
  ASSERT_TRUE(fw_WritePng(path, w, h, pixels.data(), pitch));

  std::vector<uint8_t> png = ReadFile(path);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  std::vector<uint8_t> idat;
  std::vector<std::string> types;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t len = BE32(&png[at]);
    ASSERT_LE(at + 12 + len, png.size());
    types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
    EXPECT_EQ(fw_Crc32(&png[at + 4], 4 + len), BE32(&png[at + 8 + len])) << types.back();
    if (types.back() == "IHDR") {
      EXPECT_EQ(BE32(&png[at + 8]), uint32_t(w));
      EXPECT_EQ(BE32(&png[at + 12]), uint32_t(h));
    }
    if (types.back() == "IDAT") idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + len);
    at += 12 + len;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

  // Inflate the stored blocks and compare with the pixels (RGB, filter byte 0 per row).
  ASSERT_GE(idat.size(), 6u);
  EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0);
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last;) {
    last = idat[at] & 1;
    const size_t n = idat[at + 1] | idat[at + 2] << 8;
    EXPECT_EQ(n ^ 0xFFFF, size_t(idat[at + 3] | idat[at + 4] << 8));
    raw.insert(raw.end(), idat.begin() + at + 5, idat.begin() + at + 5 + n);
    at += 5 + n;
  }
  ASSERT_EQ(raw.size(), size_t(h) * (1 + 3 * w));
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(BE32(&idat[at]), (b << 16) | a);
  EXPECT_EQ(raw[0], 0);
  EXPECT_EQ(raw[1 + 3 * 5 + 1], pixels[5 * 4 + 1]);
  EXPECT_EQ(raw[(1 + 3 * w) * 99 + 1 + 3 * 299 + 2], pixels[99 * pitch + 299 * 4 + 2]);

  EXPECT_FALSE(fw_WritePng(path, 0, 10, pixels.data(), pitch));
  EXPECT_FALSE(fw_WritePng(path, w, h, pixels.data(), w));  // pitch shorter than a row
  EXPECT_FALSE(fw_WritePng((dir / "no/such/dir.png").string(), w, h, pixels.data(), pitch));
  fs::remove_all(dir);
}

TEST(CaptureFiles, WavHeaderAndSamples) {
  fs::path path = fs::temp_directory_path() / fs::unique_path("core-wav-%%%%%%.wav");
  std::vector<int16_t> samples = {0, -1, 32767, -32768, 5, 6};
  ASSERT_TRUE(fw_WriteWav(path.string(), 2, 44100, samples));
  std::vector<uint8_t> wav = ReadFile(path.string());
  ASSERT_EQ(wav.size(), 44u + 12u);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(wav[22], 2);                                            // channels
  EXPECT_EQ(wav[24] | wav[25] << 8 | wav[26] << 16, 44100);         // rate
  EXPECT_EQ(wav[40], 12);                                           // data bytes
  EXPECT_EQ(wav[46], 0xFF);
  EXPECT_EQ(wav[47], 0xFF);                                         // -1
  EXPECT_EQ(wav[50], 0x00);
  EXPECT_EQ(wav[51], 0x80);                                         // -32768
  EXPECT_FALSE(fw_WriteWav(path.string(), 0, 44100, samples));
  fs::remove(path);
}

TEST(CaptureOptions, ParsesValuesAndRejectsBadOnes) {
  fw_CaptureSettings s;
  std::string error;
  EXPECT_EQ(Parse({"--capture", "/tmp/out", "--fps", "30", "--from-row", "64", "--to-row", "128.5", "--frames", "10"},
                  &s, &error),
            10);
  EXPECT_TRUE(error.empty());
  EXPECT_TRUE(s.enabled);
  EXPECT_EQ(s.directory, "/tmp/out");
  EXPECT_EQ(s.fps, 30);
  EXPECT_EQ(s.fromRow, 64.0f);
  EXPECT_EQ(s.toRow, 128.5f);
  EXPECT_EQ(s.frames, 10);
  EXPECT_TRUE(fw_ValidateCaptureSettings(s, &error));

  const char* other[] = {"--windowed"};
  EXPECT_EQ(fw_ParseCaptureOption(1, other, 0, &s, &error), 0);

  for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
           {"--fps", "0"}, {"--fps", "abc"}, {"--fps", "60x"}, {"--frames", "-3"}, {"--to-row", "nan"},
           {"--from-row", "-1"}, {"--capture", ""}, {"--frames"}}) {
    fw_CaptureSettings t;
    error.clear();
    Parse(bad, &t, &error);
    EXPECT_FALSE(error.empty()) << bad[0];
  }

  fw_CaptureSettings noCapture;
  noCapture.frames = 3;
  EXPECT_FALSE(fw_ValidateCaptureSettings(noCapture, &error));
  fw_CaptureSettings backwards;
  backwards.enabled = true;
  backwards.fromRow = 10;
  backwards.toRow = 5;
  EXPECT_FALSE(fw_ValidateCaptureSettings(backwards, &error));
  fw_CaptureSettings plain;
  EXPECT_TRUE(fw_ValidateCaptureSettings(plain, &error));
}

TEST(CaptureClock, FramesMapToCounterTicksWithoutDrift) {
  EXPECT_EQ(fw_CaptureCounterTicks(0, 60), 0);
  EXPECT_EQ(fw_CaptureCounterTicks(1, 60), 16666666);
  EXPECT_EQ(fw_CaptureCounterTicks(2, 60), 33333333);
  EXPECT_EQ(fw_CaptureCounterTicks(60, 60), 1000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(6000, 60), 100000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(30, 30), 1000000000);
  EXPECT_EQ(fw_CaptureCounterTicks(7, 0), fw_CaptureCounterTicks(7, 60));  // a bad rate falls back to 60
  // Ten hours at 1000 frames per second: still exact.
  EXPECT_EQ(fw_CaptureCounterTicks(36000000, 1000), 36000000000000);
  for (int64_t n = 1; n < 1000; ++n) {
    const int64_t step = fw_CaptureCounterTicks(n, 60) - fw_CaptureCounterTicks(n - 1, 60);
    ASSERT_TRUE(step == 16666666 || step == 16666667) << n;
  }
  EXPECT_FALSE(fw_CaptureActive());
  fw_CaptureFrame();  // no capture installed: nothing happens
  fw_CaptureFinish();
  EXPECT_EQ(fw_CaptureFramesWritten(), 0);
}
