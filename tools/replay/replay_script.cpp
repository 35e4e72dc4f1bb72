#include "replay_script.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "game/held_keys.h"

namespace skelvar::replay {
namespace {

constexpr int64_t MaxTick = 2'000'000'000;
constexpr int64_t MaxCoordinate = 1'000'000;
constexpr int64_t MaxClientSize = 32767;
// Room for the longest line and its newline many times over, so reads stay large.
constexpr size_t BufferBytes = 65536;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// Splits on spaces and tabs; returns false when there are more than out.size() tokens.
bool Tokenise(std::string_view line, std::array<std::string_view, 5>& out, size_t& count) {
  count = 0;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (count == out.size()) return false;
    out[count++] = line.substr(i, j - i);
    i = j;
  }
  return true;
}

// Joins pieces without operator+ chains, which GCC 12 misreads under -Wrestrict at -O3.
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) out.append(p);
  return out;
}

std::string LineError(size_t lineNo, std::initializer_list<std::string_view> what) {
  std::string out = Join({"line ", std::to_string(lineNo), ": "});
  for (std::string_view p : what) out.append(p);
  return out;
}

enum class LineResult { Event, Blank, Error };

LineResult ParseLine(std::string_view line, size_t lineNo, int64_t lastTick, ScriptEvent& ev,
                     std::string& error) {
  if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
    line = line.substr(0, hash);
  }
  std::array<std::string_view, 5> tok;
  size_t n = 0;
  if (!Tokenise(line, tok, n)) {
    error = LineError(lineNo, {"too many fields"});
    return LineResult::Error;
  }
  if (n == 0) return LineResult::Blank;

  int64_t tick = 0;
  switch (ParseNumber(tok[0], 1, MaxTick, tick)) {
    case NumberStatus::Ok:
      break;
    case NumberStatus::NotANumber:
      error = LineError(lineNo, {"the tick stamp '", Printable(tok[0]), "' is not a number"});
      return LineResult::Error;
    case NumberStatus::OutOfRange:
      error = LineError(lineNo, {"the tick stamp ", Printable(tok[0]), " is out of range (1..",
                                 std::to_string(MaxTick), ")"});
      return LineResult::Error;
  }
  if (tick < lastTick) {
    error = LineError(lineNo, {"the tick stamp ", std::to_string(tick),
                               " is below the previous stamp ", std::to_string(lastTick)});
    return LineResult::Error;
  }
  if (n < 2) {
    error = LineError(lineNo, {"missing event name after the tick stamp"});
    return LineResult::Error;
  }
  const std::string_view name = tok[1];
  size_t wantArgs = 0;
  int64_t lo = 0, hi = 0;
  // A key event may name its source after the code: the keyboard (0, the default), the touch
  // screen or a controller.
  size_t optionalArgs = 0;
  int64_t optionalHi = 0;
  if (name == "keydown" || name == "keyup") {
    ev.kind = name == "keydown" ? EventKind::KeyDown : EventKind::KeyUp;
    wantArgs = 1, lo = 0, hi = 255;
    optionalArgs = 1, optionalHi = InputSourceCount - 1;
  } else if (name == "mousemove" || name == "click") {
    ev.kind = name == "click" ? EventKind::Click : EventKind::MouseMove;
    wantArgs = 2, lo = -MaxCoordinate, hi = MaxCoordinate;
  } else if (name == "resize") {
    ev.kind = EventKind::Resize;
    wantArgs = 2, lo = 0, hi = MaxClientSize;
  } else {
    error = LineError(lineNo, {"unknown event '", Printable(name),
                               "' (expected keydown, keyup, mousemove, click or resize)"});
    return LineResult::Error;
  }
  if (n < 2 + wantArgs || n > 2 + wantArgs + optionalArgs) {
    error = LineError(
        lineNo,
        {"'", name, "' takes ", std::to_string(wantArgs), (wantArgs == 1 ? " number" : " numbers"),
         (optionalArgs > 0 ? " and an optional source" : ""), ", got ", std::to_string(n - 2)});
    return LineResult::Error;
  }
  std::array<int64_t, 2> args{};
  for (size_t k = 0; k < n - 2; ++k) {
    if (k == wantArgs) lo = 0, hi = optionalHi;
    switch (ParseNumber(tok[2 + k], lo, hi, args[k])) {
      case NumberStatus::Ok:
        break;
      case NumberStatus::NotANumber:
        error = LineError(lineNo, {"'", Printable(tok[2 + k]), "' is not a number"});
        return LineResult::Error;
      case NumberStatus::OutOfRange:
        error = LineError(lineNo, {"the value ", Printable(tok[2 + k]), " is out of range (",
                                   std::to_string(lo), "..", std::to_string(hi), ")"});
        return LineResult::Error;
    }
  }
  ev.tick = tick;
  ev.a = static_cast<int32_t>(args[0]);
  ev.b = static_cast<int32_t>(args[1]);
  return LineResult::Event;
}

