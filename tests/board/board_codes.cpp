// Codes the board's tests send that no game makes: a winning run sealed with another logic
// version, and a winning run whose events were changed after it was made, sealed again so that
// only playing it can tell.
//   board-codes other-logic CODE   the same run, made with the next logic version
//   board-codes changed CODE       the run's events after the first few dropped, sealed again
#include <cstdio>
#include <string>
#include <string_view>

#include "game/logic_version.h"
#include "run/run_code.h"

using namespace skelvar::tick;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: board-codes other-logic|changed CODE\n", stderr);
    return 2;
  }
  std::string why;
  std::optional<CodedRun> run = DecodeRun(argv[2], &why);
  if (!run) {
    std::fprintf(stderr, "board-codes: %s\n", why.c_str());
    return 1;
  }
  std::string_view what = argv[1];
  run_code::Versions versions;
  if (what == "other-logic") {
    versions.logic = skelvar::PlayLogicVersion + 1;
  } else if (what == "changed") {
    // She stops jumping: the rest of the run walks into what she used to clear.
    if (run->journal.events.size() > 8) run->journal.events.resize(8);
  } else {
    std::fprintf(stderr, "board-codes: unknown kind %s\n", argv[1]);
    return 2;
  }
  std::puts(run_code::Seal(run_code::Bytes(*run, versions)).c_str());
  return 0;
}
