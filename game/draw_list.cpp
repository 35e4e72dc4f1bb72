#include "draw_list.h"

#include <algorithm>
#include <cmath>

#include "arith.h"

namespace skelvar {
namespace {

bool Empty(const PixelRect& r) {
  return r.width <= 0 || r.height <= 0;
}

class Builder {
 public:
  Builder(DrawList& list, const ImageCatalogue& catalogue) : list_(list), catalogue_(catalogue) {}

  void Fill(const PixelRect& clip, const PixelRect& dest, Rgb colour, ComponentId component) {
    Push({DrawKind::Fill, clip, dest, {}, ImageId::None, false, colour, component});
  }
  void Outline(const PixelRect& clip, const PixelRect& dest, Rgb colour, ComponentId component) {
    Push({DrawKind::Outline, clip, dest, {}, ImageId::None, false, colour, component});
  }

  // A picture at its own size with its top-left corner at (x, y): only the part inside the clip
  // is listed, so the painter never touches the rest of a large image.
  void Picture(const PixelRect& clip, const skelvar::Picture& picture, int32_t originX,
               int32_t originY, ComponentId component, uint8_t alpha = 255) {
    if (!picture.visible) return;
    const PixelSize size = ImageSize(picture.image);
    if (size.width <= 0 || size.height <= 0) return;
    const PixelRect whole{originX + picture.left, originY + picture.top, size.width, size.height};
    const PixelRect dest = IntersectRects(whole, clip);
    if (Empty(dest)) return;
    const PixelRect source{dest.left - whole.left, dest.top - whole.top, dest.width, dest.height};
    Push({DrawKind::Image,
          clip,
          dest,
          source,
          picture.image,
          ImageIsKeyed(picture.image),
          {},
          component,
          alpha});
  }

  // An image scaled into dest, whole.
  void ScaledImage(const PixelRect& clip, const PixelRect& dest, ImageId image,
                   ComponentId component) {
    const PixelSize size = ImageSize(image);
    if (Empty(clip) || Empty(dest) || size.width <= 0 || size.height <= 0) return;
    Push({DrawKind::Image,
          clip,
          dest,
          {0, 0, size.width, size.height},
          image,
          ImageIsKeyed(image),
          {},
          component});
  }

  void Text(const PixelRect& clip, const PixelRect& dest, std::string_view text, Rgb colour,
            ComponentId component) {
    if (text.empty()) return;
    (component == ComponentId::lblBest   ? list_.lineText
     : component == ComponentId::lblNote ? list_.noteText
                                         : list_.text) = text;
    Push({DrawKind::Text, clip, dest, {}, ImageId::None, false, colour, component});
  }

  PixelSize ImageSize(ImageId id) const {
    const int i = ImageIndex(id);
    if (i < 0 || i >= ImageCount) return {};
    return catalogue_[i];
  }

 private:
  void Push(const DrawOp& op) {
    if (Empty(op.clip) || list_.count >= DrawList::Capacity) return;
    list_.ops[list_.count++] = op;
  }

