// Draws the game's scene (panels, pictures, shape and label) with an SDL renderer. The window and
// the off-screen frame writer share this code, so both show the same picture.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "game/draw_list.h"
#include "game/scene.h"
#include "ui/font.h"
#include "ui/pictures.h"
#include "ui/screen_mapping.h"
#include "ui/sdl_handles.h"

namespace skelvar::ui {

class SceneRenderer {
 public:
  // Takes the stored pictures; each becomes textures of `renderer` when first drawn or at
  // Preload, after which its pixels are let go, except the menu picture's, which is shrunk again
  // whenever the menu changes size. Pictures wider than the renderer allows are split into tiles.
  static std::unique_ptr<SceneRenderer> Create(SDL_Renderer* renderer, PictureSet pictures,
                                               const LabelFont& font, std::string* error);

  // Uploads every picture not drawn yet, so that no later frame waits for one. The window calls
  // this once its first frame is on screen.
  void Preload();

  // The next frame paints everything again (the window's pixels were lost: exposed, resized).
  void RepaintAll();

  // Lets go of the pictures kept scaled for the screen (needed when the renderer lost its render
  // targets); they are made again when next drawn.
  void ForgetScaledCopies();

  // Draws the client area of scene.window into the renderer's target, starting at its top-left
  // corner. The caller presents.
  void Draw(const Scene& scene);
  // The same, stretched onto screenWidth x screenHeight pixels (see ScreenMapping): pictures are
  // filtered, the label's text is set at the scaled size.
  void Draw(const Scene& scene, int32_t screenWidth, int32_t screenHeight);

 private:
  struct Tile {
    TexturePtr texture;
    int x = 0;
    int width = 0;
  };
  struct TiledTexture {
    std::vector<Tile> tiles;
    int width = 0;
    int height = 0;
  };

  // A picture's columns [first, last) filtered to the screen's scale once (a character's frame
  // with its see-through pixels), so that a frame copies them instead of filtering them again: a
  // scrolling background is filtered again only when the view leaves the columns kept.
  struct ScaledCopy {
    TiledTexture pixels;
    int first = 0;
    int last = 0;
    ScreenMapping mapping;  // the scale it was made for
    int64_t usedInFrame = 0;
  };

  SceneRenderer(SDL_Renderer* renderer, const LabelFont& font) : renderer_(renderer), font_(font) {}
  std::shared_ptr<TiledTexture> Upload(SDL_Surface* surface, bool keyed);
  // The textures of a stored picture, uploading it on first use; null if it has none.
  const TiledTexture* Texture(ImageId id);
  void SetClip(const PixelRect& rect);
  // What is left of a fill's area once later opaque operations are drawn: at most four parts.
  int FillParts(const DrawList& list, const DrawOp* fill, std::array<PixelRect, 4>& parts);
  PixelRect OpaqueCover(const DrawList& list, const DrawOp* fill);
  void FillRect(const PixelRect& part, Rgb colour);
  // Whether a part of a fill of this frame is on the screen already from the last frame.
  bool StillOnScreen(int part) const;
  void Outline(const DrawOp& op);
  void DrawImage(const DrawOp& op);
  // The source part of a tiled texture into dest (screen pixels), each tile its share.
  void DrawTiled(const TiledTexture& texture, const SDL_Rect& source, const SDL_Rect& dest);
  // Draws a picture's part through its scaled copy; false when there cannot be one.
  bool DrawScaledCopy(const DrawOp& op, const TiledTexture& texture, const SDL_Rect& dest);
  void DrawText(const DrawOp& op, std::string_view text);
  // The label's font at the current scale: the shared one unscaled, an own one otherwise.
  TTF_Font* LabelFontNow();

  // Where one operation of a frame painted, in client units; fills with their colour.
  struct Painted {
    PixelRect rect;
    Rgb colour;
    bool fill = false;
  };
  static constexpr int MaxPainted = 4 * DrawList::Capacity;

  SDL_Renderer* renderer_;
  const LabelFont& font_;
  ScreenMapping mapping_;
  bool retainsPixels_ = false;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  std::array<Painted, MaxPainted> painted_{};
  int paintedCount_ = 0;
  std::array<Painted, MaxPainted> lastPainted_{};
  int lastPaintedCount_ = -1;  // -1: nothing of the last frame can be relied on
  int maxTileWidth_ = 2048;
  std::array<std::shared_ptr<TiledTexture>, ImageCount> textures_;
  PictureSet pending_;                                       // pictures not uploaded yet
  std::array<const SDL_Surface*, ImageCount> sharedWith_{};  // the pixels each texture came from
  SharedSurface menuPixels_;
  std::array<ScaledCopy, ImageCount> scaledCopies_;
  int64_t frame_ = 0;
  TexturePtr scaledMenu_;
  int scaledMenuWidth_ = 0;
  int scaledMenuHeight_ = 0;
  FontPtr scaledFont_;
  int scaledFontPixels_ = 0;
  TexturePtr labelTexture_;
  std::string labelText_;
  int labelFontPixels_ = 0;
  int labelWidth_ = 0;
  int labelHeight_ = 0;
};

}  // namespace skelvar::ui