void PutVarint(uint8_t*& out, uint64_t v) {
  while (v >= 0x80) {
    *out++ = static_cast<uint8_t>(v | 0x80);
    v >>= 7;
  }
  *out++ = static_cast<uint8_t>(v);
}

uint64_t GetVarint(const uint8_t*& in) {
  uint64_t v = 0;
  for (int shift = 0;; shift += 7) {
    const uint8_t byte = *in++;
    v |= static_cast<uint64_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return v;
  }
}

// Small magnitudes of either sign take few bytes.
uint64_t ZigZag(int32_t v) {
  return (static_cast<uint32_t>(v) << 1) ^ static_cast<uint32_t>(v >> 31);
}

int32_t UnZigZag(uint64_t v) {
  const auto u = static_cast<uint32_t>(v);
  return static_cast<int32_t>((u >> 1) ^ (0u - (u & 1)));
}

}  // namespace

NumberStatus ParseNumber(std::string_view s, int64_t min, int64_t max, int64_t& out) {
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  const size_t digitsFrom = !plus && !s.empty() && s.front() == '-' ? 1 : 0;
  if (s.size() == digitsFrom) return NumberStatus::NotANumber;
  for (size_t i = digitsFrom; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return NumberStatus::NotANumber;
  }
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < min || v > max) {
    return NumberStatus::OutOfRange;
  }
  out = v;
  return NumberStatus::Ok;
}

bool ParseInteger(std::string_view s, int64_t min, int64_t max, int64_t& out) {
  return ParseNumber(s, min, max, out) == NumberStatus::Ok;
}

std::string Printable(std::string_view bytes, size_t maxBytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    char piece[5] = {static_cast<char>(c), 0, 0, 0, 0};
    if (c == '\\') {
      piece[1] = '\\';
    } else if (c < 0x20 || c >= 0x7F) {
      std::snprintf(piece, sizeof piece, "\\x%02X", c);
    }
    const size_t length = std::strlen(piece);
    if (out.size() + length > maxBytes) {
      out += "...";
      break;
    }
    out.append(piece, length);
  }
  return out;
}

ScriptReader::ScriptReader(std::FILE* file, int64_t limit)
    : file_(file), limit_(limit), buffer_(new char[BufferBytes]) {}

ScriptReader::ScriptReader(std::string_view text) : text_(text), buffer_(new char[BufferBytes]) {}

void ScriptReader::Fail(std::string message) {
  error_ = std::move(message);
  done_ = true;
}

bool ScriptReader::Fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  size_t room = BufferBytes - end_;
  if (limit_ >= 0) room = std::min(room, static_cast<size_t>(limit_ - read_));
  size_t n = 0;
  if (file_ != nullptr) {
    if (room > 0) n = std::fread(buffer_.get() + end_, 1, room, file_);
    if (n < room && std::ferror(file_) != 0) {
      readErrno_ = errno != 0 ? errno : EIO;
      Fail(std::strerror(readErrno_));
      return false;
    }
  } else {
    n = std::min(room, text_.size() - textPos_);
    std::memcpy(buffer_.get() + end_, text_.data() + textPos_, n);
    textPos_ += n;
  }
  // A short read without an error is the end of the input.
  eof_ = n < room || room == 0;
  end_ += n;
  read_ += static_cast<int64_t>(n);
  return true;
}

