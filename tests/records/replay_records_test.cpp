// skelvar-replay --records: a winning run leaves its clear time, a lost one only a run, and the
// state output never changes with the option.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "records/key_value_text.h"
#include "records/records.h"
#include "run/run_code.h"

namespace skelvar::records {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

ToolRun Replay(const std::string& args, const fs::path& scratch) {
  const fs::path out = scratch / "out.txt", err = scratch / "err.txt";
  const std::string cmd =
      std::string(SKELVAR_REPLAY) + " " + args + " > " + out.string() + " 2> " + err.string();
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

Record Kept(const fs::path& dir) {
  const auto text = ParseKeyValueText(Slurp(dir / "records"), nullptr);
  EXPECT_TRUE(text) << Slurp(dir / "records");
  return text ? RecordFromText(*text, nullptr).value_or(Record{}) : Record{};
}

class ReplayRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "skelvar-replay-records.XXXXXX").string();
    scratch_ = mkdtemp(pattern.data());
    records_ = scratch_ / "kept";
  }
  void TearDown() override { fs::remove_all(scratch_); }
  fs::path scratch_, records_;
};

TEST_F(ReplayRecords, AWinLeavesItsClearTimeAndTheOutputIsTheSame) {
  const std::string script = SKELVAR_WINNING_SCRIPT;
  const ToolRun plain = Replay("--ticks 420 " + script, scratch_);
  ASSERT_EQ(plain.status, 0) << plain.err;
  // The clear time as the result text showed it.
  const std::string shown = "クリアタイム：";
  const size_t at = plain.out.rfind(shown);
  ASSERT_NE(at, std::string::npos) << "the script no longer wins";
  const int64_t seconds = std::stoll(plain.out.substr(at + shown.size()));

  const ToolRun kept =
      Replay("--ticks 420 --records " + records_.string() + " " + script, scratch_);
  ASSERT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(kept.err, "");
  EXPECT_EQ(kept.out, plain.out) << "the state output is byte for byte the same";
  const Record first = Kept(records_);
  EXPECT_EQ((Record{first.best, first.runs, first.clears}), (Record{seconds, 1, 1}));
  // The best time keeps the run that made it, to race.
  const std::optional<tick::CodedRun> run = tick::DecodeRun(first.bestRun);
  ASSERT_TRUE(run) << first.bestRun;
  EXPECT_EQ(run->clearSeconds, seconds);
  EXPECT_GT(run->journal.ticks, 300);

  // A second win adds to the counts and keeps the time with its first run.
  Replay("--quiet --ticks 420 --records " + records_.string() + " " + script, scratch_);
  EXPECT_EQ(Kept(records_), (Record{seconds, 2, 1 + 1, first.bestRun}));
}

TEST_F(ReplayRecords, ALostRunCountsARunAndNoClearAndAnIdleOneWritesNothing) {
  const fs::path lose = scratch_ / "lose.txt";
  // Up starts a run; running right without a jump, the girl runs into the first obstacle.
  std::ofstream(lose) << "1 keydown 38\n2 keyup 38\n3 keydown 39\n";
  const ToolRun plain = Replay("--ticks 400 " + lose.string(), scratch_);
  ASSERT_NE(plain.out.find("ゲームオーバー"), std::string::npos) << "the run is not lost";
  const ToolRun kept =
      Replay("--ticks 400 --records " + records_.string() + " " + lose.string(), scratch_);
  EXPECT_EQ(kept.out, plain.out);
  EXPECT_EQ(Kept(records_), (Record{std::nullopt, 1, 0}));

  const fs::path idle = scratch_ / "idle";
  const fs::path nothing = scratch_ / "nothing.txt";
  std::ofstream(nothing) << "# the menu only\n";
  Replay("--ticks 50 --records " + idle.string() + " " + nothing.string(), scratch_);
  EXPECT_FALSE(fs::exists(idle / "records")) << "nothing written while nothing changed";
}

TEST_F(ReplayRecords, DamageAndAnUnwritableFolderAreReportedAndTheOutputStaysTheSame) {
  const std::string script = SKELVAR_WINNING_SCRIPT;
  const ToolRun plain = Replay("--quiet --ticks 420 " + script, scratch_);
  fs::create_directories(records_);
  std::ofstream(records_ / "records") << "version 1\nbest \x01\n";
  const ToolRun damaged =
      Replay("--quiet --ticks 420 --records " + records_.string() + " " + script, scratch_);
  EXPECT_EQ(damaged.status, 0);
  EXPECT_EQ(damaged.out, plain.out);
  EXPECT_EQ(std::count(damaged.err.begin(), damaged.err.end(), '\n'), 1) << damaged.err;
  EXPECT_NE(damaged.err.find("damaged"), std::string::npos) << damaged.err;
  EXPECT_TRUE(fs::exists(records_ / "records.damaged"));
  EXPECT_EQ(Kept(records_).clears, 1) << "replaced by a valid file";

  std::ofstream(scratch_ / "plain-file") << "x";
  const ToolRun unwritable = Replay(
      "--quiet --ticks 420 --records " + (scratch_ / "plain-file" / "kept").string() + " " + script,
      scratch_);
  EXPECT_EQ(unwritable.status, 0);
  EXPECT_EQ(unwritable.out, plain.out);
  EXPECT_EQ(std::count(unwritable.err.begin(), unwritable.err.end(), '\n'), 1) << unwritable.err;
  EXPECT_NE(unwritable.err.find("cannot create"), std::string::npos) << unwritable.err;

  const ToolRun missing = Replay("--records", scratch_);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("--records needs a value"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace skelvar::records
