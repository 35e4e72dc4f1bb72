// Writes the codes tools/measure-run-codes.sh times, one file each in DIR, and prints how long the
// decoder takes over each (the median and the slowest of 21 decodes): every hostile code of the
// tests, and the heaviest codes a run may have, the most events and the longest text.
//   run-code-samples DIR
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "game/world.h"
#include "hostile_run_codes.h"
#include "replay_script.h"
#include "run/run_code.h"

namespace {

using namespace skelvar;
using namespace skelvar::tick;

Journal Empty(int64_t ticks) {
  Journal j;
  j.seed = 1;
  j.clientWidth = 944;
  j.clientHeight = 542;
  j.ticks = ticks;
  return j;
}

// Random pointer moves and keys over the longest run, as many as a code has room for.
std::string LongestCode() {
  std::mt19937 rng(11);
  Journal j = Empty(MaxRunTicks);
  std::string last;
  for (int64_t tick = 1;; tick += 1 + static_cast<int64_t>(rng() % 60)) {
    const auto kind = static_cast<EventKind>(rng() % 5);
    const bool key = kind == EventKind::KeyDown || kind == EventKind::KeyUp;
    j.events.push_back({std::min(tick, MaxRunTicks), kind,
                        static_cast<int32_t>(rng() % (key ? 256 : 30000)),
                        static_cast<int32_t>(rng() % (key ? 10 : 30000))});
    const std::optional<std::string> code = EncodeRun(j, -1);
    if (!code) return last;
    last = *code;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: run-code-samples DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<testing::HostileCode> samples = testing::HostileCodes();

  std::ifstream winning(std::string(SKELVAR_SOURCE_DIR) + "/tests/records/winning.txt");
  Journal won = Empty(460);
  std::string error;
  if (!replay::ParseScript(std::string(std::istreambuf_iterator<char>(winning), {}), won.events,
                           error)) {
    std::fprintf(stderr, "run-code-samples: the winning run: %s\n", error.c_str());
    return 1;
  }
  Journal most = Empty(MaxRunTicks);
  most.events.assign(MaxRunEvents, {1, EventKind::KeyDown, VK_RIGHT, 0});
  samples.push_back({"the winning run", EncodeRun(won, 17).value_or(""), ""});
  samples.push_back({"the most events a code holds", EncodeRun(most, -1).value_or(""), ""});
  samples.push_back({"the longest code", LongestCode(), ""});
  std::string noise(MaxRunCodeChars, 'A');
  std::mt19937 rng(5);
  for (char& c : noise)
    c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"[rng() % 64];
  noise[0] = 'A', noise[1] = 'Q';
  samples.push_back({"16384 random characters", noise, ""});

  int n = 0;
  for (const testing::HostileCode& s : samples) {
    char name[32];
    std::snprintf(name, sizeof name, "%02d.code", ++n);
    std::ofstream(dir + "/" + name, std::ios::binary) << s.text;
    std::vector<double> ms;
    std::optional<CodedRun> run;
    std::string why;
    for (int i = 0; i < 21; ++i) {
      const auto start = std::chrono::steady_clock::now();
      run = DecodeRun(s.text, &why);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      ms.push_back(took.count());
    }
    std::sort(ms.begin(), ms.end());
    const std::string outcome = run ? std::to_string(run->journal.events.size()) + " events, " +
                                          std::to_string(run->journal.ticks) + " ticks"
                                    : why;
    std::printf("%s\t%s\t%zu\t%.3f / %.3f\t%s\n", name, s.name.c_str(), s.text.size(), ms[10],
                ms.back(), outcome.c_str());
  }
  return 0;
}
