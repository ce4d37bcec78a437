// PNG and WAV writers for capture mode.
#include "frame/fw_CaptureFiles.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
uint32_t gCrcTable[256];
bool gCrcReady = false;

void BuildCrcTable() {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    gCrcTable[n] = c;
  }
  gCrcReady = true;
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void PutLE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBE32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBE32(out, fw_Crc32(out.data() + typeAt, out.size() - typeAt));
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return false;
  return std::fflush(file.get()) == 0;
}
}  // namespace

uint32_t fw_Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  if (!gCrcReady) BuildCrcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = gCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool fw_WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* rgba, uint32_t rowPitch) {
  if (width <= 0 || height <= 0 || !rgba || rowPitch < static_cast<uint32_t>(width) * 4) return false;

  // Raw scanlines: filter byte 0, then RGB.
  const size_t lineBytes = 1 + static_cast<size_t>(width) * 3;
  std::vector<uint8_t> raw(lineBytes * height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* line = &raw[lineBytes * y];
    const uint8_t* src = rgba + static_cast<size_t>(rowPitch) * y;
    line[0] = 0;
    for (int32_t x = 0; x < width; ++x) {
      line[1 + 3 * x] = src[4 * x];
      line[2 + 3 * x] = src[4 * x + 1];
      line[3 + 3 * x] = src[4 * x + 2];
    }
  }

  // zlib stream of stored deflate blocks (at most 65535 bytes each) and the Adler-32 sum.
  std::vector<uint8_t> z;
  z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
  z.push_back(0x78);
  z.push_back(0x01);
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    PutLE(z, static_cast<uint32_t>(n), 2);
    PutLE(z, static_cast<uint32_t>(~n & 0xFFFF), 2);
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < raw.size();) {
    const size_t end = std::min(raw.size(), i + 5552);  // largest run without overflow
    for (; i < end; ++i) {
      a += raw[i];
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  PutBE32(z, (b << 16) | a);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBE32(header, static_cast<uint32_t>(width));
  PutBE32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return WriteAll(path, png);
}

bool fw_WriteWav(const std::string& path, int32_t channels, int32_t sampleRate, const std::vector<int16_t>& samples) {
  if (channels <= 0 || sampleRate <= 0) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> wav;
  wav.reserve(44 + dataBytes);
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  PutLE(wav, 36 + dataBytes, 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLE(wav, 16, 4);
  PutLE(wav, 1, 2);  // PCM
  PutLE(wav, static_cast<uint32_t>(channels), 2);
  PutLE(wav, static_cast<uint32_t>(sampleRate), 4);
  PutLE(wav, static_cast<uint32_t>(sampleRate * channels * 2), 4);
  PutLE(wav, static_cast<uint32_t>(channels * 2), 2);
  PutLE(wav, 16, 2);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  PutLE(wav, dataBytes, 4);
  for (int16_t s : samples) PutLE(wav, static_cast<uint16_t>(s), 2);
  return WriteAll(path, wav);
}
