// The instruments the jingle and the music share: each call renders one
// note or one drum hit, release tail included, into a new mono buffer at
// full scale (the caller sets the level). None keeps state between notes,
// so the same note always comes out with the same samples.
#pragma once

#include <cstdint>
#include <vector>

#include "synth.h"

namespace dg {
namespace snd {

// A soft square lead with a little vibrato; gate is how long the key is held.
Mono Lead(double hz, float gate);
// A plucked saw bass with a sine under it.
Mono Bass(double hz, float gate);
// A short offbeat chord of the given notes.
Mono Stab(const std::vector<double>& hz, float gate);
// A mallet struck once (two-operator FM), ringing for `ring` seconds.
Mono Bell(double hz, float ring);

Mono Kick();
Mono Snare(uint32_t seed);
Mono Hat(bool open, uint32_t seed);
Mono Crash(uint32_t seed);

}  // namespace snd
}  // namespace dg
