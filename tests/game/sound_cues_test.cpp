// The sounds a tick calls for: worked examples of a run, and long random sessions checked
// against what the player's position and the game's state show independently.
#include "game/sound_cues.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "game/texts.h"
#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

constexpr int Cat = 9, Dog = 8;

struct Listener {
  Harness h;
  CueTracker tracker{h.g()};
  CueSet Tick() {
    h.Tick();
    return tracker.Tick(h.g());
  }
  // Ticks until a cue sounds, at most limit times; the number of ticks taken, or -1.
  int TicksUntil(Cue cue, int limit) {
    for (int k = 1; k <= limit; ++k) {
      if (Has(Tick(), cue)) return k;
    }
    return -1;
  }
};

TEST(SoundCues, ARunFromStartToJumpLandingAndBackToTheMenu) {
  Listener l;
  for (int k = 0; k < 30; ++k) {
    l.h.g().MouseMove(100 + k, 100);
    EXPECT_EQ(l.Tick(), 0) << "the menu is silent until a run starts";
  }
  l.h.g().FormKeyDown(VK_RIGHT);
  EXPECT_EQ(l.Tick(), Bit(Cue::RunStart));
  l.h.Isolate({});
  l.h.g().FormKeyUp(VK_RIGHT);
  EXPECT_EQ(l.Tick(), 0) << "running on is silent";
  const int32_t ground = l.h.g().PosY[0];

  l.h.g().FormKeyDown(VK_UP);
  EXPECT_EQ(l.Tick(), Bit(Cue::Jump));
  l.h.g().FormKeyUp(VK_UP);
  EXPECT_LT(l.h.g().PosY[0], ground) << "the jump cue comes with her leaving the ground";
  int landed = -1;
  for (int k = 1; k <= 40 && landed < 0; ++k) {
    const CueSet cues = l.Tick();
    EXPECT_FALSE(Has(cues, Cue::Jump));
    if (Has(cues, Cue::Land)) landed = k;
  }
  ASSERT_GT(landed, 3) << "a jump lasts a few ticks before she lands";
  EXPECT_EQ(l.h.g().PosY[0], ground);

  // A jump held down through the landing takes off again straight after.
  l.h.g().FormKeyDown(VK_SPACE);
  EXPECT_TRUE(Has(l.Tick(), Cue::Jump));
  l.h.g().FormKeyUp(VK_SPACE);

  l.h.g().FormKeyDown(VK_ESCAPE);
  EXPECT_EQ(l.Tick(), Bit(Cue::Menu));
  l.h.g().FormKeyUp(VK_ESCAPE);
  for (int k = 0; k < 200; ++k) EXPECT_EQ(l.Tick(), 0) << "tick " << k << " at the menu";
}

TEST(SoundCues, ARemarkChirpsWhenItAppearsAndNotWhenItGoes) {
  Listener l;
  l.h.g().FormKeyDown(VK_RIGHT);
  l.Tick();
  l.h.g().FormKeyUp(VK_RIGHT);
  l.h.Isolate({});
  int remarks = 0;
  for (int k = 1; k <= 300; ++k) {
    const CueSet cues = l.Tick();
    if (Has(cues, Cue::Remark)) {
      ++remarks;
      const auto text = l.h.g().scene.lblMsg.text.view();
      EXPECT_NE(std::find(ChatterMessages.begin(), ChatterMessages.end(), text),
                ChatterMessages.end())
          << "tick " << k;
    }
  }
  EXPECT_EQ(remarks, 3) << "one remark every five seconds of play";
}

// Puts an actor right in front of her so that the next step touches it.
void PlaceBeside(Listener& l, int actor) {
  auto& g = l.h.g();
  g.PosX[actor] = g.PosX[0] + 5;
  g.PosY[actor] = g.PosY[0];
  g.VelX[actor] = 0.0;
  g.VelY[actor] = 0.0;
}

