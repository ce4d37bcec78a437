// Building blocks of the synthesiser: a seeded noise source, oscillators, envelopes,
// a state-variable filter, a delay line and a stereo reverb. Needs only <cmath>.
// Every block is deterministic: the same parameters and seed give the same samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <vector>

namespace synth {

constexpr double kPi = 3.14159265358979323846;

// Small, fast generator (xorshift64*), seeded per voice so that renders repeat exactly.
class Rng {
public:
    explicit Rng(uint64_t seed = 1) : mState(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) { next(); }
    uint64_t next();
    // Uniform in [-1, 1).
    float bipolar() { return float(int64_t(next() >> 11) * (1.0 / 4503599627370496.0) - 1.0); }
    // Uniform in [0, 1).
    float unit() { return float((next() >> 11) * (1.0 / 9007199254740992.0)); }
private:
    uint64_t mState;
};

enum class Wave { Sine, Saw, Square, Triangle };

// Phase-accumulating oscillator. Saw and square are band-limited with polyBLEP,
// which keeps the upper octaves of bass and lead free of audible aliasing.
class Osc {
public:
    Osc(Wave wave = Wave::Sine, double phase = 0.0) : mWave(wave), mPhase(phase) {}
    // One sample at the given frequency (Hz) and sample rate.
    float tick(double freq, double rate);
    double phase() const { return mPhase; }
private:
    Wave mWave;
    double mPhase;
};

// Two-sample polynomial band-limited step; t is the phase in [0, 1), dt the increment.
inline double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

inline float Osc::tick(double freq, double rate)
{
    const double dt = std::clamp(freq / rate, 0.0, 0.5);
    const double t = mPhase;
    double v = 0.0;
    switch (mWave) {
    case Wave::Sine:
        v = std::sin(2.0 * kPi * t);
        break;
    case Wave::Saw:
        v = 2.0 * t - 1.0 - polyBlep(t, dt);
        break;
    case Wave::Square: {
        v = t < 0.5 ? 1.0 : -1.0;
        v += polyBlep(t, dt);
        double t2 = t + 0.5;
        if (t2 >= 1.0) t2 -= 1.0;
        v -= polyBlep(t2, dt);
        break;
    }
    case Wave::Triangle:
        v = t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t;
        break;
    }
    mPhase += dt;
    if (mPhase >= 1.0) mPhase -= 1.0;
    return float(v);
}

// Attack-decay-sustain-release envelope, evaluated in closed form so that a test can
// probe its shape at any time. Attack is linear; decay and release are exponential.
struct Adsr {
    double attack = 0.005, decay = 0.1, sustain = 0.7, release = 0.2;
    // Level at time t (s) after note-on for a gate held for `gate` seconds.
    double at(double t, double gate) const;
    // Time after note-on at which the release has fallen below -80 dB.
    double length(double gate) const { return gate + release * 9.21 / 6.9; }
};

// Topology-preserving state-variable filter (trapezoidal integration): stable under
// fast cutoff sweeps, which the filter envelopes and risers rely on.
class Svf {
public:
    struct Out { float low, band, high; };
    Out tick(float in, double cutoff, double q, double rate);
    float lowpass(float in, double cutoff, double q, double rate) { return tick(in, cutoff, q, rate).low; }
    float highpass(float in, double cutoff, double q, double rate) { return tick(in, cutoff, q, rate).high; }
    float bandpass(float in, double cutoff, double q, double rate) { return tick(in, cutoff, q, rate).band; }
private:
    double mIc1 = 0, mIc2 = 0;
    double mCutoff = -1, mRate = 0, mG = 0;
};

// Fractional-free delay line of fixed length.
class DelayLine {
public:
    explicit DelayLine(size_t length = 1) : mBuf(length ? length : 1, 0.f) {}
    float read() const { return mBuf[mPos]; }
    void write(float v) { mBuf[mPos] = v; if (++mPos == mBuf.size()) mPos = 0; }
private:
    std::vector<float> mBuf;
    size_t mPos = 0;
};

// Stereo reverb: parallel damped feedback combs into series allpasses per channel,
// with slightly different lengths left and right for width.
class Reverb {
public:
    Reverb(double rate, double size, double damping);
    void process(float inL, float inR, float& outL, float& outR);
private:
    struct Comb { DelayLine line; float store = 0; };
    struct Allpass { DelayLine line; };
    std::vector<Comb> mCombs[2];
    std::vector<Allpass> mAllpasses[2];
    float mFeedback, mDamp;
};

// Frequency of a MIDI note number (A4 = 69 = 440 Hz).
inline double noteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

inline float softClip(float x) { return std::tanh(x); }

} // namespace synth
