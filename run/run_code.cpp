#include "run/run_code.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "game/held_keys.h"
#include "run/run_link.h"
#include "tick/run_start.h"

namespace skelvar::tick {
namespace {

// The ranges a run's values keep, as the replay tool's scripts allow them.
constexpr int64_t MaxCoordinate = 1'000'000;
constexpr int64_t MaxClientSize = 32767;
constexpr int64_t MaxClearSeconds = INT32_MAX;
constexpr int64_t MaxClearMs = MaxClearSeconds * 1000;
// A generator draws a few numbers a run; this many would take a long time to skip.
constexpr uint64_t MaxDraws = uint64_t{1} << 32;
constexpr int64_t MaxFadeTick = 1000;
constexpr std::size_t CheckBytes = 4;
// A clock reading: its kind, then the double's bits, little-endian.
constexpr std::size_t ClockReadBytes = 9;
constexpr std::size_t MaxVarintBytes = 10;

// ---- CRC-32 (IEEE 802.3, reflected, as zlib's crc32)

constexpr std::array<uint32_t, 256> CrcTable = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}();

// ---- base64url

constexpr std::string_view Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '-') return 62;
  if (c == '_') return 63;
  return -1;
}

// The character as a message quotes it: itself when printable, else its byte in hex.
std::string Quoted(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7F) return std::string("'") + c + "'";
  constexpr std::string_view hex = "0123456789ABCDEF";
  return std::string("\\x") + hex[u >> 4] + hex[u & 15];
}

// ---- varints (unsigned LEB128)

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

// ---- the range coder: LZMA's binary coder with 11-bit probabilities

using Prob = uint16_t;
constexpr int ProbBits = 11;
constexpr Prob ProbHalf = 1u << (ProbBits - 1);
// How fast a probability follows what it sees: runs are short, so it learns quickly.
constexpr int AdaptBits = 4;
constexpr uint32_t TopValue = 1u << 24;

void Adapt(Prob& p, uint32_t bit) {
  if (bit == 0) {
    p = static_cast<Prob>(p + (((1u << ProbBits) - p) >> AdaptBits));
  } else {
    p = static_cast<Prob>(p - (p >> AdaptBits));
  }
}

class RangeEncoder {
 public:
  static constexpr bool Decoding = false;
  explicit RangeEncoder(std::string& out) : out_(out) {}

  uint32_t Bit(Prob& p, uint32_t bit) {
    const uint32_t bound = (range_ >> ProbBits) * p;
    if (bit == 0) {
      range_ = bound;
    } else {
      low_ += bound;
      range_ -= bound;
    }
    Adapt(p, bit);
    while (range_ < TopValue) {
      range_ <<= 8;
      ShiftLow();
    }
    return bit;
  }
  // Writes out what the decoder needs to read the last bit.
  void Finish() {
    for (int i = 0; i < 5; ++i) ShiftLow();
  }

 private:
  // A byte is held back until no carry can reach it; 0xFF bytes after it wait with it.
  void ShiftLow() {
    if (static_cast<uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
      const auto carry = static_cast<uint8_t>(low_ >> 32);
      uint8_t held = cache_;
      do {
        Put(static_cast<uint8_t>(held + carry));
        held = 0xFF;
      } while (--pending_ != 0);
      cache_ = static_cast<uint8_t>(low_ >> 24);
    }
    ++pending_;
    low_ = (low_ & 0x00FFFFFFu) << 8;
  }
  // The first byte is always 0 (the coded value is below 1), so it is left out.
  void Put(uint8_t byte) {
    if (first_) {
      first_ = false;
      return;
    }
    out_.push_back(static_cast<char>(byte));
  }

  std::string& out_;
  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  uint8_t cache_ = 0;
  uint64_t pending_ = 1;
  bool first_ = true;
};

class RangeDecoder {
 public:
  static constexpr bool Decoding = true;
  explicit RangeDecoder(std::string_view bytes) : bytes_(bytes) {
    for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | Next();
  }