TEST(SoundCues, CatchingTheCatAndTouchingTheDogEachSoundOnceAndEndInTheirOwnJingle) {
  struct Case {
    int actor;
    Cue contact, result;
  };
  for (const Case c : {Case{Cat, Cue::Caught, Cue::Fanfare}, Case{Dog, Cue::Bump, Cue::Sting}}) {
    Listener l;
    l.h.g().FormKeyDown(VK_RIGHT);
    l.Tick();
    l.h.g().FormKeyUp(VK_RIGHT);
    l.h.Isolate({c.actor});
    PlaceBeside(l, c.actor);
    EXPECT_EQ(l.Tick(), Bit(c.contact)) << "actor " << c.actor;
    ASSERT_EQ(l.h.g().GameState, StateOutcome);
    std::vector<std::pair<int, CueSet>> heard;
    for (int k = 1; k <= 80; ++k) {
      const CueSet cues = l.Tick();
      if (cues != 0) heard.emplace_back(k, cues);
    }
    const std::vector<std::pair<int, CueSet>> expected = {{5, Bit(Cue::Whoosh)},
                                                          {45, Bit(Cue::Whoosh) | Bit(c.result)}};
    EXPECT_EQ(heard, expected) << "actor " << c.actor;
    EXPECT_EQ(l.h.g().GameState, StateFinished);
    l.h.g().FormKeyDown(VK_LEFT);
    EXPECT_EQ(l.Tick(), Bit(Cue::Menu));
  }
}

TEST(SoundCues, AClickOnTheOutcomePictureStartsTheNextRunWithItsCue) {
  Listener l;
  l.h.g().FormKeyDown(VK_RIGHT);
  l.Tick();
  l.h.g().FormKeyUp(VK_RIGHT);
  l.h.Isolate({Dog});
  PlaceBeside(l, Dog);
  l.Tick();
  for (int k = 0; k < 20; ++k) l.Tick();
  const Picture& over = l.h.g().scene.imgOver;
  l.h.g().MouseClick(l.h.g().scene.pnlGame.left + over.left + over.width / 2,
                     l.h.g().scene.pnlGame.top + over.top + over.height / 2);
  ASSERT_EQ(l.h.g().GameState, StatePlaying);
  EXPECT_EQ(l.Tick(), Bit(Cue::RunStart));
}

TEST(SoundCues, TheDogYapsWhenItHopsAtHerAndTheBirdWhistlesOnlyWhenItDivesNearby) {
  constexpr int Bird = 7;
  Listener l;
  l.h.g().FormKeyDown(VK_RIGHT);
  l.Tick();
  l.h.g().FormKeyUp(VK_RIGHT);
  l.h.Isolate({});
  // Far away, the bird's dives are silent.
  int far = 0;
  for (int k = 0; k < 100; ++k) far += Has(l.Tick(), Cue::BirdSwoop);
  EXPECT_EQ(far, 0);

  // The dog just behind her, where she does not see it, comes on and hops at once.
  auto& g = l.h.g();
  g.PosX[Dog] = g.PosX[0] - 150;
  g.PosY[Dog] = g.PosY[0];
  g.VelX[Dog] = 0.0;
  g.VelY[Dog] = 0.0;
  EXPECT_TRUE(Has(l.Tick(), Cue::DogYap));
  EXPECT_LT(g.VelY[Dog], 0.0);
  g.PosX[Dog] = 9000;
  g.PosY[Dog] = -2000;

  // The bird above her: one whistle per dive, every 50 ticks.
  g.PosX[Bird] = g.PosX[0] + 300;
  g.PosY[Bird] = g.PosY[0] - 400;
  std::vector<int> whistles;
  for (int k = 1; k <= 100; ++k) {
    if (Has(l.Tick(), Cue::BirdSwoop)) {
      whistles.push_back(k);
      EXPECT_GT(g.VelY[Bird], 0.0) << "it dives as it whistles";
    }
  }
  ASSERT_EQ(whistles.size(), 2u);
  EXPECT_EQ(whistles[1] - whistles[0], 50);
}

constexpr std::array<int, 8> KeyPool = {VK_RETURN, VK_ESCAPE, VK_SPACE, VK_LEFT,
                                        VK_UP,     VK_RIGHT,  VK_DOWN,  65};

