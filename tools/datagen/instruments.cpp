// The shared instruments: lead, bass, chord stab, mallet and the drum kit,
// each built from the toolkit's oscillators, filters and envelopes. Nothing
// here picks a level, a pan or a time: that is the arrangement's job.

#include "instruments.h"

#include <algorithm>
#include <cmath>

namespace dg {
namespace snd {
namespace {

// The six detuned squares of the classic analogue hi-hat: clangy and
// inharmonic, so the cymbals never sound like a pitched note.
constexpr double kMetalHz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};

float Metal(double t) {
    float v = 0;
    for (double hz : kMetalHz) {
        double u = t * hz * 1.7;
        u -= std::floor(u);
        v += u < 0.5 ? 1.0f : -1.0f;
    }
    return v / 6.0f;
}

constexpr double kBellTop = 11000.0;  // Hz: where a mallet's brightness stops

float Time(size_t i) { return float(i) / kRate; }

}  // namespace

Mono Lead(double hz, float gate) {
    constexpr float kRelease = 0.08f;
    Mono out(Frames(gate + kRelease));
    Osc square(Osc::kPulse, 0.42f), saw(Osc::kSaw, 0.5f, 0.37), body(Osc::kTriangle);
    Svf lowpass;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        // Vibrato creeps in only on held notes, about a tenth of a semitone.
        const double vib = 1.0 + 0.006 * Attack(t - 0.16f, 0.2f) * std::sin(kTwoPi * 5.4 * t);
        const double f = hz * vib;
        const float x = 0.5f * square.Next(f) + 0.25f * saw.Next(f * 1.0035) + 0.45f * body.Next(f);
        lowpass.Set(float(hz) * 1.5f + 600.0f + 2400.0f * Decay(t, 0.1f), 0.8f);
        out[i] = lowpass.Low(x) * Adsr(t, gate, 0.006f, 0.15f, 0.7f, kRelease);
    }
    return out;
}

Mono Bass(double hz, float gate) {
    constexpr float kRelease = 0.03f;
    Mono out(Frames(gate + kRelease));
    Osc saw(Osc::kSaw), sub(Osc::kSine);
    Svf lowpass;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        const float x = 0.6f * saw.Next(hz) + 0.75f * sub.Next(hz);
        lowpass.Set(float(hz) * 2.0f + 150.0f + 1500.0f * Decay(t, 0.05f), 1.3f);
        out[i] = lowpass.Low(x) * Adsr(t, gate, 0.003f, 0.25f, 0.6f, kRelease);
    }
    return out;
}

Mono Stab(const std::vector<double>& hz, float gate) {
    constexpr float kRelease = 0.05f;
    Mono out(Frames(gate + kRelease), 0.0f);
    for (size_t n = 0; n < hz.size(); ++n) {
        Osc a(Osc::kPulse, 0.5f, 0.1 * double(n)), b(Osc::kSaw, 0.5f, 0.5 + 0.13 * double(n));
        Svf lowpass;
        for (size_t i = 0; i < out.size(); ++i) {
            const float t = Time(i);
            const float x = 0.5f * a.Next(hz[n]) + 0.4f * b.Next(hz[n] * 0.997);
            lowpass.Set(1500.0f + 1800.0f * Decay(t, 0.03f), 1.0f);
            out[i] += lowpass.Low(x) * Adsr(t, gate, 0.003f, 0.08f, 0.45f, kRelease) / float(hz.size());
        }
    }
    return out;
}

Mono Bell(double hz, float ring) {
    Mono out(Frames(ring));
    double carrier = 0, modulator = 0;
    const double maxIndex = std::max(0.0, (kBellTop / hz - 1.0) / 2.0 - 1.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        // The strike is bright and mellows quickly: the index falls. High
        // notes get less of it, so no strong side band passes kBellTop.
        const double index = std::min(2.2 * Decay(t, 0.05f) + 0.35, maxIndex);
        const float env = Attack(t, 0.002f) * Decay(t, ring * 0.35f) * (1.0f - Attack(t - ring * 0.8f, ring * 0.2f));
        out[i] = float(std::sin(kTwoPi * carrier + index * std::sin(kTwoPi * modulator))) * env;
        carrier += hz / kRate;
        modulator += 2.0 * hz / kRate;
        carrier -= std::floor(carrier);
        modulator -= std::floor(modulator);
    }
    return out;
}

Mono Kick() {
    Mono out(Frames(0.32));
    Noise noise(7);
    Svf click;
    click.Set(3000, 0.7f);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        const double hz = 46.0 + 115.0 * Decay(t, 0.032f);
        const float body = float(std::sin(kTwoPi * phase)) * Decay(t, 0.15f);
        const float tick = click.Low(noise.Next()) * Decay(t, 0.003f) * 0.5f;
        const float tail = 1.0f - Attack(t - 0.27f, 0.05f);
        out[i] = Soft(1.6f * (body + tick)) / Soft(1.6f) * Attack(t, 0.0008f) * tail;
        phase += hz / kRate;
        phase -= std::floor(phase);
    }
    return out;
}

Mono Snare(uint32_t seed) {
    Mono out(Frames(0.26));
    Noise noise(seed);
    Svf highpass, band;
    highpass.Set(1300, 0.7f);
    band.Set(4500, 0.9f);
    Osc low(Osc::kSine), high(Osc::kSine);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        const float tone = (0.6f * low.Next(185) + 0.35f * high.Next(330)) * Decay(t, 0.045f);
        const float n = noise.Next();
        const float rattle = (0.7f * highpass.High(n) + 0.4f * band.Band(n)) * Decay(t, 0.075f);
        const float tail = 1.0f - Attack(t - 0.22f, 0.04f);
        out[i] = (tone + rattle) * Attack(t, 0.0008f) * tail;
    }
    return out;
}

Mono Hat(bool open, uint32_t seed) {
    const float length = open ? 0.45f : 0.09f;
    const float tau = open ? 0.13f : 0.022f;
    Mono out(Frames(length));
    Noise noise(seed);
    Svf highpass, band;
    highpass.Set(7000, 0.8f);
    band.Set(10000, 1.2f);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        const float x = 0.55f * Metal(t) + 0.5f * noise.Next();
        const float tail = 1.0f - Attack(t - length * 0.8f, length * 0.2f);
        out[i] = (highpass.High(x) + 0.5f * band.Band(x)) * Decay(t, tau) * Attack(t, 0.0005f) * tail;
    }
    return out;
}

Mono Crash(uint32_t seed) {
    constexpr float kLength = 2.2f;
    Mono out(Frames(kLength));
    Noise noise(seed);
    Svf highpass;
    highpass.Set(4200, 0.7f);
    for (size_t i = 0; i < out.size(); ++i) {
        const float t = Time(i);
        const float x = 0.35f * Metal(t * 1.13) + 0.7f * noise.Next();
        const float tail = 1.0f - Attack(t - kLength * 0.75f, kLength * 0.25f);
        out[i] = highpass.High(x) * Attack(t, 0.002f) * (0.6f * Decay(t, 0.25f) + 0.4f * Decay(t, 0.8f)) * tail;
    }
    return out;
}

}  // namespace snd
}  // namespace dg