  uint32_t Bit(Prob& p, uint32_t /*unused*/) {
    const uint32_t bound = (range_ >> ProbBits) * p;
    uint32_t bit = 0;
    if (code_ < bound) {
      range_ = bound;
    } else {
      code_ -= bound;
      range_ -= bound;
      bit = 1;
    }
    Adapt(p, bit);
    while (range_ < TopValue) {
      range_ <<= 8;
      code_ = (code_ << 8) | Next();
    }
    return bit;
  }
  // Whether the coder wanted bytes past the end: the code is cut short.
  bool overran() const { return overran_; }
  std::size_t consumed() const { return pos_; }

 private:
  uint32_t Next() {
    if (pos_ >= bytes_.size()) {
      overran_ = true;
      return 0;
    }
    return static_cast<uint8_t>(bytes_[pos_++]);
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  uint32_t code_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  bool overran_ = false;
};

// ---- what the events are coded with

template <std::size_t N>
std::array<Prob, N> Halves() {
  std::array<Prob, N> a;
  a.fill(ProbHalf);
  return a;
}

// A number of at most MaxNumberBits bits: its width in unary, then the bits below its top one,
// each with a probability of its own for its width and place.
constexpr int MaxNumberBits = 40;
struct NumberModel {
  std::array<Prob, MaxNumberBits> width = Halves<MaxNumberBits>();
  std::array<std::array<Prob, MaxNumberBits>, MaxNumberBits + 1> bits;
  NumberModel() { bits.fill(Halves<MaxNumberBits>()); }
};

template <class Coder>
uint64_t CodeNumber(Coder& c, NumberModel& m, uint64_t v) {
  int width = 0;
  if constexpr (!Coder::Decoding) {
    while (width < MaxNumberBits && (v >> width) != 0) ++width;
  }
  int n = 0;
  while (n < MaxNumberBits && c.Bit(m.width[n], n < width ? 1 : 0) != 0) ++n;
  if (n == 0) return 0;
  uint64_t out = 1;
  for (int place = n - 2; place >= 0; --place) {
    out = (out << 1) | c.Bit(m.bits[n][place], static_cast<uint32_t>(v >> place) & 1);
  }
  return out;
}

uint64_t ZigZag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t UnZigZag(uint64_t z) {
  return static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
}

template <class Coder>
int64_t CodeSigned(Coder& c, NumberModel& m, int64_t v) {
  return UnZigZag(CodeNumber(c, m, Coder::Decoding ? 0 : ZigZag(v)));
}

// A value of `Bits` bits, top bit first, each bit's probability found by the bits above it.
template <int Bits, class Coder>
uint32_t CodeTree(Coder& c, std::array<Prob, (1u << Bits)>& probs, uint32_t v) {
  uint32_t node = 1;
  for (int i = Bits - 1; i >= 0; --i) node = (node << 1) | c.Bit(probs[node], (v >> i) & 1);
  return node - (1u << Bits);
}

constexpr int KindCount = 5;
constexpr int KeySlots = 16;
constexpr uint32_t NewKey = KeySlots;

struct EventModel {
  explicit EventModel(int64_t width, int64_t height) : width(width), height(height) {}

  // Deltas by the previous delta (0, 1, more): held keys repeat on every tick or two.
  std::array<NumberModel, 3> delta;
  // Kinds by the previous kind, the last for none.
  std::array<std::array<Prob, 8>, KindCount + 1> kind = {Halves<8>(), Halves<8>(), Halves<8>(),
                                                         Halves<8>(), Halves<8>(), Halves<8>()};
  // Places among the last keys, for key downs and for key ups.
  std::array<std::array<Prob, 32>, 2> keySlot = {Halves<32>(), Halves<32>()};
  std::array<Prob, 16> source = Halves<16>();
  std::array<Prob, 256> code = Halves<256>();
  // Pointer deltas, for moves and clicks, along x and y.
  std::array<std::array<NumberModel, 2>, 2> pointer;
  std::array<NumberModel, 2> size;

  // What the events so far leave behind.
  int64_t tick = 0;
  int deltaClass = 0;
  int lastKind = KindCount;
  // The last keys, the latest first, each its source times 256 plus its code.
  std::array<uint32_t, KeySlots> keys{};
  int keyCount = 0;
  int64_t x = 0, y = 0;
  int64_t width, height;

