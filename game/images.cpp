#include "images.h"

namespace skelvar {
namespace {

constexpr std::array<PixelSize, ActorCount> FrameSizes = {{
    {66, 116},
    {204, 102},
    {146, 49},
    {96, 95},
    {258, 111},
    {340, 180},
    {104, 195},
    {260, 230},
    {100, 62},
    {80, 70},
    {48, 8},
}};

// Bit (facing * 2 + frame) is set where the actor has artwork for that frame component.
constexpr std::array<uint8_t, ActorCount> FrameMask = {
    0b1111, 0b0001, 0b0001, 0b0001, 0b0001, 0b0101, 0b0001, 0b1111, 0b1111, 0b1111, 0b0001};

constexpr std::array<char, 10> Digits = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};

struct NameTable {
  std::array<std::array<char, 10>, ImageCount> text{};
  std::array<uint8_t, ImageCount> length{};

  constexpr NameTable() {
    for (int i = 0; i < ImageCount; ++i) {
      auto& t = text[i];
      if (i < ImageIndex(ImageId::FirstOutcome)) {
        const int actor = i / 4, facing = (i / 2) % 2, frame = i % 2;
        const char name[] = {'i',
                             'm',
                             'g',
                             'E',
                             'm',
                             Digits[actor / 10],
                             Digits[actor % 10],
                             Digits[facing],
                             Digits[frame]};
        for (int k = 0; k < 9; ++k) t[k] = name[k];
        length[i] = 9;
      } else if (i < ImageIndex(ImageId::Menu)) {
        const int n = i - ImageIndex(ImageId::FirstOutcome);
        const int actor = n / 2 + 1, which = n % 2;
        const char name[] = {
            'i', 'm', 'g', 'O', 'v', Digits[actor / 10], Digits[actor % 10], '0', Digits[which]};
        for (int k = 0; k < 9; ++k) t[k] = name[k];
        length[i] = 9;
      } else {
        const char* name = i == ImageIndex(ImageId::Menu) ? "imgMenu" : "imgBack";
        for (int k = 0; k < 7; ++k) t[k] = name[k];
        length[i] = 7;
      }
    }
  }
};

constexpr NameTable Names;

ImageCatalogue MakeCatalogue() {
  ImageCatalogue c{};
  for (int actor = 0; actor < ActorCount; ++actor) {
    for (int facing = 0; facing < 2; ++facing) {
      for (int frame = 0; frame < 2; ++frame) {
        if (FrameHasImage(actor, facing, frame)) {
          c[ImageIndex(FrameImage(actor, facing, frame))] = FrameSizes[actor];
        }
      }
    }
  }
  for (int actor = 1; actor < ActorCount; ++actor) {
    c[ImageIndex(OutcomeImage(actor, 0))] = {400, 400};
    c[ImageIndex(OutcomeImage(actor, 1))] = {400, 400};
  }
  c[ImageIndex(ImageId::Menu)] = {1600, 800};
  c[ImageIndex(ImageId::Back)] = {8000, 500};
  return c;
}

}  // namespace

std::string_view ImageName(ImageId id) {
  const int i = ImageIndex(id);
  if (i < 0 || i >= ImageCount) return {};
  return std::string_view(Names.text[i].data(), Names.length[i]);
}

ImageId ImageByName(std::string_view name) {
  for (int i = 0; i < ImageCount; ++i) {
    if (ImageName(static_cast<ImageId>(i)) == name) return static_cast<ImageId>(i);
  }
  return ImageId::None;
}

bool FrameHasImage(int actor, int facing, int frame) {
  if (actor < 0 || actor >= ActorCount || facing < 0 || facing > 1 || frame < 0 || frame > 1) {
    return false;
  }
  return (FrameMask[actor] >> (facing * 2 + frame)) & 1;
}

const ImageCatalogue& ShippedCatalogue() {
  static const ImageCatalogue catalogue = MakeCatalogue();
  return catalogue;
}

}  // namespace skelvar
