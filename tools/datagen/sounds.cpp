// The sound effects, audio/NN.wav: the jingle (95), gem pickup (01), mine
// zap (02), splash out of the water (03), plunge into it (04), menu confirm
// (98) and menu move (99). Each is synthesised here, finished with short
// fades and set to the same peak; none is ever read from anywhere.

#include <algorithm>
#include <cmath>
#include <string>

#include "datagen.h"
#include "instruments.h"
#include "synth.h"

namespace dg {
namespace {

using namespace snd;

constexpr double kKey = 62;  // D: the jingle shares the music's key

float Time(size_t i) { return float(i) / kRate; }

// Played louder and louder up to 2x speed as a jump's combo grows, so it
// is kept short, round and free of high partials that would turn shrill.
Mono Pickup() {
    constexpr float kStep = 0.045f;  // the first note, then a fourth above
    Mono s(Frames(0.22));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        const bool second = t >= kStep;
        const double hz = NoteHz(second ? 86 : 81);
        const float u = second ? t - kStep : t;
        // The level moves smoothly at the step: a jump there would click.
        const float env = second ? (0.85f + 0.15f * Attack(u, 0.003f)) * Decay(u, 0.055f) : 0.85f;
        const float ting = 0.25f * Attack(u, 0.002f) * Decay(u, 0.012f);
        const double p = kTwoPi * phase;
        s[i] = float(std::sin(p) + 0.3 * std::sin(2 * p) + (0.1 + ting) * std::sin(3 * p)) * env;
        phase += hz / kRate;  // one running phase: the step up makes no click
        phase -= std::floor(phase);
    }
    Finish(s);
    return s;
}

// A mine going off: a buzzing downward sweep, a burst of crackle and a
// low thump under both.
Mono Zap() {
    Mono s(Frames(0.55));
    Noise noise(202);
    Osc buzz(Osc::kPulse, 0.3f);
    Svf crackle, tone;
    double ring = 0, thump = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        const double hz = 70.0 + 900.0 * Decay(t, 0.07f);
        const float metal = buzz.Next(hz) * float(std::sin(kTwoPi * ring));
        ring += hz * 1.41 / kRate;
        ring -= std::floor(ring);
        tone.Set(4000, 0.7f);
        const float a = tone.Low(metal) * Attack(t, 0.002f) * Decay(t, 0.12f);
        crackle.Set(200.0f + 5000.0f * Decay(t, 0.08f), 0.7f);
        const float b = crackle.Low(noise.Next()) * Decay(t, 0.15f) * 0.8f;
        const float c = float(std::sin(kTwoPi * thump)) * Decay(t, 0.18f) * 0.9f;
        thump += (45.0 + 90.0 * Decay(t, 0.05f)) / kRate;
        thump -= std::floor(thump);
        s[i] = Soft(1.8f * (a + b + c));
    }
    Finish(s);
    return s;
}

// One water drop or bubble: a sine whose pitch rises as it rings out.
void Drop(Mono& s, float at, double hz, float rise, float tau, float level) {
    const size_t n = Frames(tau * 6);
    Mono d(n);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const float t = Time(i);
        d[i] = float(std::sin(kTwoPi * phase)) * Attack(t, 0.0015f) * Decay(t, tau);
        phase += hz * (1.0 + rise * (1.0 - Decay(t, tau * 1.5f))) / kRate;
        phase -= std::floor(phase);
    }
    Add(s, d, long(Frames(at)), level);
}

// Coming up out of the water: a rising rush of spray and falling drops.
Mono SplashOut() {
    Mono s(Frames(0.65));
    Noise noise(303);
    Svf rush, hiss;
    hiss.Set(3000, 0.7f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        rush.Set(700.0f * std::pow(5.0f, std::min(t / 0.25f, 1.0f)), 1.2f);
        const float n = noise.Next();
        s[i] = rush.Band(n) * Attack(t, 0.025f) * Decay(t, 0.16f) * 1.4f +
               hiss.High(n) * Attack(t, 0.01f) * Decay(t, 0.08f) * 0.3f;
    }
    Noise scatter(304);
    for (int k = 0; k < 14; ++k) {
        const float u = scatter.Unit();
        const float at = 0.03f + 0.47f * std::pow(u, 1.5f);
        Drop(s, at, 900.0 + 1700.0 * scatter.Unit(), 0.9f, 0.01f + 0.008f * scatter.Unit(),
             0.35f * (1.0f - at / 0.6f));
    }
    for (float& v : s) v = Soft(2.0f * v);
    Finish(s);
    return s;
}