  uint32_t SlotOf(uint32_t key) const {
    for (int i = 0; i < keyCount; ++i) {
      if (keys[static_cast<std::size_t>(i)] == key) return static_cast<uint32_t>(i);
    }
    return NewKey;
  }
  // The key moves to the front, the others down.
  void Touch(uint32_t key) {
    int at = static_cast<int>(SlotOf(key));
    if (at == static_cast<int>(NewKey)) {
      // A new key takes the last place when every place is taken.
      if (keyCount < KeySlots) ++keyCount;
      at = keyCount - 1;
    }
    for (; at > 0; --at) {
      keys[static_cast<std::size_t>(at)] = keys[static_cast<std::size_t>(at - 1)];
    }
    keys[0] = key;
  }
};

// One event: the encoder codes `e`, the decoder fills it in. The decoder's result names what is
// out of range, empty when nothing is; `ticks` is the run's length.
template <class Coder>
std::string CodeEvent(Coder& c, EventModel& m, TimedEvent& e, int64_t ticks) {
  constexpr bool decoding = Coder::Decoding;
  const auto delta = CodeNumber(c, m.delta[static_cast<std::size_t>(m.deltaClass)],
                                decoding ? 0 : static_cast<uint64_t>(e.tick - m.tick));
  if constexpr (decoding) {
    if (delta > static_cast<uint64_t>(ticks - m.tick)) {
      return "its tick is past the run's end, " + std::to_string(ticks);
    }
    e.tick = m.tick + static_cast<int64_t>(delta);
    if (e.tick < 1) return "its tick is 0; ticks start at 1";
  }
  m.tick = e.tick;
  m.deltaClass = static_cast<int>(std::min<uint64_t>(delta, 2));

  auto& kindProbs = m.kind[static_cast<std::size_t>(m.lastKind)];
  const uint32_t kind = CodeTree<3>(c, kindProbs, static_cast<uint32_t>(e.kind));
  if (kind >= KindCount) return "its kind " + std::to_string(kind) + " is none the game knows";
  m.lastKind = static_cast<int>(kind);
  e.kind = static_cast<EventKind>(kind);

  switch (e.kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp: {
      uint32_t key = decoding ? 0 : (static_cast<uint32_t>(e.b & 15) << 8) | (e.a & 255);
      auto& slotProbs = m.keySlot[e.kind == EventKind::KeyUp ? 1 : 0];
      const uint32_t slot = CodeTree<5>(c, slotProbs, decoding ? 0 : m.SlotOf(key));
      if (slot == NewKey) {
        const uint32_t source = CodeTree<4>(c, m.source, key >> 8);
        key = (source << 8) | CodeTree<8>(c, m.code, key & 255);
        // A key among the last ones has only one way to be named, so that every run has one code.
        if (decoding && m.SlotOf(key) != NewKey)
          return "it names as new a key it holds a place for";
      } else if (slot < static_cast<uint32_t>(m.keyCount)) {
        key = m.keys[slot];
      } else {
        return "it names the key at place " + std::to_string(slot) + " of " +
               std::to_string(m.keyCount);
      }
      m.Touch(key);
      e.a = static_cast<int32_t>(key & 255);
      e.b = static_cast<int32_t>(key >> 8);
      if (!IsInputSource(e.b)) {
        return "its source " + std::to_string(e.b) + " is not one from 0 to " +
               std::to_string(InputSourceCount - 1);
      }
      return {};
    }
    case EventKind::MouseMove:
    case EventKind::Click: {
      auto& models = m.pointer[e.kind == EventKind::Click ? 1 : 0];
      const int64_t x = m.x + CodeSigned(c, models[0], e.a - m.x);
      const int64_t y = m.y + CodeSigned(c, models[1], e.b - m.y);
      if (x < -MaxCoordinate || x > MaxCoordinate || y < -MaxCoordinate || y > MaxCoordinate) {
        return "its point is beyond " + std::to_string(MaxCoordinate) + " from 0";
      }
      m.x = x, m.y = y;
      e.a = static_cast<int32_t>(x), e.b = static_cast<int32_t>(y);
      return {};
    }
    case EventKind::Resize: {
      const int64_t w = m.width + CodeSigned(c, m.size[0], e.a - m.width);
      const int64_t h = m.height + CodeSigned(c, m.size[1], e.b - m.height);
      if (w < 0 || w > MaxClientSize || h < 0 || h > MaxClientSize) {
        return "its size is beyond 0 to " + std::to_string(MaxClientSize);
      }
      m.width = w, m.height = h;
      e.a = static_cast<int32_t>(w), e.b = static_cast<int32_t>(h);
      return {};
    }
  }
  return {};
}

// ---- reading a code

std::string_view Trimmed(std::string_view s) {
  constexpr std::string_view space = " \t\r\n\v\f";
  const std::size_t begin = s.find_first_not_of(space);
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(space) - begin + 1);
}

