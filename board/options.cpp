#include "board/options.h"

#include <charconv>
#include <string_view>

namespace skelvar::board {

const char* const Usage =
    "usage: skelvar-board [--listen ADDR:PORT] [--database FILE|postgresql://...] [--site DIR]\n"
    "                     [--submit-rate N] [--max-connections N] [--per-address N]\n"
    "                     [--request-timeout SECONDS] [--queue N] [--trust-proxy ADDR,...]\n"
    "                     [--max-body BYTES] [--max-header BYTES] [--max-ticks N] [--verifiers N]\n"
    "       skelvar-board [--database ...] --reverify | --hide ID | --drop-player NAME\n"
    "Serves the leaderboard: every run sent is played again before it is kept.\n"
    "Defaults: --listen 127.0.0.1:8000 --database board.sqlite3 --submit-rate 6 (a minute)\n"
    "--max-connections 1024 --per-address 64 --request-timeout 10 --queue 256\n"
    "--max-body 65536 --max-header 8192 --max-ticks 12000, one verifier per core.\n";

namespace {

template <typename Number>
bool ReadNumber(std::string_view text, Number& out, Number low, Number high) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

std::vector<std::string> SplitCommas(std::string_view text) {
  std::vector<std::string> parts;
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    if (!part.empty()) parts.emplace_back(part);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return parts;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options options;
  bool commandGiven = false;
  auto setCommand = [&](Command command) {
    if (commandGiven) {
      error = "give at most one of --reverify, --hide, --drop-player, --seed-players";
      return false;
    }
    commandGiven = true;
    options.command = command;
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      options.command = Command::Help;
      return options;
    }
    if (flag == "--reverify") {
      if (!setCommand(Command::Reverify)) return std::nullopt;
      continue;
    }
    if (i + 1 >= argc) {
      error = std::string("unknown option or missing value: ") + argv[i];
      return std::nullopt;
    }
    std::string_view value = argv[++i];
    bool ok = true;
    if (flag == "--listen") {
      options.listen = value;
    } else if (flag == "--database") {
      options.database = value;
      ok = !value.empty();
    } else if (flag == "--site") {
      options.site = value;
    } else if (flag == "--submit-rate") {
      ok = ReadNumber(value, options.submitRate, 1, 1000000000);
    } else if (flag == "--max-connections") {
      ok = ReadNumber(value, options.maxConnections, 1, 1000000);
    } else if (flag == "--per-address") {
      ok = ReadNumber(value, options.perAddress, 1, 1000000);
    } else if (flag == "--request-timeout") {
      ok = ReadNumber(value, options.requestTimeout, 0.1, 3600.0);
    } else if (flag == "--queue") {
      ok = ReadNumber(value, options.queue, 1, 1000000);
    } else if (flag == "--trust-proxy") {
      options.trustProxy = SplitCommas(value);
    } else if (flag == "--max-body") {
      ok = ReadNumber(value, options.maxBody, std::size_t{1024}, std::size_t{1} << 24);
    } else if (flag == "--max-header") {
      ok = ReadNumber(value, options.maxHeader, std::size_t{1024}, std::size_t{1} << 20);
    } else if (flag == "--max-ticks") {
      ok = ReadNumber(value, options.maxTicks, int64_t{1}, int64_t{72000});
    } else if (flag == "--verifiers") {
      ok = ReadNumber(value, options.verifiers, 1, 256);
    } else if (flag == "--hide") {
      if (!setCommand(Command::Hide)) return std::nullopt;
      options.argument = value;
    } else if (flag == "--drop-player") {
      if (!setCommand(Command::DropPlayer)) return std::nullopt;
      options.argument = value;
    } else if (flag == "--seed-players") {
      if (!setCommand(Command::SeedPlayers)) return std::nullopt;
      ok = ReadNumber(value, options.seedPlayers, int64_t{1}, int64_t{100000000});
    } else {
      error = "unknown option: " + std::string(flag);
      return std::nullopt;
    }
    if (!ok) {
      error = "cannot read " + std::string(flag) + " " + std::string(value);
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace skelvar::board
