// Image bytes into RGBA8 levels, without any device: stb_image for PNG, JPEG, BMP, GIF and TGA,
// our own reader for DDS. Kept apart from the texture code so that it can be run on its own.
#include <cstdlib>
#include <cstring>
#include <new>

#include <stb_image.h>

#include "image_p.h"

namespace d3dx10image {

namespace {

// D3D10's largest 2D texture side.
constexpr int kMaxStbSide = 8192;

// The stb_image of the system (2.27) builds a JPEG Huffman table without checking that the code
// counts of a DHT segment add up to at most 256, and then writes past the end of its table. It
// reads a DHT segment the same way wherever it meets one, so every FF C4 in the file is checked
// as stb_image would read it (bytes past the end read as zero, as they do there).
bool JpegHuffmanCountsFit(const std::vector<uint8_t>& bytes) {
  auto at = [&](size_t i) -> unsigned { return i < bytes.size() ? bytes[i] : 0u; };
  for (size_t marker = 0; marker + 1 < bytes.size(); ++marker) {
    if (bytes[marker] != 0xFF || bytes[marker + 1] != 0xC4) continue;
    long left = static_cast<long>(at(marker + 2) << 8 | at(marker + 3)) - 2;
    size_t p = marker + 4;
    while (left > 0 && p < bytes.size()) {
      unsigned codes = 0;
      for (size_t k = 1; k <= 16; ++k) codes += at(p + k);
      if (codes > 256) return false;
      p += 17 + codes;
      left -= 17 + static_cast<long>(codes);
    }
  }
  return true;
}

// stb_image decodes a scan with whatever its Huffman tables hold: a scan that names a table no
// DHT segment defined reads uninitialised memory and indexes with it. The markers are walked as
// stb_image reads them (segments by their length, entropy-coded data up to the next marker), and
// a scan that needs an undefined table is refused. A progressive first DC scan needs only its DC
// table, an AC scan only its AC table, a DC refinement none. Files stb_image rejects by itself
// (bad selectors, short segments) are left to it.
bool JpegScansUseDefinedTables(const std::vector<uint8_t>& bytes) {
  auto at = [&](size_t i) -> unsigned { return i < bytes.size() ? bytes[i] : 0u; };
  bool defined[2][4] = {};
  bool progressive = false;
  size_t i = 0;
  for (;;) {
    while (i < bytes.size() && bytes[i] != 0xFF) ++i;  // entropy-coded data
    while (i < bytes.size() && bytes[i] == 0xFF) ++i;  // fill bytes
    if (i >= bytes.size()) return true;
    const unsigned marker = bytes[i++];
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (marker == 0xD9) return true;
    const size_t length = at(i) << 8 | at(i + 1);
    const size_t start = i + 2, end = i + length;
    if (length < 2) return true;
    if (marker == 0xC2) progressive = true;
    if (marker == 0xC4) {
      for (size_t p = start; p < end && p < bytes.size();) {
        const unsigned table = at(p);
        if (table >> 4 > 1 || (table & 15) > 3) return true;
        size_t codes = 0;
        for (size_t k = 1; k <= 16; ++k) codes += at(p + k);
        defined[table >> 4][table & 15] = true;
        p += 17 + codes;
      }
    } else if (marker == 0xDA) {
      const size_t components = at(start);
      const size_t after = start + 1 + 2 * components;
      const unsigned spectralStart = at(after), approximationHigh = at(after + 2) >> 4;
      const bool needDc = !progressive || (spectralStart == 0 && approximationHigh == 0);
      const bool needAc = !progressive || spectralStart > 0;
      for (size_t c = 0; c < components; ++c) {
        const unsigned tables = at(start + 2 + 2 * c);
        if (tables >> 4 > 3 || (tables & 15) > 3) return true;
        if ((needDc && !defined[0][tables >> 4]) || (needAc && !defined[1][tables & 15])) return false;
      }
    }
    i = end;
  }
}

// stb_image grows its buffer for PNG image data to a chunk's stated length before it reads the
// chunk, so a few bytes that claim a 2 GB chunk cost 2 GB. It fails on any chunk that runs past
// the end of the file anyway (image data cannot be read; a skipped chunk leaves it reading
// zeros, an unknown critical chunk), so such files are refused before it starts.
bool PngChunksFit(const std::vector<uint8_t>& bytes) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return true;
  size_t at = 8;
  while (bytes.size() - at >= 8) {
    const uint32_t length = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
                            bytes[at + 3];
    if (length > bytes.size() - at - 8) return false;
    if (std::memcmp(&bytes[at + 4], "IEND", 4) == 0) return true;
    at += 12 + size_t(length);  // length, type, data, CRC
    if (at > bytes.size()) return true;  // only the CRC is cut off: stb_image reads it as zero
  }
  return true;
}

// stb_image takes a file for JPEG when it starts with 0xFF bytes (any number: fill bytes) and
// then 0xD8; no other format it reads starts with 0xFF.
bool ReadAsJpeg(const std::vector<uint8_t>& bytes) {
  size_t i = 0;
  while (i < bytes.size() && bytes[i] == 0xFF) ++i;
  return i > 0 && i < bytes.size() && bytes[i] == 0xD8;
}

bool DecodeStb(const std::vector<uint8_t>& bytes, Image& image, std::string& error) {
  if (!StbMayRead(bytes, error)) return false;
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
  if (!pixels) {
    const char* reason = stbi_failure_reason();
    error = reason ? reason : "unknown image format";
    return false;
  }
  Level level;
  level.width = static_cast<uint32_t>(width);
  level.height = static_cast<uint32_t>(height);
  level.texels.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
  stbi_image_free(pixels);
  image.fileFormat = SniffFormat(bytes);
  image.cube = false;
  image.slices.assign(1, std::vector<Level>{std::move(level)});
  return true;
}

}  // namespace