// Going under: a muffled slap, a deep whump, a gloop and bubbles rising.
Mono Plunge() {
    Mono s(Frames(0.9));
    Noise noise(404);
    Svf slap;
    double whump = 0, gloop = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        slap.Set(250.0f + 2500.0f * Decay(t, 0.05f), 0.8f);
        const float a = slap.Low(noise.Next()) * Attack(t, 0.003f) * Decay(t, 0.09f);
        const float b = float(std::sin(kTwoPi * whump)) * Attack(t, 0.004f) * Decay(t, 0.14f) * 0.9f;
        whump += (55.0 + 110.0 * Decay(t, 0.06f)) / kRate;
        whump -= std::floor(whump);
        const float g = t - 0.02f;
        const float c = g > 0 ? float(std::sin(kTwoPi * gloop)) * Attack(g, 0.01f) * Decay(g, 0.04f) * 0.5f : 0.0f;
        if (g > 0) gloop += (250.0 + 350.0 * std::min(1.0f, g / 0.1f)) / kRate;
        gloop -= std::floor(gloop);
        s[i] = a + b + c;
    }
    Noise scatter(405);
    for (int k = 0; k < 16; ++k) {
        const float at = 0.1f + 0.7f * scatter.Unit();
        Drop(s, at, 350.0 + 750.0 * scatter.Unit(), 0.8f, 0.018f + 0.012f * scatter.Unit(),
             0.3f * (1.0f - (at - 0.1f) / 0.8f));
    }
    // Heard from under the surface: nothing bright.
    Svf muffle;
    muffle.Set(3000, 0.7f);
    // Driven a little, so the body of the splash is not buried under the
    // slap that sets the peak.
    for (float& v : s) v = Soft(2.5f * muffle.Low(v));
    Finish(s);
    return s;
}

// Two quick notes a fifth apart, each sliding up into place.
Mono Confirm() {
    constexpr float kStep = 0.06f;
    Mono s(Frames(0.2));
    Osc tri(Osc::kTriangle), pulse(Osc::kPulse, 0.25f);
    Svf lowpass;
    lowpass.Set(5000, 0.7f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        const bool second = t >= kStep;
        const float u = second ? t - kStep : t;
        const double hz = NoteHz((second ? 93 : 86) - 2.0 * Decay(u, 0.006f));
        const float env = second ? (0.8f + 0.2f * Attack(u, 0.003f)) * Decay(u, 0.05f) : 0.8f;
        s[i] = lowpass.Low(tri.Next(hz) + 0.35f * pulse.Next(hz)) * env;
    }
    Finish(s);
    return s;
}

// A short woody tick.
Mono Tick() {
    Mono s(Frames(0.06));
    Noise noise(99);
    Svf highpass;
    highpass.Set(4000, 0.7f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = Time(i);
        const double p = kTwoPi * t;
        s[i] = float(std::sin(p * 1500)) * Decay(t, 0.012f) + float(std::sin(p * 3700)) * 0.4f * Decay(t, 0.006f) +
               highpass.High(noise.Next()) * 0.3f * Decay(t, 0.002f);
    }
    Finish(s, 0.0008f, 0.01f);
    return s;
}

// The jingle, about 1.5 s: a rising arpeggio while the engine logo flies
// together (about 0.4 s), then a bright chord that rings as the logo sits.
Mono Jingle() {
    constexpr float kLength = 1.5f;
    constexpr float kChordAt = 0.38f;
    Stereo mix(Frames(kLength + 0.5));
    Stereo send(mix.Frames());
    const double arp[] = {kKey + 12, kKey + 16, kKey + 19, kKey + 24, kKey + 28};
    for (int k = 0; k < 5; ++k) {
        const long at = long(Frames(0.07 * k));
        Add(mix, Bell(NoteHz(arp[k]), 0.7f), at, 0.30f, 0.0f, false);
        Add(mix, Lead(NoteHz(arp[k]), 0.06f), at, 0.16f, 0.0f, false);
        Add(send, Bell(NoteHz(arp[k]), 0.7f), at, 0.3f, 0.0f, false);
    }
    const long chord = long(Frames(kChordAt));
    for (double n : {kKey, kKey + 7, kKey + 12, kKey + 16}) {
        const Mono note = Lead(NoteHz(n), 0.9f);
        Add(mix, note, chord, 0.16f, 0.0f, false);
        Add(send, note, chord, 0.16f, 0.0f, false);
    }
    Add(mix, Bass(NoteHz(kKey - 24), 0.9f), chord, 0.4f, 0.0f, false);
    Add(mix, Bell(NoteHz(kKey + 24), 1.1f), chord, 0.32f, 0.0f, false);
    Add(mix, Bell(NoteHz(kKey + 31), 1.0f), chord, 0.16f, 0.0f, false);
    // Sparkles as the logo settles.
    for (int k = 0; k < 4; ++k) {
        const double n = kKey + 24 + (k == 1 ? 4 : k == 2 ? 7 : k == 3 ? 12 : 0);
        Add(mix, Bell(NoteHz(n), 0.35f), long(Frames(0.46 + 0.06 * k)), 0.08f, 0.0f, false);
    }
    const Stereo wet = Reverb(0.8f, 0.3f).Process(send, false);
    Mono s(Frames(kLength));
    for (size_t i = 0; i < s.size(); ++i) s[i] = 0.5f * (mix.l[i] + mix.r[i] + 0.6f * (wet.l[i] + wet.r[i]));
    Finish(s, kFadeIn, 0.15f);
    return s;
}

}  // namespace

bool MakeSounds(const std::string& audioDir) {
    struct Effect {
        const char* file;
        Mono (*make)();
    };
    const Effect effects[] = {
        {"95.wav", Jingle}, {"01.wav", Pickup}, {"02.wav", Zap},     {"03.wav", SplashOut},
        {"04.wav", Plunge}, {"98.wav", Confirm}, {"99.wav", Tick},
    };
    bool ok = true;
    for (const Effect& e : effects) ok = WriteWav(audioDir + "/" + e.file, e.make()) && ok;
    return ok;
}

}  // namespace dg
