#include "board/player.h"

#include <nettle/sha2.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <array>
#include <vector>

namespace skelvar::board {
namespace {

bool Refused(UChar32 c) {
  switch (u_charType(c)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_PRIVATE_USE_CHAR:
    case U_SURROGATE:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return true;
    default:
      return false;
  }
}

std::optional<PlayerName> Fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return std::nullopt;
}

}  // namespace

std::optional<PlayerName> ReadName(std::string_view utf8, std::string* why) {
  // A name is short: anything much longer is refused before it is converted.
  if (utf8.empty()) return Fail(why, "the name is empty");
  if (utf8.size() > 256) return Fail(why, "the name is longer than 12 characters");
  UErrorCode status = U_ZERO_ERROR;
  std::array<UChar, 512> units{};
  int32_t length = 0;
  u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &length, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return Fail(why, "the name is not UTF-8");
  icu::UnicodeString raw(units.data(), length);

  const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
  if (U_FAILURE(status)) return Fail(why, "names cannot be read on this server");
  icu::UnicodeString shown = nfkc->normalize(raw, status);
  if (U_FAILURE(status)) return Fail(why, "the name cannot be normalized");

  int32_t points = shown.countChar32();
  if (points < 1) return Fail(why, "the name is empty");
  if (points > MaxNameCodePoints) return Fail(why, "the name is longer than 12 characters");
  for (int32_t i = 0; i < shown.length(); i = shown.moveIndex32(i, 1)) {
    if (Refused(shown.char32At(i))) {
      return Fail(why, "the name holds a control, format or private-use character");
    }
  }
  if (u_isUWhiteSpace(shown.char32At(0)) ||
      u_isUWhiteSpace(shown.char32At(shown.moveIndex32(shown.length(), -1)))) {
    return Fail(why, "the name starts or ends with a space");
  }

  icu::UnicodeString folded = nfkc->normalize(icu::UnicodeString(shown).foldCase(), status);
  if (U_FAILURE(status)) return Fail(why, "the name cannot be normalized");
  PlayerName name;
  shown.toUTF8String(name.shown);
  folded.toUTF8String(name.folded);
  return name;
}

bool IsKey(std::string_view key) {
  if (key.size() < 16 || key.size() > 64) return false;
  for (char c : key) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

std::string Sha256Hex(std::string_view bytes) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  std::array<uint8_t, SHA256_DIGEST_SIZE> digest{};
  sha256_digest(&context, digest.size(), digest.data());
  static constexpr char Hex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * digest.size());
  for (uint8_t byte : digest) {
    hex.push_back(Hex[byte >> 4]);
    hex.push_back(Hex[byte & 15]);
  }
  return hex;
}

}  // namespace skelvar::board