D3DX10_IMAGE_FILE_FORMAT SniffFormat(const std::vector<uint8_t>& bytes) {
  auto starts = [&](const char* magic, size_t n) { return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0; };
  if (starts("\x89PNG", 4)) return D3DX10_IFF_PNG;
  if (starts("\xFF\xD8", 2)) return D3DX10_IFF_JPG;
  if (starts("BM", 2)) return D3DX10_IFF_BMP;
  if (starts("GIF8", 4)) return D3DX10_IFF_GIF;
  return D3DX10_IFF_TGA;  // TGA has no magic number; stb_image decides
}

// stb_image also reads PNM, PSD, HDR and PIC files, which this loader does not offer; its PNM
// reader reads past the end of a short 16-bit file. Those formats are refused by their magic
// numbers (a TGA never starts like them: its second byte is 0 or 1).
static bool IsFormatNotOffered(const std::vector<uint8_t>& bytes) {
  auto starts = [&](const char* magic, size_t n) { return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0; };
  const bool pnm = bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7';
  return pnm || starts("8BPS", 4) || starts("#?", 2) || starts("\x53\x80\xF6\x34", 4);
}

bool StbMayRead(const std::vector<uint8_t>& bytes, std::string& error) {
  if (bytes.empty()) {
    error = "the file is empty";  // and stb_image must not see the null data pointer
    return false;
  }
  if (IsFormatNotOffered(bytes)) {
    error = "not a PNG, JPEG, BMP, GIF or TGA file";
    return false;
  }
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) {
    error = "the file is too large";
    return false;
  }
  if (ReadAsJpeg(bytes) && !JpegHuffmanCountsFit(bytes)) {
    error = "a JPEG Huffman table has more than 256 codes";
    return false;
  }
  if (ReadAsJpeg(bytes) && !JpegScansUseDefinedTables(bytes)) {
    error = "a JPEG scan uses a Huffman table that is never defined";
    return false;
  }
  if (!PngChunksFit(bytes)) {
    error = "a PNG chunk runs past the end of the file";
    return false;
  }
  // A few bytes of TGA or PNG can claim gigabytes of texels, which stb_image would allocate and
  // fill. Nothing larger than the device's largest 2D texture is decoded.
  int width = 0, height = 0, channels = 0;
  // stb_image reports a top-down BMP's height as negative and then decodes its absolute value.
  if (stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels) &&
      (std::abs(static_cast<int64_t>(width)) > kMaxStbSide || std::abs(static_cast<int64_t>(height)) > kMaxStbSide)) {
    error = std::to_string(width) + " x " + std::to_string(height) + " texels is larger than " +
            std::to_string(kMaxStbSide) + " on a side";
    return false;
  }
  return true;
}

bool DecodeImage(const std::vector<uint8_t>& bytes, Image& image, std::string& error) {
  try {
    return IsDds(bytes) ? DecodeDds(bytes, image, error) : DecodeStb(bytes, image, error);
  } catch (const std::bad_alloc&) {
    error = "not enough memory";
    return false;
  }
}

}  // namespace d3dx10image
