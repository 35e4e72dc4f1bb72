// Run codes: a run comes back whole from its code, the codes of live-like runs fit in a link, every
// code no game made is refused with one line, and the replay tool plays a saved code as the script
// it came from.
#include "tick/run_code.h"

#include <gtest/gtest.h>

#include <cstdio>
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
#include "tick/running_game.h"

namespace skelvar::tick {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
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
std::optional<Journal> ScriptJournal(const fs::path& script, int64_t ticks) {
  Journal j;
  j.seed = 1;
  j.clientWidth = 944;
  j.clientHeight = 542;
  j.ticks = ticks;
  std::string error;
  if (!replay::ParseScript(ReadFile(script), j.events, error)) return std::nullopt;
  std::erase_if(j.events, [&](const TimedEvent& e) { return e.tick > ticks; });
  return j;
}

Journal Decoded(const std::string& code, int64_t* clearSeconds = nullptr) {
  std::string why;
  const std::optional<Run> run = DecodeRun(code, &why);
  EXPECT_TRUE(run) << why;
  if (!run) return {};
  if (clearSeconds != nullptr) *clearSeconds = run->clearSeconds;
  return run->journal;
}

std::string Code(const Journal& j, int64_t clearSeconds = -1) {
  std::string why;
  const std::optional<std::string> code = EncodeRun(j, clearSeconds, &why);
  EXPECT_TRUE(code) << why;
  return code.value_or("");
}

// A run no player makes: every kind of event with values anywhere in their ranges, often the
// extremes, many on one tick, some ticks far apart.
Journal RandomRun(uint32_t seed) {
  std::mt19937 rng(seed);
  const auto pick = [&](int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(rng);
  };
  const auto extreme = [&](int64_t lo, int64_t hi) {
    const int64_t r = pick(0, 5);
    return static_cast<int32_t>(r == 0 ? lo : r == 1 ? hi : pick(lo, hi));
  };
  Journal j;
  j.seed = static_cast<uint32_t>(rng());
  j.clientWidth = extreme(1, 32767);
  j.clientHeight = extreme(1, 32767);
  j.ticks = seed % 3 == 0 ? MaxRunTicks : pick(1, MaxRunTicks);
  const int64_t count = pick(0, 800);
  int64_t tick = 1;
  for (int64_t i = 0; i < count; ++i) {
    tick = std::min(j.ticks, tick + (pick(0, 3) == 0 ? pick(0, 4000) : pick(0, 2)));
    TimedEvent e{tick, static_cast<EventKind>(pick(0, 4)), 0, 0};
    if (e.kind == EventKind::KeyDown || e.kind == EventKind::KeyUp) {
      e.a = extreme(0, 255), e.b = extreme(0, 9);
    } else if (e.kind == EventKind::Resize) {
      e.a = extreme(0, 32767), e.b = extreme(0, 32767);
    } else {
      e.a = extreme(-1'000'000, 1'000'000), e.b = extreme(-1'000'000, 1'000'000);
    }
    j.events.push_back(e);
  }
  return j;
}

// A clock the test moves by hand, as the machine's clock moves between a window's wake-ups.
class HandClock final : public Clock {
 public:
  double ms = 0.0;
  double LocalDateTimeDays() override { return 46000.0 + ms / 86400000.0; }
  double MonotonicSeconds() override { return ms / 1000.0; }
  std::optional<uint64_t> PerformanceCounter() override { return 0x9E3779B9u; }
  uint32_t TickCountMs() override { return static_cast<uint32_t>(ms); }
};

// A window's run as it journals it: input at its millisecond, every timer run when due.
struct LivePlay {
  HandClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame run{clock, random, measurer, {}};

