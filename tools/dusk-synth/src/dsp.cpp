// Synthesiser building blocks (see dsp.h).
#include "dsp.h"

#include <algorithm>

namespace synth {

uint64_t Rng::next()
{
    mState ^= mState >> 12;
    mState ^= mState << 25;
    mState ^= mState >> 27;
    return mState * 0x2545F4914F6CDD1Dull;
}

double Adsr::at(double t, double gate) const
{
    if (t < 0.0) return 0.0;
    auto held = [this](double u) {
        if (u < attack) return attack > 0.0 ? u / attack : 1.0;
        const double d = u - attack;
        // Exponential approach to the sustain level: 99.9 % of the way after `decay`.
        return sustain + (1.0 - sustain) * std::exp(-6.9 * d / std::max(decay, 1e-6));
    };
    if (t < gate) return held(t);
    const double level = held(gate);
    return level * std::exp(-6.9 * (t - gate) / std::max(release, 1e-6));
}

Svf::Out Svf::tick(float in, double cutoff, double q, double rate)
{
    cutoff = std::clamp(cutoff, 10.0, rate * 0.45);
    // tan() dominates the cost; a change below 0.2 % (3.5 cents) keeps the last value.
    if (std::fabs(cutoff - mCutoff) > mCutoff * 0.002 || rate != mRate) {
        mCutoff = cutoff;
        mRate = rate;
        mG = std::tan(kPi * cutoff / rate);
    }
    const double g = mG;
    const double k = 1.0 / std::max(q, 0.05);
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = in - mIc2;
    const double v1 = a1 * mIc1 + a2 * v3;
    const double v2 = mIc2 + a2 * mIc1 + a3 * v3;
    mIc1 = 2.0 * v1 - mIc1;
    mIc2 = 2.0 * v2 - mIc2;
    return { float(v2), float(v1), float(in - k * v1 - v2) };
}

Reverb::Reverb(double rate, double size, double damping)
{
    // Mutually prime lengths (in samples at 44.1 kHz), scaled to the actual rate.
    static const int combs[] = { 1117, 1187, 1277, 1361, 1423, 1489, 1559, 1621 };
    static const int allpasses[] = { 563, 441, 347, 227 };
    const double scale = rate / 44100.0;
    for (int ch = 0; ch < 2; ++ch) {
        const int spread = ch * 29;
        for (int c : combs) mCombs[ch].push_back({ DelayLine(size_t((c + spread) * scale)) });
        for (int a : allpasses) mAllpasses[ch].push_back({ DelayLine(size_t((a + spread) * scale)) });
    }
    mFeedback = float(0.7 + 0.28 * std::clamp(size, 0.0, 1.0));
    mDamp = float(std::clamp(damping, 0.0, 1.0));
}

void Reverb::process(float inL, float inR, float& outL, float& outR)
{
    const float in[2] = { inL, inR };
    float out[2] = { 0.f, 0.f };
    for (int ch = 0; ch < 2; ++ch) {
        const float input = (in[0] + in[1]) * 0.5f * 0.03f + in[ch] * 0.03f;
        float acc = 0.f;
        for (auto& c : mCombs[ch]) {
            const float y = c.line.read();
            c.store = y * (1.f - mDamp) + c.store * mDamp;
            c.line.write(input + c.store * mFeedback);
            acc += y;
        }
        for (auto& a : mAllpasses[ch]) {
            const float buffered = a.line.read();
            a.line.write(acc + buffered * 0.5f);
            acc = buffered - acc;
        }
        out[ch] = acc;
    }
    outL = out[0];
    outR = out[1];
}

} // namespace synth
