// The stored pictures: every component that can hold an image, by name, with its pixel size.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "world.h"

namespace skelvar {

// Frame pictures come first (actor * 4 + facing * 2 + frame), then the two outcome pictures of
// actors 1 to 10, then the menu picture and the background.
enum class ImageId : uint8_t {
  FirstFrame = 0,
  FirstOutcome = 44,
  Menu = 64,
  Back = 65,
  None = 255,
};
inline constexpr int ImageCount = 66;

constexpr ImageId FrameImage(int actor, int facing, int frame) {
  return static_cast<ImageId>(actor * 4 + facing * 2 + frame);
}
// which = 0 for the first outcome picture, 1 for the second; actor is 1..10.
constexpr ImageId OutcomeImage(int actor, int which) {
  return static_cast<ImageId>(static_cast<int>(ImageId::FirstOutcome) + (actor - 1) * 2 + which);
}
constexpr int ImageIndex(ImageId id) {
  return static_cast<int>(id);
}

// Component name, e.g. "imgEm0710", "imgOv0101", "imgMenu", "imgBack"; empty for None.
std::string_view ImageName(ImageId id);
// Inverse of ImageName; ImageId::None for an unknown name.
ImageId ImageByName(std::string_view name);

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PixelSize&) const = default;
};

// Pixel sizes of every stored picture. A frame component without an image has size 0 x 0.
using ImageCatalogue = std::array<PixelSize, ImageCount>;

// The sizes of the pictures the game ships with.
const ImageCatalogue& ShippedCatalogue();

// Whether the shipped artwork has a picture for this frame component.
bool FrameHasImage(int actor, int facing, int frame);

}  // namespace skelvar
