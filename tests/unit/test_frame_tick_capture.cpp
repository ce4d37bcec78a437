#include "frame/fw_Capture.h"
#include "frame/fw_CaptureFiles.h"
#include "frame/fw_CaptureOptions.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = boost::filesystem;

namespace {
std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// A small inflater: stored and fixed-Huffman blocks, as a reader independent of the writer.
struct BitReader {
  const std::vector<uint8_t>& data;
  size_t at = 2;  // after the zlib header
  int bit = 0;
  uint32_t get(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
      if (at >= data.size()) throw std::runtime_error("deflate stream ends early");
      v |= uint32_t((data[at] >> bit) & 1) << i;
      if (++bit == 8) bit = 0, ++at;
    }
    return v;
  }
  uint32_t code(int count) {  // Huffman codes arrive most significant bit first
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 1) | get(1);
    return v;
  }
};

int FixedSymbol(BitReader& r) {
  uint32_t c = r.code(7);
  if (c <= 0x17) return 256 + int(c);
  c = (c << 1) | r.get(1);
  if (c >= 0x30 && c <= 0xBF) return int(c - 0x30);
  if (c >= 0xC0 && c <= 0xC7) return 280 + int(c - 0xC0);
  c = (c << 1) | r.get(1);
  return 144 + int(c - 0x190);
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& z) {
  static const int base[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  static const int dbase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  std::vector<uint8_t> out;
  BitReader r{z};
  for (bool last = false; !last;) {
    last = r.get(1);
    const uint32_t type = r.get(2);
    if (type == 0) {
      if (r.bit) r.bit = 0, ++r.at;
      const size_t n = z[r.at] | z[r.at + 1] << 8;
      out.insert(out.end(), z.begin() + r.at + 4, z.begin() + r.at + 4 + n);
      r.at += 4 + n;
      continue;
    }
    if (type != 1) throw std::runtime_error("unexpected block type");
    for (;;) {
      const int s = FixedSymbol(r);
      if (s < 256) {
        out.push_back(uint8_t(s));
      } else if (s == 256) {
        break;
      } else {
        const int length = base[s - 257] + int(r.get(extra[s - 257]));
        const int d = int(r.code(5));
        const size_t distance = size_t(dbase[d]) + r.get(d < 4 ? 0 : d / 2 - 1);
        if (distance > out.size()) throw std::runtime_error("distance before the start");
        for (int i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
      }
    }
  }
  return out;
}

std::vector<uint8_t> Idat(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> idat;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t len = BE32(&png[at]);
    if (std::string(reinterpret_cast<const char*>(&png[at + 4]), 4) == "IDAT")
      idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + len);
    at += 12 + len;
  }
  return idat;
}

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
  // 300 × 100 RGBA with padding in each row, a pitch wider than the row; the pattern gives runs
  // after the filter and literals between them.
  const int w = 300, h = 100, pitch = w * 4 + 8;
  std::vector<uint8_t> pixels(pitch * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) pixels[y * pitch + 4 * x + c] = uint8_t(x < 150 ? x * 7 + y * 3 + c * 50 : (x * x + y) * (c + 1));
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

  // Inflate (an independent reader of the deflate format), undo the Sub filter and compare.
  ASSERT_GE(idat.size(), 6u);
  EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0);
  std::vector<uint8_t> raw = Inflate(idat);
  ASSERT_EQ(raw.size(), size_t(h) * (1 + 3 * w));
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(BE32(&idat[idat.size() - 4]), (b << 16) | a);
  for (int y = 0; y < h; ++y) {
    const uint8_t* line = &raw[(1 + 3 * w) * y];
    ASSERT_EQ(line[0], 1);  // Sub
    uint8_t left[3] = {0, 0, 0};
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        left[c] = uint8_t(left[c] + line[1 + 3 * x + c]);
        ASSERT_EQ(left[c], pixels[y * pitch + 4 * x + c]) << x << "," << y;
      }
  }
  // Flat pictures shrink: 300 × 100 of one colour is far below its 90 kB of texels.
  std::vector<uint8_t> flat(pitch * h, 77);
  ASSERT_TRUE(fw_WritePng(path, w, h, flat.data(), pitch));
  EXPECT_LT(ReadFile(path).size(), 2000u);
  EXPECT_EQ(Inflate(Idat(ReadFile(path))).size(), size_t(h) * (1 + 3 * w));

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