// The header's numbers, one after another.
class HeaderReader {
 public:
  explicit HeaderReader(std::string_view bytes) : bytes_(bytes) {}
  // False, with the problem in `why`, for a number that does not end or is too long.
  bool Next(uint64_t& v, std::string& why) {
    v = 0;
    for (std::size_t i = 0; i < MaxVarintBytes; ++i) {
      if (pos_ >= bytes_.size()) {
        why = "the run code is cut short (it ends inside its header)";
        return false;
      }
      const auto byte = static_cast<uint8_t>(bytes_[pos_++]);
      // The tenth byte holds the 64th bit only.
      if (i == MaxVarintBytes - 1 && byte > 1) break;
      v |= static_cast<uint64_t>(byte & 0x7F) << (7 * i);
      if ((byte & 0x80) == 0) {
        if (byte != 0 || i == 0) return true;
        // Each number has one way to be written, so that every run has one code.
        why = "the run code is malformed (a number in it is not in its fewest bytes)";
        return false;
      }
    }
    why = "the run code is malformed (a number in it is longer than 64 bits)";
    return false;
  }
  std::size_t pos() const { return pos_; }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

std::optional<std::string> Base64UrlBytes(std::string_view code, std::string& why) {
  if (code.size() % 4 == 1) {
    why = "the run code is cut short (its length is not one base64url makes)";
    return std::nullopt;
  }
  std::string out;
  out.reserve(code.size() / 4 * 3 + 2);
  uint32_t acc = 0;
  int held = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const int v = Sextet(code[i]);
    if (v < 0) {
      why = "the run code holds " + Quoted(code[i]) + " at " + std::to_string(i + 1) +
            ", which is not a base64url character";
      return std::nullopt;
    }
    acc = (acc << 6) | static_cast<uint32_t>(v);
    held += 6;
    if (held >= 8) {
      held -= 8;
      out.push_back(static_cast<char>((acc >> held) & 0xFF));
    }
  }
  if ((acc & ((1u << held) - 1)) != 0) {
    why = "the run code is damaged (its last character is not one a code ends with)";
    return std::nullopt;
  }
  return out;
}

