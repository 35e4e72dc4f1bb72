// Writing frames as PNG files (8-bit RGB, zlib-compressed).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skelvar::ui {

// zlib's level for frames: fast enough to dump every tick, still far smaller than raw pixels.
inline constexpr int PngDefaultLevel = 3;

// Encodes the top-left width x height pixels of a 32-bit surface as a PNG file in memory at zlib
// level 0-9. On failure returns false and says why in *error.
bool EncodePng(SDL_Surface* surface, int width, int height, int level, std::vector<uint8_t>* png,
               std::string* error);

// Writes the PNG to path; on failure (the encoding or the file) says why in *error, naming path.
bool WritePngFile(SDL_Surface* surface, int width, int height, const std::string& path,
                  std::string* error, int level = PngDefaultLevel);

}  // namespace skelvar::ui
