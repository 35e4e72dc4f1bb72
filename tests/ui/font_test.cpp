#include "ui/render/font.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/texts.h"

namespace skelvar::ui {
namespace {

// Decodes UTF-8 into code points; fails the test on a malformed sequence.
std::vector<char32_t> CodePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      EXPECT_LT(i + k, s.size());
      c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out.push_back(c);
    i += length;
  }
  return out;
}

TEST(LabelFont, DrawsEveryCharacterTheGameSays) {
  std::string warning;
  auto font = LabelFont::Open(&warning);
  ASSERT_NE(font->font(), nullptr) << warning;
  EXPECT_TRUE(warning.empty()) << warning;
  std::vector<std::string_view> texts(ChatterMessages.begin(), ChatterMessages.end());
  texts.insert(texts.end(), ClearCries.begin(), ClearCries.end());
  texts.insert(texts.end(), OverCries.begin(), OverCries.end());
  texts.insert(texts.end(), ResultTexts.begin(), ResultTexts.end());
  texts.push_back(StartHint);
  int checked = 0;
  for (std::string_view text : texts) {
    for (char32_t c : CodePoints(text)) {
      EXPECT_TRUE(TTF_GlyphIsProvided32(font->font(), c))
          << "U+" << std::hex << static_cast<uint32_t>(c) << " in \"" << text << "\" missing from "
          << font->file().path;
      ++checked;
    }
  }
  EXPECT_GT(checked, 300);
}

TEST(LabelFont, MeasuresTwentyOnePixelText) {
  std::string warning;
  auto font = LabelFont::Open(&warning);
  ASSERT_NE(font->font(), nullptr) << warning;
  const TextSize one = font->Measure("あ");
  const TextSize three = font->Measure("あああ");
  // A full-width kana at a 21-pixel em is about 21 pixels wide; three are three times as wide.
  EXPECT_GE(one.width, 18);
  EXPECT_LE(one.width, 23);
  EXPECT_NEAR(three.width, 3 * one.width, 2);
  EXPECT_GE(one.height, 20);
  EXPECT_LE(one.height, 32);  // a line is at most one and a half ems
  EXPECT_EQ(font->Measure("").width, 0);
}

TEST(LabelFont, CutsLongTextAtACharacterBoundary) {
  std::array<char, 8> buf;
  // Six bytes fit but the second kana (bytes 3..5) fits only up to byte 6 of 7: keep two kana.
  EXPECT_STREQ(AsCString("あいう", buf), "あい");
  std::array<char, 6> small;
  EXPECT_STREQ(AsCString("あいう", small), "あ");
  EXPECT_STREQ(AsCString("ab", small), "ab");
}

}  // namespace
}  // namespace skelvar::ui
