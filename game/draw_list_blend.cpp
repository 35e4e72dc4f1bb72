#include "draw_list_blend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace skelvar {
namespace {

// Rounding noise in display pixels that must not widen a picture's source by a whole column.
constexpr double Slack = 1e-6;

FloatRect Scaled(const PixelRect& r, double scale) {
  return {r.left * scale, r.top * scale, r.width * scale, r.height * scale};
}

FloatRect Intersect(const FloatRect& a, const FloatRect& b) {
  const double left = std::max(a.left, b.left);
  const double top = std::max(a.top, b.top);
  const double right = std::min(a.left + a.width, b.left + b.width);
  const double bottom = std::min(a.top + a.height, b.top + b.height);
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

// The whole of an image operation's picture on the client area, of which dest shows the source
// part: for a picture at its own size its full extent, for the scaled menu picture dest itself.
struct Whole {
  double left = 0.0;
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;
  PixelSize pixels;
};

Whole WholeOf(const DrawOp& op, const ImageCatalogue& catalogue) {
  if (op.kind != DrawKind::Image || op.source.width <= 0 || op.source.height <= 0) {
    return {static_cast<double>(op.dest.left),
            static_cast<double>(op.dest.top),
            static_cast<double>(op.dest.width),
            static_cast<double>(op.dest.height),
            {op.dest.width, op.dest.height}};
  }
  const int i = ImageIndex(op.image);
  PixelSize pixels = i >= 0 && i < ImageCount ? catalogue[i] : PixelSize{};
  if (pixels.width < op.source.left + op.source.width ||
      pixels.height < op.source.top + op.source.height) {
    pixels = {op.source.left + op.source.width, op.source.top + op.source.height};
  }
  const double sx = static_cast<double>(op.dest.width) / op.source.width;
  const double sy = static_cast<double>(op.dest.height) / op.source.height;
  return {op.dest.left - op.source.left * sx, op.dest.top - op.source.top * sy, pixels.width * sx,
          pixels.height * sy, pixels};
}

// Which picture an image shows, up to its frame and facing: a character's frames all count as
// that character, and an outcome picture as its actor's, so walking or turning still glides.
int Family(ImageId id) {
  const int i = ImageIndex(id);
  if (i >= ImageIndex(ImageId::FirstFrame) && i < ImageIndex(ImageId::FirstOutcome)) return i / 4;
  if (i >= ImageIndex(ImageId::FirstOutcome) && i < ImageIndex(ImageId::Menu)) {
    return 100 + (i - ImageIndex(ImageId::FirstOutcome)) / 2;
  }
  return 200 + i;
}

const DrawOp* Find(const DrawList& list, ComponentId component, DrawKind kind) {
  for (const DrawOp& op : list) {
    if (op.component == component && op.kind == kind) return &op;
  }
  return nullptr;
}

bool SmallStep(double from, double to) {
  return std::abs(to - from) <= NormalStepLimit;
}

// Whether the operation glides from `before` to `after`.
bool Glides(const DrawOp& before, const DrawOp& after, std::string_view textBefore,
            std::string_view textAfter, const ImageCatalogue& catalogue) {
  // A clip moves only with what it clips (the outcome frame sliding past the play area's edge).
  const PixelRect &c0 = before.clip, &c1 = after.clip;
  if (!SmallStep(c0.left, c1.left) || !SmallStep(c0.top, c1.top) ||
      !SmallStep(c0.left + c0.width, c1.left + c1.width) ||
      !SmallStep(c0.top + c0.height, c1.top + c1.height) || before.keyed != after.keyed ||
      !(before.colour == after.colour)) {
    return false;
  }
  if (after.kind == DrawKind::Image && Family(before.image) != Family(after.image)) return false;
  if (after.kind == DrawKind::Text && textBefore != textAfter) return false;
  const Whole a = WholeOf(before, catalogue), b = WholeOf(after, catalogue);
  return a.width == b.width && a.height == b.height && SmallStep(a.left, b.left) &&
         SmallStep(a.top, b.top);
}

// One operation with its whole picture placed at (left, top) in client units, inside `clip` in
// display pixels.
BlendedOp Place(const DrawOp& op, double left, double top, const FloatRect& clip, double scale,
                const ImageCatalogue& catalogue) {
  BlendedOp out{op.kind,  clip,      {},           op.source, op.image,
                op.keyed, op.colour, op.component, op.alpha};
  const Whole whole = WholeOf(op, catalogue);
  const FloatRect placed{left * scale, top * scale, whole.width * scale, whole.height * scale};
  if (op.kind != DrawKind::Image) {
    out.dest = placed;
    return out;
  }
  // The source columns and rows whose pixels reach into the clip, and where they land.
  const FloatRect seen = Intersect(placed, out.clip);
  if (seen.width <= 0 || seen.height <= 0) {
    out.source = {};
    return out;
  }
  const double px = placed.width / whole.pixels.width;
  const double py = placed.height / whole.pixels.height;
  // Clamped before the conversion, so that no place however far off overflows it.
  const auto first = [](double offset, double unit, int32_t limit) {
    return static_cast<int32_t>(std::clamp(std::floor(offset / unit + Slack), 0.0, 1.0 * limit));
  };
  const auto last = [](double offset, double unit, int32_t limit) {
    return static_cast<int32_t>(std::clamp(std::ceil(offset / unit - Slack), 0.0, 1.0 * limit));
  };
  const int32_t x0 = first(seen.left - placed.left, px, whole.pixels.width);
  const int32_t x1 = last(seen.left + seen.width - placed.left, px, whole.pixels.width);
  const int32_t y0 = first(seen.top - placed.top, py, whole.pixels.height);
  const int32_t y1 = last(seen.top + seen.height - placed.top, py, whole.pixels.height);
  out.source = {x0, y0, x1 - x0, y1 - y0};
  out.dest = {placed.left + x0 * px, placed.top + y0 * py, (x1 - x0) * px, (y1 - y0) * py};
  return out;
}

// Exactly the listed part at the listed place, scaled.
BlendedOp AsListed(const DrawOp& op, double scale) {
  return {op.kind,
          Scaled(op.clip, scale),
          Scaled(op.dest, scale),
          op.source,
          op.image,
          op.keyed,
          op.colour,
          op.component,
          op.alpha};
}

void Push(BlendedList& list, const BlendedOp& op) {
  if (op.clip.width <= 0 || op.clip.height <= 0) return;
  if (op.kind == DrawKind::Image && (op.source.width <= 0 || op.source.height <= 0)) return;
  list.ops[list.count++] = op;
}

}  // namespace

std::string_view TextOf(const BlendedList& frame, const BlendedOp& op) {
  if (op.component == ComponentId::lblBest) return frame.lineText;
  if (op.component == ComponentId::lblNote) return frame.noteText;
  return frame.text;
}

bool BlendedList::operator==(const BlendedList& other) const {
  return count == other.count && text == other.text && lineText == other.lineText &&
         noteText == other.noteText && scale == other.scale &&
         std::equal(begin(), end(), other.begin(), other.end());
}

void TickDrawLists::Store(int slot, const DrawList& list) {
  // A list without a label has an empty view that may point nowhere; copying from nowhere, even
  // nothing, is not allowed.
  texts_[slot].assign(list.text.empty() ? std::string_view("") : list.text);
  lineTexts_[slot].assign(list.lineText.empty() ? std::string_view("") : list.lineText);
  noteTexts_[slot].assign(list.noteText.empty() ? std::string_view("") : list.noteText);
  lists_[slot] = list;
  lists_[slot].text = texts_[slot].view();
  lists_[slot].lineText = lineTexts_[slot].view();
  lists_[slot].noteText = noteTexts_[slot].view();
}

void TickDrawLists::Reset(const DrawList& list) {
  Store(0, list);
  Store(1, list);
}

void TickDrawLists::Advance(const DrawList& list) {
  current_ = 1 - current_;
  Store(current_, list);
}

BlendedList ScaleDrawList(const DrawList& list, double scale) {
  BlendedList out;
  out.text = list.text;
  out.lineText = list.lineText;
  out.noteText = list.noteText;
  out.scale = scale;
  for (const DrawOp& op : list) Push(out, AsListed(op, scale));
  return out;
}

BlendedList BlendDrawLists(const DrawList& previous, const DrawList& current, double a,
                           double scale, const ImageCatalogue& catalogue) {
  if (!(a > 0.0)) return ScaleDrawList(previous, scale);
  if (a >= 1.0) return ScaleDrawList(current, scale);
  // When the background jumps, the whole view has: a run starting, or the menu coming back.
  const DrawOp* backBefore = Find(previous, ComponentId::imgBack, DrawKind::Image);
  const DrawOp* backAfter = Find(current, ComponentId::imgBack, DrawKind::Image);
  const bool cut = backBefore != nullptr && backAfter != nullptr &&
                   !Glides(*backBefore, *backAfter, {}, {}, catalogue);

  BlendedList out;
  out.text = current.text;
  out.lineText = current.lineText;
  out.noteText = current.noteText;
  out.scale = scale;
  const auto glide = [&](const DrawOp& from, const DrawOp& to, const DrawOp& shown) {
    const Whole then = WholeOf(from, catalogue), now = WholeOf(to, catalogue);
    const double left = then.left + a * (now.left - then.left);
    const double top = then.top + a * (now.top - then.top);
    FloatRect clip = Scaled(to.clip, scale);
    if (!(from.clip == to.clip)) {
      // A clip that moves is the picture's own place cut by a container that stays: the span of
      // both clips, cut by where the picture now is.
      const PixelRect &c0 = from.clip, &c1 = to.clip;
      const int32_t l = std::min(c0.left, c1.left), t = std::min(c0.top, c1.top);
      const PixelRect span{l, t, std::max(c0.left + c0.width, c1.left + c1.width) - l,
                           std::max(c0.top + c0.height, c1.top + c1.height) - t};
      clip = Intersect(Scaled(span, scale),
                       {left * scale, top * scale, now.width * scale, now.height * scale});
    }
    Push(out, Place(shown, left, top, clip, scale, catalogue));
  };
  // The outcome picture lies one pixel inside its frame. Below or above the play area it is not
  // listed while a row of its frame still is, so its place there is taken from the frame's.
  const auto insideFrame = [&](const DrawList& list,
                               const DrawOp& picture) -> std::optional<DrawOp> {
    const DrawOp* frame = Find(list, ComponentId::shpOver, DrawKind::Fill);
    if (frame == nullptr) return std::nullopt;
    DrawOp placed = picture;
    const Whole whole = WholeOf(picture, catalogue);
    placed.dest = {frame->dest.left + 1, frame->dest.top + 1, static_cast<int32_t>(whole.width),
                   static_cast<int32_t>(whole.height)};
    placed.source = {0, 0, whole.pixels.width, whole.pixels.height};
    placed.clip = frame->clip;
    const DrawOp* panel = Find(list, ComponentId::pnlGame, DrawKind::Fill);
    if (panel != nullptr) placed.clip = panel->clip;
    return placed;
  };

  for (const DrawOp& op : current) {
    const DrawOp* before = cut ? nullptr : Find(previous, op.component, op.kind);
    std::optional<DrawOp> inferred;
    if (!cut && before == nullptr && op.component == ComponentId::imgOver) {
      inferred = insideFrame(previous, op);
      if (inferred) before = &*inferred;
    }
    if (before != nullptr &&
        Glides(*before, op, TextOf(previous, op), TextOf(current, op), catalogue)) {
      glide(*before, op, op);
    } else {
      Push(out, AsListed(op, scale));
    }
    // An outcome picture that has just left the play area still slides out with its frame.
    const bool frameOutline = op.component == ComponentId::shpOver && op.kind == DrawKind::Outline;
    if (!cut && frameOutline && Find(current, ComponentId::imgOver, DrawKind::Image) == nullptr) {
      const DrawOp* gone = Find(previous, ComponentId::imgOver, DrawKind::Image);
      if (gone == nullptr) continue;
      const std::optional<DrawOp> after = insideFrame(current, *gone);
      if (after && Glides(*gone, *after, {}, {}, catalogue)) glide(*gone, *after, *gone);
    }
  }
  return out;
}

namespace {

// Where the whole background picture starts, from the part of it an operation draws.
template <typename List>
std::optional<double> BackgroundLeftOf(const List& list) {
  for (const auto& op : list) {
    if (op.component == ComponentId::imgBack && op.kind == DrawKind::Image && op.source.width > 0) {
      return op.dest.left - op.source.left * (static_cast<double>(op.dest.width) / op.source.width);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<double> BackgroundLeft(const BlendedList& list) {
  return BackgroundLeftOf(list);
}

std::optional<double> BackgroundLeft(const DrawList& list) {
  return BackgroundLeftOf(list);
}

}  // namespace skelvar
