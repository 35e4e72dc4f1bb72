// The synthesizer: its pitches, every sound's shape and level, the mixer and the WAV header.
#include "synth/synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "synth/mixer.h"
#include "synth/wav.h"

namespace skelvar::synth {
namespace {

double Hz(uint32_t step) {
  return step * static_cast<double>(SampleRate) / 4294967296.0;
}

TEST(Synth, PitchesFollowEqualTemperamentFromA440) {
  EXPECT_NEAR(Hz(PhaseIncrement(Pitch(69))), 440.0, 0.001);
  EXPECT_NEAR(Hz(PhaseIncrement(Pitch(81))), 880.0, 0.002);
  EXPECT_NEAR(Hz(PhaseIncrement(Pitch(57))), 220.0, 0.001);
  EXPECT_NEAR(Hz(PhaseIncrement(Pitch(60))), 261.6256, 0.01);
  EXPECT_NEAR(Hz(PhaseIncrement(Pitch(36))), 65.4064, 0.005);
  // Every 256th of a semitone from the lowest note to the highest, within a cent and rising.
  uint32_t last = 0;
  for (int32_t p = Pitch(24); p <= Pitch(120); ++p) {
    const double want = 440.0 * std::pow(2.0, (p / 256.0 - 69.0) / 12.0);
    const double got = Hz(PhaseIncrement(p));
    ASSERT_LT(std::fabs(1200.0 * std::log2(got / want)), 1.0) << p;
    ASSERT_GE(PhaseIncrement(p), last) << p;
    last = PhaseIncrement(p);
  }
}

constexpr int32_t Peak(std::span<const int16_t> s) {
  int32_t m = 0;
  for (int16_t v : s) m = std::max(m, std::abs(static_cast<int32_t>(v)));
  return m;
}

double Dbfs(int32_t peak) {
  return 20.0 * std::log10(peak / 32768.0);
}

TEST(Synth, EverySoundIsShortStartsAndEndsAtRestAndStaysBelowTheKnee) {
  const SoundBank bank;
  int32_t loudest = 0;
  for (int c = 0; c < CueCount; ++c) {
    const Cue cue = static_cast<Cue>(c);
    const auto s = bank.Samples(cue);
    SCOPED_TRACE(::testing::Message() << "cue " << c);
    const bool jingle = cue == Cue::Caught || cue == Cue::Fanfare || cue == Cue::Sting;
    ASSERT_GT(s.size(), 0u);
    EXPECT_LE(s.size(), static_cast<size_t>(jingle ? 3 * SampleRate : 6 * SampleRate / 10));
    // No click: the first and last samples are near zero and the first and last
    // millisecond only creep away from it.
    EXPECT_LE(std::abs(s.front()), 64);
    EXPECT_LE(std::abs(s.back()), 64);
    const size_t ms = SampleRate / 1000;
    for (size_t i = 1; i < ms; ++i) {
      EXPECT_LE(std::abs(s[i] - s[i - 1]), 2500) << "at sample " << i;
      EXPECT_LE(std::abs(s[s.size() - i] - s[s.size() - i - 1]), 2500) << "at the end - " << i;
    }
    const int32_t peak = Peak(s);
    // No offset: a sound that sits off zero thumps in the speaker as it starts and stops.
    int64_t total = 0;
    for (int16_t v : s) total += v;
    EXPECT_LE(std::abs(total / static_cast<int64_t>(s.size())), peak / 50) << "the mean";
    EXPECT_LT(peak, LimiterKnee) << "a sound alone is never bent by the limiter";
    EXPECT_GT(Dbfs(peak), -20.0) << "audible";
    loudest = std::max(loudest, peak);
  }
  EXPECT_NEAR(Dbfs(loudest), -6.0, 1.0) << "the loudest sound peaks near -6 dBFS";
}

TEST(Synth, TheLimiterLeavesQuietSumsAloneAndNeverPassesMinusOneDbfs) {
  EXPECT_EQ(Limit(0), 0);
  EXPECT_EQ(Limit(12345), 12345);
  EXPECT_EQ(Limit(-LimiterKnee), -LimiterKnee);
  EXPECT_EQ(Limit(LimiterKnee + 1000), LimiterKnee + 1000 * (LimiterCeiling - LimiterKnee) /
                                                         (1000 + LimiterCeiling - LimiterKnee));
  int32_t last = -40000;
  for (int32_t x = -16 * 32768; x <= 16 * 32768; x += 7) {
    const int32_t y = Limit(x);
    ASSERT_LE(std::abs(y), LimiterCeiling) << x;
    ASSERT_GE(y, last) << "rises with its input at " << x;
    ASSERT_EQ(Limit(-x), -y) << x;
    last = y;
  }
  EXPECT_LE(Dbfs(LimiterCeiling), -1.0);
}

TEST(Synth, EverySoundAtOnceAndRandomPilesOfThemStayBelowMinusOneDbfs) {
  const SoundBank bank;
  Mixer mixer(bank);
  std::vector<int16_t> out(3 * SampleRate);
  mixer.Start(static_cast<CueSet>((1u << CueCount) - 1));
  mixer.Mix(out);
  EXPECT_LE(Peak(out), LimiterCeiling);
  EXPECT_GT(Peak(out), LimiterKnee) << "the worst case does reach the limiter";
  std::mt19937 rng(7);
  int32_t peak = 0;
  std::vector<int16_t> block(TickSamples);
  for (int tick = 0; tick < 20000; ++tick) {
    mixer.Start(static_cast<CueSet>(rng() % 8 == 0 ? rng() & ((1u << CueCount) - 1) : 0));
    mixer.Mix(block);
    peak = std::max(peak, Peak(block));
    ASSERT_LE(mixer.Playing(), Mixer::MaxVoices);
  }
  EXPECT_LE(peak, LimiterCeiling);
  EXPECT_GT(peak, LimiterKnee);
}

TEST(Synth, TheMixerPlaysASoundAloneExactlyWhateverItsBlockSize) {
  const SoundBank bank;
  for (const size_t block : {size_t{1}, size_t{37}, size_t{1024}, size_t{5000}}) {
    Mixer mixer(bank);
    std::vector<int16_t> heard;
    std::vector<int16_t> out(block);
    mixer.Start(Bit(Cue::Jump));
    const auto jump = bank.Samples(Cue::Jump);
    while (heard.size() < jump.size() + 3000) {
      mixer.Mix(out);
      heard.insert(heard.end(), out.begin(), out.end());
    }
    EXPECT_TRUE(std::equal(jump.begin(), jump.end(), heard.begin())) << block;
    EXPECT_TRUE(std::all_of(heard.begin() + static_cast<ptrdiff_t>(jump.size()), heard.end(),
                            [](int16_t v) { return v == 0; }))
        << block;
    EXPECT_EQ(mixer.Playing(), 0);
  }
  // Two sounds together are their sum while it stays below the knee.
  Mixer mixer(bank);
  std::vector<int16_t> out(bank.Samples(Cue::Remark).size());
  mixer.Start(Bit(Cue::Remark) | Bit(Cue::Menu));
  mixer.Mix(out);
  for (size_t i = 0; i < out.size(); ++i) {
    const int32_t menu = i < bank.Samples(Cue::Menu).size() ? bank.Samples(Cue::Menu)[i] : 0;
    ASSERT_EQ(out[i], bank.Samples(Cue::Remark)[i] + menu) << i;
  }
  mixer.Stop();
  EXPECT_EQ(mixer.Playing(), 0);
}

TEST(Synth, AWavHeaderDescribesSixteenBitMonoAt48kHz) {
  const auto h = WavHeader(48000);
  const auto u32 = [&](size_t at) {
    return uint32_t{h[at]} | uint32_t{h[at + 1]} << 8 | uint32_t{h[at + 2]} << 16 |
           uint32_t{h[at + 3]} << 24;
  };
  const auto u16 = [&](size_t at) { return uint32_t{h[at]} | uint32_t{h[at + 1]} << 8; };
  EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RIFF");
  EXPECT_EQ(u32(4), 36u + 96000u);
  EXPECT_EQ(std::string(h.begin() + 8, h.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(16), 16u);
  EXPECT_EQ(u16(20), 1u);
  EXPECT_EQ(u16(22), 1u);
  EXPECT_EQ(u32(24), 48000u);
  EXPECT_EQ(u32(28), 96000u);
  EXPECT_EQ(u16(32), 2u);
  EXPECT_EQ(u16(34), 16u);
  EXPECT_EQ(std::string(h.begin() + 36, h.begin() + 40), "data");
  EXPECT_EQ(u32(40), 96000u);
}

}  // namespace
}  // namespace skelvar::synth
