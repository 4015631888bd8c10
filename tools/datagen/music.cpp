// The in-game music, audio/bloke.ogg: a bright, bouncy tune in D major at
// 126 beats a minute, 32 bars (about 61 s) of lead, bass, offbeat chords,
// mallets and drums, written out here as text and rendered as one turn of a
// loop, so its end runs into its start without a seam. It never fades out.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "datagen.h"
#include "instruments.h"
#include "synth.h"

namespace dg {
namespace {

using namespace snd;

constexpr int kStepFrames = 5250;  // a sixteenth at 126 beats a minute: 44100 * 60 / 126 / 4
constexpr int kStepsPerBar = 16;
constexpr int kBars = 32;
constexpr int kTranspose = 2;      // written in C, sounding in D
constexpr float kOggQuality = 0.4f;
constexpr int kBassLow = 38;       // D2

// The chords, one bar per entry; two names share a bar half and half.
// Sections: A (bars 1-8), A again with mallets (9-16), B (17-24), a
// breakdown without the lead that builds back (25-32).
const char* const kChords[kBars] = {
    "C", "G", "Am", "F",  "C",  "G",  "F",  "G",     //
    "C", "G", "Am", "F",  "C",  "G",  "F G", "C",    //
    "F", "G", "Em", "Am", "F",  "G",  "C",  "C",     //
    "F", "G", "Em", "Am", "Dm", "Em", "F",  "G",     //
};

// The lead, one bar per entry: note/sixteenths, r for a rest.
const char* const kMelody[kBars] = {
    "E5/2 G5/2 C6/3 B5/1 C6/2 G5/2 E5/4",
    "D5/2 G5/2 B5/3 A5/1 B5/2 G5/2 D5/4",
    "C5/2 E5/2 A5/3 G5/1 A5/2 E5/2 C6/4",
    "A5/4 G5/2 F5/2 E5/2 F5/2 G5/4",
    "E5/2 G5/2 C6/3 B5/1 C6/2 E6/2 D6/4",
    "B5/2 G5/2 D6/3 C6/1 B5/2 A5/2 G5/4",
    "A5/2 C6/2 F6/3 E6/1 C6/2 A5/2 F5/2 A5/2",
    "G5/4 B5/2 D6/2 G5/6 r/2",
    //
    "E5/2 G5/2 C6/3 B5/1 C6/2 G5/2 E5/4",
    "D5/2 G5/2 B5/3 A5/1 B5/2 G5/2 D5/4",
    "C5/2 E5/2 A5/3 G5/1 A5/2 E5/2 C6/4",
    "A5/4 G5/2 F5/2 E5/2 F5/2 G5/4",
    "E5/2 G5/2 C6/3 B5/1 C6/2 E6/2 D6/4",
    "B5/2 G5/2 D6/3 C6/1 B5/2 A5/2 G5/4",
    "A5/2 G5/2 F5/2 A5/2 G5/2 B5/2 D6/4",
    "C6/8 r/4 C5/2 E5/2",
    //
    "F5/6 A5/2 C6/4 A5/4",
    "B5/6 A5/2 G5/4 D5/4",
    "E5/6 G5/2 B5/4 G5/4",
    "A5/6 G5/2 E5/4 C5/4",
    "F5/4 A5/4 C6/4 F6/4",
    "E6/4 D6/4 B5/4 G5/4",
    "C6/2 B5/2 C6/2 D6/2 E6/4 G5/4",
    "C6/12 r/4",
    //
    "r/16",
    "r/16",
    "r/16",
    "r/8 E5/2 G5/2 A5/2 C6/2",
    "D6/6 C6/2 A5/4 F5/4",
    "E5/6 G5/2 B5/4 E6/4",
    "C6/4 A5/4 F5/4 A5/4",
    "G5/2 A5/2 B5/2 D6/2 F6/4 D6/2 B5/2",
};

struct Note {
    int step;    // from the start of the piece
    int length;  // sixteenths
    int pitch;   // MIDI, transposed; -1 for a rest
};

// "C#5" and the like to a MIDI number; -1 when it is not a note.
int ParsePitch(const std::string& name) {
    static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.empty() || name[0] < 'A' || name[0] > 'G') return -1;
    int pitch = kSemis[name[0] - 'A'];
    size_t at = 1;
    if (at < name.size() && name[at] == '#') pitch += 1, ++at;
    if (at < name.size() && name[at] == 'b') pitch -= 1, ++at;
    if (at >= name.size() || name[at] < '0' || name[at] > '9') return -1;
    return pitch + 12 * (name[at] - '0' + 1) + kTranspose;
}

std::vector<Note> Melody() {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        int step = bar * kStepsPerBar;
        const std::string text = kMelody[bar];
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find(' ', at);
            if (end == std::string::npos) end = text.size();
            const std::string token = text.substr(at, end - at);
            at = end + 1;
            const size_t slash = token.find('/');
            if (slash == std::string::npos) continue;
            const int length = std::atoi(token.c_str() + slash + 1);
            const int pitch = ParsePitch(token.substr(0, slash));
            if (pitch >= 0) notes.push_back({step, length, pitch});
            step += length;
        }
    }
    return notes;
}

