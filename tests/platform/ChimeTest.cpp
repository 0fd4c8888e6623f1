// The chime through a real ALSA device: ALSA's own "file" PCM over its "null" one, which writes what
// is played into a file that the test reads back.
#include "platform/sound/Chime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Diagnostics.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

// The tone's frequency in a stretch of samples, by counting upward zero crossings.
double Frequency(const std::vector<int16_t>& s, size_t from, size_t to) {
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i)
    crossings += s[i - 1] < 0 && s[i] >= 0;
  return crossings * static_cast<double>(kChimeRate) / static_cast<double>(to - from);
}

TEST(Chime, PlaysTheTwoTonesThroughAlsaWithoutHoldingTheCaller) {
  test::TempDir dir;
  const std::string played = dir / "played.raw";
  std::vector<std::string> lines;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { lines.push_back(line); });
  {
    Chime chime("file:FILE=" + played + ",FORMAT=raw");
    chime.Play();
    chime.Play();  // while the first is due or playing: not a second chime
    ASSERT_TRUE(chime.WaitUntilQuiet(std::chrono::seconds(10)));
    EXPECT_EQ(chime.Played(), 1);
  }
  const std::string bytes = test::ReadFile(played);
  const size_t tone = kChimeRate * kChimeToneMs / 1000;
  ASSERT_EQ(bytes.size(), 2 * tone * sizeof(int16_t)) << "half a second of 16-bit mono at 48 kHz";
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), bytes.size());
  EXPECT_EQ(samples, ChimeSamples());
  EXPECT_NEAR(Frequency(samples, 0, tone), kChimeHighHz, 10);
  EXPECT_NEAR(Frequency(samples, tone, 2 * tone), kChimeLowHz, 10);
  // Loud at the start of each tone, faded at its end, and no click between them.
  auto peak = [&](size_t from, size_t to) {
    int most = 0;
    for (size_t i = from; i < to; ++i)
      most = std::max(most, std::abs(int{samples[i]}));
    return most;
  };
  EXPECT_GT(peak(0, tone / 10), 10000);
  EXPECT_LT(peak(tone - tone / 20, tone), 3000);
  EXPECT_GT(peak(tone, tone + tone / 10), 10000);
  EXPECT_TRUE(lines.empty());
}

TEST(Chime, WithoutASoundDeviceSaysSoOnceAndGoesOn) {
  std::vector<std::string> lines;
  DiagnosticCapture capture([&](DiagnosticLevel, const std::string& line) { lines.push_back(line); });
  Chime chime("kivu_no_such_device");
  for (int i = 0; i < 3; ++i) {
    chime.Play();
    ASSERT_TRUE(chime.WaitUntilQuiet(std::chrono::seconds(10)));
  }
  EXPECT_EQ(chime.Played(), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("no sound on 'kivu_no_such_device'"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace kivu
