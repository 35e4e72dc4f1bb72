// Run codes: a run comes back whole from its code, the codes of live-like runs fit in a link, every
// code no game made is refused with one line, the replay tool plays a saved run as the script it
// came from played it, older codes play as they did, and the verdict says what the state shows.
#include "run/run_code.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#ifdef SKELVAR_HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef SKELVAR_REPLAY
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "hostile_run_codes.h"
#include "replay_script.h"
#include "run/verdict.h"
#include "tick/run_tick.h"
#include "tick/running_game.h"
#include "tick/virtual_clock.h"

namespace skelvar::tick {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ostringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

// The suite's own scripts: the winning run and the fuzzer's seeds, the malformed among them.
std::vector<fs::path> SuiteScripts() {
  const fs::path tests = fs::path(SKELVAR_SOURCE_DIR) / "tests";
  std::vector<fs::path> scripts = {tests / "records" / "winning.txt"};
  for (const auto& entry : fs::directory_iterator(tests / "fuzz" / "seeds")) {
    scripts.push_back(entry.path());
  }
  std::sort(scripts.begin() + 1, scripts.end());
  return scripts;
}

// The journal the replay tool plays from a script for `ticks` ticks; none for a malformed one.
std::optional<Journal> ScriptJournal(const fs::path& script, int64_t ticks = 460) {
  Journal j{1, 944, 542, {}, ticks};
  std::string error;
  if (!replay::ParseScript(ReadFile(script), j.events, error)) return std::nullopt;
  std::erase_if(j.events, [&](const TimedEvent& e) { return e.tick > ticks; });
  return j;
}

// The journal back from its code.
Journal RoundTrip(const Journal& j, int64_t clear = -1) {
  std::string why;
  const std::optional<std::string> code = EncodeRun(j, clear, &why);
  EXPECT_TRUE(code) << why;
  // Its header alone gives its format and length, as a board reads them before playing it.
  const std::optional<run_code::Header> header = run_code::PeekHeader(code.value_or(""));
  EXPECT_TRUE(header && header->format == (j.start ? RunCodeFormat : LaunchCodeFormat) &&
              header->ticks == static_cast<uint64_t>(j.ticks));
  const std::optional<CodedRun> run = DecodeRun(code.value_or(""), &why);
  EXPECT_TRUE(run) << why;
  const int64_t shown = j.start ? (j.clearMs < 0 ? -1 : j.clearMs / 1000) : clear;
  EXPECT_EQ(run ? run->clearSeconds : -2, shown);
  return run ? run->journal : Journal{};
}

// A journal as its own run, from a start straight after start-up.
Journal AsRun(Journal j) {
  j.start.emplace();
  return j;
}

// A run no player makes: every kind of event with values anywhere in their ranges, often the
// extremes, many on one tick, some ticks far apart.
Journal RandomRun(uint32_t seed, int64_t events) {
  std::mt19937 rng(seed);
  const auto pick = [&](int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
  };
  const auto extreme = [&](int64_t lo, int64_t hi) {
    const int64_t r = pick(0, 5);
    return static_cast<int32_t>(r == 0 ? lo : r == 1 ? hi : pick(lo, hi));
  };
  Journal j{static_cast<uint32_t>(rng()),
            extreme(1, 32767),
            extreme(1, 32767),
            {},
            seed % 3 == 0 ? MaxRunTicks : pick(1, MaxRunTicks)};
  for (int64_t tick = 1; static_cast<int64_t>(j.events.size()) < events;) {
    tick = std::min(j.ticks, tick + (pick(0, 3) == 0 ? pick(0, 4000) : pick(0, 2)));
    const auto kind = static_cast<EventKind>(pick(0, 4));
    const bool key = kind == EventKind::KeyDown || kind == EventKind::KeyUp;
    const int32_t most = key ? 255 : kind == EventKind::Resize ? 32767 : 1'000'000;
    const int32_t least = kind == EventKind::MouseMove || kind == EventKind::Click ? -most : 0;
    j.events.push_back(
        {tick, kind, extreme(least, most), key ? extreme(0, 9) : extreme(least, most)});
  }
  if (seed % 4 == 0) return j;
  // Most are runs of their own, starting with fields anywhere in their range.
  RunStart& start = j.start.emplace();
  start.draws = static_cast<uint64_t>(pick(0, 4000));
  start.fadeTick = static_cast<int32_t>(pick(0, 3));
  for (int i = 0; i < StartFieldCount; ++i) {
    // Every field takes 0 and 1; the ranges beyond are the decoder's to refuse.
    if (pick(0, 4) == 0) start.fields[start.fieldCount++] = {static_cast<uint16_t>(i), extreme(0, 1)};
  }
  j.clearMs = pick(0, 1) == 0 ? -1 : pick(0, int64_t{INT32_MAX} * 1000);
  return j;
}

// A window's run as it journals it: the clock moves a millisecond at a time, the input comes at
// its moment and every timer runs when due.
struct LivePlay {
  class HandClock final : public Clock {
   public:
    double ms = 0.0;
    double LocalDateTimeDays() override { return 46000.0 + ms / 86400000.0; }
    double MonotonicSeconds() override { return ms / 1000.0; }
    std::optional<uint64_t> PerformanceCounter() override { return 0x9E3779B9u; }
    uint32_t TickCountMs() override { return static_cast<uint32_t>(ms); }
  } clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run{clock, random, measurer, {}};
  std::mt19937 rng{5};

