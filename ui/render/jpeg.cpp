#include "ui/render/jpeg.h"

#include <turbojpeg.h>

namespace skelvar::ui {

JpegDecoder::JpegDecoder() : handle_(tjInitDecompress()) {}

JpegDecoder::~JpegDecoder() {
  if (handle_ != nullptr) tjDestroy(handle_);
}

std::optional<RawImage> JpegDecoder::Decode(std::span<const unsigned char> bytes,
                                            std::string* error) {
  if (handle_ == nullptr) {
    *error = "cannot start the JPEG decoder";
    return std::nullopt;
  }
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(handle_, bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                          &height, &subsampling, &colorspace) != 0) {
    *error = std::string("not a readable JPEG: ") + tjGetErrorStr2(handle_);
    return std::nullopt;
  }
  RawImage image;
  image.width = width;
  image.height = height;
  // BGRX is the renderers' native texture layout, so the pixels are never converted again.
  image.pixels = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(width) * height * 4);
  // A warning means damaged data (a truncated or corrupt file) decoded into made-up blocks, so
  // it is refused like a failure rather than shown.
  if (tjDecompress2(handle_, bytes.data(), static_cast<unsigned long>(bytes.size()),
                    image.pixels.get(), width, width * 4, height, TJPF_BGRX, 0) != 0) {
    const bool damaged = tjGetErrorCode(handle_) == TJERR_WARNING;
    *error = std::string(damaged ? "damaged JPEG: " : "JPEG decoding failed: ") +
             tjGetErrorStr2(handle_);
    return std::nullopt;
  }
  return image;
}

}  // namespace skelvar::ui
