// Instruments, buses, sends and side-chain (see render.h).
#include "render.h"

#include "dsp.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace synth {

namespace {

struct Voice {
    const Note& note;
    double rate;
    Stereo& out;
    size_t first;
    float pan = 0.f, gainL = 1.f, gainR = 1.f;

    // Writes sample i of the voice (counted from the note's start) with a constant-power
    // pan in [-1, 1] (0 dB at the centre).
    void put(size_t i, float v, float p = 0.f)
    {
        const size_t at = first + i;
        if (at >= out.size()) return;
        if (p != pan) {
            pan = p;
            const double a = (p + 1.0) * kPi / 4.0;
            gainL = float(std::cos(a) * 1.41421356);
            gainR = float(std::sin(a) * 1.41421356);
        }
        out.left[at] += v * gainL;
        out.right[at] += v * gainR;
    }
    void put2(size_t i, float l, float r)
    {
        const size_t at = first + i;
        if (at >= out.size()) return;
        out.left[at] += l;
        out.right[at] += r;
    }
    size_t samples(double seconds) const { return size_t(seconds * rate); }
};

void kick(Voice& v)
{
    Rng rng(v.note.seed);
    double phase = 0;
    const size_t n = v.samples(0.5);
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        const double f = 46.0 + 150.0 * std::exp(-t / 0.032) + 30.0 * std::exp(-t / 0.004);
        phase += f / v.rate;
        const double amp = std::min(1.0, t / 0.001) * std::exp(-t / 0.30) * (t > 0.42 ? (0.5 - t) / 0.08 : 1.0);
        double s = std::sin(2 * kPi * phase) * amp;
        s += rng.bipolar() * 0.35 * std::exp(-t / 0.0025);
        v.put(i, float(std::tanh(1.8 * s) / std::tanh(1.8) * 0.45 * v.note.velocity));
    }
}

void clap(Voice& v)
{
    Rng rng(v.note.seed);
    Svf bp, hp;
    const size_t n = v.samples(0.45);
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        double env = std::exp(-t / 0.11) * 0.8;
        for (double burst : { 0.0, 0.0105, 0.021 })
            if (t >= burst) env = std::max(env, std::exp(-(t - burst) / 0.0045));
        float s = bp.bandpass(rng.bipolar(), 1250, 1.1, v.rate);
        s = hp.highpass(s, 450, 0.7, v.rate);
        v.put(i, float(s * env * 1.6 * v.note.velocity), -0.05f);
    }
}

void snare(Voice& v)
{
    Rng rng(v.note.seed);
    Svf hp;
    Osc body(Wave::Triangle);
    const size_t n = v.samples(0.3);
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        const float tone = body.tick(175 + 60 * std::exp(-t / 0.01), v.rate) * float(std::exp(-t / 0.05)) * 0.45f;
        const float noise = hp.highpass(rng.bipolar(), 1900, 0.7, v.rate) * float(std::exp(-t / 0.09));
        v.put(i, (tone + noise) * 0.32f * v.note.velocity, 0.08f);
    }
}

// Metallic hat and cymbal source: six detuned squares plus noise, high-passed.
void metal(Voice& v, double decay, double seconds, double hpCut, float gain, float pan)
{
    static const double freqs[] = { 263.0, 400.0, 421.0, 474.0, 587.0, 845.0 };
    Osc osc[6] = { Osc(Wave::Square, 0.1), Osc(Wave::Square, 0.3), Osc(Wave::Square, 0.5),
                   Osc(Wave::Square, 0.7), Osc(Wave::Square, 0.2), Osc(Wave::Square, 0.9) };
    Rng rng(v.note.seed);
    Svf bp, hp, hp2;
    const size_t n = v.samples(seconds);
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        float m = 0;
        for (int k = 0; k < 6; ++k) m += osc[k].tick(freqs[k] * 2.7, v.rate);
        float s = m * 0.12f + rng.bipolar() * 0.6f;
        s = bp.bandpass(s, 9500, 0.8, v.rate);
        s = hp2.highpass(hp.highpass(s, hpCut, 0.7, v.rate), hpCut, 0.7, v.rate);
        const double env = std::min(1.0, t / 0.0008) * std::exp(-t / decay);
        v.put(i, float(s * env) * gain * v.note.velocity, pan);
    }
}

