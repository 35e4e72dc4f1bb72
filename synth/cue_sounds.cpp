// Every sound of the game as rows of notes, all on the C major scale: light chip voices in the
// spirit of the pen drawings, effects under 0.6 s and the two jingles under 3 s.
#include <array>

#include "synth.h"

namespace skelvar::synth {
namespace {

constexpr int32_t C2 = Pitch(36), G2 = Pitch(43), C3 = Pitch(48), G3 = Pitch(55);
constexpr int32_t C4 = Pitch(60), E4 = Pitch(64), G4 = Pitch(67);
constexpr int32_t C5 = Pitch(72), E5 = Pitch(76), F5 = Pitch(77), G5 = Pitch(79);
constexpr int32_t A5 = Pitch(81), C6 = Pitch(84), E6 = Pitch(88), G6 = Pitch(91);
constexpr int32_t C7 = Pitch(96), C8 = Pitch(108), C9 = Pitch(120);

using enum Wave;

// A note of the given voice, pitch and length, with the short attack and release the palette
// asks for and a gentle low-pass that takes the edge off the squares.
constexpr Note Tone(Wave w, int32_t start, int32_t length, int32_t pitch, int32_t level,
                    int32_t tone = 30000) {
  return Note{w, start, length, pitch, pitch, 3, 0, 12, level, 32768, tone, tone};
}

constexpr Note Sweep(Wave w, int32_t start, int32_t length, int32_t from, int32_t to, int32_t level,
                     int32_t tone = 30000) {
  return Note{w, start, length, from, to, 3, 0, 12, level, 32768, tone, tone};
}

constexpr Note Decaying(Note n, int32_t decayMs, int32_t sustain, int32_t releaseMs) {
  n.decayMs = decayMs;
  n.sustain = sustain;
  n.releaseMs = releaseMs;
  return n;
}

constexpr std::array RunStart = {
    Decaying(Tone(Square25, 0, 80, G5, 11000), 40, 20000, 15),
    Decaying(Tone(Square25, 85, 110, C6, 11000), 50, 16000, 40),
};
constexpr std::array Jump = {
    Decaying(Sweep(Square12, 0, 120, C5, C6, 12000), 50, 20000, 40),
};
constexpr std::array Land = {
    Decaying(Sweep(Triangle, 0, 55, G2, C2, 15000, 65536), 20, 16000, 25),
    Decaying(Sweep(Noise, 0, 30, C8, C7, 2500, 12000), 10, 12000, 15),
};
constexpr std::array Remark = {
    Tone(Square50, 0, 30, E6, 4500, 20000),
    Tone(Square50, 45, 35, G6, 4500, 20000),
};
constexpr std::array Caught = {
    Decaying(Tone(Triangle, 0, 120, C5, 14000, 65536), 40, 22000, 20),
    Decaying(Tone(Triangle, 120, 120, E5, 14000, 65536), 40, 22000, 20),
    Decaying(Tone(Triangle, 240, 120, G5, 14000, 65536), 40, 22000, 20),
    Decaying(Tone(Triangle, 360, 500, C6, 14000, 65536), 120, 14000, 250),
    Decaying(Tone(Square12, 70, 110, C5, 3500, 16000), 40, 16000, 20),
    Decaying(Tone(Square12, 190, 110, E5, 3500, 16000), 40, 16000, 20),
    Decaying(Tone(Square12, 310, 110, G5, 3500, 16000), 40, 16000, 20),
    Decaying(Tone(Square12, 430, 450, C6, 3500, 16000), 120, 12000, 250),
};
constexpr std::array Bump = {
    Decaying(Sweep(Noise, 0, 90, C8, C7, 5500, 9000), 30, 12000, 40),
    Decaying(Sweep(Triangle, 0, 320, G3, C2, 12000, 65536), 60, 18000, 180),
};
constexpr std::array Whoosh = {
    Note{Noise, 0, 260, C9, C7, 90, 0, 160, 9000, 32768, 9000, 1500},
};
constexpr std::array Fanfare = {
    Decaying(Tone(Square25, 0, 130, C5, 9000), 50, 20000, 20),
    Decaying(Tone(Square25, 140, 130, E5, 9000), 50, 20000, 20),
    Decaying(Tone(Square25, 280, 130, G5, 9000), 50, 20000, 20),
    Decaying(Tone(Square25, 420, 110, E5, 9000), 50, 20000, 20),
    Decaying(Tone(Square25, 540, 700, C6, 9000), 150, 16000, 300),
    Decaying(Tone(Triangle, 0, 260, C3, 8000, 65536), 60, 20000, 30),
    Decaying(Tone(Triangle, 280, 240, G3, 8000, 65536), 60, 20000, 30),
    Decaying(Tone(Triangle, 540, 700, C3, 8000, 65536), 150, 18000, 300),
};
constexpr std::array Sting = {
    Decaying(Tone(Square50, 0, 170, G4, 8000, 18000), 60, 20000, 25),
    Decaying(Tone(Square50, 190, 170, E4, 8000, 18000), 60, 20000, 25),
    Decaying(Sweep(Square50, 380, 480, C4, Pitch(59), 8000, 18000), 120, 16000, 250),
    Decaying(Tone(Triangle, 380, 480, C3, 9000, 65536), 120, 18000, 250),
};
constexpr std::array Menu = {
    Note{Triangle, 0, 30, C6, C6, 2, 0, 20, 6000, 32768, 65536, 65536},
};
constexpr std::array DogYap = {
    Decaying(Sweep(Square25, 0, 60, A5, F5, 6000, 24000), 20, 16000, 20),
    Decaying(Sweep(Square25, 90, 70, A5, E5, 6000, 24000), 20, 16000, 25),
};
constexpr std::array BirdSwoop = {
    Note{Triangle, 0, 190, C7, G6, 20, 0, 60, 5000, 32768, 65536, 65536},
};

}  // namespace

std::span<const Note> NotesOf(Cue cue) {
  switch (cue) {
    case Cue::RunStart:
      return RunStart;
    case Cue::Jump:
      return Jump;
    case Cue::Land:
      return Land;
    case Cue::Remark:
      return Remark;
    case Cue::Caught:
      return Caught;
    case Cue::Bump:
      return Bump;
    case Cue::Whoosh:
      return Whoosh;
    case Cue::Fanfare:
      return Fanfare;
    case Cue::Sting:
      return Sting;
    case Cue::Menu:
      return Menu;
    case Cue::DogYap:
      return DogYap;
    case Cue::BirdSwoop:
      return BirdSwoop;
  }
  return {};
}

}  // namespace skelvar::synth
