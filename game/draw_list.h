// The scene as an ordered list of plain drawing operations. Both frontends only paint this list, so
// which components show, their stacking order, the menu picture's fitted rectangle, the visible
// slice of the background and the label's place are decided here once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "images.h"
#include "scene.h"

namespace skelvar {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb WindowGrey{128, 128, 128};
inline constexpr Rgb MenuBlack{0, 0, 0};
inline constexpr Rgb PanelWhite{255, 255, 255};
inline constexpr Rgb OutlineBlack{0, 0, 0};
inline constexpr Rgb LabelBlack{0, 0, 0};
// The label's font: a Japanese gothic at this pixel height.
inline constexpr int32_t LabelFontPixels = 21;

enum class DrawKind : uint8_t {
  Fill,     // dest filled with colour
  Outline,  // a 1-pixel line just inside dest, in colour
  Image,    // the source part of an image drawn into dest, scaled when the sizes differ
  Text,     // the label's text in colour, its top-left corner at dest's
};

// Every rectangle is in the window's client coordinates, except an image's source, which is in
// the image's own pixels. Nothing of an operation is drawn outside its clip, which always lies
// inside the client area.
struct DrawOp {
  DrawKind kind = DrawKind::Fill;
  PixelRect clip;
  PixelRect dest;
  PixelRect source;
  ImageId image = ImageId::None;
  // Image: a bitmap whose bottom-left pixel's colour is see-through.
  bool keyed = false;
  Rgb colour;
  // The scene component this operation draws, so that two ticks' lists can be matched up.
  ComponentId component = ComponentId::None;
  // How opaque the operation is drawn, 255 for fully.
  uint8_t alpha = 255;
  bool operator==(const DrawOp&) const = default;
};

// A raced run's girl shows the live one's way without hiding anything behind her: about 40 %.
inline constexpr uint8_t GhostAlpha = 102;

struct DrawList {
  // Grey, menu fill and picture, white play area, background, eleven actors, the outcome frame's
  // fill and outline, the outcome picture and the label.
  static constexpr int Capacity = 20;
  std::array<DrawOp, Capacity> ops{};
  int count = 0;
  // The texts of the Text operations, the label's, the menu's record line's and the note's; they
  // point into the scene (or the note) the list was built from.
  std::string_view text;
  std::string_view lineText;
  std::string_view noteText;

  const DrawOp* begin() const { return ops.data(); }
  const DrawOp* end() const { return ops.data() + count; }
  bool operator==(const DrawList& other) const;
};

// The text a Text operation of this list draws.
std::string_view TextOf(const DrawList& list, const DrawOp& op);

// The menu's record line: a white plaque with a black outline holding the text, in the bottom
// right corner of the menu picture as drawn (`picture`), where the title's drawing leaves the
// picture dark and empty. Its size is the text's (width x height) plus RecordLinePadding around.
inline constexpr int32_t RecordLinePadding = 5;
PixelRect RecordLinePlaque(const PixelRect& picture, int32_t width, int32_t height);

// Whether an image is drawn with its key colour (the character frames) or opaque (the JPEGs).
bool ImageIsKeyed(ImageId id);

// A frontend's note: a line of text of the label's font, with its measured size, shown on a plaque
// like the record line's in the client area's top left corner, over everything else.
struct Note {
  std::string_view text;
  int32_t width = 0;
  int32_t height = 0;
};
inline constexpr int32_t NoteMargin = 8;

// What the window's client area shows for this scene, from the bottom up; with `ghost`, a raced
// run's girl (placed on the play area as the actors' pictures are) translucent behind the girl;
// with `note`, its plaque on top.
DrawList BuildDrawList(const Scene& scene, const ImageCatalogue& catalogue = ShippedCatalogue(),
                       const Picture* ghost = nullptr, const Note* note = nullptr);

// The scale at which a screen or viewport of screenWidth x screenHeight shows the game, so that the
// designed 960 x 580 window fills its tighter side, and the client area the logic sees then. A
// screen a little smaller than the design (a window whose frame takes some of its 960 x 580) keeps
// the game at its own size while the 900 x 500 play area fits, so it stays sharp; smaller still,
// the play area fills the tighter side, never cropped.
struct ViewScale {
  double scale = 1.0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  bool operator==(const ViewScale&) const = default;
};
inline constexpr int32_t DesignWidth = 960;
inline constexpr int32_t DesignHeight = 580;
inline constexpr int32_t PlayAreaWidth = 900;
inline constexpr int32_t PlayAreaHeight = 500;
ViewScale FitToScreen(int32_t screenWidth, int32_t screenHeight);

// Where the logic puts a panel of `size` in a client area of `client` along one axis: centred,
// the offset truncated toward zero.
int32_t CentredOffset(int32_t client, int32_t size);
// The play area in a client area of that size, in client units.
PixelRect PlayAreaPlace(int32_t clientWidth, int32_t clientHeight);

}  // namespace skelvar
