// Controllers as more keyboards: what each control holds, several controls and several pads
// holding one key, pads leaving, and letting go of everything when the focus goes.
#include "game/controllers.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace skelvar {
namespace {

using Seen = std::vector<std::string>;

// A transition by source 2 as Describe writes it, e.g. "+39@2"; built piece by piece, as GCC 12 at
// -O3 takes `"+" + std::to_string(code)` for an overlapping copy.
std::string Transition(char sign, int code) {
  std::string text(1, sign);
  text += std::to_string(code);
  text += "@2";
  return text;
}

// "+39@2" for Right pressed by source 2, "-39@2" for its release: readable in failure messages.
std::string Describe(const KeyTransition& t) {
  std::string text = t.down ? "+" : "-";
  return text.append(std::to_string(t.code)).append("@").append(std::to_string(t.source));
}

Seen Described(std::span<const KeyTransition> out, int n) {
  Seen seen;
  for (int i = 0; i < n; ++i) seen.push_back(Describe(out[static_cast<std::size_t>(i)]));
  return seen;
}

class PadsTest : public ::testing::Test {
 protected:
  Seen Set(int slot, PadControl c, bool held) {
    return Described(out_, pads_.Set(slot, c, held, out_));
  }
  Seen Stick(int slot, double x) { return Described(out_, pads_.SetStick(slot, x, out_)); }
  Seen Read(int slot, uint32_t buttons, double x) {
    return Described(out_, pads_.Read(slot, buttons, x, out_));
  }
  Seen Disconnect(int slot) { return Described(out_, pads_.Disconnect(slot, out_)); }
  Seen LetGoAll() { return Described(out_, pads_.LetGoAll(out_)); }