TEST(SoundCues, LongRandomSessionsAgreeWithWhatSheAndTheGameDo) {
  int64_t jumps = 0, landings = 0, contacts = 0, wins = 0, results = 0, runs = 0;
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    Listener l;
    auto& g = l.h.g();
    int32_t y1 = 0, y2 = 0;  // her height one and two ticks ago, within the run
    int inRun = 0;           // ticks since the run started
    int64_t contactTick = -1000;
    int contactActor = 0;
    bool airborne = false;
    int32_t stateBefore = g.GameState;  // as the last tick left it, before this tick's input
    for (int64_t k = 1; k <= 30000; ++k) {
      for (int e = static_cast<int>(rng() % 3); e > 0; --e) {
        const uint32_t what = rng() % 100;
        const int key = rng() % 3 == 0 ? VK_RIGHT : KeyPool[rng() % KeyPool.size()];
        if (what < 45) {
          if (key == VK_ESCAPE && (g.GameState == StateMenu || rng() % 20 != 0)) continue;
          g.FormKeyDown(key);
        } else if (what < 85) {
          g.FormKeyUp(key);
        } else {
          g.MouseClick(static_cast<int32_t>(rng() % 944), static_cast<int32_t>(rng() % 542));
        }
      }
      const CueSet cues = l.Tick();
      const int32_t state = g.GameState;
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " tick " << k);

      if (stateBefore == StateMenu && state == StateMenu) {
        ASSERT_EQ(cues, 0);
      }
      const bool started = Has(cues, Cue::RunStart);
      ASSERT_EQ(started, state == StatePlaying && stateBefore != StatePlaying);
      if (started) {
        ++runs;
        inRun = 0;
        airborne = false;
      }
      const bool contact = stateBefore == StatePlaying && state == StateOutcome;
      ASSERT_EQ(Has(cues, Cue::Caught), contact && g.HitIndex == Cat);
      ASSERT_EQ(Has(cues, Cue::Bump), contact && g.HitIndex != Cat);
      if (contact) {
        ++contacts;
        wins += g.HitIndex == Cat;
        contactTick = k;
        contactActor = g.HitIndex;
      }
      const bool outcomeGoesOn = state == StateOutcome && stateBefore == StateOutcome;
      ASSERT_EQ(Has(cues, Cue::Whoosh),
                outcomeGoesOn && (k == contactTick + 5 || k == contactTick + 45));
      ASSERT_EQ(Has(cues, Cue::Fanfare),
                outcomeGoesOn && k == contactTick + 45 && contactActor == Cat);
      ASSERT_EQ(Has(cues, Cue::Sting),
                outcomeGoesOn && k == contactTick + 45 && contactActor != Cat);
      results += Has(cues, Cue::Fanfare) || Has(cues, Cue::Sting);
      ASSERT_EQ(Has(cues, Cue::Menu), state == StateMenu && stateBefore != StateMenu);

      // Her height alone tells when she leaves the ground and when she is back on it.
      const bool stepped = state == StatePlaying || contact;
      const int32_t y = g.PosY[0];
      if (stepped && !started && inRun >= 2) {
        const bool rises = y < y1 && y1 >= y2;
        const bool lands = y == y1 && y1 > y2;
        ASSERT_EQ(Has(cues, Cue::Jump), rises) << y << " " << y1 << " " << y2;
        ASSERT_EQ(Has(cues, Cue::Land), lands) << y << " " << y1 << " " << y2;
      }
      if (Has(cues, Cue::Jump)) {
        ASSERT_FALSE(airborne) << "two jumps without a landing";
        airborne = true;
        ++jumps;
      }
      if (Has(cues, Cue::Land)) {
        ASSERT_TRUE(airborne) << "a landing without a jump";
        airborne = false;
        ++landings;
      }
      if (state == StatePlaying) {
        y2 = inRun >= 1 ? y1 : y;
        y1 = y;
        ++inRun;
      }
      stateBefore = state;
      if (g.Closed()) break;
    }
  }
  // The sessions must have covered what they check.
  EXPECT_GT(runs, 20);
  EXPECT_GT(jumps, 500);
  EXPECT_GT(landings, 400);
  EXPECT_GT(contacts, 20);
  EXPECT_GT(results, 10);
  std::cout << runs << " runs, " << jumps << " jumps, " << contacts << " contacts, " << wins
            << " catches\n";
}

}  // namespace
}  // namespace skelvar
