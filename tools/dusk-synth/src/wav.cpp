// WAV reading and writing (see wav.h).
#include "wav.h"

#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace synth {

namespace {

void put16(std::ofstream& f, uint16_t v) { char b[2] = { char(v & 255), char(v >> 8) }; f.write(b, 2); }
void put32(std::ofstream& f, uint32_t v) { for (int i = 0; i < 4; ++i) f.put(char((v >> (8 * i)) & 255)); }
uint32_t get32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t get16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

} // namespace

bool writeWav(const std::string& path, const Stereo& s, int sampleRate)
{
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    const uint32_t frames = uint32_t(s.size());
    const uint32_t data = frames * 4;
    f.write("RIFF", 4);
    put32(f, 36 + data);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, uint32_t(sampleRate));
    put32(f, uint32_t(sampleRate) * 4);
    put16(f, 4);
    put16(f, 16);
    f.write("data", 4);
    put32(f, data);
    // Triangular dither of one LSB: quiet tails fade into noise rather than stepping.
    Rng rng(12345);
    std::vector<char> buf(static_cast<size_t>(data));
    for (uint32_t i = 0; i < frames; ++i) {
        for (int ch = 0; ch < 2; ++ch) {
            const float x = ch ? s.right[i] : s.left[i];
            const double d = (rng.unit() - rng.unit());
            const long v = std::lround(std::clamp(x * 32767.0 + d, -32768.0, 32767.0));
            const uint16_t u = uint16_t(int16_t(v));
            buf[size_t(i) * 4 + size_t(ch) * 2] = char(u & 255);
            buf[size_t(i) * 4 + size_t(ch) * 2 + 1] = char(u >> 8);
        }
    }
    f.write(buf.data(), std::streamsize(buf.size()));
    return bool(f);
}

bool readWav(const std::string& path, Stereo& s, int& sampleRate, std::string& error)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) {
        error = path + " is not a RIFF/WAVE file";
        return false;
    }
    int channels = 0, bits = 0;
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const uint32_t size = get32(&b[pos + 4]);
        const size_t body = pos + 8;
        if (body + size > b.size()) break;
        if (!std::memcmp(&b[pos], "fmt ", 4) && size >= 16) {
            if (get16(&b[body]) != 1) break;
            channels = get16(&b[body + 2]);
            sampleRate = int(get32(&b[body + 4]));
            bits = get16(&b[body + 14]);
        } else if (!std::memcmp(&b[pos], "data", 4)) {
            if (bits != 16 || (channels != 1 && channels != 2)) break;
            const size_t frames = size / (2 * size_t(channels));
            s.resize(frames);
            for (size_t i = 0; i < frames; ++i) {
                const unsigned char* p = &b[body + i * 2 * channels];
                s.left[i] = int16_t(get16(p)) / 32768.f;
                s.right[i] = int16_t(get16(p + 2 * (channels - 1))) / 32768.f;
            }
            return true;
        }
        pos = body + size + (size & 1);
    }
    error = path + ": only 16-bit PCM mono or stereo WAV files are read";
    return false;
}

} // namespace synth