  Controllers pads_;
  std::array<KeyTransition, Controllers::MaxLetGoTransitions> out_{};
};

TEST_F(PadsTest, EachControlHoldsItsKeyAndTwoControlsLetGoOnlyTogether) {
  ASSERT_TRUE(pads_.Connect(0));
  const std::array<std::pair<PadControl, int>, 8> buttons = {{{PadControl::DpadLeft, 37},
                                                              {PadControl::DpadRight, 39},
                                                              {PadControl::DpadUp, 38},
                                                              {PadControl::DpadDown, 40},
                                                              {PadControl::South, 32},
                                                              {PadControl::East, 38},
                                                              {PadControl::Start, 13},
                                                              {PadControl::Back, 27}}};
  for (const auto& [control, code] : buttons) {
    SCOPED_TRACE(code);
    EXPECT_EQ(Set(0, control, true), Seen{Transition('+', code)});
    EXPECT_EQ(Set(0, control, true), Seen{}) << "a control already down changes nothing";
    EXPECT_EQ(Set(0, control, false), Seen{Transition('-', code)});
  }

  // The stick steers only past half its travel; flicked across, the old side lets go first.
  EXPECT_EQ(Stick(0, 16384.0 / 32767.0), Seen{}) << "exactly half way is not past half";
  EXPECT_EQ(Stick(0, 16385.0 / 32767.0), Seen{"+39@2"});
  EXPECT_EQ(Stick(0, 0.9), Seen{});
  EXPECT_EQ(Stick(0, -1.0), (Seen{"-39@2", "+37@2"}));
  EXPECT_EQ(Stick(0, 1.0), (Seen{"-37@2", "+39@2"}));
  EXPECT_EQ(Stick(0, 0.0), Seen{"-39@2"});

  // Stick and D-pad both hold Left; east and D-pad up both hold Up.
  EXPECT_EQ(Stick(0, -1.0), Seen{"+37@2"});
  EXPECT_EQ(Set(0, PadControl::DpadLeft, true), Seen{});
  EXPECT_EQ(Stick(0, 0.0), Seen{}) << "the D-pad still holds Left";
  EXPECT_EQ(Set(0, PadControl::DpadLeft, false), Seen{"-37@2"});
  EXPECT_EQ(Set(0, PadControl::East, true), Seen{"+38@2"});
  EXPECT_EQ(Set(0, PadControl::DpadUp, true), Seen{});
  EXPECT_EQ(Set(0, PadControl::East, false), Seen{});
  EXPECT_EQ(Set(0, PadControl::DpadUp, false), Seen{"-38@2"});

  // Read whole, as the page polls a pad: the buttons as bits, then the stick.
  const uint32_t rightAndJump =
      PadButtonBit(PadControl::DpadRight) | PadButtonBit(PadControl::South);
  EXPECT_EQ(Read(0, rightAndJump, 1.0), (Seen{"+39@2", "+32@2"}));
  EXPECT_EQ(Read(0, rightAndJump, 1.0), Seen{});
  EXPECT_EQ(Read(0, PadButtonBit(PadControl::South), 1.0), Seen{}) << "the stick holds Right";
  EXPECT_EQ(Read(0, 0, -1.0), (Seen{"-32@2", "-39@2", "+37@2"}));
  EXPECT_EQ(Read(0, 0, 0.0), Seen{"-37@2"});

  // A pad that is not there holds nothing.
  EXPECT_EQ(Set(1, PadControl::South, true), Seen{});
  EXPECT_EQ(Read(1, rightAndJump, 1.0), Seen{});
  EXPECT_EQ(Stick(ControllerSlots, 1.0), Seen{});
}

TEST_F(PadsTest, EveryPadIsItsOwnSourceAndLeavesWithOnlyItsOwnKeys) {
  EXPECT_EQ(pads_.FreeSlot(), 0);
  ASSERT_TRUE(pads_.Connect(0));
  ASSERT_TRUE(pads_.Connect(1));
  EXPECT_FALSE(pads_.Connect(-1));
  EXPECT_FALSE(pads_.Connect(ControllerSlots));
  EXPECT_EQ(pads_.FreeSlot(), 2);
  EXPECT_EQ(pads_.ConnectedCount(), 2u);

  EXPECT_EQ(Set(0, PadControl::DpadRight, true), Seen{"+39@2"});
  EXPECT_EQ(Set(1, PadControl::DpadRight, true), Seen{"+39@3"}) << "counted per pad";
  EXPECT_EQ(Set(0, PadControl::Start, true), Seen{"+13@2"});
  EXPECT_EQ(Stick(0, 1.0), Seen{});
  EXPECT_EQ(Set(0, PadControl::Back, true), Seen{"+27@2"});
  // The first pad leaves: its keys go up, in the order the game lets go of a source, once each.
  EXPECT_EQ(Disconnect(0), (Seen{"-13@2", "-27@2", "-39@2"}));
  EXPECT_EQ(Disconnect(0), Seen{}) << "a second notice changes nothing";
  EXPECT_FALSE(pads_.Connected(0));
  EXPECT_EQ(pads_.FreeSlot(), 0) << "the free slot is taken again first";
  EXPECT_EQ(Set(1, PadControl::DpadRight, false), Seen{"-39@3"});

  // A pad coming back into a slot starts holding nothing.
  ASSERT_TRUE(pads_.Connect(0));
  EXPECT_EQ(Set(0, PadControl::DpadRight, false), Seen{});
  EXPECT_EQ(Set(0, PadControl::DpadRight, true), Seen{"+39@2"});

  for (int slot = 0; slot < ControllerSlots; ++slot) ASSERT_TRUE(pads_.Connect(slot));
  EXPECT_EQ(pads_.FreeSlot(), -1) << "every slot is taken";
  EXPECT_EQ(pads_.ConnectedCount(), static_cast<std::size_t>(ControllerSlots));
  EXPECT_EQ(Set(0, PadControl::DpadRight, true), Seen{}) << "connecting again keeps the pad";
}

TEST_F(PadsTest, LettingGoOfAllKeepsThePadsAndAButtonStillDownHoldsAgainWhenRead) {
  ASSERT_TRUE(pads_.Connect(0));
  ASSERT_TRUE(pads_.Connect(3));
  EXPECT_EQ(Set(0, PadControl::DpadRight, true), Seen{"+39@2"});
  EXPECT_EQ(Stick(0, 1.0), Seen{});
  EXPECT_EQ(Set(3, PadControl::South, true), Seen{"+32@5"});
  EXPECT_EQ(LetGoAll(), (Seen{"-39@2", "-32@5"}));
  EXPECT_EQ(LetGoAll(), Seen{}) << "nothing is left to let go";
  EXPECT_EQ(pads_.ConnectedCount(), 2u) << "the pads stay";

  // An event-fed pad: the buttons come up later without a second release, then press anew.
  EXPECT_EQ(Set(0, PadControl::DpadRight, false), Seen{});
  EXPECT_EQ(Stick(0, 0.0), Seen{});
  EXPECT_EQ(Set(0, PadControl::DpadRight, true), Seen{"+39@2"});
  // A polled pad: a button still down when read again holds its key again.
  EXPECT_EQ(Read(3, PadButtonBit(PadControl::South), 0.0), Seen{"+32@5"});

  // A new launch: the pads are gone without a word.
  pads_.Forget();
  EXPECT_EQ(pads_.ConnectedCount(), 0u);
  EXPECT_EQ(LetGoAll(), Seen{});

  // A span too short gets the first transitions only, but the counts still follow the pad.
  ASSERT_TRUE(pads_.Connect(0));
  std::array<KeyTransition, 1> one{};
  EXPECT_EQ(pads_.Read(0, PadButtonBit(PadControl::Start), -1.0, one), 1);
  EXPECT_EQ(Describe(one[0]), "+13@2");
  EXPECT_EQ(Read(0, 0, 0.0), (Seen{"-13@2", "-37@2"}));
  EXPECT_EQ(pads_.Set(0, PadControl::Start, true, {}), 0);
  EXPECT_EQ(Set(0, PadControl::Start, false), Seen{"-13@2"});
}

// Random controls of random pads, over a long run: fed into the game's held keys, a key is held
// by a pad exactly while one of that pad's controls that map to it is down, transitions never
// repeat a state, and no call writes more than it may.
TEST_F(PadsTest, LongRandomRunsKeepEveryPadsHoldsTrue) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Controllers pads;
    HeldKeys held;
    std::array<std::array<bool, PadControlCount>, ControllerSlots> down{};
    std::array<bool, ControllerSlots> present{};
    std::array<KeyTransition, Controllers::MaxLetGoTransitions> out{};
    for (int step = 0; step < 4000; ++step) {
      const int slot = static_cast<int>(rng() % ControllerSlots);
      const auto s = static_cast<std::size_t>(slot);
      int n = 0;
      std::size_t most = Controllers::MaxTransitions;
      switch (rng() % 16) {
        case 0:
          pads.Connect(slot);
          present[s] = true;
          break;
        case 1:
          n = pads.Disconnect(slot, out);
          present[s] = false;
          down[s] = {};
          most = WatchedKeys.size();
          break;
        case 2:
          n = pads.LetGoAll(out);
          for (auto& d : down) d = {};
          most = Controllers::MaxLetGoTransitions;
          break;
        case 3:
        case 4:
        case 5: {
          const double x = std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
          n = pads.SetStick(slot, x, out);
          if (present[s]) {
            down[s][static_cast<std::size_t>(PadControl::StickLeft)] = x < -StickThreshold;
            down[s][static_cast<std::size_t>(PadControl::StickRight)] = x > StickThreshold;
          }
          break;
        }
        case 6:
        case 7: {
          const uint32_t buttons = rng() & ((1u << PadButtonCount) - 1);
          const double x = std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
          n = pads.Read(slot, buttons, x, out);
          if (present[s]) {
            for (std::size_t c = 0; c < PadButtonCount; ++c) down[s][c] = (buttons >> c) & 1u;
            down[s][static_cast<std::size_t>(PadControl::StickLeft)] = x < -StickThreshold;
            down[s][static_cast<std::size_t>(PadControl::StickRight)] = x > StickThreshold;
          }
          break;
        }
        default: {
          const auto control = static_cast<PadControl>(rng() % PadButtonCount);
          const bool press = rng() % 2 == 0;
          n = pads.Set(slot, control, press, out);
          if (present[s]) down[s][static_cast<std::size_t>(control)] = press;
          break;
        }
      }
      ASSERT_GE(n, 0);
      ASSERT_LE(static_cast<std::size_t>(n), most);
      for (int i = 0; i < n; ++i) {
        const KeyTransition& t = out[static_cast<std::size_t>(i)];
        ASSERT_GE(t.source, FirstControllerSource);
        ASSERT_LT(t.source, InputSourceCount);
        ASSERT_NE(held.HeldBy(t.source, t.code), t.down) << "a transition that changes nothing";
        if (t.down) {
          held.Press(t.source, t.code);
        } else {
          held.Release(t.source, t.code);
        }
      }
      for (std::size_t p = 0; p < ControllerSlots; ++p) {
        ASSERT_EQ(pads.Connected(static_cast<int>(p)), present[p]);
        for (int code : WatchedKeys) {
          bool want = false;
          for (std::size_t c = 0; c < PadControlCount; ++c) {
            want = want || (down[p][c] && PadControlKeys[c] == code);
          }
          ASSERT_EQ(held.HeldBy(Controllers::SourceOf(static_cast<int>(p)), code), want)
              << "pad " << p << " key " << code << " at step " << step;
        }
      }
    }
  }
}

}  // namespace
}  // namespace skelvar
