// The records the page reads out of the WebAssembly memory, described once: the binding fills
// these structures, and skelvar-game-numbers writes their offsets by name into the page's
// game_numbers.js, so neither side counts fields by hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "game/draw_list.h"

namespace skelvar::web {

// One drawing operation, in whole client units on a tick's list (int32_t) or placed between them
// on a frame between ticks (double). The colour is 0xRRGGBB; alpha is how opaque it is drawn, 255
// for fully.
template <typename Number>
struct OpRecord {
  Number kind;
  std::array<Number, 4> clip;
  std::array<Number, 4> dest;
  std::array<Number, 4> source;
  Number image;
  Number keyed;
  Number colour;
  Number component;
  Number alpha;
};

// How both draw buffers begin: texts are pointer and length into the memory, and the background's
// left edge in client units is NaN when no background is drawn.
struct DrawHeader {
  int32_t generation;
  int32_t count;
  int32_t textPointer;
  int32_t textLength;
  int32_t lineTextPointer;
  int32_t lineTextLength;
  int32_t noteTextPointer;
  int32_t noteTextLength;
  double backgroundLeft;
};

template <typename Number>
struct DrawRecord {
  DrawHeader header;
  std::array<OpRecord<Number>, DrawList::Capacity> ops;
};

// What one call into the game handed back, then the window as it stands after it: everything the
// page paints, plays, stores and waits for. Flags are 0 or 1; every field is a double, so that
// the page reads the whole record through one view of the memory.
struct ReportRecord {
  // What the call made happen.
  double cues;            // the sounds of the game tick that ran, a bit for each cue
  double ticked;          // a game tick ran
  double faded;           // the fade-in moved on
  double pictureChanged;  // the picture changed, or moves between the last two ticks
  double recordChanged;   // the record has something new to keep
  double backAtMenu;      // the menu came back: a run is over
  double clicked;         // the mouse's release completed a click
  double blended;         // the frame buffer holds the frame asked for, between two ticks
  // The window after it.
  double closed;
  double opacityEnabled;
  double opacity;
  double openEnabled;
  double gameEnabled;
  double openInterval;
  double gameInterval;
  double clientWidth;
  double clientHeight;
  double moving;      // anything moves between the last two game ticks
  double ticks;       // game ticks run since the launch
  double deadline;    // when the next timer is due, on performance.now()'s clock; -1 for none
  double generation;  // the draw list's, which changes whenever the list does
  double drawList;    // where the draw buffer (whole units) is
  double frame;       // where the frame buffer (between ticks) is
  double runStarted;  // a run started
  double watching;    // a recorded run is shown, played back, instead of the player's game
  double playedBack;  // the run watched has played all its ticks: a command key races it
  double shareable;   // the player's run has ended (a clear or a contact) and can be shared
  double ghostShown;  // a raced run's girl is drawn
};

// The scale at which a viewport shows the game, the client size the logic then sees, and where
// it puts the play area in it.
struct LayoutRecord {
  double scale;
  double clientWidth;
  double clientHeight;
  double playLeft;
  double playTop;
  double playWidth;
  double playHeight;
};

// The player's record as numbers: best time (NaN for none), runs and clears, and where the code of
// the best run is in the memory (length 0 for none); valid is 0 when what was given was not a
// record.
struct PlayerRecord {
  double valid;
  double best;
  double runs;
  double clears;
  double bestRunPointer;
  double bestRunLength;
};

// A run of bytes or samples in the memory: where it starts and how many there are.
struct SpanRecord {
  int32_t pointer;
  int32_t length;
};

// The page reads every record through typed views of the memory (HEAP32, HEAPF64), so every
// field must sit at a multiple of its own size, with nothing but numbers of one kind in an array.
static_assert(std::is_standard_layout_v<OpRecord<int32_t>> &&
              std::is_standard_layout_v<OpRecord<double>>);
static_assert(sizeof(OpRecord<int32_t>) == 18 * sizeof(int32_t));
static_assert(sizeof(OpRecord<double>) == 18 * sizeof(double));
static_assert(offsetof(OpRecord<int32_t>, component) / sizeof(int32_t) ==
              offsetof(OpRecord<double>, component) / sizeof(double));
static_assert(std::is_standard_layout_v<DrawRecord<int32_t>> &&
              std::is_standard_layout_v<DrawRecord<double>>);
static_assert(offsetof(DrawHeader, backgroundLeft) % sizeof(double) == 0);
static_assert(offsetof(DrawRecord<int32_t>, ops) == offsetof(DrawRecord<double>, ops),
              "one header shape for both buffers");
static_assert(offsetof(DrawRecord<double>, ops) % sizeof(double) == 0);
static_assert(sizeof(ReportRecord) == 28 * sizeof(double));
static_assert(sizeof(LayoutRecord) == 7 * sizeof(double));
static_assert(sizeof(PlayerRecord) == 6 * sizeof(double));
static_assert(sizeof(SpanRecord) == 2 * sizeof(int32_t));

}  // namespace skelvar::web
