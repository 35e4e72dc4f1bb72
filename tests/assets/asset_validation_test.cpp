// Checks every shipped picture against the game's own image catalogue, decoding each one with the
// decoder the game uses (SDL_LoadBMP for the character frames, TurboJPEG for the photographs-like
// pictures), so a picture that would load wrongly, sit at the wrong size or show specks over the
// background is caught before it reaches a player.
#include <SDL.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/images.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path AssetDir = SKELVAR_ASSET_DIR;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
  auto operator<=>(const Rgb&) const = default;
};

constexpr Rgb Black{0, 0, 0};
constexpr Rgb Pink{255, 240, 255};
constexpr Rgb White{255, 255, 255};
constexpr Rgb Red{255, 0, 0};
constexpr Rgb Blue{64, 0, 255};

// Appended piece by piece: GCC 12 at -O3 misreads `"(" + std::string&&` as an overlapping copy.
std::string Describe(Rgb c) {
  std::string text = "(";
  text.append(std::to_string(c.r)).append(",");
  text.append(std::to_string(c.g)).append(",");
  text.append(std::to_string(c.b)).append(")");
  return text;
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
int32_t I32(const Bytes& b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}
uint16_t U16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32BigEndian(const Bytes& b, size_t at) {
  return (static_cast<uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

struct Frame {
  int actor, facing, frame;
  std::string name;
  skelvar::PixelSize size;
};

// Every frame component that holds a picture, straight from the game's catalogue.
std::vector<Frame> FramesWithImages() {
  std::vector<Frame> frames;
  for (int actor = 0; actor < skelvar::ActorCount; ++actor) {
    for (int facing = 0; facing < 2; ++facing) {
      for (int frame = 0; frame < 2; ++frame) {
        if (!skelvar::FrameHasImage(actor, facing, frame)) continue;
        const auto id = skelvar::FrameImage(actor, facing, frame);
        frames.push_back({actor, facing, frame, std::string(skelvar::ImageName(id)),
                          skelvar::ShippedCatalogue()[skelvar::ImageIndex(id)]});
      }
    }
  }
  return frames;
}

std::string OutcomeName(int actor, int which) {
  return std::string(skelvar::ImageName(skelvar::OutcomeImage(actor, which)));
}

// The bird's wing-down frames carry a red eye and a blue glint, so their table has two more
// colours; every other frame has black, pink and white.
bool HasAccents(const Frame& f) {
  return f.actor == 7 && f.frame == 1;
}

std::vector<Rgb> ExpectedColourTable(const Frame& f) {
  std::vector<Rgb> table = HasAccents(f) ? std::vector<Rgb>{Black, Red, Blue, Pink, White}
                                         : std::vector<Rgb>{Black, Pink, White};
  table.resize(16, Black);
  return table;
}

// A decoded frame as plain colours, row by row from the top.
struct Pixels {
  int width = 0, height = 0;
  std::vector<Rgb> rgb;
  std::vector<uint8_t> alpha;
  Rgb At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr LoadWithSdl(const fs::path& path) {
  return SurfacePtr(SDL_LoadBMP(path.c_str()), &SDL_FreeSurface);
}

Pixels ToPixels(SDL_Surface* loaded) {
  Pixels out;
  SurfacePtr rgba(SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0), &SDL_FreeSurface);
  if (!rgba) return out;
  out.width = rgba->w;
  out.height = rgba->h;
  for (int y = 0; y < rgba->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(rgba->pixels) + y * rgba->pitch;
    for (int x = 0; x < rgba->w; ++x) {
      out.rgb.push_back({row[x * 4], row[x * 4 + 1], row[x * 4 + 2]});
      out.alpha.push_back(row[x * 4 + 3]);
    }
  }
  return out;
}

Pixels LoadFrame(const std::string& name) {
  SurfacePtr s = LoadWithSdl(AssetDir / (name + ".bmp"));
  if (!s) {
    ADD_FAILURE() << name << ": SDL_LoadBMP failed: " << SDL_GetError();
    return {};
  }
  return ToPixels(s.get());
}

// The number of colour components in a JPEG's frame header (SOF0..SOF2).
int JpegComponents(const Bytes& jpeg) {
  size_t at = 2;
  while (at + 9 < jpeg.size()) {
    if (jpeg[at] != 0xFF) return -1;
    const uint8_t marker = jpeg[at + 1];
    const size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
    if (marker >= 0xC0 && marker <= 0xC2) return jpeg[at + 9];
    at += 2 + length;
  }
  return -1;
}

struct JpegInfo {
  bool decoded = false;
  int width = 0, height = 0, components = 0;
};

JpegInfo DecodeJpeg(const Bytes& jpeg) {
  JpegInfo info;
  info.components = JpegComponents(jpeg);
  std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitDecompress(), &tjDestroy);
  int subsampling = 0, colourspace = 0;
  if (!tj || jpeg.empty() ||
      tjDecompressHeader3(tj.get(), jpeg.data(), jpeg.size(), &info.width, &info.height,
                          &subsampling, &colourspace) != 0) {
    return info;
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(info.width) * info.height * 3);
  info.decoded = tjDecompress2(tj.get(), jpeg.data(), jpeg.size(), rgb.data(), info.width, 0,
                               info.height, TJPF_RGB, 0) == 0;
  return info;
}

TEST(AssetValidation, FolderHoldsExactlyTheCataloguedPictures) {
  std::set<std::string> expected;
  for (const Frame& f : FramesWithImages()) expected.insert(f.name + ".bmp");
  int bitmaps = static_cast<int>(expected.size());
  for (int i = skelvar::ImageIndex(skelvar::ImageId::FirstOutcome); i < skelvar::ImageCount; ++i) {
    expected.insert(std::string(skelvar::ImageName(static_cast<skelvar::ImageId>(i))) + ".jpg");
  }
  EXPECT_EQ(bitmaps, 24);
  EXPECT_EQ(expected.size(), 46u);

  std::set<std::string> present;
  for (const auto& entry : fs::directory_iterator(AssetDir)) {
    if (entry.is_directory()) continue;  // the drawings in src/ and the program icon
    present.insert(entry.path().filename().string());
  }
  for (const auto& name : expected) EXPECT_TRUE(present.contains(name)) << "missing " << name;
  for (const auto& name : present) EXPECT_TRUE(expected.contains(name)) << "unexpected " << name;
}

TEST(AssetValidation, FrameBitmapsAreUncompressedBottomUpFourBitWithTheirColourTable) {
  for (const Frame& f : FramesWithImages()) {
    SCOPED_TRACE(f.name);
    const Bytes b = ReadFile(AssetDir / (f.name + ".bmp"));
    ASSERT_GE(b.size(), 14u + 40u + 64u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), b.size()) << "file size field";
    EXPECT_EQ(U32(b, 14), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(I32(b, 18), f.size.width);
    EXPECT_EQ(I32(b, 22), f.size.height) << "a positive height stores rows bottom-up";
    EXPECT_EQ(U16(b, 26), 1) << "planes";
    EXPECT_EQ(U16(b, 28), 4) << "bits per pixel";
    EXPECT_EQ(U32(b, 30), 0u) << "BI_RGB, uncompressed";
    const uint32_t used = U32(b, 46);
    EXPECT_TRUE(used == 0 || used == 16) << "colours in the table: " << used;

    const std::vector<Rgb> expected = ExpectedColourTable(f);
    for (int i = 0; i < 16; ++i) {
      const size_t at = 54 + i * 4;  // stored blue, green, red, reserved
      const Rgb entry{b[at + 2], b[at + 1], b[at]};
      EXPECT_EQ(entry, expected[i]) << "colour table entry " << i << " is " << Describe(entry);
    }
    const uint32_t offset = U32(b, 10);
    EXPECT_EQ(offset, 14u + 40u + 64u);
    const size_t row_bytes = ((f.size.width + 1) / 2 + 3) / 4 * 4;
    EXPECT_GE(b.size(), offset + row_bytes * f.size.height) << "pixel data is cut short";
  }
}

TEST(AssetValidation, FramesLoadAtTheirSizeAndUseOnlyTheirColours) {
  for (const Frame& f : FramesWithImages()) {
    SCOPED_TRACE(f.name);
    const Pixels p = LoadFrame(f.name);
    ASSERT_EQ(p.width, f.size.width);
    ASSERT_EQ(p.height, f.size.height);

    std::map<Rgb, int> counts;
    for (const Rgb& c : p.rgb) ++counts[c];
    const std::set<Rgb> allowed = HasAccents(f) ? std::set<Rgb>{Black, Pink, White, Red, Blue}
                                                : std::set<Rgb>{Black, Pink, White};
    for (const auto& [colour, n] : counts) {
      EXPECT_TRUE(allowed.contains(colour)) << n << " pixels of " << Describe(colour);
    }
    // White is the see-through key the game takes from the bottom-left pixel.
    EXPECT_EQ(p.At(0, p.height - 1), White);
    // A frame is an outlined, filled figure on a see-through ground.
    EXPECT_GT(counts[Black], 0);
    EXPECT_GT(counts[Pink], 0);
    EXPECT_GT(counts[White], 0);
    EXPECT_EQ(counts[Red], HasAccents(f) ? 2 : 0);
    EXPECT_EQ(counts[Blue], HasAccents(f) ? 2 : 0);
  }
}

TEST(AssetValidation, StandingCharactersTouchTheBottomRow) {
  // The bottom of a frame is where the figure meets the ground; flying actors are exempt.
  for (const Frame& f : FramesWithImages()) {
    if (f.actor == 5 || f.actor == 7) continue;
    SCOPED_TRACE(f.name);
    const Pixels p = LoadFrame(f.name);
    ASSERT_EQ(p.height, f.size.height);
    int drawn = 0;
    for (int x = 0; x < p.width; ++x) drawn += p.At(x, p.height - 1) != White;
    EXPECT_GT(drawn, 0);
  }
}

TEST(AssetValidation, FacingOneMirrorsFacingZero) {
  std::map<std::string, Pixels> loaded;
  for (const Frame& f : FramesWithImages()) loaded[f.name] = LoadFrame(f.name);
  auto name = [](int actor, int facing, int frame) {
    return std::string(skelvar::ImageName(skelvar::FrameImage(actor, facing, frame)));
  };
  for (int actor : {0, 7, 8, 9}) {
    for (int frame = 0; frame < 2; ++frame) {
      const Pixels& right = loaded[name(actor, 0, frame)];
      const Pixels& left = loaded[name(actor, 1, frame)];
      SCOPED_TRACE(name(actor, 1, frame));
      ASSERT_EQ(right.width, left.width);
      ASSERT_EQ(right.height, left.height);
      ASSERT_GT(right.width, 0);
      int mismatches = 0;
      for (int y = 0; y < right.height; ++y) {
        for (int x = 0; x < right.width; ++x) {
          mismatches += right.At(x, y) != left.At(right.width - 1 - x, y);
        }
      }
      EXPECT_EQ(mismatches, 0);
    }
  }
  // The flier is redrawn rather than mirrored so that its lettering stays readable: the word
  // sits in the upper left corner when it flies right and in the upper right when it flies left.
  const Pixels& right = loaded["imgEm0500"];
  const Pixels& left = loaded["imgEm0510"];
  ASSERT_EQ(right.width, 340);
  ASSERT_EQ(left.width, 340);
  auto ink = [](const Pixels& p, int x0, int x1) {
    int n = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = x0; x < x1; ++x) n += p.At(x, y) == Black;
    }
    return n;
  };
  EXPECT_GT(ink(right, 0, 130), 0);
  EXPECT_GT(ink(left, 210, 340), 0);
  int mirror_mismatches = 0;
  for (int y = 0; y < right.height; ++y) {
    for (int x = 0; x < right.width; ++x) {
      mirror_mismatches += right.At(x, y) != left.At(right.width - 1 - x, y);
    }
  }
  EXPECT_GT(mirror_mismatches, 0) << "the lettering would read backwards";
}

