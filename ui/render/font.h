// The message label's font: a 21-pixel Japanese gothic found through fontconfig.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "game/platform.h"
#include "ui/render/sdl_handles.h"

namespace skelvar::ui {

struct FontFile {
  std::string path;
  int index = 0;  // face inside a font collection
  std::string family;
};

// The installed font that stands in for the label's designed face (a proportional Japanese
// gothic), covering kana and kanji; nothing when no such font is installed.
std::optional<FontFile> FindJapaneseFont();

class LabelFont final : public TextMeasurer {
 public:
  static constexpr int PixelHeight = 21;

  // Always returns a font object; without a Japanese font it draws and measures nothing, and
  // *warning says what to install.
  static std::unique_ptr<LabelFont> Open(std::string* warning);
  ~LabelFont() override;

  // Width of the text and the font's line height; width 0 when there is no font.
  TextSize Measure(std::string_view utf8) const override;
  TTF_Font* font() const { return font_.get(); }
  // The same face at another pixel height (for a scaled-up view); null when there is no font.
  FontPtr OpenAtPixels(int pixelHeight) const;
  const FontFile& file() const { return file_; }

 private:
  LabelFont() = default;
  bool ttf_started_ = false;
  FontPtr font_;
  FontFile file_;
};

// Copies text into buf as a C string, cut at a character boundary if it does not fit.
const char* AsCString(std::string_view text, std::span<char> buf);

}  // namespace skelvar::ui
