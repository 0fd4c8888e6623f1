// The view's handling of fixes: the first and second messages, the clock of the trip, settings that
// change between fixes, and the repaint request at the end of each update.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "gps/NmeaTestUtil.h"
#include "platform/raster/Surface.h"
#include "trip/TripTestUtil.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"
#include "view/kivuview/ViewTestUtil.h"

namespace kivu {
namespace {

using test::MakeFix;

class ViewFixes : public ::testing::Test {
 protected:
  test::RecordingWindow window;
  test::SetClock clock{test::kDecember7At1303Utc};
  CKivuView view{window, AppSettings(), clock};
};

TEST_F(ViewFixes, TheFirstFixIsOnlyStored) {
  GpsFix first = MakeFix({.second = 1, .knots = 30, .course = 90, .altitude = 500});
  view.OnGpsFix(first);
  EXPECT_EQ(view.CurrentFix().utcTime.second, 1);
  EXPECT_EQ(view.CurrentFix().speedKnots, 30.0f);
  EXPECT_EQ(view.Trip().PreviousFix().latitude, 0.0);  // the cleared record
  EXPECT_EQ(view.Trip().PreviousFix().utcTime.hour, 0);
  EXPECT_FALSE(view.Trip().StatsStarted());
  // Only the GPS state's change repaints: the first fix ends "NO GPS".
  EXPECT_EQ(view.TheGpsState(), GpsState::Fix);
  EXPECT_EQ(window.invalidations.size(), 1u);
  const TripStats& s = view.Stats();
  EXPECT_EQ(s.speed, 0.0f);
  EXPECT_EQ(s.speedInt, 0);
  EXPECT_EQ(s.courseInt, 0);
  EXPECT_EQ(s.startAltitude, -32768.0f);
  EXPECT_EQ(s.minAltitude, 32768.0f);
  EXPECT_EQ(s.maxAltitude, -32768.0f);
}

TEST_F(ViewFixes, TheSecondFixSeedsTheFilterAndFillsTheDashboard) {
  view.OnGpsFix(MakeFix({.second = 1, .knots = 30, .course = 90, .altitude = 500}));
  view.OnGpsFix(MakeFix({.second = 2, .knots = 30, .course = 90, .altitude = 600}));
  EXPECT_TRUE(view.Trip().StatsStarted());
  EXPECT_EQ(view.Trip().PreviousFix().utcTime.second, 1);
  const TripStats& s = view.Stats();
  // Seeded with 550, then filtered towards 600 with 8 satellites: 550 + 0.0773001 x 50.
  EXPECT_NEAR(s.smoothedAltitude, 553.865f, 0.001f);
  EXPECT_EQ(s.startAltitude, s.smoothedAltitude);
  EXPECT_EQ(s.altitudeInt, 553);
  EXPECT_EQ(s.speedInt, 56);  // 55.56 + 0.5
  EXPECT_EQ(s.courseInt, 90);
  // The whole client area, background erased, once per update (after the first fix's change of state).
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_TRUE(window.invalidations[1]);
  view.OnGpsFix(MakeFix({.second = 3, .knots = 30, .course = 90, .altitude = 600}));
  EXPECT_EQ(window.invalidations.size(), 3u);
  EXPECT_EQ(view.Trip().PreviousFix().utcTime.second, 2);
}

TEST_F(ViewFixes, DurationRunsFromTheTripStartOnTheViewsClock) {
  view.StartTrip();
  EXPECT_EQ(view.Trip().TripStartTime(), test::kDecember7At1303Utc);
  view.OnGpsFix(MakeFix({.second = 0, .longitude = 11.0, .knots = 10}));
  clock.Set(test::kDecember7At1303Utc + 900);
  view.OnGpsFix(MakeFix({.second = 1, .longitude = 11.01, .knots = 10}));
  EXPECT_FLOAT_EQ(view.Stats().durationHours, 0.25f);
  // 0.744883 km in a quarter of an hour: 2.9795 km/h.
  EXPECT_NEAR(view.Stats().avgSpeed, 2.9795f, 0.002f);
  EXPECT_EQ(view.Stats().avgSpeedInt, 2);
  // The view's own helpers see the same two fixes.
  EXPECT_NEAR(view.Trip().GreatCircleDistance(6378.137f), 0.744883f, 0.0003f);
  EXPECT_FLOAT_EQ(view.Trip().FixInterval(), 1.0f);
}

TEST_F(ViewFixes, ChangedSettingsTakeEffectAtTheNextFixAndExtremesStay) {
  view.OnGpsFix(MakeFix({.second = 0, .knots = 10, .course = 350}));
  view.OnGpsFix(MakeFix({.second = 1, .knots = 10, .course = 10}));
  EXPECT_EQ(view.Stats().speedInt, 19);
  EXPECT_EQ(view.Stats().rollInt, 8);
  view.Settings().unitSelection = 1;
  view.Settings().rollSource = 1;
  EXPECT_EQ(view.Stats().speedInt, 19);  // nothing changes before the next fix
  view.OnGpsFix(MakeFix({.second = 2, .knots = 10, .course = 40}));
  EXPECT_EQ(view.Stats().speedInt, 12);
  EXPECT_EQ(view.Stats().rollInt, 0);
  EXPECT_EQ(view.Stats().rollMax, 8);
}

TEST_F(ViewFixes, AFixBackAfterTheGpsWasLostAddsItsLineButRestartsTheRates) {
  // A receiver fed by the test: it talks on without a fix while the car is in the tunnel.
  view.SetReceiver(std::make_unique<CGpsParser>());
  auto noFix = [&](int second) {
    std::string rmc = test::Sentence("GPRMC,1200" + std::to_string(second) + ",V,,,,,,,071226,,");
    view.Receiver()->HandleBytes(rmc.data(), rmc.size());
  };
  testing::internal::CaptureStderr();
  const int64_t t = test::kDecember7At1303Utc;
  for (int s = 1; s <= 3; ++s) {
    clock.Set(t + s);
    view.OnGpsFix(MakeFix({.second = s, .knots = 30, .course = 90, .altitude = 500}));
  }
  // A tunnel: eight seconds without a fix, then the car is 0.1 degree north, 100 m higher, heading
  // north and slower: as one step, that would be a steep climb, a hard pitch and a sharp turn.
  for (int s = 4; s <= 10; ++s) {
    clock.Set(t + s);
    noFix(s + 10);
    view.UpdateGpsState();
  }
  EXPECT_EQ(view.TheGpsState(), GpsState::Lost);
  const float before = view.Stats().distance;
  clock.Set(t + 11);
  view.OnGpsFix(MakeFix({.second = 11, .latitude = 48.1, .knots = 10, .course = 0, .altitude = 600}));
  const TripStats& s = view.Stats();
  EXPECT_EQ(view.TheGpsState(), GpsState::Fix);
  EXPECT_NEAR(s.distance - before, 11.1, 0.1);  // the straight line still counts
  EXPECT_EQ(s.smoothedAltitude, 600.0f);        // the filter starts again at the fix
  EXPECT_EQ(s.verticalSpeed, 0.0f);
  EXPECT_EQ(s.pitchInt, 0);
  EXPECT_EQ(s.rollInt, 0);
  EXPECT_EQ(s.pitchMin, 0);
  // The next fix has rates again.
  clock.Set(t + 12);
  view.OnGpsFix(MakeFix({.second = 12, .latitude = 48.1, .knots = 20, .course = 0, .altitude = 601}));
  EXPECT_NE(view.Stats().pitchInt, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kivu: GPS (no port): fix\nkivu: GPS (no port): lost\nkivu: GPS (no port): fix\n");
}

TEST_F(ViewFixes, AClockFarFromTheTripStartNeitherOverflowsNorStops) {
  view.SetTripStartTime(INT64_MIN);
  clock.Set(INT64_MAX);
  view.OnGpsFix(MakeFix({.second = 0}));
  view.OnGpsFix(MakeFix({.second = 1}));
  EXPECT_GT(view.Stats().durationHours, 1e15f);
  EXPECT_EQ(window.invalidations.size(), 2u);  // the state's change, then the update
}

// A window that keeps what the view asked it to show anew since its last paint.
struct AskedWindow final : HeadlessWindow {
  using HeadlessWindow::HeadlessWindow;
  void Invalidate(bool) override { whole = true; }
  void InvalidateRects(std::span<const Rect> asked) override {
    rects.insert(rects.end(), asked.begin(), asked.end());
  }
  bool whole = false;
  std::vector<Rect> rects;
};

// The view keeps the dashboard in its window image: a repaint with the same figures draws only the
// strip, and new figures are drawn over what the image holds. Through fixes that move every figure
// (the ball turning, figures of every width, the lost fix's flag coming and going, the readouts off
// and on, the speed warning coming, blinking and going), repaints that change nothing, a new minute and new
// sizes, the image must hold exactly what a twin view paints into a fresh bitmap each time. Where a fix asked
// the window to show only some rectangles anew, no pixel outside them changed.
TEST(WindowImage, AlwaysHoldsWhatAPaintIntoAFreshBitmapShows) {
  AskedWindow keptWindow(Size{800, 480});
  HeadlessWindow freshWindow(Size{800, 480});
  std::optional<Bitmap> before;
  test::SetClock clock{test::kDecember7At1303Utc};
  AppSettings settings;
  settings.speedWarning = 50;
  CKivuView kept(keptWindow, settings, clock), fresh(freshWindow, settings, clock);
  for (CKivuView* view : {&kept, &fresh})
    view->ComputeLayout(800, 480);
  int warned = 0;
  auto expectSame = [&](const char* step) {
    const Bitmap* image = kept.PaintWindowImage();
    ASSERT_NE(image, nullptr) << step;
    if (!keptWindow.whole && !keptWindow.rects.empty() && before && before->Width() == image->Width() &&
        before->Height() == image->Height()) {
      for (int y = 0; y < image->Height(); ++y)
        for (int x = 0; x < image->Width(); ++x) {
          if (image->PixelAt(x, y) == before->PixelAt(x, y)) continue;
          ASSERT_TRUE(std::ranges::any_of(keptWindow.rects,
                                          [&](const Rect& r) {
                                            return r.Contains(Point{x, y});
                                          }))
              << step << ": " << x << "," << y << " changed outside the rectangles asked for";
        }
    }
    keptWindow.whole = false;
    keptWindow.rects.clear();
    ASSERT_TRUE(EnsureBitmap(before, image->Width(), image->Height()));
    std::memcpy(before->Memory(), image->Memory(),
                static_cast<size_t>(image->RowBytes()) * static_cast<size_t>(image->Height()));
    std::optional<Bitmap> expected = Bitmap::Create(freshWindow.client.width, freshWindow.client.height);
    Surface surface(*expected);
    fresh.OnDraw(surface);
    ASSERT_EQ(image->Width(), expected->Width()) << step;
    for (int y = 0; y < expected->Height(); ++y) {
      for (int x = 0; x < expected->Width(); ++x)
        ASSERT_EQ(image->PixelAt(x, y), expected->PixelAt(x, y)) << step << " at " << x << "," << y;
    }
  };
  auto feed = [&](const GpsFix& fix) {
    for (CKivuView* view : {&kept, &fresh})
      view->OnGpsFix(fix);
  };
  expectSame("before any fix");
  expectSame("a repaint");
  feed(MakeFix({.second = 1, .knots = 30, .course = 90, .altitude = 500}));
  feed(MakeFix({.second = 2, .knots = 34, .course = 97, .altitude = 510}));
  expectSame("after fixes");
  expectSame("a repaint after fixes");
  clock.Set(test::kDecember7At1303Utc + 60);
  expectSame("a new minute");
  for (auto [window, view] : {std::pair<HeadlessWindow*, CKivuView*>{&keptWindow, &kept},
                              std::pair<HeadlessWindow*, CKivuView*>{&freshWindow, &fresh}}) {
    window->client = Size{480, 800};
    view->ComputeLayout(480, 800);
  }
  expectSame("a new size");
  expectSame("a repaint at the new size");
  // A drive in turns, climbing and falling, fast and slow, at the sizes drivers' screens have.
  for (Size size : {Size{1280, 800}, Size{720, 1280}}) {
    for (auto [window, view] : {std::pair<HeadlessWindow*, CKivuView*>{&keptWindow, &kept},
                                std::pair<HeadlessWindow*, CKivuView*>{&freshWindow, &fresh}}) {
      window->client = size;
      view->ComputeLayout(size.width, size.height);
    }
    expectSame("another size");
    for (int i = 0; i < 14; ++i) {
      const int second = 3 + i + (size.width == 720 ? 30 : 0);
      clock.Set(clock.Now() + 1);
      feed(MakeFix({.minute = second / 60,
                    .second = second % 60,
                    .latitude = 48.1 + i * 0.0007,
                    .longitude = 11.5 + i * 0.0011,
                    .knots = static_cast<float>(i % 5 == 0 ? 3 : 9 + i * 11),
                    .course = static_cast<float>(90 + i * i * 7 % 360),
                    .altitude = static_cast<float>(i % 3 == 0 ? 20 : 500 + i * 40),
                    .satellites = 3 + i % 9}));
      if (i == 6) {
        for (CKivuView* view : {&kept, &fresh})
          view->Settings().digitalReadout = 0;
      }
      if (i == 8) {
        for (CKivuView* view : {&kept, &fresh})
          view->Settings().digitalReadout = 1;
      }
      expectSame("a fix of the drive");
      warned += kept.SpeedWarningOn();
      if (i % 2 == 1) {
        for (CKivuView* view : {&kept, &fresh})
          view->OnTimer(kWarningTimer);
        expectSame("a blink of the speed warning");
      }
    }
    // The fix is lost: the flag comes, then goes with the next fix.
    clock.Set(clock.Now() + 40);
    for (CKivuView* view : {&kept, &fresh})
      view->UpdateGpsState();
    expectSame("the lost fix's flag");
    feed(MakeFix({.minute = 2, .second = 0, .knots = 44, .course = 10, .altitude = 300}));
    expectSame("a fix after the loss");
  }
  EXPECT_GE(warned, 4);
}

}  // namespace
}  // namespace kivu
