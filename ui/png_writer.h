// Writing frames as PNG files (8-bit RGB, zlib-compressed).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

namespace skelvar::ui {

// Encodes the top-left width x height pixels of a 32-bit surface as a PNG file in memory.
std::vector<uint8_t> EncodePng(SDL_Surface* surface, int width, int height);

bool WritePngFile(SDL_Surface* surface, int width, int height, const std::string& path,
                  std::string* error);

}  // namespace skelvar::ui
