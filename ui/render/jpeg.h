// Decoding the stored JPEG pictures with libjpeg-turbo.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace skelvar::ui {

// Decoded pixels, 4 bytes each in B, G, R, X order (SDL's XRGB8888 on little-endian machines),
// rows of width * 4 bytes.
struct RawImage {
  int width = 0;
  int height = 0;
  // Not zero-filled first: the decoder writes every byte.
  std::unique_ptr<uint8_t[]> pixels;
};

// One decoder handle reused for every picture decoded at start-up. Uses no SDL call, so it can
// run on a helper thread while SDL starts.
class JpegDecoder {
 public:
  JpegDecoder();
  ~JpegDecoder();
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  // On failure returns nothing and says why in *error.
  std::optional<RawImage> Decode(std::span<const unsigned char> bytes, std::string* error);

 private:
  void* handle_ = nullptr;
};

}  // namespace skelvar::ui
