#include "ui/render/font.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cstring>
#include <vector>

#include "game/texts.h"

namespace skelvar::ui {
namespace {

constexpr const char* DesignedFamily = "ＭＳ Ｐゴシック";
// Proportional gothics first, like the designed face; VL PGothic also has every symbol the
// remarks use, which the IPA faces lack (U+2211).
constexpr std::array<const char*, 5> FallbackFamilies = {"VL PGothic", "IPAPGothic", "VL Gothic",
                                                         "IPAGothic", "Noto Sans CJK JP"};
// Hiragana a, katakana ge, kanji "direction" and the full-width exclamation mark: a face that
// has these draws the game's texts.
constexpr std::array<FcChar32, 4> JapaneseProbe = {0x3042, 0x30B2, 0x65B9, 0xFF01};

// Every character the game can show in its label.
std::vector<FcChar32> GameCharacters() {
  std::vector<FcChar32> chars;
  auto add = [&](std::string_view text) {
    for (size_t i = 0; i < text.size();) {
      const auto lead = static_cast<unsigned char>(text[i]);
      const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      FcChar32 c = length == 1 ? lead : lead & (0x7F >> length);
      for (int k = 1; k < length && i + k < text.size(); ++k) {
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      }
      chars.push_back(c);
      i += length;
    }
  };
  for (auto t : ChatterMessages) add(t);
  for (auto t : ClearCries) add(t);
  for (auto t : OverCries) add(t);
  for (auto t : ResultTexts) add(t);
  add(StartHint);
  add("0123456789");
  return chars;
}

struct Candidate {
  FontFile file;
  int missing = 0;  // characters of the game's texts the face lacks
};

std::optional<Candidate> MatchFamily(const char* family, const std::vector<FcChar32>& needed) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return std::nullopt;
  std::optional<Candidate> found;
  FcChar8* path = nullptr;
  FcCharSet* charset = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
      FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) == FcResultMatch) {
    bool japanese = true;
    for (FcChar32 c : JapaneseProbe) japanese = japanese && FcCharSetHasChar(charset, c);
    if (japanese) {
      Candidate candidate;
      candidate.file.path = reinterpret_cast<const char*>(path);
      int index = 0;
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
        candidate.file.index = index;
      }
      FcChar8* name = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
        candidate.file.family = reinterpret_cast<const char*>(name);
      }
      for (FcChar32 c : needed) candidate.missing += FcCharSetHasChar(charset, c) ? 0 : 1;
      found = std::move(candidate);
    }
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

std::optional<FontFile> FindJapaneseFont() {
  if (!FcInit()) return std::nullopt;
  // The first face, in order of preference, that has every character the game says; failing
  // that, the Japanese face that lacks the fewest.
  const std::vector<FcChar32> needed = GameCharacters();
  std::optional<Candidate> best;
  auto consider = [&](const char* family) {
    auto candidate = MatchFamily(family, needed);
    if (candidate && (!best || candidate->missing < best->missing)) best = std::move(candidate);
    return best && best->missing == 0;
  };
  if (!consider(DesignedFamily)) {
    for (const char* family : FallbackFamilies) {
      if (consider(family)) break;
    }
  }
  if (!best) return std::nullopt;
  return best->file;
}

const char* AsCString(std::string_view text, std::span<char> buf) {
  size_t n = std::min(text.size(), buf.size() - 1);
  // Do not end inside a UTF-8 sequence: back up over continuation bytes.
  if (n < text.size()) {
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(buf.data(), text.data(), n);
  buf[n] = '\0';
  return buf.data();
}

std::unique_ptr<LabelFont> LabelFont::Open(std::string* warning) {
  std::unique_ptr<LabelFont> font(new LabelFont());
  if (TTF_Init() != 0) {
    *warning = std::string("cannot start the font renderer: ") + TTF_GetError();
    return font;
  }
  font->ttf_started_ = true;
  auto file = FindJapaneseFont();
  if (!file) {
    *warning =
        "no Japanese font found (install the package fonts-vlgothic); the game runs "
        "without its texts";
    return font;
  }
  // At SDL_ttf's 72 dpi a point size of 21 is a 21-pixel em.
  font->font_.reset(TTF_OpenFontIndex(file->path.c_str(), PixelHeight, file->index));
  if (!font->font_) {
    *warning = "cannot open the Japanese font " + file->path + ": " + TTF_GetError() +
               " (the package fonts-vlgothic provides one); the game runs without its texts";
    return font;
  }
  TTF_SetFontHinting(font->font_.get(), TTF_HINTING_NORMAL);
  font->file_ = std::move(*file);
  return font;
}

FontPtr LabelFont::OpenAtPixels(int pixelHeight) const {
  if (!font_ || pixelHeight <= 0) return nullptr;
  FontPtr font(TTF_OpenFontIndex(file_.path.c_str(), pixelHeight, file_.index));
  if (font) TTF_SetFontHinting(font.get(), TTF_HINTING_NORMAL);
  return font;
}

LabelFont::~LabelFont() {
  font_.reset();
  if (ttf_started_) TTF_Quit();
}

TextSize LabelFont::Measure(std::string_view utf8) const {
  if (!font_) return {0, PixelHeight};
  std::array<char, 1024> buf;
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font_.get(), AsCString(utf8, buf), &w, &h) != 0) w = 0;
  return {w, TTF_FontHeight(font_.get())};
}

}  // namespace skelvar::ui
