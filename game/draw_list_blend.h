// The frames drawn between two of the game's ticks. The logic steps 20 times a second; a display
// refreshes faster, so each frame places every picture between where the last two ticks put it,
// by the time elapsed since the last tick, in the display's own pixels.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "draw_list.h"
#include "images.h"
#include "scene.h"

namespace skelvar {

// A rectangle in display pixels; in-between places fall between whole pixels.
struct FloatRect {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;
  bool operator==(const FloatRect&) const = default;
};

// A drawing operation placed on the display. For an image, `source` (in the image's own pixels)
// is drawn into `dest`; dest may reach past the clip by less than one source pixel, which the
// painter cuts off at the clip.
struct BlendedOp {
  DrawKind kind = DrawKind::Fill;
  FloatRect clip;
  FloatRect dest;
  PixelRect source;
  ImageId image = ImageId::None;
  bool keyed = false;
  Rgb colour;
  ComponentId component = ComponentId::None;
  uint8_t alpha = 255;
  bool operator==(const BlendedOp&) const = default;
};

struct BlendedList {
  std::array<BlendedOp, DrawList::Capacity> ops{};
  int count = 0;
  // The label's, the record line's and the note's texts; they point into the list the operation
  // came from.
  std::string_view text;
  std::string_view lineText;
  std::string_view noteText;
  // Display pixels per client unit.
  double scale = 1.0;

  const BlendedOp* begin() const { return ops.data(); }
  const BlendedOp* end() const { return ops.data() + count; }
  bool operator==(const BlendedList& other) const;
};

// How far a picture may move on the client area in one tick, along either axis, and still be a
// step of its motion: the fastest characters and the outcome picture's slide stay well inside it,
// while the glider wrapping round the stage or the view going back to the start go far beyond.
inline constexpr int32_t NormalStepLimit = 256;

// The draw lists of the last two ticks, with their own copies of the label's text (the scene's
// label changes under a list that points into it).
class TickDrawLists {
 public:
  // Both lists become this one: nothing is on its way anywhere (start, a change of size).
  void Reset(const DrawList& list);
  // A tick ran: the current list becomes the previous one.
  void Advance(const DrawList& list);

  const DrawList& previous() const { return lists_[1 - current_]; }
  const DrawList& current() const { return lists_[current_]; }
  // Whether the two lists differ, that is whether frames between the ticks show anything new.
  bool Moving() const { return !(previous() == current()); }

 private:
  void Store(int slot, const DrawList& list);

  std::array<DrawList, 2> lists_{};
  std::array<LabelText, 2> texts_{};
  std::array<LabelText, 2> lineTexts_{};
  std::array<LabelText, 2> noteTexts_{};
  int current_ = 0;
};

// The text a Text operation of this frame draws.
std::string_view TextOf(const BlendedList& frame, const BlendedOp& op);

// The list as drawn at `scale` display pixels per client unit, every place exactly as listed.
BlendedList ScaleDrawList(const DrawList& list, double scale);

// The frame a fraction a (0 to 1, clamped) of the way from the previous tick to the current one.
// A picture on both lists, of the same character or component image and size, that moved by at
// most NormalStepLimit, is drawn at previous + a x (current - previous); it shows the current
// tick's frame picture. Anything else (appearing, changing size or picture, jumping, or every
// picture when the view itself jumped) is drawn at its current place. a = 0 gives the previous
// list exactly and a = 1 the current one.
BlendedList BlendDrawLists(const DrawList& previous, const DrawList& current, double a,
                           double scale, const ImageCatalogue& catalogue = ShippedCatalogue());

// The display x of the background's left edge in a frame, or nothing when it is not drawn.
std::optional<double> BackgroundLeft(const BlendedList& list);
// The same on a tick's own list, in client units.
std::optional<double> BackgroundLeft(const DrawList& list);

}  // namespace skelvar
