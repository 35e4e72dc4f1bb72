// The records the page reads out of the WebAssembly memory, described once: the binding fills
// these structures, and skelvar-game-numbers writes their offsets by name into the page's
// game_numbers.js, so neither side counts fields by hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>

#include "game/controllers.h"
#include "game/draw_list.h"

namespace skelvar::web {

// One drawing operation, in whole client units on a tick's list (int32_t) or placed between them
// on a frame between ticks (double). The colour is 0xRRGGBB.
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
  double backgroundLeft;
};

template <typename Number>
struct DrawRecord {
  DrawHeader header;
  std::array<OpRecord<Number>, DrawList::Capacity> ops;
};

// The window's state the page follows: opacity, closing, and the two timers' switches and
// intervals, with the client size.
struct WindowRecord {
  int32_t opacityEnabled;
  int32_t opacity;
  int32_t closed;
  int32_t openEnabled;
  int32_t gameEnabled;
  int32_t openInterval;
  int32_t gameInterval;
  int32_t clientWidth;
  int32_t clientHeight;
};

// The scale at which a viewport shows the game and the client size the logic then sees.
struct FitRecord {
  double scale;
  double clientWidth;
  double clientHeight;
};

// A rectangle in client units.
struct RectRecord {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// The player's record: best time (-1 for none), runs and clears.
struct PlayerRecord {
  double best;
  double runs;
  double clears;
};

// Key presses and releases the game hands back to the page to deliver (the repeats of held keys,
// the controllers' transitions), so that a test run's journal holds them as the events they are.
struct KeyEventRecord {
  int32_t code;
  int32_t down;
  int32_t source;
};
struct KeyEventsRecord {
  int32_t count;
  std::array<KeyEventRecord, InputSourceCount * WatchedKeys.size()> events;
};

// The page reads every record through typed views of the memory (HEAP32, HEAPF64), so every
// field must sit at a multiple of its own size, with nothing but numbers of one kind in an array.
static_assert(std::is_standard_layout_v<OpRecord<int32_t>> &&
              std::is_standard_layout_v<OpRecord<double>>);
static_assert(sizeof(OpRecord<int32_t>) == 17 * sizeof(int32_t));
static_assert(sizeof(OpRecord<double>) == 17 * sizeof(double));
static_assert(offsetof(OpRecord<int32_t>, component) / sizeof(int32_t) ==
              offsetof(OpRecord<double>, component) / sizeof(double));
static_assert(std::is_standard_layout_v<DrawRecord<int32_t>> &&
              std::is_standard_layout_v<DrawRecord<double>>);
static_assert(offsetof(DrawHeader, backgroundLeft) % sizeof(double) == 0);
static_assert(offsetof(DrawRecord<int32_t>, ops) == offsetof(DrawRecord<double>, ops),
              "one header shape for both buffers");
static_assert(offsetof(DrawRecord<double>, ops) % sizeof(double) == 0);
static_assert(sizeof(WindowRecord) == 9 * sizeof(int32_t));
static_assert(sizeof(FitRecord) == 3 * sizeof(double));
static_assert(sizeof(RectRecord) == 4 * sizeof(int32_t));
static_assert(sizeof(PlayerRecord) == 3 * sizeof(double));
static_assert(sizeof(KeyEventRecord) == 3 * sizeof(int32_t));
static_assert(offsetof(KeyEventsRecord, events) == sizeof(int32_t));
static_assert(Controllers::MaxLetGoTransitions <=
                  std::tuple_size_v<decltype(KeyEventsRecord::events)>,
              "every pad letting go at once fits");

}  // namespace skelvar::web
