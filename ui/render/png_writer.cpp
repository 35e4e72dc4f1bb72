#include "ui/render/png_writer.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace skelvar::ui {
namespace {

void PutBigEndian(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>* out, const char type[4], const uint8_t* data, size_t size) {
  PutBigEndian(out, static_cast<uint32_t>(size));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data, data + size);
  const uLong crc = crc32(0L, out->data() + start, static_cast<uInt>(size + 4));
  PutBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool EncodePng(SDL_Surface* surface, int width, int height, int level, std::vector<uint8_t>* png,
               std::string* error) {
  // Each row: filter byte 0 (none), then R, G, B.
  const size_t rowBytes = static_cast<size_t>(width) * 3 + 1;
  std::vector<uint8_t> raw(rowBytes * height);
  for (int y = 0; y < height; ++y) {
    const auto* in =
        static_cast<const uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch;
    uint8_t* out = &raw[rowBytes * y];
    out[0] = 0;
    for (int x = 0; x < width; ++x) {
      uint32_t pixel = 0;
      std::memcpy(&pixel, in + x * 4, 4);
      SDL_GetRGB(pixel, surface->format, &out[1 + x * 3], &out[2 + x * 3], &out[3 + x * 3]);
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  const int status =
      compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), level);
  if (status != Z_OK) {
    *error = std::string("cannot compress the pixels: ") + zError(status);
    return false;
  }
  packed.resize(packedSize);

  *png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(&header, static_cast<uint32_t>(width));
  PutBigEndian(&header, static_cast<uint32_t>(height));
  header.insert(header.end(),
                {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter set, no interlace
  PutChunk(png, "IHDR", header.data(), header.size());
  PutChunk(png, "IDAT", packed.data(), packed.size());
  PutChunk(png, "IEND", nullptr, 0);
  return true;
}

bool WritePngFile(SDL_Surface* surface, int width, int height, const std::string& path,
                  std::string* error, int level) {
  std::vector<uint8_t> png;
  // Nothing is created for a frame that cannot be encoded, so no broken file is left behind.
  if (!EncodePng(surface, width, height, level, &png, error)) {
    *error = "cannot write " + path + ": " + *error;
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

}  // namespace skelvar::ui
