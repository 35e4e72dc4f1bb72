// The stored pictures, decoded once at start-up from the files built into the program.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "game/images.h"
#include "ui/render/embedded_files.h"
#include "ui/render/jpeg.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

struct StoredPicture {
  SharedSurface surface;     // null for a frame component without artwork
  bool keyed = false;        // a bitmap: its bottom-left colour is see-through
  bool placeholder = false;  // drawn at run time because the file is missing
};

struct PictureSet {
  std::array<StoredPicture, ImageCount> pictures;
  SurfacePtr icon;  // the window icon, null when none is stored

  const StoredPicture& operator[](ImageId id) const { return pictures[ImageIndex(id)]; }
};

// Which pictures a decoding takes on: all of them; those the menu shows first (the frames, the
// menu picture and the window icon); or the rest (the background and the outcome pictures), which
// no frame needs until a run starts.
enum class PictureGroup { All, Menu, Rest };
bool InGroup(ImageId id, PictureGroup group);

// The JPEG pictures decoded, by image index; JPEG decoding is the slow part of start-up and needs
// no SDL, so it may run on other threads while SDL starts.
struct DecodedJpegs {
  std::array<std::optional<RawImage>, ImageCount> images;
  std::array<std::string, ImageCount> errors;  // why a present file did not decode
};
// Decodes on `threads` threads (the calling one among them), each with its own decoder, the
// largest pictures shared out first; 0 means one per processor but one, left for the program's
// other work, at least one and at most four.
DecodedJpegs DecodeJpegs(std::span<const EmbeddedFile> files, const ImageCatalogue& catalogue,
                         int threads = 1, PictureGroup group = PictureGroup::All);

// The file that holds a picture: "<name>.bmp" for frames, "<name>.jpg" for the others.
std::string PictureFileName(ImageId id);

// Decodes every picture the catalogue gives a size from `files`. A missing file becomes a
// placeholder of the catalogue size, with a line in *warnings. A file that does not decode or whose
// size disagrees with the catalogue is an error: returns nothing and explains in *error.
// Pictures with byte-identical files share one decoded surface.
std::optional<PictureSet> DecodePictures(std::span<const EmbeddedFile> files,
                                         const ImageCatalogue& catalogue,
                                         std::vector<std::string>* warnings, std::string* error);
// The same with the JPEG pictures already decoded by DecodeJpegs (whose pixels it takes over), for
// the pictures of one group; the others are left empty.
std::optional<PictureSet> DecodePictures(std::span<const EmbeddedFile> files,
                                         const ImageCatalogue& catalogue, DecodedJpegs jpegs,
                                         std::vector<std::string>* warnings, std::string* error,
                                         PictureGroup group = PictureGroup::All);

// The colour of a surface's bottom-left pixel as 0xRRGGBB.
uint32_t BottomLeftColour(SDL_Surface* surface);

}  // namespace skelvar::ui
