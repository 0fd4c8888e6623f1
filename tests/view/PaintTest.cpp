// The whole dashboard paint on the pixels of a client area.
#include <gtest/gtest.h>

#include <optional>

#include "platform/raster/Bitmap.h"
#include "view/DashboardPaint.h"
#include "view/Tapes.h"

namespace kivu {
namespace {

constexpr Color kGrey{180, 180, 180};
constexpr Color kBlack{0, 0, 0};
constexpr Color kYellow{255, 255, 0};
constexpr Color kGreen{0, 255, 0};
constexpr Color kCyan{0, 255, 255};
constexpr Color kWhite{255, 255, 255};

struct Paint {
  Paint(int w, int h) : layout(ComputeViewLayout(w, h, DefaultFontRecord())), bitmap(*Bitmap::Create(w, h)) {
    picture.layout = &layout;
    picture.stats = &stats;
    picture.currentFix = &fix;
    picture.adTexts = &ads;
    picture.hour = 9;
    picture.minute = 41;
  }
  void Run() {
    Surface window(bitmap);
    window.FillRect(bitmap.Bounds(), Color{1, 2, 3});
    PaintDashboard(window, Size{bitmap.Width(), bitmap.Height()}, picture, lightPhase);
  }
  Color At(int x, int y) const { return bitmap.ColorAt(x, y); }
  int Count(Rect r, Color c) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        n += At(x, y) == c;
    return n;
  }
  // The extent in rows of the pixels of colour c in r, or 0.
  int RowsOf(Rect r, Color c) const {
    int first = -1, last = -1;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (At(x, y) == c) {
          if (first < 0) first = y;
          last = y;
        }
    return first < 0 ? 0 : last - first + 1;
  }
  ViewLayout layout;
  TripStats stats;
  GpsFix fix{};
  std::vector<std::string> ads{"Velmarix provides sponsorship"};
  DashboardPicture picture;
  int lightPhase = 0;
  Bitmap bitmap;
};

TEST(DashboardPaint, CanvasReachesTheWindowUnscaledAt572By430) {
  // A 572 x 430 client has the strip at the bottom and a dashboard area of exactly 572 x 384.
  Paint p(572, 430);
  p.Run();
  EXPECT_EQ(p.At(2, 2), kGrey);                   // canvas background
  EXPECT_EQ(p.At(300, 330), kBlack);              // inside the main panel
  EXPECT_EQ(p.At(4, 4), kGrey);                   // the main panel's rounded corner
  EXPECT_EQ(p.At(30, 188), (Color{48, 55, 48}));  // the speed tape between graduations
  EXPECT_EQ(p.At(67, 100), kWhite);               // the speed tape's frame, right edge
  EXPECT_EQ(p.At(213, 170), kYellow);             // the centre mark: yellow outline, black inside
  EXPECT_EQ(p.At(219, 176), kYellow);
  EXPECT_EQ(p.At(216, 173), kBlack);
  EXPECT_EQ(p.At(216, 29), kWhite);  // the top of the roll arc
  // The strip below: grey.
  EXPECT_EQ(p.At(100, 400), kGrey);
}

TEST(DashboardPaint, BeforeTheFirstFixEverythingShowsZero) {
  Paint p(572, 430), other(572, 430);
  p.Run();
  other.stats.speedInt = 40;
  other.fix.latitude = 12.5;
  other.Run();
  // Figures are drawn: cyan in the position and satellite values, white on the clock.
  EXPECT_GT(p.Count(p.layout.dashboard.positionValueRect, kCyan), 20);
  EXPECT_GT(p.Count(p.layout.dashboard.satelliteValueRect, kCyan), 20);
  EXPECT_GT(p.Count(p.layout.dashboard.clockRect, kWhite), 40);
  // Changed figures change their pixels and nothing else's.
  EXPECT_NE(p.Count(p.layout.dashboard.positionValueRect, kCyan),
            other.Count(p.layout.dashboard.positionValueRect, kCyan));
  EXPECT_EQ(p.Count(p.layout.dashboard.clockRect, kWhite), other.Count(p.layout.dashboard.clockRect, kWhite));
}

TEST(DashboardPaint, DigitalReadoutSwitchesTheBoxes) {
  Paint on(572, 430), off(572, 430);
  on.stats.speedInt = 87;
  off.stats.speedInt = 87;
  off.picture.digitalReadout = false;
  on.Run();
  off.Run();
  const Rect& box = on.layout.dashboard.speedBoxRect;  // (25, 162, 61, 184)
  EXPECT_EQ(on.At(box.left, box.top), kYellow);
  EXPECT_EQ(on.At(box.right - 1, box.bottom - 1), kYellow);
  EXPECT_GT(on.Count(box, kGreen), 10);
  EXPECT_NE(off.At(box.left, box.top), kYellow);
  EXPECT_EQ(off.Count(box, kGreen), 0);
  // The pitch and roll boxes inside the attitude indicator follow the same switch.
  Rect attitude = on.layout.dashboard.attitudeRect;
  EXPECT_GT(on.Count(attitude, kGreen), off.Count(attitude, kGreen) + 10);
}

TEST(DashboardPaint, AdvertisementAndLightFollowTheirSettings) {
  Paint p(572, 430);
  // Bottom strip: adRect (293, 4, 549, 36) in strip coordinates, the strip from y 384.
  p.Run();
  EXPECT_EQ(p.At(293, 388), kColor3DDarkShadow);
  EXPECT_EQ(p.At(548, 419), kColor3DLight);
  EXPECT_GT(p.Count(Rect{297, 389, 545, 419}, kBlack), 30);  // the text, black
  Paint plain(572, 430);
  plain.picture.displayAd = false;
  plain.Run();
  EXPECT_EQ(plain.At(293, 388), kGrey);
  EXPECT_EQ(plain.Count(Rect{297, 389, 545, 419}, kBlack), 0);
}

TEST(DashboardPaint, LightAlternatesOncePerPaint) {
  Paint p(572, 430);
  // lightRect (555, 400, 562, 407): its middle takes the light's colour.
  p.Run();
  EXPECT_EQ(p.At(558, 403), (Color{0, 127, 0}));
  EXPECT_EQ(p.lightPhase, 1);
  p.Run();
  EXPECT_EQ(p.At(558, 403), (Color{0, 255, 0}));
  EXPECT_EQ(p.lightPhase, 0);
  p.picture.blinkingLight = false;
  p.Run();
  EXPECT_EQ(p.At(558, 403), kGrey);
  EXPECT_EQ(p.lightPhase, 0);
}

TEST(DashboardPaint, WithoutAFixAFlagSaysWhyTheFiguresDimAndTheLightHoldsStill) {
  // Colours are counted unscaled (572 x 430): scaling blends them at the edges of the figures.
  Paint fix(572, 430);
  fix.stats.speedInt = 87;
  fix.Run();
  const DashboardLayout& l = fix.layout.dashboard;
  EXPECT_EQ(fix.Count(fix.bitmap.Bounds(), kGpsFlagColour), 0);
  const struct {
    GpsState state;
    const char* text;
  } states[] = {{GpsState::NoReceiver, "NO GPS"},
                {GpsState::NoData, "NO DATA"},
                {GpsState::NoFix, "NO FIX"},
                {GpsState::Lost, "GPS LOST 12 s"}};
  for (const auto& [state, text] : states) {
    // The flag's text, drawn alone into a bitmap of the flag's size, is what the canvas shows there.
    Rect flag = GpsFlagRect(l);
    Bitmap reference = *Bitmap::Create(static_cast<int>(flag.Width()), static_cast<int>(flag.Height()));
    {
      Surface s(reference);
      s.FillRect(reference.Bounds(), kGpsFlagColour);
      s.SelectFont(Font::Create(GpsFlagFont()));
      s.SetTextColor(kWhite);
      s.SetBackgroundMode(BackgroundMode::Transparent);
      s.DrawText(text, reference.Bounds(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    Bitmap canvas = *Bitmap::Create(kCanvasWidth, kCanvasHeight);
    Paint p(800, 480);
    p.stats.speedInt = 87;
    p.picture.gpsState = state;
    p.picture.lostSeconds = 12;
    {
      Surface s(canvas);
      DrawDashboardCanvas(s, p.picture);
    }
    int whiteInReference = 0, differing = 0;
    for (int y = 0; y < reference.Height(); ++y)
      for (int x = 0; x < reference.Width(); ++x) {
        whiteInReference += reference.ColorAt(x, y) == kWhite;
        differing += reference.ColorAt(x, y) != canvas.ColorAt(flag.left + x, flag.top + y);
      }
    EXPECT_GT(whiteInReference, 50) << text;
    EXPECT_EQ(differing, 0) << text;
    // Readable at 800 x 480: the flag's text is at least 18 window pixels high.
    p.Run();
    EXPECT_GE(p.RowsOf(p.bitmap.Bounds(), kGpsFlagColour), 30) << text;
    // The live figures are dimmed: no green readout figure, dimmed labels on the tapes.
    Paint unscaled(572, 430);
    unscaled.stats.speedInt = 87;
    unscaled.picture.gpsState = state;
    unscaled.Run();
    EXPECT_EQ(unscaled.Count(unscaled.bitmap.Bounds(), kGreen), 0) << text;
    EXPECT_GT(unscaled.Count(unscaled.bitmap.Bounds(), kDimmedLabelColour), 50) << text;
    EXPECT_GT(unscaled.Count(unscaled.bitmap.Bounds(), kDimmedReadoutColour), 20) << text;
  }
  EXPECT_GT(fix.Count(fix.bitmap.Bounds(), kGreen), 20);
  EXPECT_EQ(fix.Count(fix.bitmap.Bounds(), kDimmedLabelColour), 0);

  // The light blinks with fixes only.
  Paint lost(572, 430);
  lost.picture.gpsState = GpsState::Lost;
  lost.Run();
  lost.Run();
  EXPECT_EQ(lost.lightPhase, 0);
  EXPECT_EQ(lost.At(558, 403), (Color{0, 127, 0}));
}

TEST(DashboardPaint, UprightAdvertisementBreaksIntoColumnsAtBlanks) {
  const std::string text = "Velmarix provides sponsorship";
  EXPECT_EQ(AdBreakPosition(text, 20), 17);
  EXPECT_EQ(AdBreakPosition(text, 17), 17);
  EXPECT_EQ(AdBreakPosition(text, 28), 17);
  EXPECT_EQ(AdBreakPosition(text, 16), 8);
  EXPECT_EQ(AdBreakPosition(text, 8), 8);
  EXPECT_EQ(AdBreakPosition(text, 7), -1);
  EXPECT_EQ(AdBreakPosition(text, 0), -1);

  // 800 x 480: one column (n = 256 / 7 = 36); 800 x 360: two (n = 22); 800 x 290: two, the first
  // holding only "Velmarix" (n = 12).
  auto columns = [](int h, int& first, int& second) {
    Paint p(800, h);
    p.Run();
    const Rect& ad = p.layout.adRect;
    // The first column's glyphs stand from x left + 2, the second's 15 pixels further right; a line
    // of the 16-pixel font is about 19 pixels across, so the columns overlap a little.
    first = p.RowsOf(Rect{ad.left + 2, ad.top, ad.left + 15, ad.bottom}, kBlack);
    second = p.RowsOf(Rect{ad.left + 22, ad.top, ad.right, ad.bottom}, kBlack);
  };
  int one1, one2, two1, two2, short1, short2;
  columns(480, one1, one2);
  columns(360, two1, two2);
  columns(290, short1, short2);
  EXPECT_GT(one1, 100);
  EXPECT_EQ(one2, 0);
  EXPECT_GT(two1, 0);
  EXPECT_GT(two2, 0);
  EXPECT_GT(two1, two2);    // "Velmarix provides" is longer than "sponsorship"
  EXPECT_LT(short1, two1);  // "Velmarix" alone
  EXPECT_GT(short2, 0);
}

TEST(DashboardPaint, TinyClientsPaintWithoutFault) {
  for (auto [w, h] : {std::pair{572, 47}, {572, 46}, {47, 384}, {1, 1}, {46, 46}}) {
    Paint p(w, h);
    p.Run();
    p.Run();
  }
}

TEST(DashboardPaint, DurationShowsHoursAndMinutesNeverSixtyMinutes) {
  // 0.9999 hours is 59.994 minutes: 00:59. Compare with the picture of 00:59 drawn directly.
  Paint a(572, 430), b(572, 430), c(572, 430);
  a.stats.durationHours = 0.9999f;
  b.stats.durationHours = 59.0f / 60.0f + 0.0001f;
  c.stats.durationHours = 1.0f;
  a.Run();
  b.Run();
  c.Run();
  const Rect& r = a.layout.dashboard.durationRect;
  EXPECT_EQ(a.Count(r, kCyan), b.Count(r, kCyan));
  EXPECT_NE(a.Count(r, kCyan), c.Count(r, kCyan));
}

}  // namespace
}  // namespace kivu