void riser(Voice& v)
{
    Rng rngL(v.note.seed), rngR(v.note.seed + 7777);
    Svf fl, fr;
    const double len = v.note.length;
    const size_t n = v.samples(len);
    for (size_t i = 0; i < n; ++i) {
        const double x = (i / v.rate) / len;
        const double cut = 350.0 * std::pow(9000.0 / 350.0, x);
        const float amp = float(x * x * 0.14 * v.note.velocity);
        v.put2(i, fl.bandpass(rngL.bipolar(), cut, 2.5, v.rate) * amp, fr.bandpass(rngR.bipolar(), cut * 1.03, 2.5, v.rate) * amp);
    }
}

void bass(Voice& v)
{
    Osc saw(Wave::Saw), sub(Wave::Sine);
    Svf lp;
    const Adsr amp{ 0.003, 0.2, 0.75, 0.05 };
    const double f = noteHz(v.note.pitch);
    const size_t n = v.samples(amp.length(v.note.length));
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        const double cut = 90 + (250 + 1500 * v.note.filter) * (0.35 + std::exp(-t / 0.07));
        const float s = lp.lowpass(saw.tick(f, v.rate), cut, 1.2, v.rate) * 0.55f + sub.tick(f, v.rate) * 0.65f;
        v.put(i, s * float(amp.at(t, v.note.length)) * 0.55f * v.note.velocity);
    }
}

void pad(Voice& v)
{
    static const double detune[] = { -0.13, -0.06, 0.0, 0.07, 0.12 };
    static const float pans[] = { -0.8f, 0.45f, 0.0f, -0.45f, 0.8f };
    Osc osc[5];
    for (int k = 0; k < 5; ++k) osc[k] = Osc(Wave::Saw, Rng(v.note.seed * 5 + k).unit());
    double freq[5];
    for (int k = 0; k < 5; ++k) freq[k] = noteHz(v.note.pitch + detune[k]);
    Svf lpL, lpR;
    const Adsr amp{ 0.35, 0.8, 0.8, 1.1 };
    const size_t n = v.samples(amp.length(v.note.length));
    double cut = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        float l = 0, r = 0;
        for (int k = 0; k < 5; ++k) {
            const float s = osc[k].tick(freq[k], v.rate);
            l += s * (1.f - pans[k]) * 0.5f;
            r += s * (1.f + pans[k]) * 0.5f;
        }
        // A slow sweep shared by all pad notes (it follows song time), updated every 64 samples.
        if (i % 64 == 0) cut = 250 + 2600 * v.note.filter * v.note.filter + 300 * std::sin(2 * kPi * 0.11 * (t + v.note.start));
        const float e = float(amp.at(t, v.note.length)) * 0.055f * v.note.velocity;
        v.put2(i, lpL.lowpass(l, cut, 0.8, v.rate) * e, lpR.lowpass(r, cut, 0.8, v.rate) * e);
    }
}

void arp(Voice& v)
{
    Osc a(Wave::Saw), b(Wave::Square);
    Svf lp;
    const Adsr amp{ 0.002, 0.22, 0.0, 0.08 };
    const double f = noteHz(v.note.pitch);
    const size_t n = v.samples(amp.length(std::min(v.note.length, 0.3)));
    const float pan = (v.note.seed % 2) ? 0.35f : -0.35f;
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        const double cut = 500 + 4200 * v.note.filter * std::exp(-t / 0.07);
        const float s = lp.lowpass(a.tick(f, v.rate) * 0.6f + b.tick(f * 1.003, v.rate) * 0.4f, cut, 1.6, v.rate);
        v.put(i, s * float(amp.at(t, std::min(v.note.length, 0.3))) * 0.4f * v.note.velocity, pan);
    }
}

void lead(Voice& v)
{
    Osc a(Wave::Saw, 0.0), b(Wave::Saw, 0.37), c(Wave::Square, 0.5), lfo(Wave::Sine);
    const double f0 = noteHz(v.note.pitch);
    Svf lp;
    const Adsr amp{ 0.012, 0.35, 0.72, 0.22 };
    const size_t n = v.samples(amp.length(v.note.length));
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        // Vibrato fades in after the attack, as a player would add it to a held note.
        const double vib = lfo.tick(5.3, v.rate) * 0.16 * std::clamp((t - 0.22) / 0.3, 0.0, 1.0);
        const double f = f0 * std::exp2(vib / 12.0);
        const float s = a.tick(f * 0.9962, v.rate) * 0.4f + b.tick(f * 1.0038, v.rate) * 0.4f + c.tick(f * 0.5, v.rate) * 0.22f;
        const double cut = 900 + (1400 + 2200 * v.note.filter) * (0.45 + 0.55 * std::exp(-t / 0.18));
        v.put(i, lp.lowpass(s, cut, 0.9, v.rate) * float(amp.at(t, v.note.length)) * 0.3f * v.note.velocity);
    }
}

