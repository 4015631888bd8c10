// The generator's small sound toolkit: band-limited oscillators, envelopes,
// filters, seeded noise, mixing into mono and stereo buffers (straight or as
// a seamless loop), and the 16-bit WAV and Ogg Vorbis writers. Every sample
// is computed here; no sound is ever read from disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dg {
namespace snd {

constexpr int kRate = 44100;          // every sound and the music
constexpr double kTwoPi = 6.283185307179586;
constexpr float kPeakDb = -3.0f;      // where every file's loudest sample sits
constexpr float kFadeIn = 0.002f;     // seconds: no click at a sound's start
constexpr float kFadeOut = 0.012f;    // seconds: nor at its end

using Mono = std::vector<float>;

struct Stereo {
    Mono l, r;
    explicit Stereo(size_t frames = 0) : l(frames, 0.0f), r(frames, 0.0f) {}
    size_t Frames() const { return l.size(); }
};

size_t Frames(double seconds);
double Seconds(size_t frames);
// Frequency of a MIDI note number (69 = A4 = 440 Hz); fractions bend.
double NoteHz(double note);
float DbToGain(float db);
float GainToDb(float gain);

// An oscillator with its own phase. Saw and pulse are band-limited with
// polynomial steps, so high notes and pitched-up playback stay clean.
class Osc {
public:
    enum Kind { kSine, kTriangle, kSaw, kPulse };
    explicit Osc(Kind kind, float width = 0.5f, double phase = 0.0) : kind_(kind), width_(width), phase_(phase) {}
    float Next(double hz);  // the current sample, then advances by hz
    void SetWidth(float w) { width_ = w; }

private:
    Kind kind_;
    float width_;
    double phase_;  // cycles, 0..1
};

// Seeded white noise in -1..1, the same on every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 0x2545F491u) {}
    float Next();
    float Unit();  // 0..1
private:
    uint32_t state_;
};

// A state-variable filter in the trapezoidal form: stable while its cutoff
// moves every sample, which the sweeps of the effects rely on.
class Svf {
public:
    struct Out {
        float low, band, high;
    };
    void Set(float hz, float q);
    Out Step(float x);
    float Low(float x) { return Step(x).low; }
    float Band(float x) { return Step(x).band; }
    float High(float x) { return Step(x).high; }

private:
    float a1_ = 1, a2_ = 0, a3_ = 0, k_ = 1;
    float ic1_ = 0, ic2_ = 0;
};

// One-pole high-pass: takes DC and rumble off a finished sound.
class DcBlock {
public:
    explicit DcBlock(float hz = 12.0f);
    float Step(float x);

private:
    float r_, x1_ = 0, y1_ = 0;
};

// Envelope pieces, t in seconds.
float Attack(float t, float len);     // 0 -> 1 raised cosine over len
float Decay(float t, float tau);      // exponential, 1 at t = 0
// Attack, decay to sustain while the gate is held, then release from where
// the level stood.
float Adsr(float t, float gate, float a, float d, float s, float r);

// Adds src into dst starting at frame `at`, scaled; what runs past the end
// is dropped.
void Add(Mono& dst, const Mono& src, long at, float gain);
// Adds a mono sound into a stereo buffer with constant-power pan (-1 left,
// +1 right); with wrap, what runs past the end comes round to the start,
// so a loop's ringing notes carry over its seam.
void Add(Stereo& dst, const Mono& src, long at, float gain, float pan, bool wrap);

// A stereo reverberator after Freeverb's pattern (eight combs and four
// all-passes a side, the right side slightly longer for width). Process
// returns the wet signal of a send; with loop the send is taken as one turn
// of a loop and run twice, so the tail of its end rings on into its start.
class Reverb {
public:
    Reverb(float room, float damp);
    Stereo Process(const Stereo& send, bool loop);

private:
    float feedback_, damp_;
};

// A ping-pong echo of a send: each repeat crosses to the other side after
// `delay` frames, `feedback` times as loud as the one before; loop as above.
Stereo PingPong(const Stereo& send, size_t delay, float feedback, bool loop);

// Finishing touches of a one-shot effect: DC removed, short fades at both
// ends so it starts and stops at zero, peak set to kPeakDb.
void Finish(Mono& s, float fadeIn = kFadeIn, float fadeOut = kFadeOut);
float Peak(const Mono& s);
void Normalise(Mono& s, float peakDb);
void Normalise(Stereo& s, float peakDb);
// A gentle saturating curve: unity slope at 0, never past +-1.
float Soft(float x);

// Writers. The WAV is mono 16-bit PCM with a 16-byte "fmt " chunk followed
// by the "data" chunk and nothing else.
bool WriteWav(const std::string& path, const Mono& s);
// Stereo Ogg Vorbis at kRate, variable bit rate of the given quality (0..1).
bool WriteOgg(const std::string& path, const Stereo& s, float quality);

}  // namespace snd
}  // namespace dg
