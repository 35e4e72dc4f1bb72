// Run codes no game makes, each with a piece of the line that refuses it: damaged, cut short, from
// another version, out of range, or longer than any code; shared by the tests and the measure.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "run/run_code.h"

namespace skelvar::testing {

struct HostileCode {
  std::string name;
  std::string text;
  // A piece of the refusal; empty where several refusals are right (a code cut anywhere).
  std::string says;
};

// A short launch with an event of every kind, as codes of the first format hold one.
inline tick::CodedRun SmallLaunch() {
  tick::CodedRun run;
  run.format = tick::LaunchCodeFormat;
  run.journal.seed = 7;
  run.journal.clientWidth = 944;
  run.journal.clientHeight = 542;
  run.journal.ticks = 40;
  run.journal.events = {
      {2, tick::EventKind::KeyDown, 38, 0},      {3, tick::EventKind::KeyUp, 38, 0},
      {5, tick::EventKind::MouseMove, 700, 300}, {6, tick::EventKind::Click, 702, 301},
      {8, tick::EventKind::Resize, 1000, 600},   {9, tick::EventKind::KeyDown, 39, 3}};
  return run;
}

// The same events as one run, started with two fields of its own and the fade under way.
inline tick::CodedRun SmallRun() {
  tick::CodedRun run = SmallLaunch();
  run.format = tick::RunCodeFormat;
  tick::RunStart& start = run.journal.start.emplace();
  start.draws = 3;
  start.fadeTick = 2;
  start.fields[0] = {48, 1};
  start.fields[1] = {49, 512};
  start.fieldCount = 2;
  run.journal.clearMs = 19050;
  return run;
}

inline std::vector<HostileCode> HostileCodes() {
  using namespace tick;
  using run_code::Bytes;
  using run_code::Seal;
  const std::string good = Seal(Bytes(SmallRun()));
  std::vector<HostileCode> codes;
  const auto add = [&](std::string name, std::string text, std::string says) {
    codes.push_back({std::move(name), std::move(text), std::move(says)});
  };
  const auto changed = [](auto change) {
    CodedRun run = SmallRun();
    change(run);
    return run;
  };

  add("empty", "", "is empty");
  add("white space only", " \t\r\n ", "is empty");
  add("not base64url", good.substr(0, 10) + "*" + good.substr(10), "not a base64url character");
  add("a link without a code", "https://example.org/skelvar/#level=2", "no run code");
  add("cut to three characters", good.substr(0, 3), "cut short");
  add("cut by one character", good.substr(0, good.size() - 1), "");
  add("cut in half", good.substr(0, good.size() / 2), "");
  std::string flipped = good;
  flipped[flipped.size() / 2] = flipped[flipped.size() / 2] == 'A' ? 'B' : 'A';
  add("one bit changed", flipped, "its check value does not match");
  add("another format", Seal(Bytes(SmallRun(), {3, PlayLogicVersion})), "of format 3");
  add("another play logic", Seal(Bytes(SmallRun(), {RunCodeFormat, 3})),
      "made by another version of the game (logic 3, this is 1)");
  add("a launch of another play logic", Seal(Bytes(SmallLaunch(), {LaunchCodeFormat, 3})),
      "made by another version of the game (logic 3, this is 1)");
  add("a start field past the game's",
      Seal(Bytes(changed([](CodedRun& r) { r.journal.start->fields[1].index = 2000; }))),
      "start field 2 is out of range");
  // The count of start fields follows the format, logic, seed, draws, two sizes and the fade.
  std::string manyFields = Bytes(changed([](CodedRun& r) { r.journal.start->fieldCount = 0; }));
  manyFields.replace(9, 1, "\xA2\x01");
  add("more start fields than the game has", Seal(manyFields), "more fields than the game has");
  add("16385 characters", std::string(MaxRunCodeChars + 1, 'A'), "longer than 16384 characters");
  add("72001 ticks", Seal(Bytes(changed([](CodedRun& r) { r.journal.ticks = MaxRunTicks + 1; }))),
      "longer than 72000 ticks");
  add("an event past the run's end",
      Seal(Bytes(changed([](CodedRun& r) { r.journal.events.back().tick = 41; }))),
      "event 6 is out of range (its tick is past the run's end");
  add("source 12", Seal(Bytes(changed([](CodedRun& r) { r.journal.events.back().b = 12; }))),
      "event 6 is out of range (its source 12");
  add("a point beyond the range",
      Seal(Bytes(changed([](CodedRun& r) { r.journal.events[3].a = 1'000'001; }))),
      "event 4 is out of range (its point");
  add("a size beyond the range",
      Seal(Bytes(changed([](CodedRun& r) { r.journal.events[4].b = 40000; }))),
      "event 5 is out of range (its size");
  add("an unknown kind", Seal(Bytes(changed([](CodedRun& r) {
        r.journal.events[1].kind = static_cast<EventKind>(6);
      }))),
      "event 2 is out of range (its kind 6");
  CodedRun launch = SmallLaunch();
  launch.journal.clockReads = {{false, 1.5}, {true, std::nan("")}};
  add("a clock reading that is no number", Seal(Bytes(launch)),
      "clock reading 2 is out of range");
  add("bytes after the last event", Seal(Bytes(SmallRun()) + std::string("\x01\x02", 2)),
      "has 2 bytes after its last event");
  std::string longNumber = "\x01";
  longNumber += std::string(10, '\x80') + std::string(1, '\0');
  add("a number of 11 bytes", Seal(longNumber), "longer than 64 bits");
  add("a number in more bytes than it needs", Seal(std::string("\x01\x81\x00", 3)),
      "not in its fewest bytes");
  const std::string whole = Bytes(SmallRun());
  add("events cut short", Seal(whole.substr(0, whole.size() - 3)), "its events end early");
  add("more events than a run may", Seal(Bytes(changed([](CodedRun& r) {
        r.journal.events.assign(MaxRunEvents + 1, {1, EventKind::KeyDown, 38, 0});
      }))),
      "more events than a run may");
  return codes;
}

}  // namespace skelvar::testing