// The events and the range checks of a run as a code holds it.
std::string OutOfRange(const CodedRun& run) {
  const Journal& j = run.journal;
  if (j.full) return "the run is too long for a run code (its journal is full)";
  if (j.ticks < 0 || j.ticks > MaxRunTicks) {
    return "the run is too long for a run code (" + std::to_string(j.ticks) + " ticks, at most " +
           std::to_string(MaxRunTicks) + ")";
  }
  if (j.clientWidth < 1 || j.clientWidth > MaxClientSize || j.clientHeight < 1 ||
      j.clientHeight > MaxClientSize) {
    return "the run's client size is out of range (1 to 32767 each)";
  }
  if (run.clearSeconds < -1 || run.clearSeconds > MaxClearSeconds) {
    return "the run's clear time is out of range";
  }
  if (j.start) {
    if (j.start->draws > MaxDraws || j.start->fadeTick < 0 || j.start->fadeTick > MaxFadeTick ||
        j.start->fieldCount > StartFieldCount || j.clearMs < -1 || j.clearMs > MaxClearMs) {
      return "the run's start is out of range";
    }
    for (int i = 1; i < j.start->fieldCount; ++i) {
      if (j.start->fields[i].index <= j.start->fields[i - 1].index) {
        return "the run's start fields are out of order";
      }
    }
    if (const std::string wrong = RunStartOutOfRange(*j.start); !wrong.empty()) {
      return "the run's start is out of range (" + wrong + ")";
    }
  }
  if (j.events.size() > MaxRunEvents) {
    return "the run has too many events for a run code (" + std::to_string(j.events.size()) +
           ", at most " + std::to_string(MaxRunEvents) + ")";
  }
  int64_t last = 1;
  for (std::size_t i = 0; i < j.events.size(); ++i) {
    const TimedEvent& e = j.events[i];
    bool fits = e.tick >= last;
    last = e.tick;
    switch (e.kind) {
      case EventKind::KeyDown:
      case EventKind::KeyUp:
        fits = fits && e.a >= 0 && e.a <= 255 && IsInputSource(e.b);
        break;
      case EventKind::MouseMove:
      case EventKind::Click:
        fits = fits && e.a >= -MaxCoordinate && e.a <= MaxCoordinate && e.b >= -MaxCoordinate &&
               e.b <= MaxCoordinate;
        break;
      case EventKind::Resize:
        fits = fits && e.a >= 0 && e.a <= MaxClientSize && e.b >= 0 && e.b <= MaxClientSize;
        break;
      default:
        fits = false;
    }
    if (!fits) return "the run's event " + std::to_string(i + 1) + " is out of range";
  }
  return {};
}

}  // namespace

