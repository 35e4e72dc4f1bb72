// The replay tool's input: timed key, mouse and resize events, one per line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tick/timed_event.h"

namespace skelvar::replay {

using tick::EventKind;
// A script's line is one timed input event of the run.
using ScriptEvent = tick::TimedEvent;

// The longest line a script may hold, not counting its newline.
constexpr size_t MaxLineBytes = 4096;
// The longest stretch of a token an error message quotes.
constexpr size_t QuotedTokenBytes = 24;

// Reads a script line by line from a file or from memory, holding only the line at hand: a line
// that is too long or holds a NUL byte is an error as soon as the reader reaches it.
class ScriptReader {
 public:
  enum class Status { Event, End, Error };

  // Reads from file (not closed here), at most limit bytes of it when limit is not negative.
  explicit ScriptReader(std::FILE* file, int64_t limit = -1);
  explicit ScriptReader(std::string_view text);

  // The next event; on Error, error() names the line and the problem.
  Status Next(ScriptEvent& event);
  const std::string& error() const { return error_; }
  // Bytes read so far: after End, the length of the script.
  int64_t consumed() const { return consumed_; }
  // The number of the line read last.
  size_t lineNumber() const { return lineNo_; }
  // The errno of a failed read, 0 when the failure was not a read error.
  int readErrno() const { return readErrno_; }

 private:
  enum class LineStatus { Line, End, Error };
  LineStatus NextLine(std::string_view& line);
  bool Fill();
  void Fail(std::string message);

  std::FILE* file_ = nullptr;
  std::string_view text_;
  size_t textPos_ = 0;
  int64_t limit_ = -1;
  int64_t read_ = 0;
  std::unique_ptr<char[]> buffer_;
  size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool done_ = false;
  int64_t consumed_ = 0;
  size_t lineNo_ = 0;
  int64_t lastTick_ = 0;
  int readErrno_ = 0;
  std::string error_;
};

// Parses a whole script. On a bad line returns false and sets error to a message that names the
// line number and the problem.
bool ParseScript(std::string_view text, std::vector<ScriptEvent>& events, std::string& error);

// Parses a whole decimal number in [min, max]; no sign for unsigned ranges, no spaces.
bool ParseInteger(std::string_view s, int64_t min, int64_t max, int64_t& out);

enum class NumberStatus { Ok, NotANumber, OutOfRange };
// As ParseInteger, telling a token that is not a number from a number outside [min, max].
NumberStatus ParseNumber(std::string_view s, int64_t min, int64_t max, int64_t& out);

// The bytes as a short printable quotation: at most maxBytes of them, anything but printable
// ASCII escaped (\xEF), an ellipsis when shortened.
std::string Printable(std::string_view bytes, size_t maxBytes = QuotedTokenBytes);

// Events held compactly in memory, for a script that cannot be read twice (a pipe).
class EventStore {
 public:
  // False, holding nothing more, when the store would pass its byte budget.
  bool Push(const ScriptEvent& event);
  // The events in the order pushed.
  bool Next(ScriptEvent& event);
  size_t bytes() const { return bytes_; }
  static constexpr size_t BudgetBytes = 64u << 20;

 private:
  static constexpr size_t BlockBytes = 1u << 20;
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  static constexpr size_t MaxEventBytes = 16;
  size_t used_ = BlockBytes;  // in the last block
  size_t bytes_ = 0;
  size_t count_ = 0;
  int64_t lastTick_ = 0;
  // The reading position.
  size_t readBlock_ = 0, readPos_ = 0, readCount_ = 0;
  int64_t readTick_ = 0;
};

}  // namespace skelvar::replay