TEST(AssetValidation, EveryFrameFileIsDistinctAndPosesDiffer) {
  // Every file is compared with every earlier one for equality; ordering whole files as map keys
  // made GCC 12 at -O3 warn about a memcmp bound that can never be reached.
  std::vector<std::pair<Bytes, std::string>> seen;
  for (const Frame& f : FramesWithImages()) {
    Bytes bytes = ReadFile(AssetDir / (f.name + ".bmp"));
    ASSERT_FALSE(bytes.empty()) << f.name;
    const auto same = std::find_if(seen.begin(), seen.end(),
                                   [&](const auto& earlier) { return earlier.first == bytes; });
    if (same != seen.end()) ADD_FAILURE() << f.name << " has the same bytes as " << same->second;
    seen.emplace_back(std::move(bytes), f.name);
  }
  // Two poses of one facing alternate in place, so they share a size but not their pixels.
  for (int actor : {0, 7, 8, 9}) {
    for (int facing = 0; facing < 2; ++facing) {
      const auto a = std::string(skelvar::ImageName(skelvar::FrameImage(actor, facing, 0)));
      const auto b = std::string(skelvar::ImageName(skelvar::FrameImage(actor, facing, 1)));
      const Pixels pa = LoadFrame(a), pb = LoadFrame(b);
      EXPECT_EQ(pa.width, pb.width) << a;
      EXPECT_EQ(pa.height, pb.height) << a;
      EXPECT_NE(pa.rgb, pb.rgb) << a << " and " << b << " show the same pose";
    }
  }
}