  LivePlay() { run.Follow(0.0); }
  void To(double ms) {
    while (clock.ms < ms) {
      clock.ms += 1.0;
      if (const auto due = run.NextDeadline(); due && clock.ms >= *due) run.Advance(clock.ms);
    }
  }
  void Feed(EventKind kind, int32_t a, int32_t b = 0) { run.Feed(kind, a, b, clock.ms); }
};

// 30 s at the keyboard: → held nearly throughout, ← now and then, ↑ tapped or held for each jump;
// every held key comes again every 33 ms after 250 ms, as an OS's key repeat sends it.
Journal KeyboardRun() {
  LivePlay play;
  std::mt19937 rng(5);
  const auto ms = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  struct Held {
    int key;
    double since, next;
  };
  std::vector<Held> held;
  const auto press = [&](int key, double at) {
    play.Feed(EventKind::KeyDown, key);
    held.push_back({key, at, at + 250});
  };
  const auto release = [&](int key) {
    play.Feed(EventKind::KeyUp, key);
    std::erase_if(held, [&](const Held& h) { return h.key == key; });
  };
  play.To(100);
  press(VK_UP, 100);
  play.To(160);
  release(VK_UP);
  double nextJump = 400, jumpEnds = 0, nextTurn = 3000;
  int direction = VK_RIGHT;
  press(direction, 160);
  for (double t = 161; t < 30000; ++t) {
    play.To(t);
    for (Held& h : held) {
      if (t >= h.next) play.Feed(EventKind::KeyDown, h.key), h.next += 33;
    }
    if (t >= nextJump) press(VK_UP, t), jumpEnds = t + ms(60, 600), nextJump = t + ms(500, 1400);
    if (jumpEnds > 0 && t >= jumpEnds) release(VK_UP), jumpEnds = 0;
    if (t >= nextTurn) {
      release(direction);
      direction = direction == VK_RIGHT ? VK_LEFT : VK_RIGHT;
      press(direction, t);
      nextTurn = t + (direction == VK_LEFT ? ms(300, 900) : ms(2000, 6000));
    }
  }
  return play.run.journal();
}

// 60 s steered by the mouse: the pointer drifts towards a place that changes every second or two,
// reported every tick or two, and a click on the stage for each jump.
Journal MouseRun() {
  LivePlay play;
  std::mt19937 rng(9);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  play.To(100);
  play.Feed(EventKind::KeyDown, VK_UP);
  play.To(150);
  play.Feed(EventKind::KeyUp, VK_UP);
  double x = 472, y = 300, targetX = 850, nextTarget = 1500, nextMove = 200, nextClick = 900;
  for (double t = 151; t < 60000; ++t) {
    play.To(t);
    if (t >= nextTarget) {
      targetX = pick(0, 3) == 0 ? pick(60, 240) : pick(0, 2) == 0 ? pick(300, 640) : pick(720, 920);
      nextTarget = t + pick(1000, 2500);
    }
    if (t >= nextMove) {
      x += (targetX - x) * 0.3 + pick(-4, 4);
      y = std::clamp(y + pick(-6, 6), 60.0, 520.0);
      play.Feed(EventKind::MouseMove, static_cast<int32_t>(x), static_cast<int32_t>(y));
      nextMove = t + pick(40, 100);
    }
    if (t >= nextClick) {
      play.Feed(EventKind::Click, static_cast<int32_t>(x), static_cast<int32_t>(y));
      nextClick = t + pick(600, 2000);
    }
  }
  return play.run.journal();
}

bool OnePrintableLine(const std::string& s) {
  if (s.empty() || s.size() > 200) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

TEST(RunCode, CheckValueAndTextAreTheStandardOnes) {
  EXPECT_EQ(run_code::Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(run_code::Crc32(""), 0u);
#ifdef SKELVAR_HAVE_ZLIB
  std::mt19937 rng(3);
  for (int i = 0; i < 200; ++i) {
    std::string bytes(rng() % 3000, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    EXPECT_EQ(run_code::Crc32(bytes), crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                            static_cast<uInt>(bytes.size())));
  }
#endif
  EXPECT_EQ(run_code::Base64Url(""), "");
  EXPECT_EQ(run_code::Base64Url("f"), "Zg");
  EXPECT_EQ(run_code::Base64Url("fo"), "Zm8");
  EXPECT_EQ(run_code::Base64Url("foobar"), "Zm9vYmFy");
  EXPECT_EQ(run_code::Base64Url("\xFB\xFF\xBF\xFE"), "-_-__g");
}

TEST(RunCode, ScriptsAndRandomRunsComeBackWhole) {
  int scripts = 0;
  for (const fs::path& path : SuiteScripts()) {
    const std::optional<Journal> j = ScriptJournal(path, 460);
    if (!j) continue;
    ++scripts;
    const std::string code = Code(*j);
    EXPECT_EQ(JournalScript(Decoded(code)), JournalScript(*j)) << path;
    // A link holding the code, as a message or a file may hand it over.
    EXPECT_EQ(JournalScript(Decoded("  https://example.org/skelvar/#run=" + code + "\r\n")),
              JournalScript(*j));
  }
  EXPECT_GE(scripts, 8);

  for (uint32_t seed = 1; seed <= 30; ++seed) {
    const Journal j = RandomRun(seed);
    const int64_t clear = seed % 4 == 0 ? -1 : seed % 4 == 1 ? 0 : seed % 4 == 2 ? INT32_MAX : 97;
    int64_t decodedClear = -2;
    const Journal back = Decoded(Code(j, clear), &decodedClear);
    EXPECT_EQ(JournalScript(back), JournalScript(j)) << "seed " << seed;
    EXPECT_EQ(back.seed, j.seed);
    EXPECT_EQ(decodedClear, clear);
  }

  // Events fed after the last tick never played: the code leaves them out.
  Journal late = testing::SmallRun().journal;
  late.events.push_back({41, EventKind::KeyDown, 27, 0});
  EXPECT_EQ(Decoded(Code(late)).events.size(), late.events.size() - 1);
}

TEST(RunCode, RunsNoCodeHoldsAreRefusedWithOneLine) {
  const auto refused = [](const Journal& j) {
    std::string why;
    EXPECT_FALSE(EncodeRun(j, -1, &why));
    EXPECT_TRUE(OnePrintableLine(why)) << why;
    return why;
  };
  Journal j = testing::SmallRun().journal;
  j.ticks = MaxRunTicks + 1;
  EXPECT_NE(refused(j).find("72000"), std::string::npos);
  j = testing::SmallRun().journal;
  j.full = true;
  refused(j);
  j = testing::SmallRun().journal;
  j.events[0].a = 300;
  EXPECT_NE(refused(j).find("event 1"), std::string::npos);
  j = testing::SmallRun().journal;
  j.events[2].tick = 1;
  EXPECT_NE(refused(j).find("event 3"), std::string::npos);
  // Thousands of events anywhere in their ranges make a code longer than a link may be.
  j = RandomRun(3);
  for (uint32_t s = 4; j.events.size() < 8000; ++s) {
    const Journal more = RandomRun(s * 3);
    j.events.insert(j.events.end(), more.events.begin(), more.events.end());
  }
  std::sort(j.events.begin(), j.events.end(),
            [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
  EXPECT_NE(refused(j).find("longer than 16384"), std::string::npos);
}

TEST(RunCode, LiveRunsFitInALink) {
  const std::optional<Journal> winning =
      ScriptJournal(fs::path(SKELVAR_SOURCE_DIR) / "tests" / "records" / "winning.txt", 460);
  ASSERT_TRUE(winning);
  const Journal keyboard = KeyboardRun();
  const Journal mouse = MouseRun();
  ASSERT_GE(keyboard.ticks, 599);
  ASSERT_GE(mouse.ticks, 1199);
  struct Case {
    const char* name;
    const Journal& journal;
    size_t most;
  };
  for (const Case& c : {Case{"the winning run", *winning, 300},
                        Case{"30 s of keys", keyboard, 1000}, Case{"60 s of mouse", mouse, 4000}}) {
    const std::string code = Code(c.journal, 17);
    std::cout << c.name << ": " << c.journal.events.size() << " events in " << c.journal.ticks
              << " ticks, " << code.size() << " characters\n";
    EXPECT_LE(code.size(), c.most) << c.name;
    Journal played = c.journal;
    std::erase_if(played.events, [&](const TimedEvent& e) { return e.tick > played.ticks; });
    EXPECT_EQ(JournalScript(Decoded(code)), JournalScript(played)) << c.name;
  }
  EXPECT_GT(keyboard.events.size(), 1000u) << "the key repeat must have sent its presses";
}

TEST(RunCode, HostileCodesAreRefusedWithOneLine) {
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

ToolRun Tool(const std::string& args) {
  const std::string err = Temp("err.txt");
  const std::string cmd = std::string(SKELVAR_REPLAY) + " " + args + " 2> " + err + " < /dev/null";
  ToolRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.err = ReadFile(err);
  return r;
}

TEST(RunCodeTool, SavedRunsPlayAsTheirScripts) {
  const std::string code = Temp("code.txt");
  std::vector<std::pair<fs::path, std::string>> plays;
  for (const fs::path& path : SuiteScripts()) plays.push_back({path, "--ticks 460"});
  for (uint32_t seed = 1; seed <= 3; ++seed) {
    Journal j = RandomRun(seed * 7);
    j.ticks = 2000;
    std::erase_if(j.events, [](const TimedEvent& e) { return e.tick > 2000; });
    const fs::path script = Temp("random-" + std::to_string(seed) + ".txt");
    std::ofstream(script, std::ios::binary) << JournalScript(j);
    plays.push_back({script, "--ticks 2000 --seed " + std::to_string(j.seed) + " --client " +
                                 std::to_string(j.clientWidth) + "x" +
                                 std::to_string(j.clientHeight)});
  }
  int played = 0;
  for (const auto& [script, options] : plays) {
    fs::remove(code);
    const ToolRun direct = Tool(options + " " + script.string());
    const ToolRun saved = Tool(options + " --save-run " + code + " " + script.string());
    if (direct.status != 0) {
      // A malformed script is refused as when it is played, and no code is written.
      EXPECT_EQ(saved.status, direct.status) << script;
      EXPECT_EQ(saved.err, direct.err) << script;
      EXPECT_FALSE(fs::exists(code)) << script;
      continue;
    }
    ++played;
    ASSERT_EQ(saved.status, 0) << script << ": " << saved.err;
    EXPECT_EQ(saved.out, "");
    const ToolRun fromFile = Tool("--run " + code);
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, direct.out) << script;
    const std::string text = ReadFile(code);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    EXPECT_EQ(Tool("--quiet --run '#run=" + text.substr(0, text.size() - 1) + "'").out,
              direct.out.substr(direct.out.rfind('\n', direct.out.size() - 2) + 1))
        << script;
  }
  EXPECT_GE(played, 10);

  // --ticks shortens a run; anything else the code holds is not given beside it.
  const ToolRun shortened = Tool("--ticks 5 --run " + code);
  EXPECT_EQ(shortened.status, 0);
  EXPECT_EQ(std::count(shortened.out.begin(), shortened.out.end(), '\n'), 5);
  for (const std::string& args :
       {"--ticks 2001 --run " + code, "--seed 3 --run " + code, "--client 800x600 --run " + code,
        "--run " + code + " x.txt", "--run " + code + " --save-run " + code,
        "--save-run " + code + " --ticks 72001 x.txt"}) {
    const ToolRun r = Tool(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
  }
  for (const auto& play : plays) {
    if (play.first.string().starts_with(Temp(""))) fs::remove(play.first);
  }
  fs::remove(code);
  fs::remove(Temp("err.txt"));
}

TEST(RunCodeTool, HostileCodesGetOneLineAndStatusTwo) {
  const std::string file = Temp("hostile.txt");
  for (const testing::HostileCode& c : testing::HostileCodes()) {
    std::ofstream(file, std::ios::binary) << c.text;
    std::string why;
    ASSERT_FALSE(DecodeRun(c.text, &why));
    const ToolRun r = Tool("--run " + file);
    EXPECT_EQ(r.status, 2) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    // The one line names the file, shortened should it be long, and gives the decoder's reason.
    EXPECT_EQ(r.err.rfind("skelvar-replay: ", 0), 0u) << r.err;
    EXPECT_TRUE(r.err.ends_with(": " + why + "\n")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  // A code given as it is is quoted without a file's name.
  std::string code = run_code::Seal(run_code::Bytes(testing::SmallRun()));
  code[9] = code[9] == 'A' ? 'B' : 'A';
  const ToolRun bare = Tool("--run " + code);
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.err, "skelvar-replay: the run code is damaged (its check value does not match)\n");
  fs::remove(file);
  fs::remove(Temp("err.txt"));
}

#endif

}  // namespace
}  // namespace skelvar::tick
