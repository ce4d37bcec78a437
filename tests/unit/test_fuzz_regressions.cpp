// Inputs the fuzz targets of fuzz/ once failed on, kept under tests/data/fuzz/<target>/ and
// replayed through the very entry each target runs (its checks abort on a broken promise). In a
// sanitizer build this also catches the overruns; here it catches crashes, hangs and refusals.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../fuzz/fuzz_target.h"
#include "../../libraries/platform/d3dx10/image_p.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(FuzzRegressions, EverySavedInputRunsCleanAndQuickly) {
  const std::filesystem::path top = std::filesystem::path(DUSK_SOURCE_DIR) / "tests/data/fuzz";
  size_t replayed = 0;
  for (const auto& directory : std::filesystem::directory_iterator(top)) {
    const std::string target = directory.path().filename().string();
    const auto entry = dusk_fuzz::Targets().find(target);
    ASSERT_NE(entry, dusk_fuzz::Targets().end()) << "no fuzz target named " << target;
    for (const auto& input : std::filesystem::directory_iterator(directory.path())) {
      const std::vector<uint8_t> bytes = ReadBytes(input.path());
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(entry->second(bytes.data(), bytes.size()), 0) << input.path();
      // The hangs found were many seconds long; a sound reader takes milliseconds.
      EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0) << input.path();
      ++replayed;

      // Without a sanitizer an overrun inside the image decoder is silent: these files are refused.
      if (target == "image") {
        d3dx10image::Image image;
        std::string error;
        EXPECT_FALSE(d3dx10image::DecodeImage(bytes, image, error)) << input.path();
        EXPECT_FALSE(error.empty()) << input.path();
      }
    }
  }
  EXPECT_GT(replayed, 0u);
}
