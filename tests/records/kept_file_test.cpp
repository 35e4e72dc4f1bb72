// The kept files on disk: a damaged file kept aside, a folder that cannot be written, two writers
// at once, and writers killed at random moments in the middle of a write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "records/key_value_text.h"
#include "records/last_run.h"
#include "records/record_store.h"
#include "test_support.h"

namespace skelvar::records {
namespace {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "skelvar-kept.XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Folder() { fs::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct Warnings {
  std::vector<std::string> lines;
  WarningSink sink() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
};

TEST(KeptFile, ADamagedFileIsReportedKeptAsideAndReplacedByAValidOne) {
  Folder dir;
  Warnings warnings;
  const std::string torn = "version 1\nbest 15\nru";
  Put(dir.file("records"), torn);
  RecordStore store(dir.path(), warnings.sink());
  EXPECT_EQ(store.Load(), Record{}) << "play goes on from an empty record";
  ASSERT_EQ(warnings.lines.size(), 1u);
  EXPECT_NE(warnings.lines[0].find(dir.file("records")), std::string::npos) << warnings.lines[0];
  EXPECT_NE(warnings.lines[0].find(".damaged"), std::string::npos) << warnings.lines[0];
  EXPECT_EQ(Slurp(dir.file("records.damaged")), torn) << "kept aside byte for byte";
  EXPECT_FALSE(fs::exists(dir.file("records")));

  EXPECT_EQ(store.Add({22, 1, 1}), (Record{22, 1, 1}));
  EXPECT_EQ(Slurp(dir.file("records")), "version 1\nbest 22\nruns 1\nclears 1\n");

  // A second damaged file never overwrites the first one kept aside.
  Put(dir.file("records"), "version 1\nbest soon\n");
  RecordStore again(dir.path(), warnings.sink());
  EXPECT_EQ(again.Add({30, 1, 0}), (Record{30, 1, 0})) << "merged with nothing";
  ASSERT_EQ(warnings.lines.size(), 2u);
  EXPECT_EQ(Slurp(dir.file("records.damaged")), torn);
  EXPECT_EQ(Slurp(dir.file("records.2.damaged")), "version 1\nbest soon\n");
  EXPECT_EQ(RecordStore(dir.path(), warnings.sink()).Load(), (Record{30, 1, 0}));
  EXPECT_EQ(warnings.lines.size(), 2u) << "a valid file gives no warning";
}

TEST(KeptFile, AFolderThatCannotBeWrittenWarnsOnceAndPlayGoesOn) {
  Folder dir;
  Put(dir.file("not-a-folder"), "x");
  Warnings warnings;
  // Running as root ignores permissions, so the folder lies under a plain file instead.
  RecordStore store(dir.file("not-a-folder") + "/skelvar", warnings.sink());
  EXPECT_EQ(store.Load(), Record{});
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(store.Add({10, 1, 1}));
  ASSERT_EQ(warnings.lines.size(), 1u);
  EXPECT_NE(warnings.lines[0].find("cannot create"), std::string::npos) << warnings.lines[0];

  Warnings homeless;
  RecordStore nowhere("", homeless.sink());
  EXPECT_EQ(nowhere.Load(), Record{});
  EXPECT_FALSE(nowhere.Add({10, 1, 1}));
  EXPECT_EQ(homeless.lines.size(), 1u);
}

TEST(KeptFile, KeysItDoesNotKnowSurviveARewriteAndSettingsAreWrittenOnlyWhenChanged) {
  Folder dir;
  Warnings warnings;
  Put(dir.file("records"), "version 1\nghost_best 12\nbest 40\nruns 3\nclears 1\n");
  RecordStore store(dir.path(), warnings.sink());
  EXPECT_EQ(store.Add({35, 1, 1}), (Record{35, 4, 2}));
  EXPECT_EQ(Slurp(dir.file("records")), "version 1\nghost_best 12\nbest 35\nruns 4\nclears 2\n");

  Put(dir.file("settings"), "version 1\nvolume 7\nmuted 0\n");
  SettingsStore settings(warnings.sink(), dir.path());
  EXPECT_EQ(settings.Load(), Settings{false});
  settings.Save({true});
  EXPECT_EQ(Slurp(dir.file("settings")), "version 1\nvolume 7\nmuted 1\nghost 1\n");
  fs::remove(dir.file("settings"));
  settings.Save({true});
  EXPECT_FALSE(fs::exists(dir.file("settings"))) << "nothing written while nothing changed";
  settings.Save({false});
  EXPECT_EQ(SettingsStore(warnings.sink(), dir.path()).Load(), Settings{false});
  EXPECT_TRUE(warnings.lines.empty());
}

TEST(RecordBook, TheMenuShowsAnotherWindowsRecordWhenItComesBack) {
  Folder dir;
  Warnings warnings;
  testing::Harness harness;
  auto& g = harness.g();
  RecordBook book(dir.path(), warnings.sink());
  RecordKeeper keeper(g, book.loaded());
  // As the running game follows it after every handler.
  const auto follow = [&] {
    const Happenings h = g.TakeHappenings();
    book.Follow(keeper, keeper.Observe(h), h.Has(Happening::BackToMenu));
  };
  harness.StartRun();
  follow();
  EXPECT_EQ(RecordStore(dir.path(), warnings.sink()).Load(), (Record{std::nullopt, 1, 0}))
      << "a started run is kept at once";
  // Another window wins meanwhile.
  RecordStore(dir.path(), warnings.sink()).Add({33, 1, 1});
  follow();
  EXPECT_EQ(g.scene.lblBest.text.view(), "") << "not read again during play";
  g.PlayCommand('e');
  follow();
  EXPECT_EQ(g.scene.lblBest.text.view(), "ベストタイム：33秒");
  EXPECT_EQ(keeper.Shown(), (Record{33, 2, 1}));
  EXPECT_TRUE(warnings.lines.empty());
}

// Runs `work` in a child process and returns its exit status.
template <typename F>
pid_t Spawn(F work) {
  const pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  return pid;
}

TEST(KeptFile, TwoWritersAtOnceKeepTheBetterTimeAndEveryCount) {
  Folder dir;
  constexpr int Adds = 60;
  std::vector<pid_t> writers;
  for (int w = 0; w < 2; ++w) {
    writers.push_back(Spawn([&dir, w] {
      RecordStore store(dir.path(), [](const std::string& m) { ADD_FAILURE() << m; });
      // Each writer's times fall; the second's best (22) is the better one.
      for (int i = 0; i < Adds; ++i) store.Add({100 - i * (w == 0 ? 1 : 4) / 3, 1, i % 2});
    }));
  }
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Warnings warnings;
  const Record kept = RecordStore(dir.path(), warnings.sink()).Load();
  EXPECT_EQ(kept, (Record{100 - 59 * 4 / 3, 2 * Adds, Adds}));
  EXPECT_TRUE(warnings.lines.empty());
}

// The last run goes to a writer thread: the caller never waits on the disk, and of runs handed over
// faster than they are written the latest is the one kept, written before the file is let go.
TEST(KeptFile, TheLastRunIsWrittenOnItsOwnThreadAndTheLatestStays) {
  Folder dir;
  Warnings warnings;
  {
    LastRunFile kept(dir.path(), warnings.sink());
    for (int i = 1; i <= 20; ++i) kept.Keep("# run " + std::to_string(i) + "\n");
  }
  EXPECT_EQ(Slurp(dir.file("last-run")), "# run 20\n");
  EXPECT_TRUE(warnings.lines.empty());
  Put(dir.file("in-the-way"), "a file where the folder would be");
  {
    LastRunFile kept(dir.file("in-the-way") + "/state", warnings.sink());
    kept.Keep("# run 1\n");
  }
  ASSERT_EQ(warnings.lines.size(), 1u);
  EXPECT_NE(warnings.lines[0].find("cannot keep the last run"), std::string::npos);
}

// A writer killed with SIGKILL at any moment leaves the old record or the new one, whole.
TEST(KeptFile, AWriterKilledAtRandomMomentsLeavesTheOldRecordOrTheNew) {
  Folder dir;
  Warnings warnings;
  std::mt19937 rng(20240611);
  const auto writer = [&dir] {
    return Spawn([&dir] {
      RecordStore store(dir.path(), [](const std::string&) { _exit(3); });
      store.Add({1000 - static_cast<int64_t>(getpid() % 500), 1, 0});
      _exit(0);
    });
  };
  // How long one whole write takes here, from the fork to the end; the disk sets it.
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  waitpid(writer(), &status, 0);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
  int64_t runs = 1, keptOld = 0, keptNew = 0;
  for (int round = 0; round < 300; ++round) {
    const pid_t pid = writer();
    // Somewhere from before the child starts to after it has finished.
    usleep(static_cast<useconds_t>(rng() % static_cast<uint64_t>(whole * 3 / 2 + 1)));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "the writer saw damage";
    const Record now = RecordStore(dir.path(), warnings.sink()).Load();
    ASSERT_TRUE(warnings.lines.empty()) << "round " << round << ": " << warnings.lines[0];
    ASSERT_TRUE(now.runs == runs || now.runs == runs + 1) << "round " << round;
    (now.runs == runs ? keptOld : keptNew) += 1;
    runs = now.runs;
  }
  // The kills must have landed both before and after the rename.
  EXPECT_GT(keptOld, 10);
  EXPECT_GT(keptNew, 10);
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().string().find(".damaged"), std::string::npos) << entry.path();
  }
  RecordProperty("write_us", std::to_string(whole));
  RecordProperty("kept_old", std::to_string(keptOld));
  RecordProperty("kept_new", std::to_string(keptNew));
}

}  // namespace
}  // namespace skelvar::records