namespace run_code {

uint32_t Crc32(std::string_view bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (const char b : bytes) c = CrcTable[(c ^ static_cast<uint8_t>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Base64Url(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() * 4 + 2) / 3);
  uint32_t acc = 0;
  int held = 0;
  for (const char b : bytes) {
    acc = (acc << 8) | static_cast<uint8_t>(b);
    held += 8;
    while (held >= 6) {
      held -= 6;
      out.push_back(Alphabet[(acc >> held) & 63]);
    }
  }
  if (held > 0) out.push_back(Alphabet[(acc << (6 - held)) & 63]);
  return out;
}

namespace {

void PutZigZag(std::string& out, int64_t v) {
  PutVarint(out, ZigZag(v));
}

// A run's header up to its start fields, and its events coded in `out`.
void PutRunStart(std::string& out, const Journal& j, uint64_t logic) {
  PutVarint(out, logic);
  PutVarint(out, j.seed);
  PutVarint(out, j.start->draws);
  PutVarint(out, static_cast<uint64_t>(j.clientWidth));
  PutVarint(out, static_cast<uint64_t>(j.clientHeight));
  PutVarint(out, static_cast<uint64_t>(j.start->fadeTick));
  PutVarint(out, j.start->fieldCount);
  int next = 0;
  for (int i = 0; i < j.start->fieldCount; ++i) {
    const RunStart::Field& f = j.start->fields[i];
    PutVarint(out, static_cast<uint64_t>(f.index - next));
    PutZigZag(out, f.value);
    next = f.index + 1;
  }
}

void PutEvents(std::string& out, const Journal& j, std::size_t count, int64_t ticks) {
  PutVarint(out, count);
  if (count == 0) return;
  const auto model = std::make_unique<EventModel>(j.clientWidth, j.clientHeight);
  RangeEncoder coder(out);
  for (std::size_t i = 0; i < count; ++i) {
    TimedEvent e = j.events[i];
    CodeEvent(coder, *model, e, ticks);
  }
  coder.Finish();
}

}  // namespace

std::string Bytes(const CodedRun& run, Versions versions) {
  const Journal& j = run.journal;
  std::string out;
  const int layout = j.start ? RunCodeFormat : LaunchCodeFormat;
  out.push_back(static_cast<char>(versions.format != 0 ? versions.format : layout));
  if (j.start) {
    PutRunStart(out, j, versions.logic);
    PutVarint(out, static_cast<uint64_t>(j.ticks));
    PutVarint(out, static_cast<uint64_t>(j.clearMs + 1));
    PutEvents(out, j, j.events.size(), j.ticks);
    return out;
  }
  PutVarint(out, versions.logic);
  PutVarint(out, j.seed);
  PutVarint(out, static_cast<uint64_t>(j.clientWidth));
  PutVarint(out, static_cast<uint64_t>(j.clientHeight));
  PutVarint(out, static_cast<uint64_t>(j.ticks));
  PutVarint(out, static_cast<uint64_t>(run.clearSeconds + 1));
  PutVarint(out, j.events.size());
  PutVarint(out, j.clockReads.size());
  for (const ClockRead& read : j.clockReads) {
    out.push_back(static_cast<char>(read.days ? 1 : 0));
    uint64_t bits = 0;
    std::memcpy(&bits, &read.value, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  }
  if (j.events.empty()) return out;
  const auto model = std::make_unique<EventModel>(j.clientWidth, j.clientHeight);
  RangeEncoder coder(out);
  for (TimedEvent e : j.events) CodeEvent(coder, *model, e, j.ticks);
  coder.Finish();
  return out;
}

std::optional<std::string> FromBase64Url(std::string_view text) {
  std::string why;
  return Base64UrlBytes(text, why);
}

std::optional<Header> PeekHeader(std::string_view text) {
  std::string_view code = Trimmed(text);
  if (IsLink(code)) {
    const std::optional<std::string_view> linked = LinkedRunCode(code);
    if (!linked) return std::nullopt;
    code = *linked;
  }
  // The fields before the events fit in the first few hundred bytes of any code worth playing.
  const std::optional<std::string> bytes =
      FromBase64Url(code.substr(0, std::min<std::size_t>(code.size(), 1024) / 4 * 4));
  if (!bytes || bytes->empty()) return std::nullopt;
  Header header;
  header.format = static_cast<uint8_t>((*bytes)[0]);
  HeaderReader reader(std::string_view(*bytes).substr(1));
  std::string why;
  if (!reader.Next(header.logic, why)) return header;
  uint64_t value = 0;
  const auto skip = [&](uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
      if (!reader.Next(value, why)) return false;
    }
    return true;
  };
  if (header.format == LaunchCodeFormat) {
    // The seed and the client size.
    if (!skip(3)) return header;
  } else if (header.format == RunCodeFormat) {
    // The seed, the generator's draws, the client size, the fade, then two numbers a start field.
    uint64_t fields = 0;
    if (!skip(5) || !reader.Next(fields, why) || fields > StartFieldCount || !skip(2 * fields)) {
      return header;
    }
  } else {
    return header;
  }
  if (reader.Next(value, why)) header.ticks = value;
  return header;
}

std::string CanonicalBytes(const Journal& run, int64_t lastTick) {
  std::string out;
  out.push_back(static_cast<char>(RunCodeFormat));
  PutRunStart(out, run, static_cast<uint64_t>(PlayLogicVersion));
  // The events as plain numbers: one way to write them, and no coder to run for an id.
  int64_t tick = 0;
  for (const TimedEvent& e : run.events) {
    if (e.tick > lastTick) break;
    PutVarint(out, static_cast<uint64_t>(e.tick - tick));
    out.push_back(static_cast<char>(e.kind));
    PutZigZag(out, e.a);
    PutZigZag(out, e.b);
    tick = e.tick;
  }
  return out;
}

std::string Seal(std::string_view bytes) {
  std::string sealed(bytes);
  const uint32_t crc = Crc32(bytes);
  for (int i = 0; i < 4; ++i) sealed.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
  return Base64Url(sealed);
}

}  // namespace run_code

std::optional<std::string> EncodeRun(const Journal& journal, int64_t clearSeconds,
                                     std::string* why) {
  CodedRun run;
  run.format = journal.start ? RunCodeFormat : LaunchCodeFormat;
  run.clearSeconds = journal.start ? -1 : clearSeconds;
  run.journal.seed = journal.seed;
  run.journal.clientWidth = journal.clientWidth;
  run.journal.clientHeight = journal.clientHeight;
  run.journal.ticks = journal.ticks;
  run.journal.full = journal.full;
  run.journal.clockReads = journal.clockReads;
  run.journal.start = journal.start;
  run.journal.clearMs = journal.clearMs;
  for (const TimedEvent& e : journal.events) {
    if (e.tick <= journal.ticks) run.journal.events.push_back(e);
  }
  std::string problem = OutOfRange(run);
  if (problem.empty()) {
    std::string code = run_code::Seal(run_code::Bytes(run, {run.format, PlayLogicVersion}));
    if (code.size() <= MaxRunCodeChars) return code;
    problem = "the run's code would be longer than " + std::to_string(MaxRunCodeChars) +
              " characters (" + std::to_string(code.size()) + ")";
  }
  if (why != nullptr) *why = std::move(problem);
  return std::nullopt;
}

std::optional<CodedRun> DecodeRun(std::string_view text, std::string* why) {
  std::string problem;
  const auto refuse = [&](std::string line) -> std::optional<CodedRun> {
    if (why != nullptr) *why = std::move(line);
    return std::nullopt;
  };
  const std::string tooLong =
      "the run code is longer than " + std::to_string(MaxRunCodeChars) + " characters";
  if (text.size() > MaxRunCodeChars + MaxRunLinkPrefixChars) return refuse(tooLong);
  std::string_view code = Trimmed(text);
  if (IsLink(code)) {
    const std::optional<std::string_view> linked = LinkedRunCode(code);
    if (!linked) return refuse("the link holds no run code (no run= in its fragment)");
    code = *linked;
  }
  if (code.empty()) return refuse("the run code is empty");
  if (code.size() > MaxRunCodeChars) return refuse(tooLong);

  const std::optional<std::string> bytes = Base64UrlBytes(code, problem);
  if (!bytes) return refuse(problem);
  if (bytes->empty()) return refuse("the run code is cut short");
  // A later format may lay out even its check value otherwise, so its number is read first.
  const auto format = static_cast<uint8_t>((*bytes)[0]);
  if (format != RunCodeFormat && format != LaunchCodeFormat) {
    return refuse("the run code is of format " + std::to_string(format) +
                  ", which this game does not read (it reads formats " +
                  std::to_string(LaunchCodeFormat) + " and " + std::to_string(RunCodeFormat) +
                  ")");
  }
  if (bytes->size() < 1 + CheckBytes) return refuse("the run code is cut short");
  const std::string_view body = std::string_view(*bytes).substr(0, bytes->size() - CheckBytes);
  uint32_t check = 0;
  for (std::size_t i = 0; i < CheckBytes; ++i) {
    check |= static_cast<uint32_t>(static_cast<uint8_t>((*bytes)[body.size() + i])) << (8 * i);
  }
  if (check != run_code::Crc32(body)) {
    return refuse("the run code is damaged (its check value does not match)");
  }

  HeaderReader header(body.substr(1));
  const auto next = [&](uint64_t& v) { return header.Next(v, problem); };
  uint64_t logic = 0;
  if (!next(logic)) return refuse(problem);
  if (logic != static_cast<uint64_t>(PlayLogicVersion)) {
    return refuse("the run code was made by another version of the game (logic " +
                  std::to_string(logic) + ", this is " + std::to_string(PlayLogicVersion) + ")");
  }
  CodedRun run;
  run.format = format;
  Journal& j = run.journal;
  uint64_t seed = 0, draws = 0, width = 0, height = 0;
  if (!next(seed)) return refuse(problem);
  if (format == RunCodeFormat && !next(draws)) return refuse(problem);
  if (!next(width) || !next(height)) return refuse(problem);
  if (seed > UINT32_MAX) return refuse("the run code's seed is out of range");
  if (width < 1 || width > MaxClientSize || height < 1 || height > MaxClientSize) {
    return refuse("the run code's client size is out of range (1 to 32767 each)");
  }
  j.seed = static_cast<uint32_t>(seed);
  j.clientWidth = static_cast<int32_t>(width);
  j.clientHeight = static_cast<int32_t>(height);
  if (format == RunCodeFormat) {
    if (draws > MaxDraws) return refuse("the run code's generator draws are out of range");
    RunStart& start = j.start.emplace();
    start.draws = draws;
    uint64_t fadeTick = 0, fields = 0;
    if (!next(fadeTick) || !next(fields)) return refuse(problem);
    if (fadeTick > static_cast<uint64_t>(MaxFadeTick)) {
      return refuse("the run code's fade is out of range");
    }
    if (fields > static_cast<uint64_t>(StartFieldCount)) {
      return refuse("the run code's start has more fields than the game has");
    }
    start.fadeTick = static_cast<int32_t>(fadeTick);
    uint64_t place = 0;
    for (uint64_t i = 0; i < fields; ++i) {
      uint64_t skip = 0, value = 0;
      if (!next(skip) || !next(value)) return refuse(problem);
      place += skip;
      const int64_t v = UnZigZag(value);
      if (place >= static_cast<uint64_t>(StartFieldCount) || v < INT32_MIN || v > INT32_MAX) {
        return refuse("the run code's start field " + std::to_string(i + 1) + " is out of range");
      }
      start.fields[start.fieldCount++] = {static_cast<uint16_t>(place), static_cast<int32_t>(v)};
      ++place;
    }
    if (const std::string wrong = RunStartOutOfRange(start); !wrong.empty()) {
      return refuse("the run code's start is out of range (" + wrong + ")");
    }
  }
  uint64_t ticks = 0, clearPlusOne = 0, count = 0;
  if (!next(ticks) || !next(clearPlusOne) || !next(count)) return refuse(problem);
  if (ticks > static_cast<uint64_t>(MaxRunTicks)) {
    return refuse("the run is longer than " + std::to_string(MaxRunTicks) + " ticks (" +
                  std::to_string(ticks) + ")");
  }
  const int64_t maxClear = format == RunCodeFormat ? MaxClearMs : MaxClearSeconds;
  if (clearPlusOne > static_cast<uint64_t>(maxClear) + 1) {
    return refuse("the run code's clear time is out of range");
  }
  if (count > MaxRunEvents) {
    return refuse("the run code holds more events than a run may (" + std::to_string(count) +
                  ", at most " + std::to_string(MaxRunEvents) + ")");
  }
  j.ticks = static_cast<int64_t>(ticks);
  if (format == RunCodeFormat) {
    j.clearMs = static_cast<int64_t>(clearPlusOne) - 1;
    run.clearSeconds = j.clearMs >= 0 ? j.clearMs / 1000 : -1;
  } else {
    run.clearSeconds = static_cast<int64_t>(clearPlusOne) - 1;
  }
  // A launch's readings of the clock: a kind byte and a double each, held only as far as the
  // code's own bytes go.
  uint64_t reads = 0;
  if (format == LaunchCodeFormat && !next(reads)) return refuse(problem);
  std::string_view readBytes = body.substr(1 + header.pos());
  if (reads > Journal::MaxClockReads || reads * ClockReadBytes > readBytes.size()) {
    return refuse("the run code is cut short (its clock readings end early)");
  }
  j.clockReads.reserve(reads);
  for (uint64_t i = 0; i < reads; ++i) {
    const auto kind = static_cast<uint8_t>(readBytes[0]);
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) {
      bits |= static_cast<uint64_t>(static_cast<uint8_t>(readBytes[1 + b])) << (8 * b);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    if (kind > 1 || !std::isfinite(value)) {
      return refuse("the run code's clock reading " + std::to_string(i + 1) + " is out of range");
    }
    j.clockReads.push_back({kind == 1, value});
    readBytes.remove_prefix(ClockReadBytes);
  }
  const std::string_view events = readBytes;
  std::size_t consumed = 0;
  if (count > 0) {
    j.events.reserve(count);
    const auto model = std::make_unique<EventModel>(j.clientWidth, j.clientHeight);
    RangeDecoder coder(events);
    for (uint64_t i = 0; i < count; ++i) {
      TimedEvent e;
      problem = CodeEvent(coder, *model, e, j.ticks);
      if (coder.overran()) return refuse("the run code is cut short (its events end early)");
      if (!problem.empty()) {
        return refuse("the run code's event " + std::to_string(i + 1) + " is out of range (" +
                      problem + ")");
      }
      j.events.push_back(e);
    }
    consumed = coder.consumed();
  }
  if (consumed < events.size()) {
    return refuse("the run code has " + std::to_string(events.size() - consumed) +
                  " bytes after its last event");
  }
  return run;
}

}  // namespace skelvar::tick
