// Loudness measurement, limiter and master stage (see master.h).
#include "master.h"

#include "dsp.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace synth {

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double tick(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages (a high shelf for the head and a high-pass), derived for
// any sample rate from their analogue prototypes.
Biquad shelf(double rate)
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(kPi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return { (vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0 };
}

Biquad highpass(double rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(kPi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    return { 1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0 };
}

// Largest magnitude of the band-limited signal between samples i and i + 1, estimated at
// three points by Hann-windowed sinc interpolation (16 taps): peaks that a decoder or a
// converter reconstructs between samples, which a sample-peak limiter alone would miss.
struct InterSample {
    static constexpr int kTaps = 8;  // each side
    float h[3][2 * kTaps];
    InterSample()
    {
        for (int k = 1; k <= 3; ++k)
            for (int j = -kTaps + 1; j <= kTaps; ++j) {
                const double x = j - k / 4.0;  // distance of tap i + j from i + k/4
                const double sinc = std::sin(kPi * x) / (kPi * x);
                const double w = 0.5 + 0.5 * std::cos(kPi * x / kTaps);
                h[k - 1][j + kTaps - 1] = float(sinc * w);
            }
    }
    float peak(const std::vector<float>& s, size_t i) const
    {
        if (i + 1 < size_t(kTaps) || i + kTaps >= s.size()) return 0.f;
        float best = 0.f;
        for (int k = 0; k < 3; ++k) {
            float acc = 0.f;
            const float* x = &s[i + 1 - kTaps];
            for (int j = 0; j < 2 * kTaps; ++j) acc += x[j] * h[k][j];
            best = std::max(best, std::fabs(acc));
        }
        return best;
    }
};

} // namespace

double integratedLoudness(const Stereo& s, int sampleRate)
{
    const size_t n = s.size();
    const double rate = sampleRate;
    // Mean square of the weighted signal per 100 ms quarter block; blocks of 400 ms
    // overlap by 75 %, so each block is the mean of four consecutive quarters.
    const size_t quarter = size_t(rate * 0.1);
    std::vector<double> quarters;
    Biquad sh[2] = { shelf(rate), shelf(rate) }, hp[2] = { highpass(rate), highpass(rate) };
    double acc = 0;
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        const double l = hp[0].tick(sh[0].tick(s.left[i]));
        const double r = hp[1].tick(sh[1].tick(s.right[i]));
        acc += l * l + r * r;
        if (++count == quarter) {
            quarters.push_back(acc / double(quarter));
            acc = 0;
            count = 0;
        }
    }
    std::vector<double> blocks;
    for (size_t q = 3; q < quarters.size(); ++q)
        blocks.push_back((quarters[q] + quarters[q - 1] + quarters[q - 2] + quarters[q - 3]) / 4.0);
    auto lufs = [](double ms) { return -0.691 + 10.0 * std::log10(std::max(ms, 1e-12)); };
    auto gatedMean = [&](double gate) {
        double sum = 0;
        size_t k = 0;
        for (double b : blocks)
            if (lufs(b) > gate) { sum += b; ++k; }
        return k ? sum / double(k) : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0.0) return -70.0;
    const double relative = gatedMean(lufs(absolute) - 10.0);
    return lufs(relative > 0 ? relative : absolute);
}

float samplePeak(const Stereo& s)
{
    float peak = 0.f;
    for (size_t i = 0; i < s.size(); ++i) peak = std::max({ peak, std::fabs(s.left[i]), std::fabs(s.right[i]) });
    return peak;
}

void limit(Stereo& s, int sampleRate, float ceiling, double lookahead, double release)
{
    const size_t n = s.size();
    const size_t ahead = std::max<size_t>(1, size_t(lookahead * sampleRate));
    std::vector<float> need(n);
    static const InterSample inter;
    for (size_t i = 0; i < n; ++i) {
        const float p = std::max({ std::fabs(s.left[i]), std::fabs(s.right[i]), inter.peak(s.left, i), inter.peak(s.right, i) });
        need[i] = p > ceiling ? ceiling / p : 1.f;
    }
    // Minimum of the needed gain over [i, i + ahead] (monotone deque)...
    std::vector<float> lowest(n);
    std::deque<size_t> window;
    size_t next = 0;
    for (size_t i = 0; i < n; ++i) {
        while (next < n && next <= i + ahead) {
            while (!window.empty() && need[window.back()] >= need[next]) window.pop_back();
            window.push_back(next++);
        }
        while (window.front() < i) window.pop_front();
        lowest[i] = need[window.front()];
    }
    // ...released slowly, then averaged over the look-ahead. Every value in the average
    // window covers sample i, so the average never exceeds the gain sample i needs.
    const float up = float(1.0 - std::exp(-1.0 / (release * sampleRate)));
    float g = 1.f;
    for (size_t i = 0; i < n; ++i) {
        g = std::min(lowest[i], g + (1.f - g) * up);
        lowest[i] = g;
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        sum += lowest[i];
        if (i >= ahead) sum -= lowest[i - ahead];
        const size_t len = std::min(i + 1, ahead);
        const float gain = float(sum / double(len));
        float l = s.left[i] * gain, r = s.right[i] * gain;
        // Rounding in the running sum can leave a hair above the ceiling; clamp it away.
        s.left[i] = std::clamp(l, -ceiling, ceiling);
        s.right[i] = std::clamp(r, -ceiling, ceiling);
    }
}

MasterReport master(Stereo& s, int sampleRate, double targetLufs, double ceilingDb, double fadeSeconds)
{
    MasterReport report;
    const float ceiling = float(std::pow(10.0, ceilingDb / 20.0));
    const Stereo dry = s;
    double gainDb = targetLufs - integratedLoudness(s, sampleRate);
    // The limiter takes some loudness away; a few passes settle the make-up gain.
    for (int pass = 0; pass < 4; ++pass) {
        s = dry;
        const float g = float(std::pow(10.0, gainDb / 20.0));
        for (size_t i = 0; i < s.size(); ++i) {
            s.left[i] *= g;
            s.right[i] *= g;
        }
        limit(s, sampleRate, ceiling);
        report.loudness = integratedLoudness(s, sampleRate);
        report.gainDb = gainDb;
        if (std::fabs(report.loudness - targetLufs) < 0.05) break;
        gainDb += targetLufs - report.loudness;
    }
    // Raised-cosine fade over the last seconds: the piece ends on silence, not a cut.
    const size_t fade = std::min(s.size(), size_t(fadeSeconds * sampleRate));
    for (size_t k = 0; k < fade; ++k) {
        const size_t i = s.size() - fade + k;
        const float g = float(0.5 + 0.5 * std::cos(kPi * double(k + 1) / double(fade)));
        s.left[i] *= g;
        s.right[i] *= g;
    }
    report.peak = samplePeak(s);
    return report;
}

} // namespace synth
