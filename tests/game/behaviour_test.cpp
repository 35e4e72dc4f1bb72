// How each kind of character reacts to the girl.
#include <gtest/gtest.h>

#include "test_support.h"

namespace skelvar {
namespace {

using testing::Harness;

// Puts the girl so that her centre is `offset` from the centre of actor i (positive: she is
// to its right) and returns the measures a step would hand the behaviour.
struct Measures {
  int32_t distance;
  int32_t side;
};
Measures Place(TGameMain& g, int i, int32_t actorX, int32_t offset) {
  g.PosX[i] = actorX;
  const double mid = actorX + g.scene.imgEm[i].width / 2.0;
  g.PosX[0] = static_cast<int32_t>(mid + offset - 33);  // the girl is 66 wide
  const double mid0 = g.PosX[0] + 33.0;
  const int32_t d = std::abs(static_cast<int32_t>(std::nearbyint(mid)) -
                             static_cast<int32_t>(std::nearbyint(mid0)));
  int32_t side = 0;
  if (mid0 < g.PosX[i]) side = -1;
  if (mid0 > g.PosX[i] + g.scene.imgEm[i].width) side = 1;
  return {d, side};
}

TEST(Player, FacesTheWaySheMovesAndKeepsItWhenStopped) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  g.VelX[0] = -30;
  g.ApplyBehaviour(0, 0, 0);
  EXPECT_EQ(g.Facing[0], 1);
  g.VelX[0] = 0;
  g.ApplyBehaviour(0, 0, 0);
  EXPECT_EQ(g.Facing[0], 1);
  g.VelX[0] = 3;
  g.ApplyBehaviour(0, 0, 0);
  EXPECT_EQ(g.Facing[0], 0);
}

TEST(Stalker, BacksOffWhileWatchedAndCreepsAndHopsWhileNot) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  const int dog = 8;  // 100 wide: centre at x + 50
  g.TickCount = 1;

  // Watched: the girl faces right and the dog is to her right.
  g.Facing[0] = 0;
  auto m = Place(g, dog, 5000, -400);
  ASSERT_EQ(m.distance, 400);
  g.VelX[dog] = 0;
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelX[dog], 11.0) << "backs away at half speed";
  EXPECT_EQ(g.Facing[dog], 1) << "still looking at the girl on its left";
  m = Place(g, dog, 5000, -401);
  g.VelX[dog] = 5;
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelX[dog], 5.0) << "beyond half range nothing changes";

  // Not watched: she faces left, away from it.
  g.Facing[0] = 1;
  m = Place(g, dog, 5000, -800);
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelX[dog], -22.0);
  EXPECT_EQ(g.VelY[dog], 0.0);
  EXPECT_EQ(g.Facing[dog], 1);
  m = Place(g, dog, 5000, -199);
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelY[dog], -50.0) << "hops when closer than twice its jump";
  // In the air it is neither steered nor turned.
  g.VelX[dog] = 7;
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelX[dog], 7.0);

  // The counter's multiples of 45 also make it hop, at any distance in range.
  for (int t : {0, 45, 90}) {
    g.VelY[dog] = 0;
    g.TickCount = t;
    m = Place(g, dog, 5000, -700);
    g.ApplyBehaviour(dog, m.distance, m.side);
    EXPECT_EQ(g.VelY[dog], -50.0) << t;
  }
  g.VelY[dog] = 0;
  g.TickCount = 44;
  g.ApplyBehaviour(dog, m.distance, m.side);
  EXPECT_EQ(g.VelY[dog], 0.0);

  // The girl's centre exactly on the dog's left edge: side 0, velocity 0, facing kept, may hop.
  g.Facing[dog] = 1;
  g.Facing[0] = 1;
  g.PosX[dog] = 5000;
  g.PosX[0] = 5000 - 33;
  g.VelY[dog] = 0;
  g.ApplyBehaviour(dog, 50, 0);
  EXPECT_EQ(g.VelX[dog], 0.0);
  EXPECT_EQ(g.Facing[dog], 1);
  EXPECT_EQ(g.VelY[dog], -50.0);
}

