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

namespace {
// Deflate with the fixed Huffman code and one kind of match: a run of the byte just written
// (distance 1). After the Sub filter, flat areas of a rendered frame become runs of zeros, so
// this small coder shrinks them a lot at little cost, and its output depends on the pixels alone.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : mOut(out) {}
  void put(uint32_t bits, int count) {  // least significant bit first
    mBits |= static_cast<uint64_t>(bits) << mCount;
    mCount += count;
    while (mCount >= 8) {
      mOut.push_back(static_cast<uint8_t>(mBits));
      mBits >>= 8;
      mCount -= 8;
    }
  }
  void flush() {
    if (mCount > 0) mOut.push_back(static_cast<uint8_t>(mBits));
    mBits = 0;
    mCount = 0;
  }

 private:
  std::vector<uint8_t>& mOut;
  uint64_t mBits = 0;
  int mCount = 0;
};

uint32_t Reverse(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; ++i) r |= ((code >> i) & 1u) << (length - 1 - i);
  return r;
}

// Fixed literal/length code of a symbol, bits reversed for the least-significant-first writer.
void PutSymbol(BitWriter& bits, int symbol) {
  uint32_t code;
  int length;
  if (symbol < 144) {
    code = 0x30 + symbol;
    length = 8;
  } else if (symbol < 256) {
    code = 0x190 + (symbol - 144);
    length = 9;
  } else if (symbol < 280) {
    code = symbol - 256;
    length = 7;
  } else {
    code = 0xC0 + (symbol - 280);
    length = 8;
  }
  bits.put(Reverse(code, length), length);
}

const int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

void PutRun(BitWriter& bits, int length) {  // 3 to 258 repeats of the previous byte
  int index = 28;
  while (kLengthBase[index] > length) --index;
  PutSymbol(bits, 257 + index);
  if (kLengthExtra[index]) bits.put(static_cast<uint32_t>(length - kLengthBase[index]), kLengthExtra[index]);
  bits.put(0, 5);  // distance code 0: one byte back
}

void Deflate(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
  out.push_back(0x78);  // zlib header: deflate, 32 KiB window, no dictionary
  out.push_back(0x01);
  BitWriter bits(out);
  bits.put(1, 1);  // final block
  bits.put(1, 2);  // fixed Huffman codes
  const size_t n = data.size();
  for (size_t i = 0; i < n;) {
    if (i > 0) {
      size_t run = 0;
      while (run < 258 && i + run < n && data[i + run] == data[i - 1]) ++run;
      if (run >= 3) {
        PutRun(bits, static_cast<int>(run));
        i += run;
        continue;
      }
    }
    PutSymbol(bits, data[i]);
    ++i;
  }
  PutSymbol(bits, 256);  // end of block
  bits.flush();
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < n;) {
    const size_t end = std::min(n, i + 5552);  // largest run without overflow
    for (; i < end; ++i) {
      a += data[i];
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  PutBE32(out, (b << 16) | a);
}
}  // namespace

bool fw_WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* rgba, uint32_t rowPitch) {
  if (width <= 0 || height <= 0 || !rgba || rowPitch < static_cast<uint32_t>(width) * 4) return false;

  // Scanlines with the Sub filter (each byte minus the same channel of the pixel to its left).
  const size_t lineBytes = 1 + static_cast<size_t>(width) * 3;
  std::vector<uint8_t> raw(lineBytes * height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* line = &raw[lineBytes * y];
    const uint8_t* src = rgba + static_cast<size_t>(rowPitch) * y;
    line[0] = 1;
    uint8_t left[3] = {0, 0, 0};
    for (int32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const uint8_t v = src[4 * x + c];
        line[1 + 3 * x + c] = static_cast<uint8_t>(v - left[c]);
        left[c] = v;
      }
    }
  }
  std::vector<uint8_t> z;
  z.reserve(raw.size() / 4 + 64);
  Deflate(raw, z);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.reserve(z.size() + 64);
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
