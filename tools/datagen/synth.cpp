// The sound toolkit's workings: oscillators, noise, filters, envelopes,
// mixing, the reverberator and echo, and the WAV and Ogg Vorbis writers.
// Nothing here keeps state between calls or reads a sound from disk.

#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ogg_vorbis.h"

namespace dg {
namespace snd {
namespace {

constexpr float kPi = 3.14159265f;
constexpr int kMaxSample = 32767;
constexpr int kWavHeaderBytes = 44;   // RIFF + WAVE + 16-byte fmt chunk + data header

// Polynomial band-limited step: the correction near a jump of a naive saw or
// pulse, t the phase and dt the phase step.
double PolyBlep(double t, double dt) {
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

void PutLE(std::vector<unsigned char>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<unsigned char>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

int16_t ToSample(float v) {
    const long q = std::lround(double(v) * kMaxSample);
    return static_cast<int16_t>(std::max<long>(-kMaxSample, std::min<long>(kMaxSample, q)));
}

// Freeverb's tunings at 44.1 kHz; the right side is `kSpread` frames longer.
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassLengths[4] = {556, 441, 341, 225};
constexpr int kSpread = 23;
constexpr float kReverbInput = 0.015f;
constexpr float kAllpassFeedback = 0.5f;

struct Comb {
    std::vector<float> buf;
    size_t at = 0;
    float store = 0;
    float Step(float in, float feedback, float damp) {
        const float out = buf[at];
        store = out * (1 - damp) + store * damp;
        buf[at] = in + store * feedback;
        if (++at == buf.size()) at = 0;
        return out;
    }
};

struct Allpass {
    std::vector<float> buf;
    size_t at = 0;
    float Step(float in) {
        const float held = buf[at];
        buf[at] = in + held * kAllpassFeedback;
        if (++at == buf.size()) at = 0;
        return held - in;
    }
};

}  // namespace

size_t Frames(double seconds) { return seconds <= 0 ? 0 : static_cast<size_t>(std::lround(seconds * kRate)); }
double Seconds(size_t frames) { return double(frames) / kRate; }
double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }
float GainToDb(float gain) { return gain > 0 ? 20.0f * std::log10(gain) : -200.0f; }

float Osc::Next(double hz) {
    const double dt = std::min(0.5, std::max(0.0, hz / kRate));
    const double t = phase_;
    double v = 0;
    switch (kind_) {
    case kSine: v = std::sin(kTwoPi * t); break;
    case kTriangle: {
        // Shifted a quarter so that it starts at zero like the sine.
        double u = t + 0.25;
        u -= std::floor(u);
        v = 2.0 * std::fabs(2.0 * u - 1.0) - 1.0;
        break;
    }
    case kSaw: v = 2.0 * t - 1.0 - PolyBlep(t, dt); break;
    case kPulse: {
        double down = t + 1.0 - width_;
        down -= std::floor(down);
        v = (t < width_ ? 1.0 : -1.0) + PolyBlep(t, dt) - PolyBlep(down, dt);
        break;
    }
    }
    phase_ += dt;
    phase_ -= std::floor(phase_);
    return static_cast<float>(v);
}

float Noise::Next() { return Unit() * 2.0f - 1.0f; }

float Noise::Unit() {
    // xorshift32, as the pictures' generator uses: tiny and the same everywhere.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return (state_ >> 8) * (1.0f / 16777216.0f);
}

void Svf::Set(float hz, float q) {
    const float fc = std::min(std::max(hz, 10.0f), 0.45f * kRate);
    const float g = std::tan(kPi * fc / kRate);
    k_ = 1.0f / std::max(q, 0.05f);
    a1_ = 1.0f / (1.0f + g * (g + k_));
    a2_ = g * a1_;
    a3_ = g * a2_;
}

Svf::Out Svf::Step(float x) {
    const float v3 = x - ic2_;
    const float v1 = a1_ * ic1_ + a2_ * v3;
    const float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2 * v1 - ic1_;
    ic2_ = 2 * v2 - ic2_;
    return {v2, v1, x - k_ * v1 - v2};
}

DcBlock::DcBlock(float hz) : r_(1.0f - 2.0f * kPi * hz / kRate) {}

float DcBlock::Step(float x) {
    const float y = x - x1_ + r_ * y1_;
    x1_ = x;
    y1_ = y;
    return y;
}

float Attack(float t, float len) {
    if (t <= 0) return 0;
    if (t >= len) return 1;
    return 0.5f - 0.5f * std::cos(kPi * t / len);
}

float Decay(float t, float tau) { return t <= 0 ? 1.0f : std::exp(-t / tau); }

float Adsr(float t, float gate, float a, float d, float s, float r) {
    auto held = [&](float u) {
        if (u < a) return Attack(u, a);
        return s + (1 - s) * Decay(u - a, d);
    };
    if (t < gate) return held(t);
    const float from = held(gate);
    const float u = t - gate;
    return u >= r ? 0.0f : from * (0.5f + 0.5f * std::cos(kPi * u / r));
}

void Add(Mono& dst, const Mono& src, long at, float gain) {
    for (size_t i = 0; i < src.size(); ++i) {
        const long j = at + long(i);
        if (j >= 0 && j < long(dst.size())) dst[size_t(j)] += src[i] * gain;
    }
}

void Add(Stereo& dst, const Mono& src, long at, float gain, float pan, bool wrap) {
    const long n = long(dst.Frames());
    if (n == 0) return;
    const float angle = (std::min(1.0f, std::max(-1.0f, pan)) + 1) * kPi / 4;
    const float gl = gain * std::cos(angle) * std::sqrt(2.0f);
    const float gr = gain * std::sin(angle) * std::sqrt(2.0f);
    for (size_t i = 0; i < src.size(); ++i) {
        long j = at + long(i);
        if (wrap) {
            j %= n;
            if (j < 0) j += n;
        } else if (j < 0 || j >= n) {
            continue;
        }
        dst.l[size_t(j)] += src[i] * gl;
        dst.r[size_t(j)] += src[i] * gr;
    }
}

Reverb::Reverb(float room, float damp) : feedback_(room), damp_(damp) {}

Stereo Reverb::Process(const Stereo& send, bool loop) {
    const size_t n = send.Frames();
    Stereo wet(n);
    Comb combs[2][8];
    Allpass passes[2][4];
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 8; ++i) combs[side][i].buf.assign(size_t(kCombLengths[i] + side * kSpread), 0.0f);
        for (int i = 0; i < 4; ++i) passes[side][i].buf.assign(size_t(kAllpassLengths[i] + side * kSpread), 0.0f);
    }
    for (int pass = loop ? 2 : 1; pass > 0; --pass) {
        for (size_t f = 0; f < n; ++f) {
            const float in = (send.l[f] + send.r[f]) * kReverbInput;
            for (int side = 0; side < 2; ++side) {
                float out = 0;
                for (Comb& c : combs[side]) out += c.Step(in, feedback_, damp_);
                for (Allpass& a : passes[side]) out = a.Step(out);
                (side == 0 ? wet.l : wet.r)[f] = out;
            }
        }
    }
    return wet;
}

Stereo PingPong(const Stereo& send, size_t delay, float feedback, bool loop) {
    const size_t n = send.Frames();
    Stereo wet(n);
    if (delay == 0) return wet;
    std::vector<float> lineL(delay, 0.0f), lineR(delay, 0.0f);
    size_t at = 0;
    for (int pass = loop ? 2 : 1; pass > 0; --pass) {
        for (size_t f = 0; f < n; ++f) {
            // The send enters on the left; each repeat crosses over.
            const float outL = lineL[at], outR = lineR[at];
            lineL[at] = (send.l[f] + send.r[f]) * 0.5f + outR * feedback;
            lineR[at] = outL;
            if (++at == delay) at = 0;
            wet.l[f] = outL;
            wet.r[f] = outR;
        }
    }
    return wet;
}

float Peak(const Mono& s) {
    float p = 0;
    for (float v : s) p = std::max(p, std::fabs(v));
    return p;
}

void Normalise(Mono& s, float peakDb) {
    const float p = Peak(s);
    if (p <= 0) return;
    const float k = DbToGain(peakDb) / p;
    for (float& v : s) v *= k;
}

void Normalise(Stereo& s, float peakDb) {
    const float p = std::max(Peak(s.l), Peak(s.r));
    if (p <= 0) return;
    const float k = DbToGain(peakDb) / p;
    for (float& v : s.l) v *= k;
    for (float& v : s.r) v *= k;
}

float Soft(float x) { return std::tanh(x); }

void Finish(Mono& s, float fadeIn, float fadeOut) {
    DcBlock dc;
    for (float& v : s) v = dc.Step(v);
    const size_t in = std::min(s.size(), Frames(fadeIn));
    const size_t out = std::min(s.size(), Frames(fadeOut));
    for (size_t i = 0; i < in; ++i) s[i] *= Attack(float(i), float(in));
    for (size_t i = 0; i < out; ++i) s[s.size() - 1 - i] *= Attack(float(i), float(out));
    Normalise(s, kPeakDb);
}

bool WriteWav(const std::string& path, const Mono& s) {
    const uint32_t dataBytes = uint32_t(s.size() * 2);
    std::vector<unsigned char> out;
    out.reserve(kWavHeaderBytes + dataBytes);
    PutTag(out, "RIFF");
    PutLE(out, kWavHeaderBytes - 8 + dataBytes, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);                   // PCM
    PutLE(out, 1, 2);                   // mono
    PutLE(out, kRate, 4);
    PutLE(out, kRate * 2, 4);           // bytes a second
    PutLE(out, 2, 2);                   // bytes a frame
    PutLE(out, 16, 2);                  // bits a sample
    PutTag(out, "data");
    PutLE(out, dataBytes, 4);           // always even: whole 16-bit samples
    for (float v : s) PutLE(out, uint16_t(ToSample(v)), 2);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "zindle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "zindle-datagen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteOgg(const std::string& path, const Stereo& s, float quality) {
    if (!oggvorbis::Write(path, {s.l.data(), s.r.data()}, s.Frames(), kRate, quality)) {
        std::fprintf(stderr, "zindle-datagen: cannot encode or write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace snd
}  // namespace dg