TEST(AssetValidation, JpegPicturesDecodeAtTheirSizeInColour) {
  for (int i = skelvar::ImageIndex(skelvar::ImageId::FirstOutcome); i < skelvar::ImageCount; ++i) {
    const auto id = static_cast<skelvar::ImageId>(i);
    const std::string name(skelvar::ImageName(id));
    SCOPED_TRACE(name);
    const Bytes jpeg = ReadFile(AssetDir / (name + ".jpg"));
    if (jpeg.empty()) {
      ADD_FAILURE() << "missing";
      continue;
    }
    const JpegInfo info = DecodeJpeg(jpeg);
    EXPECT_TRUE(info.decoded) << tjGetErrorStr();
    const skelvar::PixelSize size = skelvar::ShippedCatalogue()[i];
    EXPECT_EQ(info.width, size.width);
    EXPECT_EQ(info.height, size.height);
    EXPECT_EQ(info.components, 3);
  }
  EXPECT_EQ(skelvar::ShippedCatalogue()[skelvar::ImageIndex(skelvar::ImageId::Back)],
            (skelvar::PixelSize{8000, 500}));
  EXPECT_EQ(skelvar::ShippedCatalogue()[skelvar::ImageIndex(skelvar::ImageId::Menu)],
            (skelvar::PixelSize{1600, 800}));
}

