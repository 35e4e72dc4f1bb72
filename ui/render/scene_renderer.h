// Draws the game's scene (panels, pictures, shape and label) with an SDL renderer. The window and
// the off-screen frame writer share this code, so both show the same picture.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "game/draw_list.h"
#include "game/draw_list_blend.h"
#include "game/scene.h"
#include "ui/render/font.h"
#include "ui/render/label_raster.h"
#include "ui/render/overdraw.h"
#include "ui/render/pictures.h"
#include "ui/render/scaled_copies.h"
#include "ui/render/screen_mapping.h"
#include "ui/render/sdl_handles.h"
#include "ui/render/texture_store.h"

namespace skelvar::ui {

class SceneRenderer {
 public:
  // Takes the stored pictures; each becomes textures of `renderer` when first drawn or at
  // Preload, after which its pixels are let go, except the menu picture's, which is shrunk again
  // whenever the menu changes size. Pictures wider than the renderer allows are split into tiles.
  static std::unique_ptr<SceneRenderer> Create(SDL_Renderer* renderer, PictureSet pictures,
                                               const LabelFont& font, std::string* error,
                                               SurfacePtr shrunkMenu = nullptr);
  // The menu picture shrunk as the first frame of `scene` shows it, drawn onto its client area
  // unscaled; it needs no renderer, so that it can be made while there is none yet. Null when
  // that frame shows no shrunk menu picture. Given to Create, it spares the first frame the work.
  static SurfacePtr ShrinkMenuFor(const Scene& scene, const PictureSet& pictures);

  // Uploads every picture not drawn yet, so that no later frame waits for one. The window calls
  // this once its first frame is on screen.
  void Preload() { textures_.Preload(); }
  // Takes the pictures decoded after the renderer was made.
  void AddPictures(PictureSet more) { textures_.Add(std::move(more)); }

  // The next frame paints everything again (the window's pixels were lost: exposed, resized).
  void RepaintAll() { repaintAll_ = true; }

  // Whether fills skip what later opaque pictures cover and what the screen still shows from the
  // last frame (on unless turned off, which only serves to measure what that saves).
  void PlanFills(bool on) { planFills_ = on; }

  // Lets go of the pictures kept scaled for the screen (needed when the renderer lost its render
  // targets); they are made again when next drawn.
  void ForgetScaledCopies() { copies_.Forget(); }

  // Draws the client area of scene.window into the renderer's target, starting at its top-left
  // corner. The caller presents.
  void Draw(const Scene& scene);
  // The same, stretched onto screenWidth x screenHeight pixels (see ScreenMapping): pictures are
  // filtered, the label's text is set at the scaled size.
  void Draw(const Scene& scene, int32_t screenWidth, int32_t screenHeight);
  // A frame between two ticks (see BlendDrawLists), its client area of clientWidth x clientHeight
  // units stretched onto screenWidth x screenHeight pixels.
  void Draw(const BlendedList& frame, int32_t clientWidth, int32_t clientHeight,
            int32_t screenWidth, int32_t screenHeight);

 private:
  // `software`: the renderer keeps its pixels between frames and filters on the processor.
  SceneRenderer(SDL_Renderer* renderer, PictureSet pictures, const LabelFont& font,
                int maxTileWidth, bool software)
      : renderer_(renderer),
        retainsPixels_(software),
        keepsScaledCopies_(software),
        textures_(renderer, std::move(pictures), maxTileWidth),
        copies_(renderer, maxTileWidth),
        label_(font) {}

  // A rectangle of the frame in screen pixels.
  PixelRect ToScreen(const FloatRect& r) const;
  // Where every operation paints; a fill in the bands that no later opaque operation covers.
  void PlanFills(const BlendedList& frame, std::array<int, DrawList::Capacity>& firstBand,
                 std::array<int, DrawList::Capacity>& bands);
  // The largest area that one operation after `fill` paints over with opaque pixels.
  PixelRect OpaqueCover(const BlendedList& frame, const BlendedOp* fill, const PixelRect& area);
  void FillRect(const PixelRect& screen, Rgb colour);
  void Outline(const BlendedOp& op);
  void DrawImage(const BlendedOp& op, const SDL_Rect& clip);

  SDL_Renderer* renderer_;
  bool retainsPixels_;
  // Scaled views copy pictures from their scaled copies, rather than filter them in every frame.
  bool keepsScaledCopies_;
  TextureStore textures_;
  ScaledCopies copies_;
  MenuDownscale menu_;
  LabelRaster label_;
  RetainedFills fills_;
  bool repaintAll_ = true;
  bool planFills_ = true;
  ScreenMapping mapping_;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  double unitsPerFramePixel_ = 1.0;
};

}  // namespace skelvar::ui
