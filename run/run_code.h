// One run as one short line of text, to send as a link: where it started, every input event from
// its start and its length, with the versions it was made with and a check value. It says nothing
// of when or where it was played.
//
// The code is base64url without padding (RFC 4648 section 5) of these bytes:
//   format version (1 byte, RunCodeFormat), play logic version (varint), seed (varint), the
//   generator's draws at the start (varint), client width and height at the start (varints), the
//   record's tick at which the fade moves next (varint, 0 for none), the count of start fields
//   (varint) and each as its place after the one before (varint) and its value (zigzag varint),
//   ticks (varint), clear milliseconds + 1 (varint, 0 for none), event count (varint), the events,
//   CRC-32 (IEEE, 4 bytes little-endian) of all that precedes.
// Codes of format 1 (LaunchCodeFormat) hold a whole launch up to its last run instead: seed,
// client size, ticks, clear seconds + 1, event count, then the clock readings (a count, and each as
// a byte, 1 for the date and 0 for the monotonic clock, then the double's 8 bytes little-endian)
// before the events. They are still read, and play as the launches they are.
// Varints are unsigned LEB128 of at most 10 bytes. The events are range coded (as LZMA does, with
// adaptive bit probabilities, its always-zero first byte left out), each event as: its tick's
// delta from the one before (the first from 0), its kind, then a key's place among the last 16
// keys (code and source together) or a new key's source and code; a pointer's x and y as zigzag
// deltas from the previous pointer position (moves and clicks share it); a resize's width and
// height as zigzag deltas from the previous client size. The coder's last byte ends the events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/logic_version.h"
#include "tick/journal.h"

namespace skelvar::tick {

inline constexpr int RunCodeFormat = 2;
inline constexpr int LaunchCodeFormat = 1;
// The longest run and most events a code holds (MaxRunCodeChars is the longest code read).
inline constexpr int64_t MaxRunTicks = 72000;
inline constexpr std::size_t MaxRunEvents = 4 * MaxRunTicks;
// A link may hold the code in its fragment; the rest of it may be this much longer.
inline constexpr std::size_t MaxRunLinkPrefixChars = 4096;

// A run as a code holds it: its journal and the clear time it showed.
struct CodedRun {
  Journal journal;
  // The clear time the run's result text showed, -1 for none: a watched run shows the time the
  // player made rather than its own.
  int64_t clearSeconds = -1;
  int format = RunCodeFormat;
};

// The run's code. Events after the run's last tick never played and are left out. None, with
// `why` set to one short line, for a run no code holds: longer than MaxRunTicks, a full journal,
// an event out of the ranges scripts allow, or a code longer than MaxRunCodeChars. A run's journal
// (with a start) keeps its own clear time and `clearSeconds` is not read; a launch's is given.
std::optional<std::string> EncodeRun(const Journal& journal, int64_t clearSeconds = -1,
                                     std::string* why = nullptr);

// The run a code holds: `text` is the bare code or a link holding run=CODE in its fragment
// (run/run_link.h), surrounding white space ignored. None, with `why` set to one short printable line, for any text that is not a
// whole code this game made: damaged, cut short, from another version, out of range, or followed
// by bytes. Time and memory are bounded by MaxRunCodeChars and MaxRunEvents.
std::optional<CodedRun> DecodeRun(std::string_view text, std::string* why = nullptr);

// The layers of a code, for the tests and the fuzzer to make codes the encoder never would.
namespace run_code {

uint32_t Crc32(std::string_view bytes);
std::string Base64Url(std::string_view bytes);

struct Versions {
  int format = 0;  // 0: the format of the journal's layout, a run's or a launch's
  uint64_t logic = PlayLogicVersion;
};
// The bytes before the check value, with no range checked: any values the fields take.
std::string Bytes(const CodedRun& run, Versions versions = {});
// The bytes with their check value, as a code.
std::string Seal(std::string_view bytes);
// The bytes of base64url text without padding; none for any other text.
std::optional<std::string> FromBase64Url(std::string_view text);

// What a code's first bytes say, read without its events or its check value: enough to refuse a
// run before playing it. `ticks` is missing where the header is cut or malformed before it.
struct Header {
  int format = 0;
  uint64_t logic = 0;
  std::optional<uint64_t> ticks;
};
// None for text that is no code or link at all.
std::optional<Header> PeekHeader(std::string_view text);

// What makes a run the run it is, for its id: the logic version, where it started as the code lays
// it out, and its events up to and including tick `lastTick` as plain numbers.
std::string CanonicalBytes(const Journal& run, int64_t lastTick);

}  // namespace run_code

}  // namespace skelvar::tick