  // Every event as a record would stamp it, whether or not her run has ended by then: the codes'
  // sizes are the events', wherever she is.
  Journal all = AsRun({0x9E3779B9u, 944, 542, {}, 0});

  LivePlay() { run.Follow(0.0); }
  void Step() {
    clock.ms += 1.0;
    if (const auto due = run.NextDeadline(); due && clock.ms >= *due && run.Advance(clock.ms).ticked) {
      ++all.ticks;
    }
  }
  void Feed(EventKind kind, int32_t a, int32_t b = 0) {
    run.Feed(kind, a, b, clock.ms);
    all.events.push_back({all.ticks + 1, kind, a, b});
  }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  double Later(int lo, int hi) { return clock.ms + Pick(lo, hi); }
};

// 30 s at the keyboard: → held nearly throughout, ← now and then, ↑ tapped or held for each jump;
// every held key comes again every 33 ms after 250 ms, as an OS's key repeat sends it.
Journal KeyboardRun() {
  LivePlay play;
  std::vector<std::pair<int, double>> held;  // each key held and when it comes again
  const auto press = [&](int key) {
    play.Feed(EventKind::KeyDown, key);
    held.push_back({key, play.clock.ms + 250});
  };
  const auto release = [&](int key) {
    play.Feed(EventKind::KeyUp, key);
    std::erase_if(held, [&](const auto& h) { return h.first == key; });
  };
  double nextJump = 100, jumpEnds = 0, nextTurn = 3000;
  int direction = VK_RIGHT;
  press(direction);
  while (play.clock.ms < 30000) {
    play.Step();
    const double t = play.clock.ms;
    for (auto& [key, next] : held) {
      if (t >= next) play.Feed(EventKind::KeyDown, key), next += 33;
    }
    if (t >= nextJump)
      press(VK_UP), jumpEnds = play.Later(60, 600), nextJump = play.Later(500, 1400);
    if (jumpEnds > 0 && t >= jumpEnds) release(VK_UP), jumpEnds = 0;
    if (t >= nextTurn) {
      release(direction);
      direction = direction == VK_RIGHT ? VK_LEFT : VK_RIGHT;
      press(direction);
      nextTurn = direction == VK_LEFT ? play.Later(300, 900) : play.Later(2000, 6000);
    }
  }
  return play.all;
}

// 60 s steered by the mouse: the pointer drifts towards a place that changes every second or two,
// reported every tick or two, and a click on the stage for each jump.
Journal MouseRun() {
  LivePlay play;
  double x = 472, y = 300, targetX = 850, nextTarget = 1500, nextMove = 200, nextClick = 100;
  while (play.clock.ms < 60000) {
    play.Step();
    const double t = play.clock.ms;
    if (t >= nextTarget) targetX = play.Pick(60, 920), nextTarget = play.Later(1000, 2500);
    if (t >= nextMove) {
      x += (targetX - x) * 0.3 + play.Pick(-4, 4);
      y = std::clamp(y + play.Pick(-6, 6), 60.0, 520.0);
      play.Feed(EventKind::MouseMove, static_cast<int32_t>(x), static_cast<int32_t>(y));
      nextMove = play.Later(40, 100);
    }
    if (t >= nextClick) {
      play.Feed(EventKind::Click, static_cast<int32_t>(x), static_cast<int32_t>(y));
      nextClick = play.Later(600, 2000);
    }
  }
  return play.all;
}

bool OnePrintableLine(const std::string& s) {
  return !s.empty() && s.size() <= 200 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

TEST(RunCode, CheckValueAndTextAreTheStandardOnes) {
  EXPECT_EQ(run_code::Crc32("123456789"), 0xCBF43926u);
#ifdef SKELVAR_HAVE_ZLIB
  std::mt19937 rng(3);
  for (int i = 0; i < 200; ++i) {
    std::string bytes(rng() % 3000, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    EXPECT_EQ(run_code::Crc32(bytes), crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                            static_cast<uInt>(bytes.size())));
  }
#endif
  EXPECT_EQ(run_code::Base64Url("f"), "Zg");
  EXPECT_EQ(run_code::Base64Url("fo"), "Zm8");
  EXPECT_EQ(run_code::Base64Url("foobar"), "Zm9vYmFy");
  EXPECT_EQ(run_code::Base64Url("\xFB\xFF\xBF\xFE"), "-_-__g");
}

// The last run a script starts, as the game records it.
Journal LastRunOf(const Journal& script) {
  VirtualClock clock(script.seed);
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame::Options options;
  options.repeatHeldKeys = false;
  RunningGame game(clock, random, measurer, options);
  EventSpan events(script.events);
  for (int64_t k = 1; k <= script.ticks; ++k) RunTick(game, clock, k, events);
  return game.LastRun() != nullptr ? *game.LastRun() : Journal{};
}

TEST(RunCode, ScriptsRandomAndLiveRunsComeBackWholeFromCodesThatFitInALink) {
  int scripts = 0;
  for (const fs::path& path : SuiteScripts()) {
    const std::optional<Journal> j = ScriptJournal(path);
    if (!j) continue;
    ++scripts;
    // A launch, as older codes hold one, and the script's events as one run.
    EXPECT_EQ(RoundTrip(*j), *j) << path;
    EXPECT_EQ(RoundTrip(AsRun(*j)), AsRun(*j)) << path;
  }
  EXPECT_GE(scripts, 10);
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    Journal j = RandomRun(seed, seed * 25);
    const int64_t clear = seed % 3 == 0 ? -1 : seed % 3 == 1 ? INT32_MAX : 97;
    EXPECT_EQ(RoundTrip(j, clear), j) << "seed " << seed;
  }

  const Journal keyboard = KeyboardRun();
  const Journal mouse = MouseRun();
  EXPECT_GT(keyboard.events.size(), 900u) << "the key repeat must have sent its presses";
  EXPECT_GT(mouse.events.size(), 800u);
  Journal winning = LastRunOf(*ScriptJournal(SuiteScripts()[0]));
  ASSERT_TRUE(winning.start && winning.clearMs >= 0) << "the winning run clears";
  struct Case {
    const char* name;
    Journal journal;
    size_t most;
  };
  for (Case c : {Case{"the winning run", winning, 300}, Case{"30 s of keys", keyboard, 1000},
                 Case{"60 s of the mouse", mouse, 4000}}) {
    const std::string code = EncodeRun(c.journal).value_or("");
    std::cout << c.name << ": " << c.journal.events.size() << " events in " << c.journal.ticks
              << " ticks, " << code.size() << " characters\n";
    EXPECT_LE(code.size(), c.most) << c.name;
    // Events fed after the last tick never played: the code leaves them out.
    std::erase_if(c.journal.events, [&](const TimedEvent& e) { return e.tick > c.journal.ticks; });
    EXPECT_EQ(RoundTrip(c.journal), c.journal) << c.name;
    // A link holding the code, as a message or a file may hand it over.
    const std::optional<CodedRun> linked =
        DecodeRun(" https://example.org/skelvar/#run=" + code + "\n");
    EXPECT_TRUE(linked && linked->journal == c.journal) << c.name;
  }
}

TEST(RunCode, RunsNoCodeHoldsAndCodesNoGameMadeAreRefusedWithOneLine) {
  const auto refused = [](const Journal& j) {
    std::string why;
    EXPECT_FALSE(EncodeRun(j, -1, &why));
    EXPECT_TRUE(OnePrintableLine(why)) << why;
    return why;
  };
  const auto changed = [](auto change) {
    Journal j = testing::SmallRun().journal;
    change(j);
    return j;
  };
  EXPECT_NE(refused(changed([](Journal& j) { j.ticks = MaxRunTicks + 1; })).find("72000"),
            std::string::npos);
  EXPECT_NE(refused(changed([](Journal& j) { j.full = true; })).find("full"), std::string::npos);
  EXPECT_NE(refused(changed([](Journal& j) { j.events[0].a = 300; })).find("event 1"),
            std::string::npos);
  EXPECT_NE(refused(changed([](Journal& j) { j.events[2].tick = 1; })).find("event 3"),
            std::string::npos);
  // Thousands of events anywhere in their ranges make a code longer than a link may be.
  EXPECT_NE(refused(RandomRun(3, 6000)).find("longer than 16384"), std::string::npos);

  const std::vector<testing::HostileCode> codes = testing::HostileCodes();
  EXPECT_GE(codes.size(), 12u);
  for (const testing::HostileCode& c : codes) {
    std::string why;
    EXPECT_FALSE(DecodeRun(c.text, &why)) << c.name;
    EXPECT_TRUE(OnePrintableLine(why)) << c.name << ": " << why;
    EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
  }
  // Any one character changed anywhere in a code is noticed.
  const std::string good = run_code::Seal(run_code::Bytes(testing::SmallRun()));
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = bad[i] == '_' ? '-' : '_';
    EXPECT_FALSE(DecodeRun(bad)) << "character " << i;
  }
}