void bell(Voice& v)
{
    Osc car(Wave::Sine), mod(Wave::Sine), car2(Wave::Sine);
    const Adsr amp{ 0.002, 1.6, 0.0, 0.9 };
    const double f = noteHz(v.note.pitch);
    const size_t n = v.samples(amp.length(v.note.length));
    for (size_t i = 0; i < n; ++i) {
        const double t = i / v.rate;
        const double index = 2.2 * std::exp(-t / 0.35) + 0.3;
        const double m = mod.tick(f * 3.5, v.rate) * index;
        // Phase modulation: the carrier's phase is offset by the modulator.
        const double c = std::sin(2 * kPi * (car.phase() + m / (2 * kPi)));
        car.tick(f, v.rate);
        const float s = float(c * 0.8) + car2.tick(f * 2.001, v.rate) * 0.12f;
        v.put(i, s * float(amp.at(t, v.note.length)) * 0.2f * v.note.velocity, 0.15f);
    }
}

struct BusSetup {
    float reverb, delay, duck;
};

BusSetup busSetup(Instrument i)
{
    switch (i) {
    case Instrument::Kick: return { 0.02f, 0.f, 0.f };
    case Instrument::Clap: return { 0.25f, 0.f, 0.f };
    case Instrument::Snare: return { 0.2f, 0.f, 0.f };
    case Instrument::Hat: return { 0.04f, 0.f, 0.f };
    case Instrument::OpenHat: return { 0.06f, 0.f, 0.15f };
    case Instrument::Crash: return { 0.25f, 0.f, 0.f };
    case Instrument::Riser: return { 0.35f, 0.1f, 0.f };
    case Instrument::Bass: return { 0.f, 0.f, 0.75f };
    case Instrument::Pad: return { 0.4f, 0.f, 0.55f };
    case Instrument::Arp: return { 0.3f, 0.35f, 0.4f };
    case Instrument::Lead: return { 0.3f, 0.28f, 0.2f };
    case Instrument::Bell: return { 0.5f, 0.3f, 0.f };
    default: return { 0.f, 0.f, 0.f };
    }
}

} // namespace

double voiceLength(const Note& note)
{
    switch (note.instrument) {
    case Instrument::Kick: return 0.5;
    case Instrument::Clap: return 0.45;
    case Instrument::Snare: return 0.3;
    case Instrument::Hat: return 0.25;
    case Instrument::OpenHat: return 0.9;
    case Instrument::Crash: return 3.5;
    case Instrument::Riser: return note.length;
    case Instrument::Bass: return Adsr{ 0.003, 0.2, 0.75, 0.05 }.length(note.length);
    case Instrument::Pad: return Adsr{ 0.35, 0.8, 0.8, 1.1 }.length(note.length);
    case Instrument::Arp: return Adsr{ 0.002, 0.22, 0.0, 0.08 }.length(std::min(note.length, 0.3));
    case Instrument::Lead: return Adsr{ 0.012, 0.35, 0.72, 0.22 }.length(note.length);
    case Instrument::Bell: return Adsr{ 0.002, 1.6, 0.0, 0.9 }.length(note.length);
    default: return 0.0;
    }
}

void renderVoice(const Note& note, int sampleRate, double stepSeconds, Stereo& out)
{
    Voice v{ note, double(sampleRate), out, size_t(std::llround(note.start * sampleRate)) };
    switch (note.instrument) {
    case Instrument::Kick: kick(v); break;
    case Instrument::Clap: clap(v); break;
    case Instrument::Snare: snare(v); break;
    case Instrument::Hat: metal(v, 0.035, 0.25, 7000, 0.7f, 0.25f); break;
    case Instrument::OpenHat: metal(v, 0.2, 0.9, 6500, 0.5f, -0.2f); break;
    case Instrument::Crash: metal(v, 1.1, 3.5, 4500, 0.5f, 0.0f); break;
    case Instrument::Riser: riser(v); break;
    case Instrument::Bass: bass(v); break;
    case Instrument::Pad: pad(v); break;
    case Instrument::Arp: arp(v); break;
    case Instrument::Lead: lead(v); break;
    case Instrument::Bell: bell(v); break;
    default: break;
    }
    (void)stepSeconds;
}