struct Chord {
    int root;  // pitch class, transposed
    bool minor;
};

// The chord sounding at a step.
Chord ChordAt(int step) {
    const int bar = (step / kStepsPerBar) % kBars;
    const std::string text = kChords[bar];
    const size_t space = text.find(' ');
    const bool second = space != std::string::npos && step % kStepsPerBar >= kStepsPerBar / 2;
    const std::string name = second ? text.substr(space + 1) : text.substr(0, space);
    Chord c{ParsePitch(name.substr(0, 1) + "0") % 12, name.size() > 1 && name[1] == 'm'};
    return c;
}

// The chord's tones voiced closely from `low` upwards.
std::vector<int> Voicing(Chord c, int low) {
    std::vector<int> notes;
    for (int interval : {0, c.minor ? 3 : 4, 7}) {
        int n = c.root + interval;
        while (n < low) n += 12;
        while (n >= low + 12) n -= 12;
        notes.push_back(n);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// The bass plays from D2 up to C#3, whatever the chord.
int BassRoot(Chord c) { return kBassLow + (c.root - kBassLow % 12 + 12) % 12; }

long At(int step) { return long(step) * kStepFrames; }
float Gate(int steps) { return float(steps * kStepFrames) / kRate; }

// The parts, each mixed into the dry bus and the effect sends.
struct Bus {
    Stereo dry, reverb, echo;
    explicit Bus(size_t n) : dry(n), reverb(n), echo(n) {}
    void Put(const Mono& s, int step, float gain, float pan, float toReverb, float toEcho) {
        Add(dry, s, At(step), gain, pan, true);
        if (toReverb > 0) Add(reverb, s, At(step), gain * toReverb, pan, true);
        if (toEcho > 0) Add(echo, s, At(step), gain * toEcho, pan, true);
    }
};

bool Breakdown(int bar) { return bar >= 24 && bar < 28; }

void LeadPart(Bus& bus) {
    for (const Note& n : Melody()) {
        // Legato, but with a breath between notes so each one speaks.
        const float gate = Gate(n.length) - (n.length > 2 ? 0.03f : 0.02f);
        bus.Put(Lead(NoteHz(n.pitch), gate), n.step, 0.26f, -0.08f, 0.22f, 0.2f);
    }
}

void BassPart(Bus& bus) {
    for (int bar = 0; bar < kBars; ++bar) {
        const int first = bar * kStepsPerBar;
        if (Breakdown(bar)) {
            // Long notes under the breakdown, one per chord.
            for (int half = 0; half < 2; ++half) {
                const int step = first + half * 8;
                const Chord c = ChordAt(step);
                bus.Put(Bass(NoteHz(BassRoot(c)), Gate(7)), step, 0.42f, 0.0f, 0, 0);
            }
            continue;
        }
        // Bouncing eighths: root, octave, root, octave ... the fifth on beat 4.
        for (int e = 0; e < 8; ++e) {
            const int step = first + e * 2;
            const Chord c = ChordAt(step);
            const int root = BassRoot(c);
            const int pitch = e == 6 ? root + 7 : (e % 2 == 1 ? root + 12 : root);
            bus.Put(Bass(NoteHz(pitch), Gate(1) + 0.03f), step, e % 2 == 0 ? 0.42f : 0.34f, 0.0f, 0, 0);
        }
    }
}

void ChordPart(Bus& bus) {
    for (int bar = 0; bar < kBars; ++bar)
        for (int beat = 0; beat < 4; ++beat) {
            const int step = bar * kStepsPerBar + beat * 4 + 2;  // the offbeats
            std::vector<double> hz;
            for (int n : Voicing(ChordAt(step), 62)) hz.push_back(NoteHz(n));
            bus.Put(Stab(hz, Gate(1)), step, beat % 2 == 0 ? 0.30f : 0.26f, -0.35f, 0.3f, 0);
        }
}

void MalletPart(Bus& bus) {
    // Running sixteenths over the chord, from the second section on;
    // louder in the breakdown, where they carry the tune.
    const int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
    for (int bar = 8; bar < kBars; ++bar) {
        const float level = Breakdown(bar) ? 0.2f : 0.09f;
        for (int s = 0; s < kStepsPerBar; ++s) {
            const int step = bar * kStepsPerBar + s;
            std::vector<int> tones = Voicing(ChordAt(step), 74);
            tones.push_back(tones[0] + 12);
            const float accent = s % 4 == 0 ? 1.0f : 0.7f;
            bus.Put(Bell(NoteHz(tones[size_t(order[s % 8])]), 0.5f), step, level * accent, 0.4f, 0.35f, 0);
        }
    }
}

void DrumPart(Bus& bus) {
    const Mono kick = Kick();
    const Mono snares[2] = {Snare(11), Snare(12)};
    const Mono hats[4] = {Hat(false, 21), Hat(false, 22), Hat(false, 23), Hat(false, 24)};
    const Mono open = Hat(true, 25);
    const Mono crashL = Crash(31), crashR = Crash(32);
    for (int bar = 0; bar < kBars; ++bar) {
        const int first = bar * kStepsPerBar;
        const bool quiet = Breakdown(bar);
        const bool fill = bar % 8 == 7;
        if (bar == 0 || bar == 8 || bar == 16 || bar == 28) {
            bus.Put(crashL, first, 0.22f, -0.7f, 0.2f, 0);
            bus.Put(crashR, first, 0.22f, 0.7f, 0.2f, 0);
        }
        for (int s = 0; s < kStepsPerBar; ++s) {
            const int step = first + s;
            if (!quiet ? (s == 0 || s == 8 || s == 10) : s == 0) bus.Put(kick, step, 0.85f, 0.0f, 0, 0);
            if (!quiet && (s == 4 || s == 12)) bus.Put(snares[s / 8], step, 0.5f, 0.05f, 0.15f, 0);
            if (fill && s >= 13) bus.Put(snares[s % 2], step, 0.22f + 0.06f * (s - 13), 0.05f, 0.15f, 0);
            // The breakdown's last bar rolls back in.
            if (bar == 27 && (s >= 8 || s % 2 == 0))
                bus.Put(snares[s % 2], step, 0.1f + 0.025f * s, 0.05f, 0.15f, 0);
            const bool sixteenths = bar >= 16 && !quiet;
            if (s % 2 == 0 || sixteenths) {
                const float level = (s % 4 == 2 ? 0.16f : 0.1f) * (s % 2 == 1 ? 0.6f : 1.0f) * (quiet ? 0.7f : 1.0f);
                if (s == 14 && bar % 2 == 1 && !quiet)
                    bus.Put(open, step, 0.12f, 0.3f, 0, 0);
                else
                    bus.Put(hats[(bar + s) % 4], step, level, 0.3f, 0, 0);
            }
        }
    }
}

}  // namespace

bool MakeMusic(const std::string& audioDir) {
    const size_t frames = size_t(kBars) * kStepsPerBar * kStepFrames;
    Bus bus(frames);
    LeadPart(bus);
    BassPart(bus);
    ChordPart(bus);
    MalletPart(bus);
    DrumPart(bus);

    const Stereo room = Reverb(0.82f, 0.35f).Process(bus.reverb, true);
    const Stereo echo = PingPong(bus.echo, size_t(3 * kStepFrames), 0.35f, true);
    Stereo out(frames);
    // The rumble filter also runs twice round the loop, so that it is
    // settled where the loop begins.
    DcBlock lowL(25.0f), lowR(25.0f);
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < frames; ++i) {
            out.l[i] = lowL.Step(bus.dry.l[i] + 0.9f * room.l[i] + 0.6f * echo.l[i]);
            out.r[i] = lowR.Step(bus.dry.r[i] + 0.9f * room.r[i] + 0.6f * echo.r[i]);
        }
    Normalise(out, kPeakDb);
    return WriteOgg(audioDir + "/bloke.ogg", out, kOggQuality);
}

}  // namespace dg