// FNV-1a over the RGB bytes TurboJPEG decodes, so any change to the decoded pixels shows.
uint64_t PixelDigest(const Bytes& jpeg) {
  std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitDecompress(), &tjDestroy);
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (!tj || jpeg.empty() ||
      tjDecompressHeader3(tj.get(), jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                          &colourspace) != 0) {
    return 0;
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  if (tjDecompress2(tj.get(), jpeg.data(), jpeg.size(), rgb.data(), width, 0, height, TJPF_RGB,
                    0) != 0) {
    return 0;
  }
  uint64_t digest = 1469598103934665603ull;
  for (const uint8_t byte : rgb) {
    digest = (digest ^ byte) * 1099511628211ull;
  }
  return digest;
}

TEST(AssetValidation, JpegPicturesAreLosslesslyOptimisedAndDecodeToTheDrawnPixels) {
  // Digests of the pixels the pictures decoded to as the baseline JPEGs first written by cjpeg;
  // squeezing the files (progressive scans, optimised tables, no metadata) must not change one
  // pixel.
  const std::map<std::string, uint64_t> drawn = {
      {"imgBack", 0xf871748443cf78b8ull},   {"imgMenu", 0x3fb446a1e8c0fc16ull},
      {"imgOv0100", 0x22e140c3a383bdf1ull}, {"imgOv0101", 0x47ff306e606c3755ull},
      {"imgOv0200", 0x3f00313eb20a05bbull}, {"imgOv0201", 0x0c7bacbe70b4976aull},
      {"imgOv0300", 0x0460e025858e26f3ull}, {"imgOv0301", 0x47ff306e606c3755ull},
      {"imgOv0400", 0x4b887480d154cebcull}, {"imgOv0401", 0x0c7bacbe70b4976aull},
      {"imgOv0500", 0x77963562fa3f9328ull}, {"imgOv0501", 0x6c756e3d3e2b3792ull},
      {"imgOv0600", 0x959b5a406951ca1dull}, {"imgOv0601", 0x0c7bacbe70b4976aull},
      {"imgOv0700", 0x5c862ead1b7eda52ull}, {"imgOv0701", 0x6c756e3d3e2b3792ull},
      {"imgOv0800", 0xdb8fbd414ec3b586ull}, {"imgOv0801", 0x0c7bacbe70b4976aull},
      {"imgOv0900", 0x079235f375fb4443ull}, {"imgOv0901", 0x2a82078829d2701aull},
      {"imgOv1000", 0xfc8ae27eaf7c8813ull}, {"imgOv1001", 0x0c7bacbe70b4976aull},
  };
  ASSERT_EQ(drawn.size(), 22u);
  for (const auto& [name, digest] : drawn) {
    SCOPED_TRACE(name);
    const Bytes jpeg = ReadFile(AssetDir / (name + ".jpg"));
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(PixelDigest(jpeg), digest);
    // Progressive: a start-of-frame 2 marker; no APPn metadata segments beyond JFIF.
    bool progressive = false;
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
      const uint8_t marker = jpeg[at + 1];
      if (marker == 0xC2) progressive = true;
      EXPECT_TRUE(marker < 0xE1 || marker > 0xEF) << "metadata segment " << int{marker};
      if (marker == 0xDA) break;
      at += 2 + (static_cast<size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3]);
    }
    EXPECT_TRUE(progressive);
  }
}