Stereo renderMix(const Song& song)
{
    const size_t total = size_t(song.lengthSamples());
    const double rate = song.sampleRate;
    const std::vector<Note> notes = songNotes(song);

    // Dry bus per instrument, so sends and ducking act per instrument.
    // Buses are independent, so they render in parallel; each bus still adds its notes in
    // the same order on one thread, which keeps the result identical from run to run.
    std::vector<Stereo> buses(size_t(Instrument::Count));
    std::atomic<size_t> nextBus{ 0 };
    auto worker = [&] {
        for (size_t b; (b = nextBus++) < buses.size();) {
            buses[b].resize(total);
            for (const Note& n : notes)
                if (size_t(n.instrument) == b) renderVoice(n, song.sampleRate, song.stepSeconds(), buses[b]);
        }
    };
    std::vector<std::thread> threads;
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    for (unsigned t = 1; t < count; ++t) threads.emplace_back(worker);
    worker();
    for (auto& t : threads) t.join();

    // Side-chain: every kick pulls the ducked buses down, recovering over ~130 ms.
    std::vector<float> duck(total, 0.f);
    for (const Note& n : notes) {
        if (n.instrument != Instrument::Kick) continue;
        const size_t at = size_t(std::llround(n.start * rate));
        for (size_t i = 0; i < size_t(0.35 * rate) && at + i < total; ++i) {
            const double t = i / rate;
            const float d = float(std::min(1.0, t / 0.003) * std::exp(-t / 0.075) * n.velocity);
            duck[at + i] = std::max(duck[at + i], std::min(1.f, d));
        }
    }

    Stereo mix, reverbIn, delayIn;
    mix.resize(total);
    reverbIn.resize(total);
    delayIn.resize(total);
    for (size_t b = 0; b < buses.size(); ++b) {
        const BusSetup s = busSetup(Instrument(b));
        const Stereo& bus = buses[b];
        for (size_t i = 0; i < total; ++i) {
            const float g = 1.f - s.duck * duck[i];
            const float l = bus.left[i] * g, r = bus.right[i] * g;
            mix.left[i] += l;
            mix.right[i] += r;
            reverbIn.left[i] += l * s.reverb;
            reverbIn.right[i] += r * s.reverb;
            delayIn.left[i] += l * s.delay;
            delayIn.right[i] += r * s.delay;
        }
    }
    buses.clear();

    // Ping-pong delay of a dotted eighth (three sixteenths), darkened on every repeat.
    const size_t delaySamples = size_t(std::llround(3 * song.stepSeconds() * rate));
    DelayLine dl(delaySamples), dr(delaySamples);
    Svf dampL, dampR;
    Reverb reverb(rate, 0.86, 0.45);
    for (size_t i = 0; i < total; ++i) {
        const float el = dl.read(), er = dr.read();
        dl.write(dampL.lowpass((delayIn.left[i] + delayIn.right[i]) * 0.5f + er * 0.42f, 3800, 0.7, rate));
        dr.write(dampR.lowpass(el * 0.42f, 3800, 0.7, rate));
        float rl = 0, rr = 0;
        reverb.process(reverbIn.left[i] + el * 0.3f, reverbIn.right[i] + er * 0.3f, rl, rr);
        const float g = 1.f - 0.35f * duck[i];
        mix.left[i] += el * 0.55f + rl * 1.1f * g;
        mix.right[i] += er * 0.55f + rr * 1.1f * g;
    }

    // Nothing useful lives below 25 Hz; keep it out of the limiter's way.
    Svf hpL, hpR;
    for (size_t i = 0; i < total; ++i) {
        mix.left[i] = hpL.highpass(mix.left[i], 25, 0.7, rate);
        mix.right[i] = hpR.highpass(mix.right[i], 25, 0.7, rate);
    }
    return mix;
}

} // namespace synth
