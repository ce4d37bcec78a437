#include "res/fw_NoiseFile.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>

namespace fs = boost::filesystem;

namespace {
std::string WriteFile(const fs::path& path, size_t size) {
  std::ofstream out(path.string(), std::ios::binary);
  for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(1 + i % 251));
  return path.string();
}
}  // namespace

TEST(NoiseFile, AbsentShortExactAndTooLong) {
  fs::path dir = fs::temp_directory_path() / fs::unique_path("core-noise-%%%%%%");
  fs::create_directories(dir);
  size_t got = 99;

  std::vector<uint8_t> absent = fw_ReadNoiseFile((dir / "none.bin").string(), &got);
  ASSERT_EQ(absent.size(), kNoiseBytes);
  EXPECT_EQ(got, 0u);
  for (uint8_t b : absent) ASSERT_EQ(b, 0);

  std::vector<uint8_t> shortFile = fw_ReadNoiseFile(WriteFile(dir / "short.bin", 1000), &got);
  ASSERT_EQ(shortFile.size(), kNoiseBytes);
  EXPECT_EQ(got, 1000u);
  EXPECT_EQ(shortFile[999], 1 + 999 % 251);
  EXPECT_EQ(shortFile[1000], 0);
  EXPECT_EQ(shortFile[kNoiseBytes - 1], 0);

  std::vector<uint8_t> longFile = fw_ReadNoiseFile(WriteFile(dir / "long.bin", kNoiseBytes + 4096), &got);
  ASSERT_EQ(longFile.size(), kNoiseBytes);
  EXPECT_EQ(got, kNoiseBytes);
  EXPECT_EQ(longFile[kNoiseBytes - 1], 1 + (kNoiseBytes - 1) % 251);

  std::vector<uint8_t> directory = fw_ReadNoiseFile(dir.string(), &got);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(directory.size(), kNoiseBytes);
  fs::remove_all(dir);
}
