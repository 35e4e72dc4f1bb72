// The kinds of the page's calls into the game that take one, by number: every input goes through
// one call, and every use of the stored record through another. skelvar-game-numbers writes them
// into the page's game_numbers.js by name.
#pragma once

#include <cstdint>

namespace skelvar::web {

enum class PageInput : int32_t {
  KeyDown = 0,    // a: key code, b: its source (the keyboard, the touch screen, a controller)
  KeyUp,          // a: key code, b: its source
  MouseMove,      // a, b: the point in client units
  Click,          // a, b: the point of a click
  Resize,         // a, b: the new client size
  ReleaseSource,  // a: a source that lets go of every key it holds
  MousePress,     // a, b: the button went down here
  MouseRelease,   // a, b: the button went up here; the report says whether that was a click
  MouseCancel,    // the press is called off
  PadsLetGo,      // every controller lets go of what it holds (the page lost the focus)
  Hidden,         // the page is hidden: its clock stands still and no timer runs
  Shown,          // the page is shown again: the timers start afresh
};
inline constexpr int32_t PageInputCount = static_cast<int32_t>(PageInput::Shown) + 1;

enum class RecordUse : int32_t {
  Check = 0,  // whether the numbers are a record at all (a stored entry that is not is damaged)
  Kept,       // the storage holds this record now: at start, or after another tab wrote it
  Merge,      // the record to write over this stored one: it with what this page added
  Saved,      // the storage took this record: nothing this page added is left unsaved
};

}  // namespace skelvar::web
