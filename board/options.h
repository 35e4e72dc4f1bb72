// The board's command line: the service's address, database and limits, or one operator command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace skelvar::board {

enum class Command { Serve, Reverify, Hide, DropPlayer, SeedPlayers, Help };

struct Options {
  Command command = Command::Serve;
  std::string argument;  // the run id of --hide, the name of --drop-player

  std::string listen = "127.0.0.1:8000";
  std::string database = "board.sqlite3";
  std::string site;
  int submitRate = 6;  // submissions a minute per client address
  int maxConnections = 1024;
  int perAddress = 64;
  double requestTimeout = 10.0;  // seconds a whole request may take to arrive
  int queue = 256;               // runs waiting to be verified
  std::vector<std::string> trustProxy;
  std::size_t maxBody = 64 * 1024;
  std::size_t maxHeader = 8 * 1024;
  int64_t maxTicks = 12000;  // ten minutes of play
  int verifiers = 0;         // threads verifying runs; 0 for one per core
  int64_t seedPlayers = 0;
};

// The options, or none with `error` set to one line for a command line that cannot be read.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

extern const char* const Usage;

}  // namespace skelvar::board