// The whole tool, started as a subprocess, which the WebAssembly build of these tests cannot do.
#ifdef SKELVAR_REPLAY

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// A file of this test process's own, so that tests run side by side keep apart.
std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "/run-code-" + std::to_string(getpid()) + "-" + name;
}

ToolRun Tool(const std::string& args, const std::string& input = "/dev/null") {
  const std::string err = Temp("err.txt");
  FILE* p = popen(
      (std::string(SKELVAR_REPLAY) + " " + args + " 2> " + err + " < " + input).c_str(), "r");
  ToolRun r;
  if (p == nullptr) return r;
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = ReadFile(err);
  fs::remove(err);
  return r;
}

// State lines without their tick, which a run counts from its own start.
std::string Untimed(const std::string& out) {
  std::string kept;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    kept += line.substr(std::min(line.find(','), line.size())) + "\n";
  }
  return kept;
}

// The field `key` of a verdict's JSON line, as its text.
std::string Field(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return "?";
  const std::size_t from = at + key.size() + 4;
  return json.substr(from, json.find_first_of(",}", from) - from);
}

TEST(RunCodeTool, SavedRunsPlayAsTheirScriptsAndHostileCodesGetOneLineAndStatusTwo) {
  const std::string code = Temp("code.txt");
  std::vector<std::pair<std::string, std::string>> plays;  // script and options
  for (const fs::path& path : SuiteScripts()) plays.push_back({path.string(), "--ticks 460"});
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    Journal j = RandomRun(seed * 7, 300);
    j.ticks = 2000;
    std::erase_if(j.events, [](const TimedEvent& e) { return e.tick > 2000; });
    plays.push_back({Temp("random-" + std::to_string(seed) + ".txt"),
                     "--ticks 2000 --seed " + std::to_string(j.seed) + " --client " +
                         std::to_string(j.clientWidth) + "x" + std::to_string(j.clientHeight)});
    std::ofstream(plays.back().first, std::ios::binary) << JournalScript(j);
  }
  int played = 0, verdicts = 0;
  for (const auto& [script, options] : plays) {
    fs::remove(code);
    const ToolRun direct = Tool(options + " " + script);
    const ToolRun saved = Tool(options + " --save-run " + code + " " + script);
    if (direct.status != 0 || saved.status != 0) {
      // A malformed script, or one that starts no run, is refused and no code is written.
      EXPECT_EQ(saved.status, 2) << script;
      EXPECT_EQ(std::count(saved.err.begin(), saved.err.end(), '\n'), 1) << script;
      EXPECT_FALSE(fs::exists(code)) << script;
      continue;
    }
    ++played;
    EXPECT_EQ(saved.out, "");
    // The run plays as it played in its script, tick for tick from its first.
    const std::string alone = Tool("--run " + code).out;
    ASSERT_FALSE(alone.empty()) << script;
    EXPECT_NE(Untimed(direct.out).find(Untimed(alone)), std::string::npos) << script;
    EXPECT_EQ(alone.rfind("{\"tick\":1,", 0), 0u) << script;
    const std::string text = ReadFile(code);
    ASSERT_EQ(text.find('\n'), text.size() - 1);
    EXPECT_EQ(Tool("--quiet --run '#run=" + text.substr(0, text.size() - 1) + "'").out,
              alone.substr(alone.rfind('\n', alone.size() - 2) + 1))
        << script;

    // The verdict: cleared exactly where the state shows the goal touched, after as many steps as
    // the state counts from the run's first tick to the contact.
    const ToolRun judged = Tool("--verify " + code);
    ASSERT_EQ(judged.status, 0) << judged.err;
    const std::size_t contact = alone.find("\"GameState\":1,\"TickCount\":0,");
    if (contact == std::string::npos) continue;
    ++verdicts;
    const std::string line = alone.substr(alone.rfind('\n', contact) + 1, 300);
    const std::string hit = line.substr(line.find("\"HitIndex\":") + 11, 2);
    EXPECT_EQ(Field(judged.out, "cleared"), std::stoi(hit) == 9 ? "true" : "false") << script;
    EXPECT_EQ(Field(judged.out, "actor"), std::to_string(std::stoi(hit))) << script;
    EXPECT_EQ(Field(judged.out, "ticks"), line.substr(8, line.find(',') - 8)) << script;
  }
  EXPECT_GE(played, 10);
  EXPECT_GE(verdicts, 3);

  // --ticks shortens a run; anything else the code holds is not given beside it.
  Tool("--ticks 460 --save-run " + code + " " + plays.front().first);
  const ToolRun shortened = Tool("--ticks 5 --run " + code);
  EXPECT_EQ(shortened.status, 0);
  EXPECT_EQ(std::count(shortened.out.begin(), shortened.out.end(), '\n'), 5);
  std::vector<std::string> bad = {"--ticks 100000 --run " + code,
                                  "--seed 3 --run " + code,
                                  "--client 800x600 --run " + code,
                                  "--run " + code + " x.txt",
                                  "--run " + code + " --save-run " + code,
                                  "--save-run " + code + " --ticks 72001 x.txt"};
  const auto refused = [](const ToolRun& r, const std::string& what) {
    EXPECT_EQ(r.status, 2) << what;
    EXPECT_EQ(r.out, "") << what;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
  };
  for (const std::string& args : bad) refused(Tool(args), args);
  // Every hostile code from a file, the line naming the file and giving the decoder's reason.
  const std::string file = Temp("hostile.txt");
  for (const testing::HostileCode& c : testing::HostileCodes()) {
    std::ofstream(file, std::ios::binary) << c.text;
    const ToolRun r = Tool("--run " + file);
    refused(r, c.name);
    std::string why;
    DecodeRun(c.text, &why);
    EXPECT_EQ(r.err.rfind("skelvar-replay: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.err.ends_with(": " + why + "\n")) << r.err;
    if (c.name == "one bit changed") {
      EXPECT_EQ(Tool("--run " + c.text).err,
                "skelvar-replay: the run code is damaged (its check value does not match)\n");
    }
  }
  for (const auto& play : plays) {
    if (play.first.starts_with(Temp(""))) fs::remove(play.first);
  }
  fs::remove(code);
  fs::remove(file);
}

TEST(RunCodeTool, CodesOfTheFirstFormatPlayAsTheyDid) {
  const fs::path dir = fs::path(SKELVAR_SOURCE_DIR) / "tests" / "fuzz";
  int played = 0;
  for (const auto& entry : fs::directory_iterator(dir / "seeds-runs")) {
    if (entry.path().extension() != ".code") continue;
    const std::optional<CodedRun> run = DecodeRun(ReadFile(entry.path()));
    ASSERT_TRUE(run && run->format == LaunchCodeFormat) << entry.path();
    fs::path script = dir / "seeds" / entry.path().stem().concat(".txt");
    if (!fs::exists(script)) script = fs::path(SKELVAR_SOURCE_DIR) / "tests" / "records" / "winning.txt";
    const Journal& j = run->journal;
    const std::string options = "--ticks " + std::to_string(j.ticks) + " --seed " +
                                std::to_string(j.seed) + " --client " +
                                std::to_string(j.clientWidth) + "x" + std::to_string(j.clientHeight);
    EXPECT_EQ(Tool("--run " + entry.path().string()).out, Tool(options + " " + script.string()).out)
        << entry.path();
    ++played;
  }
  EXPECT_GE(played, 5);
}

TEST(RunCodeTool, VerdictsNameOneRunAndABatchGoesOnPastABadLine) {
  const std::string winning = (fs::path(SKELVAR_SOURCE_DIR) / "tests" / "records" / "winning.txt").string();
  // The same run taken during its outcome and back at the menu, and the win of the first format.
  const std::string during = Tool("--ticks 350 --save-run - " + winning).out;
  const std::string after = Tool("--ticks 460 --save-run - " + winning).out;
  const std::string older = ReadFile(fs::path(SKELVAR_SOURCE_DIR) / "tests/fuzz/seeds-runs/winning.code");
  // Another run: the same keys a tick later.
  std::string later = ReadFile(winning);
  std::string shifted;
  std::istringstream lines(later);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') line = std::to_string(std::stoi(line) + 1) + line.substr(line.find(' '));
    shifted += line + "\n";
  }
  const std::string other = Temp("other.txt");
  std::ofstream(other) << shifted;
  const std::string another = Tool("--ticks 460 --save-run - " + other).out;
  const std::string batch = Temp("batch.txt");
  std::ofstream(batch) << during << "not a code\n" << after << older << another;
  const ToolRun r = Tool("--verify -", batch);
  fs::remove(other);
  fs::remove(batch);
  std::vector<std::string> out;
  std::istringstream verdicts(r.out);
  for (std::string line; std::getline(verdicts, line);) out.push_back(line);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(out.size(), 5u) << r.out;
  EXPECT_EQ(out[1].rfind("{\"error\": ", 0), 0u) << out[1];
  for (const std::size_t i : {0u, 2u, 3u, 4u}) {
    EXPECT_EQ(Field(out[i], "cleared"), "true") << out[i];
    EXPECT_EQ(Field(out[i], "ended"), "\"goal\"") << out[i];
    // Taken before the result showed, the run has no clear time yet.
    EXPECT_EQ(Field(out[i], "seconds"), i == 0 ? "null" : "19") << out[i];
  }
  EXPECT_EQ(Field(out[0], "id"), Field(out[2], "id"));
  EXPECT_EQ(Field(out[0], "ticks"), "338");
  EXPECT_EQ(Field(out[3], "format"), "1");
  EXPECT_EQ(Field(out[3], "ticks"), "338");
  EXPECT_NE(Field(out[4], "id"), Field(out[0], "id"));
  EXPECT_EQ(Field(out[0], "id").size(), 66u);
  // One code alone: a verdict with status 0, a refusal with status 2.
  EXPECT_EQ(Tool("--verify not-a-code").status, 2);
}

#endif

}  // namespace
}  // namespace skelvar::tick
