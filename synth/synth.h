// The game's synthesizer: every sound is a few notes of square, triangle or noise voices, rendered
// in integer arithmetic so that every build of the game makes the same samples, bit for bit.
#pragma once

#include <cstdint>
#include <span>

#include "game/cue.h"

namespace skelvar::synth {

inline constexpr int32_t SampleRate = 48000;
inline constexpr int32_t TickSamples = SampleRate / 20;  // one game tick, 50 ms

enum class Wave : uint8_t { Square12, Square25, Square50, Triangle, Noise };

// One row of a sound: a voice from start for length milliseconds, its pitch sliding evenly in
// semitones (so exponentially in frequency) and its brightness from one low-pass setting to
// another. Pitches are MIDI note numbers in 256ths; a noise voice's pitch is its clock rate.
struct Note {
  Wave wave = Wave::Square50;
  int32_t startMs = 0;
  int32_t lengthMs = 0;
  int32_t pitch0 = 0;
  int32_t pitch1 = 0;
  int32_t attackMs = 3;
  int32_t decayMs = 0;
  int32_t releaseMs = 10;
  int32_t level = 0;        // peak, out of 32768
  int32_t sustain = 32768;  // level after the decay, out of 32768
  int32_t tone0 = 65536;    // low-pass coefficient out of 65536: 65536 lets everything through
  int32_t tone1 = 65536;
};

// A MIDI note number in the units Note takes.
constexpr int32_t Pitch(int32_t midiNote) {
  return midiNote * 256;
}

// Phase step per sample, in 2^-32 of a cycle, of a pitch in Note's units.
uint32_t PhaseIncrement(int32_t pitch);

// The notes of a cue's sound.
std::span<const Note> NotesOf(Cue cue);

// How many samples a cue's sound lasts.
int32_t CueLength(Cue cue);

// Renders a cue's sound into out, which holds at least CueLength(cue) samples.
void RenderCue(Cue cue, std::span<int16_t> out);

// Brings a sum of overlapping sounds into range: unchanged up to LimiterKnee, then bending
// smoothly towards LimiterCeiling (-1 dBFS), which it never passes.
inline constexpr int32_t LimiterKnee = 18000;
inline constexpr int32_t LimiterCeiling = 29204;
int16_t Limit(int32_t sum);

}  // namespace skelvar::synth
