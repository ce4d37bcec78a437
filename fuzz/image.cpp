// libFuzzer target: image file bytes through the decoder the texture loaders use (PNG, JPEG and
// the other stb_image formats, and our DDS reader), plus the DDS header-only path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <stb_image.h>

#include "fuzz_target.h"
#include "../libraries/platform/d3dx10/image_p.h"

DUSK_FUZZ_TARGET(image) {
  const std::vector<uint8_t> bytes(data, data + size);
  d3dx10image::Image image;
  std::string error;
  // Large pictures decode correctly but slowly with the checks on; a million texels is enough to
  // reach every branch, and keeps the runs fast. (The size is only asked once the checks that
  // protect stb_image have passed.)
  int width = 0, height = 0, channels = 0;
  if (!d3dx10image::IsDds(bytes) && d3dx10image::StbMayRead(bytes, error) &&
      stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels) &&
      static_cast<int64_t>(width) * height > (1 << 20))
    return 0;
  if (d3dx10image::DecodeImage(bytes, image, error)) {
    // What the texture code relies on: at least one slice with one level, each level's texels
    // exactly width × height × 4 bytes.
    if (image.slices.empty()) std::abort();
    for (const auto& slice : image.slices) {
      if (slice.empty()) std::abort();
      for (const d3dx10image::Level& level : slice)
        if (level.texels.size() != static_cast<size_t>(level.width) * level.height * 4) std::abort();
    }
  }
  if (d3dx10image::IsDds(bytes)) {
    D3DX10_IMAGE_INFO info;
    (void)d3dx10image::DescribeDds(bytes, info, error);
  }
  return 0;
}
