// The synthesiser's building blocks and its master stage: oscillator pitch, envelope
// shape, filter response, loudness measurement against known levels, the limiter's
// ceiling (between samples too) and the master's target loudness and fade.
#include "dsp.h"
#include "master.h"
#include "wav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

using namespace synth;

namespace {

constexpr int kRate = 44100;

// Upward zero crossings per second of a one-second oscillator run.
int crossings(Wave wave, double freq)
{
    Osc osc(wave, 0.25);
    float prev = osc.tick(freq, kRate);
    int count = 0;
    for (int i = 1; i < kRate; ++i) {
        const float s = osc.tick(freq, kRate);
        if (prev < 0.f && s >= 0.f) ++count;
        prev = s;
    }
    return count;
}

double rms(const std::vector<float>& v, size_t from = 0)
{
    double acc = 0;
    for (size_t i = from; i < v.size(); ++i) acc += double(v[i]) * v[i];
    return std::sqrt(acc / double(v.size() - from));
}

Stereo sine(double freq, double amplitude, double seconds, double phase = 0.0)
{
    Stereo s;
    s.resize(size_t(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        const float v = float(amplitude * std::sin(2 * kPi * freq * double(i) / kRate + phase));
        s.left[i] = v;
        s.right[i] = v;
    }
    return s;
}

} // namespace

TEST(SynthOsc, EveryWaveRunsAtItsFrequency)
{
    for (Wave w : { Wave::Sine, Wave::Saw, Wave::Square, Wave::Triangle }) {
        EXPECT_NEAR(crossings(w, 440.0), 440, 1) << int(w);
        EXPECT_NEAR(crossings(w, 55.0), 55, 1) << int(w);
    }
    EXPECT_NEAR(noteHz(69), 440.0, 1e-9);
    EXPECT_NEAR(noteHz(57), 220.0, 1e-9);
}

TEST(SynthOsc, BandLimitedSawStaysWithinRange)
{
    Osc saw(Wave::Saw);
    float lo = 0, hi = 0;
    for (int i = 0; i < kRate; ++i) {
        const float s = saw.tick(3520.0, kRate);
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    }
    EXPECT_GT(hi, 0.8f);
    EXPECT_LT(lo, -0.8f);
    EXPECT_LE(hi, 1.05f);
    EXPECT_GE(lo, -1.05f);
}

TEST(SynthEnvelope, AttackDecaySustainReleaseShape)
{
    const Adsr env{ 0.01, 0.1, 0.5, 0.2 };
    EXPECT_EQ(env.at(-0.001, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(env.at(0.0, 1.0), 0.0);
    EXPECT_NEAR(env.at(0.005, 1.0), 0.5, 1e-9);  // linear attack
    EXPECT_NEAR(env.at(0.01, 1.0), 1.0, 1e-9);
    EXPECT_NEAR(env.at(0.11, 1.0), 0.5, 0.001);  // decayed to the sustain level
    double prev = 1.0;
    for (double t = 0.01; t < 0.5; t += 0.01) {
        EXPECT_LE(env.at(t, 1.0), prev + 1e-12);
        prev = env.at(t, 1.0);
    }
    EXPECT_NEAR(env.at(0.9, 1.0), 0.5, 1e-6);     // held
    EXPECT_NEAR(env.at(1.2, 1.0), 0.0005, 1e-4);  // released to -60 dB after `release`
    EXPECT_LT(env.at(env.length(1.0), 1.0), 1e-4);
    // A gate shorter than the attack releases from where the attack got to.
    EXPECT_NEAR(env.at(0.005, 0.005), 0.5, 1e-9);
    EXPECT_LT(env.at(0.1, 0.005), 0.5);
}

TEST(SynthFilter, LowpassPassesLowAndCutsHigh)
{
    auto through = [](double freq) {
        Svf f;
        Osc o;
        std::vector<float> out;
        for (int i = 0; i < kRate / 4; ++i) out.push_back(f.lowpass(o.tick(freq, kRate), 500, 0.707, kRate));
        return rms(out, kRate / 16) / std::sqrt(0.5);
    };
    EXPECT_GT(through(100), 0.95);
    EXPECT_NEAR(through(500), 0.707, 0.03);  // -3 dB at the cutoff
    EXPECT_LT(through(5000), 0.02);          // two poles: -40 dB a decade up
}

TEST(SynthMaster, LoudnessOfKnownSines)
{
    // A 1 kHz sine at full scale in both channels reads 0 LUFS; -20 dBFS reads -20.
    EXPECT_NEAR(integratedLoudness(sine(1000, 1.0, 3), kRate), 0.0, 0.1);
    EXPECT_NEAR(integratedLoudness(sine(1000, 0.1, 3), kRate), -20.0, 0.1);
    Stereo silence;
    silence.resize(kRate * 2);
    EXPECT_LE(integratedLoudness(silence, kRate), -70.0);
}

TEST(SynthMaster, LimiterHoldsTheCeilingAtAndBetweenSamples)
{
    // A quarter-rate sine sampled at 45 degrees: samples reach 0.707 of the true peak.
    Stereo s = sine(kRate / 4.0, 2.0, 1.0, kPi / 4);
    limit(s, kRate, 0.9f);
    EXPECT_LE(samplePeak(s), 0.9f);
    // The reconstructed peak is the sample peak / 0.707: it must stay under the ceiling too.
    EXPECT_LE(samplePeak(s) / 0.7071f, 0.91f);
    EXPECT_GT(samplePeak(s), 0.6f);  // limited, not silenced
}

TEST(SynthMaster, ReachesTargetUnderCeilingAndFadesToSilence)
{
    // A loud mix: a bass sine with sharp clicks far above full scale.
    Stereo s = sine(110, 3.0, 6.0);
    for (size_t i = 0; i < s.size(); i += kRate / 2) s.left[i] = s.right[i] = 12.f;
    const MasterReport r = master(s, kRate, -14.0, -1.0, 1.0);
    EXPECT_NEAR(r.loudness, -14.0, 0.1);
    EXPECT_LE(r.peak, std::pow(10.0, -1.0 / 20.0) + 1e-6);
    EXPECT_EQ(samplePeak(s), r.peak);
    EXPECT_EQ(s.left.back(), 0.f);
    EXPECT_EQ(s.right.back(), 0.f);
}

TEST(SynthWav, RoundTripKeepsLengthAndLevel)
{
    const std::string path = std::string(DUSK_BINARY_DIR) + "/test_synth_roundtrip.wav";
    Stereo s = sine(440, 0.5, 0.5);
    ASSERT_TRUE(writeWav(path, s, kRate));
    Stereo back;
    int rate = 0;
    std::string error;
    ASSERT_TRUE(readWav(path, back, rate, error)) << error;
    EXPECT_EQ(rate, kRate);
    ASSERT_EQ(back.size(), s.size());
    for (size_t i = 0; i < s.size(); i += 97) EXPECT_NEAR(back.left[i], s.left[i], 3.0 / 32768);
    std::remove(path.c_str());
    EXPECT_FALSE(readWav(path, back, rate, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}
