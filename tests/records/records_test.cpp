// The kept files' text, the record's rules and the keeper that follows a window's runs.
#include "records/records.h"

#include <gtest/gtest.h>

#include "game/texts.h"
#include "records/key_value_text.h"
#include "records/record_keeper.h"
#include "test_support.h"

namespace skelvar::records {
namespace {

TEST(KeyValueText, ReadsWhatItPrintsAndKeepsUnknownKeysInTheirPlace) {
  std::string why;
  auto text = ParseKeyValueText("version 1\nbest 15\ntrophy gold star\nruns 4\n", &why);
  ASSERT_TRUE(text) << why;
  EXPECT_EQ(text->Get("trophy"), "gold star") << "a value runs to the end of its line";
  PutRecord({12, 9, 3}, *text);
  EXPECT_EQ(PrintKeyValueText(*text), "version 1\nbest 12\ntrophy gold star\nruns 9\nclears 3\n");
  const auto again = ParseKeyValueText(PrintKeyValueText(*text), &why);
  ASSERT_TRUE(again) << why;
  EXPECT_EQ(RecordFromText(*again, &why), (Record{12, 9, 3}));
}

TEST(KeyValueText, RejectsEveryKindOfDamage) {
  const std::pair<const char*, const char*> damaged[] = {
      {"", "empty"},
      {"version 1\nbest 15", "cut short"},
      {"best 15\nversion 1\n", "version"},
      {"version 2\nbest 15\n", "version is not 1"},
      {"version 1\nbest 15\nbest 16\n", "repeats"},
      {"version 1\nbest\n", "line 2"},
      {"version 1\nBest 15\n", "line 2"},
      {"version 1\n\n", "line 2"},
      {"version 1\nbest 1\x01"
       "5\n",
       "line 2"},
      {"\xef\xbb\xbfversion 1\n", "line 1"},
  };
  for (const auto& [bytes, reason] : damaged) {
    std::string why;
    EXPECT_FALSE(ParseKeyValueText(bytes, &why)) << bytes;
    EXPECT_NE(why.find(reason), std::string::npos) << bytes << " gave: " << why;
  }
  // Well-formed, but not a record: a count that is not a count.
  for (const char* bad : {"version 1\nruns -1\n", "version 1\nbest 1.5\n", "version 1\nclears x\n",
                          "version 1\nbest +3\n", "version 1\nruns 99999999999999999999\n"}) {
    std::string why;
    const auto text = ParseKeyValueText(bad, &why);
    ASSERT_TRUE(text) << bad << why;
    EXPECT_FALSE(RecordFromText(*text, &why)) << bad;
  }
  const auto settings = ParseKeyValueText("version 1\nmuted yes\n", nullptr);
  ASSERT_TRUE(settings);
  EXPECT_FALSE(SettingsFromText(*settings, nullptr));
}

TEST(Record, MergingKeepsTheBetterTimeAndAddsTheCounts) {
  EXPECT_EQ(Merged({20, 5, 2}, {15, 3, 1}), (Record{15, 8, 3}));
  EXPECT_EQ(Merged({12, 5, 2}, {15, 3, 1}), (Record{12, 8, 3}));
  EXPECT_EQ(Merged({std::nullopt, 5, 0}, {std::nullopt, 1, 0}), (Record{std::nullopt, 6, 0}));
  EXPECT_EQ(Merged({std::nullopt, 0, 0}, {30, 1, 1}), (Record{30, 1, 1}));
  EXPECT_EQ(Merged({30, 1, 1}, {}), (Record{30, 1, 1}));
  // The better time keeps its run; a tie keeps the kept one's.
  EXPECT_EQ(Merged({20, 5, 2, "AAAA"}, {15, 3, 1, "BBBB"}), (Record{15, 8, 3, "BBBB"}));
  EXPECT_EQ(Merged({12, 5, 2, "AAAA"}, {15, 3, 1, "BBBB"}), (Record{12, 8, 3, "AAAA"}));
  EXPECT_EQ(Merged({15, 5, 2, "AAAA"}, {15, 3, 1, "BBBB"}), (Record{15, 8, 3, "AAAA"}));
  // Kept beside the best time in the file, and refused when it is no run code.
  KeyValueText text;
  PutRecord({12, 9, 3, "Ab-_9"}, text);
  EXPECT_EQ(PrintKeyValueText(text), "version 1\nbest 12\nruns 9\nclears 3\nbest_run Ab-_9\n");
  EXPECT_EQ(RecordFromText(text, nullptr), (Record{12, 9, 3, "Ab-_9"}));
  text.Set("best_run", "not/a code");
  std::string why;
  EXPECT_FALSE(RecordFromText(text, &why));
  EXPECT_EQ(why, "best_run is not a run code");
}

// Lands the girl on the cat `seconds` after the start of a fresh run and plays the outcome on to
// the result text.
void ClearIn(testing::Harness& h, double seconds) {
  auto& g = h.g();
  if (g.GameState != StateMenu) g.ReturnToMenu();
  h.StartRun();
  h.Isolate({});
  h.clock.Advance(seconds - 2.3);
  g.PosX[9] = 6000;
  g.PosY[9] = 425;
  g.PosX[0] = 6000;
  g.VelX[0] = 0;
  g.VelY[0] = 0;
  h.Tick();
  ASSERT_EQ(g.HitIndex, 9);
  for (int k = 1; k <= 45; ++k) h.Tick();
}

TEST(RecordKeeper, CountsRunsAndClearsAndShowsTheBestOnTheMenu) {
  testing::Harness h;
  auto& g = h.g();
  RecordKeeper keeper(g, {});
  EXPECT_EQ(g.scene.lblBest.text.view(), "") << "no clear yet: no line";
  EXPECT_FALSE(keeper.Observe(g.TakeHappenings())) << "nothing happened";

  // A run given up with Esc counts as started.
  h.StartRun();
  EXPECT_TRUE(keeper.Observe(g.TakeHappenings()));
  g.PlayCommand('e');
  EXPECT_FALSE(keeper.Observe(g.TakeHappenings()));
  EXPECT_EQ(keeper.Unsaved(), (Record{std::nullopt, 1, 0}));
  EXPECT_EQ(g.scene.lblBest.text.view(), "");

  // The first clear is a new best at once, the moment the result text shows.
  ClearIn(h, 40.0);
  ASSERT_NE(g.scene.lblMsg.text.view().find("40"), std::string_view::npos)
      << g.scene.lblMsg.text.view();
  EXPECT_TRUE(keeper.Observe(g.TakeHappenings()));
  EXPECT_EQ(keeper.Unsaved(), (Record{40, 2, 1}));
  EXPECT_TRUE(keeper.NewBest());
  EXPECT_EQ(g.scene.lblBest.text.view(), WithNumber(NewBestTimeText, 40).view());
  EXPECT_GT(g.scene.lblBest.width, 0);

  keeper.Saved({40, 2, 1});
  EXPECT_EQ(keeper.Unsaved(), Record{});
  // A slower clear counts but does not change the best; the new-best wording goes with the start.
  ClearIn(h, 55.0);
  EXPECT_TRUE(keeper.Observe(g.TakeHappenings()));
  EXPECT_FALSE(keeper.NewBest());
  EXPECT_EQ(keeper.Shown(), (Record{40, 3, 2}));
  EXPECT_EQ(g.scene.lblBest.text.view(), WithNumber(BestTimeText, 40).view());
  // An equal time is no new best either; a faster one is.
  ClearIn(h, 40.0);
  keeper.Observe(g.TakeHappenings());
  EXPECT_FALSE(keeper.NewBest());
  ClearIn(h, 31.0);
  keeper.Observe(g.TakeHappenings());
  EXPECT_TRUE(keeper.NewBest());
  EXPECT_EQ(keeper.Shown(), (Record{31, 5, 4}));

  EXPECT_EQ(g.scene.lblBest.text.view(), WithNumber(NewBestTimeText, 31).view());
  h.StartRun();
  keeper.Observe(g.TakeHappenings());
  EXPECT_EQ(g.scene.lblBest.text.view(), WithNumber(BestTimeText, 31).view())
      << "the next run ends the new-best wording";

  // Another window's better time shows without losing what this one has not saved.
  ClearIn(h, 28.0);
  keeper.Observe(g.TakeHappenings());
  EXPECT_TRUE(keeper.NewBest());
  keeper.Refresh({25, 10, 6});
  EXPECT_EQ(keeper.Shown(), (Record{25, 10 + 5, 6 + 4}));
  EXPECT_FALSE(keeper.NewBest()) << "28 is no longer the best";
  EXPECT_EQ(g.scene.lblBest.text.view(), WithNumber(BestTimeText, 25).view());
}

}  // namespace
}  // namespace skelvar::records