// RGB pixels of a JPEG as TurboJPEG decodes them, with its size; empty when it does not decode.
std::vector<uint8_t> DecodeRgb(const Bytes& jpeg, int* width, int* height) {
  std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitDecompress(), &tjDestroy);
  int subsampling = 0, colourspace = 0;
  if (!tj || jpeg.empty() ||
      tjDecompressHeader3(tj.get(), jpeg.data(), jpeg.size(), width, height, &subsampling,
                          &colourspace) != 0) {
    return {};
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(*width) * *height * 3);
  if (tjDecompress2(tj.get(), jpeg.data(), jpeg.size(), rgb.data(), *width, 0, *height, TJPF_RGB,
                    0) != 0) {
    return {};
  }
  return rgb;
}

// The game sets its remark and result text, with no backing, in the band from 42 to 21 px above
// an outcome picture's bottom edge, across its whole width: no drawn line may cross it there. A
// pixel counts as drawn when it is clearly darker than the paper (luminance below 200 of 255;
// the pen's red is about 90, its black about 30).
TEST(AssetValidation, OutcomePicturesLeaveTheLabelItsBand) {
  for (int actor = 1; actor < skelvar::ActorCount; ++actor) {
    for (int which = 0; which < 2; ++which) {
      const std::string name = OutcomeName(actor, which);
      SCOPED_TRACE(name);
      int width = 0, height = 0;
      const std::vector<uint8_t> rgb =
          DecodeRgb(ReadFile(AssetDir / (name + ".jpg")), &width, &height);
      ASSERT_FALSE(rgb.empty());
      ASSERT_EQ(height, 400);
      int dark = 0, drawnAbove = 0;
      for (int y = 0; y < height - 21; ++y) {
        for (int x = 0; x < width; ++x) {
          const size_t i = (static_cast<size_t>(y) * width + x) * 3;
          const double luminance = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
          if (luminance >= 200) continue;
          if (y >= height - 42) {
            ++dark;
          } else {
            ++drawnAbove;
          }
        }
      }
      EXPECT_EQ(dark, 0) << "dark pixels in the label's band, of " << 21 * width;
      // The band is clear because the drawing is above it, not because there is none.
      EXPECT_GT(drawnAbove, width * 5) << "hardly anything is drawn";
    }
  }
}

// Letterboxed, the menu picture meets a black band above and below: both edges fade into black
// (a row's mean luminance under 2 of 255 at the very edge, and rising inward), so neither meets
// the band with a hard line, while the middle keeps its colour.
TEST(AssetValidation, MenuPictureFadesIntoBlackAtTopAndBottom) {
  int width = 0, height = 0;
  const std::vector<uint8_t> rgb = DecodeRgb(ReadFile(AssetDir / "imgMenu.jpg"), &width, &height);
  ASSERT_FALSE(rgb.empty());
  const auto row = [&](int y) {
    double sum = 0;
    for (int x = 0; x < width; ++x) {
      const size_t i = (static_cast<size_t>(y) * width + x) * 3;
      sum += 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
    }
    return sum / width;
  };
  EXPECT_LT(row(0), 2.0) << "the top edge";
  EXPECT_LT(row(height - 1), 2.0) << "the bottom edge";
  // The fade is gradual: a few rows in it is still dark, a tenth of the way in it is lighter.
  EXPECT_LT(row(4), 8.0);
  EXPECT_LT(row(height - 5), 8.0);
  EXPECT_GT(row(height / 8), 3 * row(4) + 10);
  EXPECT_GT(row(height / 2), 40.0) << "the middle keeps its colour";
}