ScriptReader::LineStatus ScriptReader::NextLine(std::string_view& line) {
  for (;;) {
    const char* start = buffer_.get() + begin_;
    const size_t window = std::min(end_ - begin_, MaxLineBytes + 1);
    const auto* nl = static_cast<const char*>(std::memchr(start, '\n', window));
    const size_t length = nl != nullptr ? static_cast<size_t>(nl - start) : window;
    if (std::memchr(start, '\0', length) != nullptr) {
      Fail(LineError(lineNo_ + 1, {"contains a NUL byte"}));
      return LineStatus::Error;
    }
    if (nl == nullptr && window > MaxLineBytes) {
      Fail(LineError(lineNo_ + 1, {"longer than ", std::to_string(MaxLineBytes), " bytes"}));
      return LineStatus::Error;
    }
    if (nl != nullptr || (eof_ && window > 0)) {
      line = std::string_view(start, length);
      const size_t taken = nl != nullptr ? length + 1 : length;
      begin_ += taken;
      consumed_ += static_cast<int64_t>(taken);
      ++lineNo_;
      return LineStatus::Line;
    }
    if (eof_) return LineStatus::End;
    if (!Fill()) return LineStatus::Error;
  }
}

ScriptReader::Status ScriptReader::Next(ScriptEvent& event) {
  while (!done_) {
    std::string_view line;
    const LineStatus status = NextLine(line);
    if (status == LineStatus::Error) return Status::Error;
    if (status == LineStatus::End) {
      done_ = true;
      return Status::End;
    }
    // An editor's byte order mark before the first line is not part of the script.
    if (lineNo_ == 1 && line.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
      line.remove_prefix(ByteOrderMark.size());
    }
    std::string error;
    switch (ParseLine(line, lineNo_, lastTick_, event, error)) {
      case LineResult::Blank:
        break;
      case LineResult::Event:
        lastTick_ = event.tick;
        return Status::Event;
      case LineResult::Error:
        Fail(std::move(error));
        return Status::Error;
    }
  }
  return error_.empty() ? Status::End : Status::Error;
}

bool ParseScript(std::string_view text, std::vector<ScriptEvent>& events, std::string& error) {
  ScriptReader reader(text);
  ScriptEvent event;
  for (;;) {
    switch (reader.Next(event)) {
      case ScriptReader::Status::Event:
        events.push_back(event);
        break;
      case ScriptReader::Status::End:
        return true;
      case ScriptReader::Status::Error:
        error = reader.error();
        return false;
    }
  }
}

bool EventStore::Push(const ScriptEvent& event) {
  if (BlockBytes - used_ < MaxEventBytes) {
    if (bytes_ + BlockBytes > BudgetBytes) return false;
    blocks_.push_back(std::make_unique<uint8_t[]>(BlockBytes));
    bytes_ += BlockBytes;
    used_ = 0;
  }
  uint8_t* out = blocks_.back().get() + used_;
  uint8_t* const start = out;
  *out++ = static_cast<uint8_t>(event.kind);
  PutVarint(out, static_cast<uint64_t>(event.tick - lastTick_));
  PutVarint(out, ZigZag(event.a));
  PutVarint(out, ZigZag(event.b));
  used_ += static_cast<size_t>(out - start);
  lastTick_ = event.tick;
  ++count_;
  return true;
}

bool EventStore::Next(ScriptEvent& event) {
  if (readCount_ == count_) return false;
  // The writer starts a new block at exactly the same places.
  if (BlockBytes - readPos_ < MaxEventBytes) {
    ++readBlock_;
    readPos_ = 0;
  }
  const uint8_t* in = blocks_[readBlock_].get() + readPos_;
  const uint8_t* const start = in;
  event.kind = static_cast<EventKind>(*in++);
  readTick_ += static_cast<int64_t>(GetVarint(in));
  event.tick = readTick_;
  event.a = UnZigZag(GetVarint(in));
  event.b = UnZigZag(GetVarint(in));
  readPos_ += static_cast<size_t>(in - start);
  ++readCount_;
  return true;
}

}  // namespace skelvar::replay
