// skelvar-board: the leaderboard service, or one of its operator commands.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include "board/options.h"
#include "board/player.h"
#include "board/server.h"
#include "board/store.h"
#include "game/logic_version.h"
#include "run/verdict.h"

namespace {

using namespace skelvar::board;

std::unique_ptr<Store> OpenStore(const std::string& target, bool migrate) {
  return std::make_unique<Store>(OpenDatabase(target), migrate);
}

// Plays every kept run again with this build; a run whose verdict changed is reported.
int Reverify(Store& store) {
  int64_t played = 0;
  int64_t changed = 0;
  int64_t seq = 0;
  for (;;) {
    std::vector<StoredRun> runs = store.RunsAfter(seq, 1000);
    if (runs.empty()) break;
    for (const StoredRun& run : runs) {
      seq = run.seq;
      ++played;
      std::string why;
      std::optional<skelvar::run::Verdict> verdict = skelvar::run::Judge(run.code, &why);
      std::string now;
      if (!verdict) {
        now = "refused: " + why;
      } else if (!verdict->cleared) {
        now = std::string("no longer clears: it ends ") + skelvar::run::EndName(verdict->ended);
      } else if (verdict->ticks != run.ticks) {
        now = "clears in " + std::to_string(verdict->ticks) + " ticks";
      } else if (!verdict->id.empty() && verdict->id != run.id) {
        now = "has the id " + verdict->id;
      }
      if (!now.empty()) {
        ++changed;
        std::printf("changed %s (logic %lld, kept at %lld ticks): %s\n", run.id.c_str(),
                    static_cast<long long>(run.logic), static_cast<long long>(run.ticks),
                    now.c_str());
      }
    }
  }
  std::printf("%lld runs played again, %lld changed\n", static_cast<long long>(played),
              static_cast<long long>(changed));
  return changed == 0 ? 0 : 1;
}

int Serve(const Options& options) {
  // The signals are taken by sigwait below, never by a thread in the middle of its work.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::string target = options.database;
  Server server(options, [target] { return OpenStore(target, false); });
  std::string host = options.listen.substr(0, options.listen.rfind(':'));
  std::printf("skelvar-board: listening on http://%s:%u/ (logic %d, %s)\n", host.c_str(),
              static_cast<unsigned>(server.Port()), skelvar::PlayLogicVersion,
              IsPostgresUrl(target) ? "PostgreSQL" : target.c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  std::printf("skelvar-board: stopping\n");
  std::fflush(stdout);
  server.Stop(std::chrono::seconds(30));
  std::printf("skelvar-board: stopped\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  std::optional<Options> options = ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "skelvar-board: %s\n%s", error.c_str(), Usage);
    return 2;
  }
  if (options->command == Command::Help) {
    std::fputs(Usage, stdout);
    return 0;
  }
  try {
    // Opening the store creates or migrates the schema before anything else touches it.
    std::unique_ptr<Store> store = OpenStore(options->database, true);
    switch (options->command) {
      case Command::Serve:
        store.reset();
        return Serve(*options);
      case Command::Reverify:
        return Reverify(*store);
      case Command::Hide:
        if (!store->Hide(options->argument)) {
          std::fprintf(stderr, "skelvar-board: no run %s on the board\n",
                       options->argument.c_str());
          return 1;
        }
        std::printf("hid %s\n", options->argument.c_str());
        return 0;
      case Command::DropPlayer: {
        std::string why;
        std::optional<PlayerName> name = ReadName(options->argument, &why);
        if (!name || !store->DropPlayer(name->folded)) {
          std::fprintf(stderr, "skelvar-board: no player named %s\n", options->argument.c_str());
          return 1;
        }
        std::printf("dropped %s: their runs are hidden and the name is free\n",
                    options->argument.c_str());
        return 0;
      }
      case Command::SeedPlayers:
        store->SeedPlayers(skelvar::PlayLogicVersion, options->seedPlayers);
        std::printf("seeded %lld players\n", static_cast<long long>(options->seedPlayers));
        return 0;
      case Command::Help:
        break;
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "skelvar-board: %s\n", failure.what());
    return 1;
  }
  return 0;
}