  DrawList& list_;
  const ImageCatalogue& catalogue_;
};

template <typename C>
PixelRect Bounds(const C& c, int32_t originX = 0, int32_t originY = 0) {
  return {originX + c.left, originY + c.top, c.width, c.height};
}

}  // namespace

bool DrawList::operator==(const DrawList& other) const {
  return count == other.count && text == other.text && lineText == other.lineText &&
         noteText == other.noteText && std::equal(begin(), end(), other.begin(), other.end());
}

std::string_view TextOf(const DrawList& list, const DrawOp& op) {
  if (op.component == ComponentId::lblBest) return list.lineText;
  if (op.component == ComponentId::lblNote) return list.noteText;
  return list.text;
}

PixelRect RecordLinePlaque(const PixelRect& picture, int32_t width, int32_t height) {
  const int32_t w = width + 2 * RecordLinePadding;
  const int32_t h = height + 2 * RecordLinePadding;
  // The margins are parts of the picture, so the plaque keeps its place on it at every size.
  const int32_t right = picture.left + picture.width - picture.width / 40;
  const int32_t bottom = picture.top + picture.height - picture.height / 40;
  return {right - w, bottom - h, w, h};
}

bool ImageIsKeyed(ImageId id) {
  const int i = ImageIndex(id);
  return i >= ImageIndex(ImageId::FirstFrame) && i < ImageIndex(ImageId::FirstOutcome);
}

DrawList BuildDrawList(const Scene& scene, const ImageCatalogue& catalogue, const Picture* ghost,
                       const Note* note) {
  DrawList list;
  Builder b(list, catalogue);
  const PixelRect client{0, 0, scene.window.clientWidth, scene.window.clientHeight};
  b.Fill(client, client, WindowGrey, ComponentId::GameMain);

  if (scene.pnlMenu.visible) {
    const PixelRect panel = IntersectRects(client, Bounds(scene.pnlMenu));
    b.Fill(panel, panel, MenuBlack, ComponentId::pnlMenu);
    const Picture& menu = scene.imgMenu;
    const PixelSize size = b.ImageSize(menu.image);
    if (!Empty(panel) && menu.visible) {
      const PixelRect box = Bounds(menu, scene.pnlMenu.left, scene.pnlMenu.top);
      // Centred, and scaled down only when it does not fit.
      const PixelRect place =
          CentredProportionalRect(size.width, size.height, menu.width, menu.height);
      const PixelRect dest{box.left + place.left, box.top + place.top, place.width, place.height};
      const PixelRect clip = IntersectRects(panel, box);
      if (place.width == size.width && place.height == size.height) {
        b.Picture(clip, {true, dest.left, dest.top, size.width, size.height, menu.image}, 0, 0,
                  ComponentId::imgMenu);
      } else {
        b.ScaledImage(clip, dest, menu.image, ComponentId::imgMenu);
      }
      const Label& line = scene.lblBest;
      if (!line.text.view().empty()) {
        const PixelRect plaque = RecordLinePlaque(dest, line.width, line.height);
        const PixelRect inside = IntersectRects(clip, plaque);
        b.Fill(inside, plaque, PanelWhite, ComponentId::lblBest);
        b.Outline(inside, plaque, OutlineBlack, ComponentId::lblBest);
        b.Text(inside,
               {plaque.left + RecordLinePadding, plaque.top + RecordLinePadding, line.width,
                line.height},
               line.text.view(), LabelBlack, ComponentId::lblBest);
      }
    }
  }

  const Panel& game = scene.pnlGame;
  if (game.visible) {
    const PixelRect panel = IntersectRects(client, Bounds(game));
    if (!Empty(panel)) {
      b.Fill(panel, panel, PanelWhite, ComponentId::pnlGame);
      b.Picture(panel, scene.imgBack, game.left, game.top, ComponentId::imgBack);
      for (const int actor : ActorStacking) {
        if (actor == 0 && ghost != nullptr) {
          b.Picture(panel, *ghost, game.left, game.top, ComponentId::imgGhost, GhostAlpha);
        }
        b.Picture(panel, scene.imgEm[actor], game.left, game.top, ActorComponent(actor));
      }
      const Shape& shape = scene.shpOver;
      if (shape.width > 0 && shape.height > 0) {
        const PixelRect frame = Bounds(shape, game.left, game.top);
        b.Fill(IntersectRects(panel, frame), frame, PanelWhite, ComponentId::shpOver);
        b.Outline(IntersectRects(panel, frame), frame, OutlineBlack, ComponentId::shpOver);
      }
      b.Picture(panel, scene.imgOver, game.left, game.top, ComponentId::imgOver);
      b.Text(panel, Bounds(scene.lblMsg, game.left, game.top), scene.lblMsg.text.view(), LabelBlack,
             ComponentId::lblMsg);
    }
  }
  if (note != nullptr && !note->text.empty()) {
    const PixelRect plaque{NoteMargin, NoteMargin, note->width + 2 * RecordLinePadding,
                           note->height + 2 * RecordLinePadding};
    const PixelRect inside = IntersectRects(client, plaque);
    b.Fill(inside, plaque, PanelWhite, ComponentId::lblNote);
    b.Outline(inside, plaque, OutlineBlack, ComponentId::lblNote);
    b.Text(inside,
           {plaque.left + RecordLinePadding, plaque.top + RecordLinePadding, note->width,
            note->height},
           note->text, LabelBlack, ComponentId::lblNote);
  }
  return list;
}

ViewScale FitToScreen(int32_t screenWidth, int32_t screenHeight) {
  if (screenWidth <= 0 || screenHeight <= 0) {
    return {1.0, std::max(screenWidth, 1), std::max(screenHeight, 1)};
  }
  const double w = screenWidth;
  const double h = screenHeight;
  double scale = std::min(w / DesignWidth, h / DesignHeight);
  if (scale < 1.0) scale = std::min({1.0, w / PlayAreaWidth, h / PlayAreaHeight});
  const auto logical = [scale](int32_t pixels) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(pixels / scale)));
  };
  return {scale, logical(screenWidth), logical(screenHeight)};
}

int32_t CentredOffset(int32_t client, int32_t size) {
  return Trunc(client / 2.0 - size / 2.0);
}

PixelRect PlayAreaPlace(int32_t clientWidth, int32_t clientHeight) {
  return {CentredOffset(clientWidth, PlayAreaWidth), CentredOffset(clientHeight, PlayAreaHeight),
          PlayAreaWidth, PlayAreaHeight};
}

}  // namespace skelvar
