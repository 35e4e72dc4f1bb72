// The pictures no frame needs before a run starts (the background and the outcome pictures),
// decoded on helper threads while the window fades in with the menu, then checked and handed to
// the renderer: as soon as they are in, and at the latest before any input reaches the game.
#pragma once

#include <future>
#include <span>
#include <string>
#include <vector>

#include "game/images.h"
#include "ui/render/embedded_files.h"
#include "ui/render/pictures.h"
#include "ui/render/scene_renderer.h"

namespace skelvar::ui {

class LatePictures {
 public:
  // Starts decoding at once on helper threads, one per processor but one (left for the window);
  // `files` and `catalogue` must outlive this object.
  LatePictures(std::span<const EmbeddedFile> files, const ImageCatalogue& catalogue);
  ~LatePictures();
  LatePictures(const LatePictures&) = delete;
  LatePictures& operator=(const LatePictures&) = delete;

  // Whether they still have to be handed over.
  bool Pending() const { return decoding_.valid(); }
  // Whether the decoding is over, without waiting for it.
  bool Ready() const;
  // Waits for the decoding, checks every picture against the catalogue and gives them to the
  // renderer. A picture that does not decode or has the wrong size: false, and one line naming it
  // in *error. Warnings (a missing file drawn as a placeholder) are added to *warnings.
  bool Deliver(SceneRenderer& renderer, std::vector<std::string>* warnings, std::string* error);

 private:
  std::span<const EmbeddedFile> files_;
  const ImageCatalogue& catalogue_;
  std::future<DecodedJpegs> decoding_;
};

}  // namespace skelvar::ui
