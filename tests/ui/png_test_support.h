// Reads back the PNG files the frame writer makes (8-bit RGB, unfiltered rows), checking every
// chunk's CRC on the way, so tests can look at the pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace skelvar::ui::testing {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Nothing, with the reason in *error, when the bytes are not such a PNG.
std::optional<RgbImage> ParsePng(const std::vector<uint8_t>& bytes, std::string* error);
std::optional<RgbImage> ReadPng(const std::string& path, std::string* error);

}  // namespace skelvar::ui::testing
