#include "synth.h"

#include <algorithm>
#include <array>
#include <vector>

namespace skelvar::synth {
namespace {

// The square root of a whole number, rounded down.
constexpr uint64_t IntegerSqrt(uint64_t v) {
  uint64_t lo = 0, hi = 1ull << 32;
  while (hi - lo > 1) {
    const uint64_t mid = (lo + hi) / 2;
    if (mid * mid <= v) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// 2^(i/64) for i = 0..64 with 30 fraction bits, from six square roots of two: exact integer work,
// so no build's floating-point library can change a sample.
constexpr std::array<uint64_t, 65> MakeExp2Table() {
  uint64_t root = 2ull << 30;
  for (int i = 0; i < 6; ++i) root = IntegerSqrt(root << 30);
  std::array<uint64_t, 65> t{};
  t[0] = 1ull << 30;
  for (int i = 1; i < 64; ++i) t[i] = (t[i - 1] * root + (1ull << 29)) >> 30;
  t[64] = 2ull << 30;
  return t;
}
constexpr std::array<uint64_t, 65> Exp2Table = MakeExp2Table();

constexpr int32_t MsToSamples(int32_t ms) {
  return ms * (SampleRate / 1000);
}

int32_t NoteEnd(const Note& n) {
  return MsToSamples(n.startMs + n.lengthMs);
}

// A signed 16-bit wave value of a voice at a phase; noise takes its value from the register.
int32_t WaveValue(Wave wave, uint32_t phase, uint32_t lfsr) {
  switch (wave) {
    // The narrow pulses sit lower, so that every wave averages zero: a wave with an offset
    // would thump as its envelope opens and closes.
    case Wave::Square12:
      return phase < (1u << 29) ? 32767 : -4681;
    case Wave::Square25:
      return phase < (1u << 30) ? 32767 : -10922;
    case Wave::Square50:
      return phase < (1u << 31) ? 32767 : -32767;
    case Wave::Triangle: {
      const int32_t t = static_cast<int32_t>(phase >> 16);  // 0..65535
      return t < 32768 ? 2 * t - 32767 : 32767 - 2 * (t - 32768);
    }
    case Wave::Noise:
      return (lfsr & 1u) != 0 ? 32767 : -32767;
  }
  return 0;
}

// The envelope out of 32768 at sample i of a note n samples long: a rise, a fall to the sustain
// and a release that reaches exact zero at the note's end.
int32_t Envelope(const Note& note, int32_t i, int32_t n) {
  const int32_t a = std::max(1, MsToSamples(note.attackMs));
  const int32_t d = MsToSamples(note.decayMs);
  const int32_t r = std::max(1, MsToSamples(note.releaseMs));
  int32_t e = 0;
  if (i < a) {
    e = static_cast<int32_t>(int64_t{32768} * i / a);
  } else if (i < a + d) {
    e = 32768 - static_cast<int32_t>(int64_t{32768 - note.sustain} * (i - a) / d);
  } else {
    e = note.sustain;
  }
  if (i >= n - r) {
    e = static_cast<int32_t>(int64_t{e} * (n - i) / r);
  }
  return e;
}

void AddNote(const Note& note, std::span<int32_t> mix) {
  const int32_t start = MsToSamples(note.startMs);
  const int32_t n = MsToSamples(note.lengthMs);
  // A triangle starts a quarter of a cycle in, where it crosses zero.
  uint32_t phase = note.wave == Wave::Triangle ? 1u << 30 : 0;
  uint32_t lfsr = 0x4a5u;
  int32_t filtered = 0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t pitch =
        note.pitch0 + static_cast<int32_t>(int64_t{note.pitch1 - note.pitch0} * i / n);
    const int32_t tone =
        note.tone0 + static_cast<int32_t>(int64_t{note.tone1 - note.tone0} * i / n);
    const int32_t raw = WaveValue(note.wave, phase, lfsr);
    filtered += static_cast<int32_t>((int64_t{raw - filtered} * tone) >> 16);
    const int64_t env = Envelope(note, i, n);
    mix[start + i] += static_cast<int32_t>((int64_t{filtered} * env * note.level) >> 30);
    const uint32_t next = phase + PhaseIncrement(pitch);
    if (next < phase) {
      // The 15-bit register steps once per cycle of the noise clock.
      const uint32_t bit = (lfsr ^ (lfsr >> 1)) & 1u;
      lfsr = (lfsr >> 1) | (bit << 14);
    }
    phase = next;
  }
}

}  // namespace

uint32_t PhaseIncrement(int32_t pitch) {
  // Octaves above A4 with 16 fraction bits, rounded down also below it.
  const int64_t rel = int64_t{pitch} - Pitch(69);
  int64_t x = rel * 65536;
  x = x >= 0 ? x / 3072 : -((-x + 3071) / 3072);
  const int64_t octave = x >> 16;
  const uint32_t frac = static_cast<uint32_t>(x & 0xffff);
  const uint32_t idx = frac >> 10, rem = frac & 1023;
  const uint64_t f30 = Exp2Table[idx] + (((Exp2Table[idx + 1] - Exp2Table[idx]) * rem) >> 10);
  // A4's step with 40 fraction bits, times 2^(frac) with 16, gives 56; the octave shifts.
  constexpr uint64_t A4Step40 = (440ull << 40) / SampleRate;
  const uint64_t step56 = A4Step40 * (f30 >> 14);
  const int64_t shift = 24 - octave;
  if (shift <= 0) return 0x7fffffffu;
  if (shift >= 63) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(step56 >> shift, 0x7fffffffu));
}

int32_t CueLength(Cue cue) {
  int32_t end = 0;
  for (const Note& n : NotesOf(cue)) end = std::max(end, NoteEnd(n));
  return end;
}

void RenderCue(Cue cue, std::span<int16_t> out) {
  const int32_t length = CueLength(cue);
  // Rendered once per sound at start-up, never while the game plays.
  std::vector<int32_t> used(static_cast<size_t>(length), 0);
  for (const Note& n : NotesOf(cue)) AddNote(n, used);
  for (int32_t i = 0; i < length; ++i) out[i] = Limit(used[i]);
}

int16_t Limit(int32_t sum) {
  const int64_t m = sum < 0 ? -int64_t{sum} : sum;
  if (m <= LimiterKnee) return static_cast<int16_t>(sum);
  const int64_t room = LimiterCeiling - LimiterKnee;
  const int64_t over = m - LimiterKnee;
  const int64_t bent = LimiterKnee + room * over / (over + room);
  return static_cast<int16_t>(sum < 0 ? -bent : bent);
}

}  // namespace skelvar::synth
