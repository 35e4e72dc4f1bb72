// Watching a run and racing it, stepped a tick at a time on the virtual clock as the page's stepped
// mode runs it: the notes' lifetime in game ticks, the keys while a run is watched, the race after
// its end, and a watched win that changes nothing of the player's record.
#include "run/watch_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "game/fixed_text_measurer.h"
#include "game/random.h"
#include "replay_script.h"

namespace skelvar::tick {
namespace {

// The code of the winning run: the cat caught at tick 339, the run's code 460 ticks long.
std::string WinningCode() {
  std::ostringstream all;
  all << std::ifstream(std::filesystem::path(SKELVAR_SOURCE_DIR) / "tests/records/winning.txt")
             .rdbuf();
  Journal j{1, 944, 542, {}, 460};
  std::string error;
  EXPECT_TRUE(replay::ParseScript(all.str(), j.events, error)) << error;
  return EncodeRun(j, -1).value_or("");
}

RunningGame::Options Kept(const records::Record& kept) {
  RunningGame::Options options;
  options.kept = kept;
  return options;
}

// The player's game with a session around it, stepped as a stepped page steps it.
struct Player {
  explicit Player(const records::Record& kept = {})
      : clock(7), game(clock, random, measurer, Kept(kept)), session(game, measurer) {
    game.Follow(0.0);
  }
  Happened Step() { return session.Step(clock, ++tick); }
  void Step(int64_t n) {
    for (int64_t i = 0; i < n; ++i) Step();
  }
  Happened Key(int code, EventKind kind = EventKind::KeyDown) {
    return session.Feed(kind, code, KeyboardSource, clock.TickTimeMs(tick));
  }
  // A key pressed and let go before the next tick.
  void Tap(int code) {
    Key(code);
    Key(code, EventKind::KeyUp);
  }
  std::string_view Note() const { return session.Shown().CurrentList().noteText; }
  // Steps until the watched run is over; the ticks that took.
  int64_t StepToTheEnd() {
    int64_t n = 0;
    for (; session.Watching() && !session.WatchedOver() && n < 2000; ++n) Step();
    return n;
  }

  VirtualClock clock;
  Mt19937Random random;
  FixedTextMeasurer measurer;
  RunningGame game;
  WatchSession session;
  int64_t tick = 0;
};

TEST(WatchSession, APassingNoteStaysFiftyGameTicks) {
  Player p;
  p.Step(3);
  EXPECT_FALSE(p.session.MayShare());
  EXPECT_FALSE(p.session.Share()) << "no run has ended";
  EXPECT_EQ(p.Note(), "");
  std::string why;
  EXPECT_FALSE(p.session.Watch("https://example.org/#from=board&run=AQEB-damaged", 0.0, &why));
  EXPECT_NE(why.find("run code"), std::string::npos) << why;
  EXPECT_EQ(p.Note(), RefusedNote);
  p.Step(WatchSession::NoteTicks - 1);
  EXPECT_EQ(p.Note(), RefusedNote);
  EXPECT_TRUE(p.Step().pictureChanged);
  EXPECT_EQ(p.Note(), "");
}

TEST(WatchSession, WhileARunIsWatchedOnlyEscReachesTheGameUntilItsEnd) {
  Player p;
  p.Step(3);
  ASSERT_TRUE(p.session.MayWatch());
  // A link's fragment may hold the run among other parameters.
  ASSERT_TRUE(p.session.Watch(
      "https://example.org/skelvar/#from=board&run=" + WinningCode() + "&at=2", 0.0));
  EXPECT_FALSE(p.session.MayWatch());
  EXPECT_EQ(p.Note(), ReplayNote);
  // Held over the ticks, → would start the player's run were it fed.
  p.Key(VK_RIGHT);
  p.Tap(VK_UP);
  p.session.Feed(EventKind::Click, 472, 300, 0.0);
  p.Step(30);
  p.Key(VK_RIGHT, EventKind::KeyUp);
  EXPECT_TRUE(p.session.Watching()) << "a command key before the end races nothing";
  EXPECT_EQ(p.game.game().GameState, StateMenu);
  EXPECT_TRUE(p.Key(VK_ESCAPE).pictureChanged);
  EXPECT_FALSE(p.session.Watching());
  p.Step(2);
  // Esc at the menu would end the player's game.
  EXPECT_FALSE(p.game.game().Closed()) << "Esc's press only left the watched run";
  EXPECT_EQ(p.game.game().GameState, StateMenu);
  EXPECT_TRUE(p.session.MayWatch());
}

TEST(WatchSession, AtItsEndTheNextCommandKeyRacesTheWatchedRun) {
  Player p;
  p.Step(3);
  ASSERT_TRUE(p.session.Watch(WinningCode(), 0.0));
  EXPECT_EQ(p.StepToTheEnd(), 460) << "the watched run plays all its ticks, one a tick";
  EXPECT_EQ(p.Note(), ReplayOverNote);
  p.Step(100);
  EXPECT_TRUE(p.session.Watching()) << "the end waits for a key";
  EXPECT_TRUE(p.Key(VK_RIGHT).pictureChanged);
  EXPECT_FALSE(p.session.Watching());
  EXPECT_TRUE(p.Step().runStarted) << "the key went on to the player's game";
  p.Key(VK_RIGHT, EventKind::KeyUp);
  EXPECT_EQ(p.game.game().GameState, StatePlaying);
  p.Step(5);
  const DrawList& list = p.game.CurrentList();
  EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const auto& op) { return op.alpha < 255; }))
      << "the watched run's girl races the player's";
  EXPECT_EQ(p.Note(), "");
}

TEST(WatchSession, AWatchedWinLeavesThePlayersRecordAndItsLineAsTheyAre) {
  records::Record kept;
  kept.best = 30;
  kept.runs = 4;
  kept.clears = 1;
  Player p(kept);
  const std::string line(p.game.game().scene.lblBest.text.view());
  ASSERT_FALSE(line.empty());
  p.Step(3);
  ASSERT_TRUE(p.session.Watch(WinningCode(), 0.0));
  bool won = false;
  for (int64_t n = 0; n < 460; ++n) {
    EXPECT_FALSE(p.Step().recordChanged);
    const TGameMain& watched = p.session.Shown().game();
    won = won || watched.scene.lblMsg.text.view().find("クリアタイム") != std::string_view::npos;
    ASSERT_EQ(watched.scene.lblBest.text.view(), line) << "tick " << n;
  }
  EXPECT_TRUE(won) << "the watched run wins, faster than the player's best";
  EXPECT_EQ(p.game.records().Unsaved(), records::Record{});
  p.Key(VK_ESCAPE);
  EXPECT_EQ(p.game.game().scene.lblBest.text.view(), line);
  EXPECT_EQ(p.game.records().Shown(), kept);
}

}  // namespace
}  // namespace skelvar::tick