TEST(AssetValidation, OutcomePicturesShareBytesOnlyWithinTheirGroups) {
  // Several second pictures are one and the same drawing; the rest are all different.
  const std::vector<std::vector<std::pair<int, int>>> shared = {
      {{1, 1}, {3, 1}},
      {{2, 1}, {4, 1}, {6, 1}, {8, 1}, {10, 1}},
      {{5, 1}, {7, 1}},
  };
  std::set<std::pair<int, int>> grouped;
  std::vector<Bytes> distinct;
  for (const auto& group : shared) {
    const Bytes first =
        ReadFile(AssetDir / (OutcomeName(group[0].first, group[0].second) + ".jpg"));
    EXPECT_FALSE(first.empty());
    for (const auto& [actor, which] : group) {
      grouped.insert({actor, which});
      const std::string name = OutcomeName(actor, which);
      EXPECT_EQ(ReadFile(AssetDir / (name + ".jpg")), first) << name;
    }
    distinct.push_back(first);
  }
  for (int actor = 1; actor < skelvar::ActorCount; ++actor) {
    for (int which = 0; which < 2; ++which) {
      if (grouped.contains({actor, which})) continue;
      const std::string name = OutcomeName(actor, which);
      distinct.push_back(ReadFile(AssetDir / (name + ".jpg")));
      EXPECT_FALSE(distinct.back().empty()) << name;
    }
  }
  ASSERT_EQ(distinct.size(), 14u);
  for (size_t i = 0; i < distinct.size(); ++i) {
    for (size_t j = i + 1; j < distinct.size(); ++j) {
      EXPECT_NE(distinct[i], distinct[j]) << "outcome groups " << i << " and " << j;
    }
  }
}

TEST(AssetValidation, ProgramIconComesInEverySizeWithAlpha) {
  // The desktop's sizes from 16 to 512, the page's touch icon (180) and its manifest's (192, 512),
  // and the maskable one, which fills its whole square.
  for (const std::string size :
       {"16", "22", "24", "32", "48", "64", "128", "180", "192", "256", "512", "maskable-512"}) {
    const std::string name = "skelvar-" + size + ".png";
    SCOPED_TRACE(name);
    const Bytes png = ReadFile(AssetDir / "icon" / name);
    ASSERT_GE(png.size(), 33u);
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    const auto side =
        static_cast<uint32_t>(std::stoi(size.substr(size.find_first_of("0123456789"))));
    EXPECT_EQ(U32BigEndian(png, 16), side);
    EXPECT_EQ(U32BigEndian(png, 20), side);
    EXPECT_EQ(png[24], 8) << "bit depth";
    EXPECT_EQ(png[25], 6) << "colour type RGBA";
  }
  SurfacePtr icon = LoadWithSdl(AssetDir / "icon" / "skelvar-64.bmp");
  ASSERT_TRUE(icon) << SDL_GetError();
  EXPECT_EQ(icon->w, 64);
  EXPECT_EQ(icon->h, 64);
  EXPECT_NE(icon->format->Amask, 0u) << "SDL dropped the alpha channel";
  const Pixels p = ToPixels(icon.get());
  ASSERT_EQ(p.alpha.size(), 64u * 64u);
  // The rounded tile leaves its corners see-through and its middle opaque.
  EXPECT_EQ(p.alpha.front(), 0);
  EXPECT_EQ(p.alpha[32 * 64 + 32], 255);
}

TEST(AssetValidation, PicturesFitTheSizeBudget) {
  uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(AssetDir)) {
    if (entry.is_directory()) continue;
    const auto relative = fs::relative(entry.path(), AssetDir);
    if (*relative.begin() == "src") continue;  // drawings, not shipped
    total += entry.file_size();
  }
  EXPECT_GT(total, 0u);
  EXPECT_LE(total, 3'000'000u);
  std::error_code error;
  const uintmax_t back = fs::file_size(AssetDir / "imgBack.jpg", error);
  EXPECT_FALSE(error) << "imgBack.jpg: " << error.message();
  if (!error) {
    EXPECT_LE(back, 1'000'000u);
  }
}

}  // namespace