TEST(Evader, FleesLeapsAndDashesUnder) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  const int cat = 9;  // 80 wide

  // At 210 the cat flees instead of leaping; she runs at it from the left.
  auto m = Place(g, cat, 6000, -210);
  g.VelX[0] = 27;
  g.VelY[0] = 0;
  g.VelY[cat] = 0;
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], 28.0);
  EXPECT_EQ(g.VelY[cat], 0.0);
  EXPECT_EQ(g.Facing[cat], 0) << "within 240 it turns and runs";

  m = Place(g, cat, 6000, -209);
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], -28.0) << "leaps toward her";
  EXPECT_EQ(g.VelY[cat], -105.0);
  EXPECT_EQ(g.Facing[cat], 1);

  // She jumps at it: it runs underneath, against her direction, without hopping.
  g.VelY[cat] = 0;
  g.VelY[0] = -70;
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], -28.0);
  EXPECT_EQ(g.VelY[cat], 0.0);
  g.VelX[0] = -30;
  m = Place(g, cat, 6000, 150);
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], 28.0);
  EXPECT_EQ(g.Facing[cat], 0);

  // Fleeing facing: at 240 it faces its running direction, at 241 it faces her.
  g.VelY[0] = 0;
  g.VelX[0] = 0;
  m = Place(g, cat, 6000, -240);
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], 28.0);
  EXPECT_EQ(g.Facing[cat], 0);
  m = Place(g, cat, 6000, -241);
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelX[cat], 28.0);
  EXPECT_EQ(g.Facing[cat], 1);

  // A girl standing still never comes at it: it only flees, even when close.
  m = Place(g, cat, 6000, -100);
  g.ApplyBehaviour(cat, m.distance, m.side);
  EXPECT_EQ(g.VelY[cat], 0.0);
  EXPECT_EQ(g.VelX[cat], 28.0);

  // Coming at it on the ground with her centre over its picture: a straight hop up.
  g.Facing[cat] = 1;
  g.PosX[cat] = 6000;
  g.PosX[0] = 5990;  // left edges: cat right of her; her centre 6023 lies over the cat
  g.VelX[0] = 27;
  g.ApplyBehaviour(cat, 17, 0);
  EXPECT_EQ(g.VelX[cat], 0.0);
  EXPECT_EQ(g.VelY[cat], -105.0);
  EXPECT_EQ(g.Facing[cat], 1);

  // Out of range it keeps its velocity.
  g.VelY[cat] = 0;
  g.VelX[cat] = 5;
  g.ApplyBehaviour(cat, 401, -1);
  EXPECT_EQ(g.VelX[cat], 5.0);
}

TEST(Glider, FliesLeftAndBobsOnATwentyStepTriangle) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  const int glider = 5;
  const int want[20] = {0, 8,  16,  24,  32,  40,  32,  24,  16,  8,
                        0, -8, -16, -24, -32, -40, -32, -24, -16, -8};
  double sum = 0;
  for (int r = 0; r < 20; ++r) {
    g.TickCount = r + 40;
    g.ApplyBehaviour(glider, 10000, -1);
    EXPECT_EQ(g.VelY[glider], want[r]) << r;
    EXPECT_EQ(g.VelX[glider], -20.0);
    EXPECT_EQ(g.Facing[glider], 1);
    sum += g.VelY[glider];
  }
  EXPECT_EQ(sum, 0.0) << "returns to its height every cycle";
  g.Facing[glider] = 1;
  g.ApplyBehaviour(glider, 10001, 1);
  EXPECT_EQ(g.VelX[glider], 0.0) << "out of range it stops without turning";
  EXPECT_EQ(g.Facing[glider], 1);
}

TEST(Swooper, DriftsHoversDivesAndClimbsOnAFiftyStepCycle) {
  Harness h;
  h.StartRun();
  auto& g = h.g();
  const int bird = 7;
  for (int r = 0; r < 50; ++r) {
    g.Facing[bird] = 0;
    g.TickCount = r;
    g.ApplyBehaviour(bird, 500, -1);  // the girl on its left
    double vx = 0, vy = 0;
    int facing = 0;
    if (r <= 24) {
      vx = 35, facing = 1;
    } else if (r <= 34) {
      vx = 0, facing = 1;
    } else if (r <= 44) {
      vx = 50;
    } else {
      vx = 15;
    }
    if (r >= 35 && r <= 39) vy = 40;
    if (r >= 45) vy = -40;
    EXPECT_DOUBLE_EQ(g.VelX[bird], vx) << r;
    EXPECT_EQ(g.VelY[bird], vy) << r;
    EXPECT_EQ(g.Facing[bird], facing) << r;
  }
  // Facing left it moves left; out of range it keeps place and facing but still dips.
  g.Facing[bird] = 1;
  g.TickCount = 40;
  g.ApplyBehaviour(bird, 500, 1);
  EXPECT_EQ(g.VelX[bird], -50.0);
  g.ApplyBehaviour(bird, 1001, 1);
  EXPECT_EQ(g.VelX[bird], 0.0);
  EXPECT_EQ(g.Facing[bird], 1);
  g.TickCount = 36;
  g.ApplyBehaviour(bird, 1001, 1);
  EXPECT_EQ(g.VelY[bird], 40.0);
}

TEST(Behaviours, ActorsSeeTheGirlsVelocitiesOfThisStepButLastStepsPositions) {
  Harness h;
  h.StartRun();
  h.Isolate({9});
  auto& g = h.g();
  // She runs at the cat from 150 away on the ground: her velocity this step (after friction,
  // 27) decides, and the cat leaps toward her position of the last step.
  g.PosX[9] = 6000;
  g.PosY[9] = 425;
  g.VelX[9] = 0;
  g.VelY[9] = 0;
  g.PosX[0] = 6040 - 150 - 33;
  g.VelX[0] = 0;
  g.KeyState[VK_RIGHT] = 1;
  h.Tick();
  EXPECT_EQ(g.VelY[9], -105.0 * 0.7) << "the cat leapt, and its arc already began";
  EXPECT_EQ(g.Facing[9], 1);
}

}  // namespace
}  // namespace skelvar
