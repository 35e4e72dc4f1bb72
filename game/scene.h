// The window's components as plain data: what the frontend draws and where the mouse lands.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "images.h"
#include "world.h"

namespace skelvar {

// Every component of the main window that can be drawn or receive the mouse.
enum class ComponentId : uint8_t {
  None,
  GameMain,
  pnlMenu,
  imgMenu,
  pnlGame,
  imgBack,
  imgEm00,  // imgEm00 + i is the on-stage picture of actor i
  imgEm01,
  imgEm02,
  imgEm03,
  imgEm04,
  imgEm05,
  imgEm06,
  imgEm07,
  imgEm08,
  imgEm09,
  imgEm10,
  shpOver,
  imgOver,
  lblMsg,
  lblBest,
  // Not components of the window's: the girl of a recorded run raced beside the live one, and a
  // frontend's short note (a replay's marker, a copied run) on a plaque of its own.
  imgGhost,
  lblNote,
};

constexpr ComponentId ActorComponent(int actor) {
  return static_cast<ComponentId>(static_cast<int>(ComponentId::imgEm00) + actor);
}
std::string_view ComponentName(ComponentId id);

// Actor pictures inside the play area, drawn from the lowest to the highest.
inline constexpr std::array<int, ActorCount> ActorStacking = {10, 7, 6, 5, 4, 3, 2, 1, 8, 0, 9};

struct Panel {
  bool visible = false;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Panel&) const = default;
};

struct Picture {
  bool visible = true;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  ImageId image = ImageId::None;
  bool operator==(const Picture&) const = default;
};

struct Shape {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Shape&) const = default;
};

// A label's text lives in the label itself so that changing it never allocates.
class LabelText {
 public:
  static constexpr size_t Capacity = 255;
  std::string_view view() const { return {chars_.data(), length_}; }
  void assign(std::string_view s);
  // Appends as much of s as fits.
  void append(std::string_view s);
  bool operator==(std::string_view s) const { return view() == s; }

 private:
  std::array<char, Capacity + 1> chars_{};
  size_t length_ = 0;
};

// The pattern with every "%1%" replaced by the number's decimal digits.
LabelText WithNumber(std::string_view pattern, int64_t number);

struct Label {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  LabelText text;
};

struct Timer {
  int32_t intervalMs = 0;
  bool enabled = false;
};

// The top-level window as the game sees it. The frontend reports the client size and applies
// caption, outer size, opacity and closing.
struct Window {
  std::string_view caption = "GameMain";
  int32_t outerWidth = 870;
  int32_t outerHeight = 640;
  int32_t clientWidth = 854;
  int32_t clientHeight = 602;
  bool opacityEnabled = false;
  int32_t opacity = 255;
  bool closed = false;
};

struct Scene {
  Window window;
  Panel pnlMenu;
  Picture imgMenu;
  Panel pnlGame;
  Picture imgBack;
  std::array<Picture, ActorCount> imgEm;  // index = actor
  Shape shpOver;
  Picture imgOver;
  Label lblMsg;
  // The best clear time on the menu; its place follows the menu picture, so only its text and
  // size are kept here.
  Label lblBest;
  Timer timOpen;
  Timer timGame;

  // The component that receives a mouse event at client point (x, y): the topmost visible one
  // whose rectangle holds the point, transparent parts of pictures included.
  ComponentId HitTest(int32_t x, int32_t y) const;
};

// The scene as designed, before start-up lays it out.
Scene DesignedScene();

struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PixelRect&) const = default;
};

// The overlap of two rectangles; empty (all zero) when they do not overlap. Inline, as a draw list
// takes some twenty of them.
inline PixelRect IntersectRects(const PixelRect& a, const PixelRect& b) {
  const int64_t left = std::max<int64_t>(a.left, b.left);
  const int64_t top = std::max<int64_t>(a.top, b.top);
  const int64_t right = std::min<int64_t>(int64_t{a.left} + a.width, int64_t{b.left} + b.width);
  const int64_t bottom = std::min<int64_t>(int64_t{a.top} + a.height, int64_t{b.top} + b.height);
  if (right <= left || bottom <= top) return {};
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
          static_cast<int32_t>(bottom - top)};
}

// Where a centred, proportional picture of size w x h is drawn inside a box of cw x ch: at its own
// size when it fits, scaled down keeping its proportions when it does not.
PixelRect CentredProportionalRect(int32_t w, int32_t h, int32_t cw, int32_t ch);

}  // namespace skelvar
