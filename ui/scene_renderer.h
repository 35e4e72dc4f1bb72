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

  // Draws the client area of scene.window into the renderer's target, starting at its top-left
  // corner. The caller presents.
  void Draw(const Scene& scene);

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

  SceneRenderer(SDL_Renderer* renderer, const LabelFont& font) : renderer_(renderer), font_(font) {}
  std::shared_ptr<TiledTexture> Upload(SDL_Surface* surface, bool keyed);
  // The textures of a stored picture, uploading it on first use; null if it has none.
  const TiledTexture* Texture(ImageId id);
  void SetClip(const PixelRect& rect);
  void DrawImage(const DrawOp& op);
  void DrawText(const DrawOp& op, std::string_view text);

  SDL_Renderer* renderer_;
  const LabelFont& font_;
  int maxTileWidth_ = 2048;
  std::array<std::shared_ptr<TiledTexture>, ImageCount> textures_;
  PictureSet pending_;                                       // pictures not uploaded yet
  std::array<const SDL_Surface*, ImageCount> sharedWith_{};  // the pixels each texture came from
  SharedSurface menuPixels_;
  TexturePtr scaledMenu_;
  int scaledMenuWidth_ = 0;
  int scaledMenuHeight_ = 0;
  TexturePtr labelTexture_;
  std::string labelText_;
  int labelWidth_ = 0;
  int labelHeight_ = 0;
};

}  // namespace skelvar::ui
