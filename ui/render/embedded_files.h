// The files built into the program (its pictures and icon), by their path below the assets folder.
#pragma once

#include <span>
#include <string_view>

namespace skelvar::ui {

struct EmbeddedFile {
  std::string_view name;  // e.g. "imgMenu.jpg", "imgEm0000.bmp", "icon/skelvar-64.bmp"
  std::span<const unsigned char> bytes;
};

// Every file the build found in the assets folder; files still missing are simply absent.
std::span<const EmbeddedFile> EmbeddedFiles();

// The embedded file with this name, or nullptr.
const EmbeddedFile* FindFile(std::span<const EmbeddedFile> files, std::string_view name);

}  // namespace skelvar::ui
