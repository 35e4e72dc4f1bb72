#include "png_test_support.h"

#include <zlib.h>

#include <fstream>
#include <iterator>

namespace skelvar::ui::testing {
namespace {

uint32_t BigEndian(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::optional<RgbImage> ParsePng(const std::vector<uint8_t>& bytes, std::string* error) {
  static const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin())) {
    *error = "no PNG signature";
    return std::nullopt;
  }
  RgbImage image;
  std::vector<uint8_t> packed;
  bool ended = false;
  for (size_t at = 8; at + 12 <= bytes.size() && !ended;) {
    const uint32_t length = BigEndian(&bytes[at]);
    if (at + 12 + length > bytes.size()) break;
    const std::string type(bytes.begin() + at + 4, bytes.begin() + at + 8);
    const uint8_t* data = &bytes[at + 8];
    const uint32_t crc = BigEndian(data + length);
    if (crc32(0, &bytes[at + 4], length + 4) != crc) {
      *error = "bad CRC in chunk " + type;
      return std::nullopt;
    }
    if (type == "IHDR") {
      image.width = static_cast<int>(BigEndian(data));
      image.height = static_cast<int>(BigEndian(data + 4));
      if (data[8] != 8 || data[9] != 2 || data[12] != 0) {
        *error = "not 8-bit RGB without interlace";
        return std::nullopt;
      }
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended || image.width <= 0 || image.height <= 0) {
    *error = "missing IHDR or IEND";
    return std::nullopt;
  }
  const size_t row = static_cast<size_t>(image.width) * 3 + 1;
  std::vector<uint8_t> raw(row * image.height);
  uLongf size = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
      size != raw.size()) {
    *error = "image data does not inflate to width x height";
    return std::nullopt;
  }
  for (int y = 0; y < image.height; ++y) {
    if (raw[row * y] != 0) {
      *error = "row filter other than none";
      return std::nullopt;
    }
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = &raw[row * y + 1 + x * 3];
      image.pixels.push_back({p[0], p[1], p[2]});
    }
  }
  return image;
}

std::optional<RgbImage> ReadPng(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return std::nullopt;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  return ParsePng(bytes, error);
}

}  // namespace skelvar::ui::testing
