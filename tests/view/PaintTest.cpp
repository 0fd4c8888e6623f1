// The whole dashboard paint on the pixels of a client area.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/raster/Bitmap.h"
#include "view/DashboardPaint.h"
#include "view/ShownText.h"
#include "view/Tapes.h"

namespace kivu {
namespace {

using test::ShowsText;

constexpr Color kGrey{180, 180, 180};
constexpr unsigned kCentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

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
  Paint p(572, 430);
  p.Run();
  const Bitmap& b = p.bitmap;
  const DashboardLayout& l = p.layout.dashboard;
  const FontRecord canvasFont = DefaultFontRecord();
  const FontRecord& panel = p.layout.panelFont;
  EXPECT_TRUE(ShowsText(b, "0.0000\n0.0000", l.positionValueRect, DT_LEFT, kCyan, canvasFont));
  EXPECT_TRUE(ShowsText(b, "00\n00", l.satelliteValueRect, DT_LEFT, kCyan, canvasFont));
  EXPECT_TRUE(ShowsText(b, "\n0", l.distanceRect, DT_CENTER, kCyan, panel));
  EXPECT_TRUE(ShowsText(b, "\n00:00", l.durationRect, DT_CENTER, kCyan, panel));
  // The panels with a legend have their figures 50 pixels in and one line down.
  for (auto [r, figures] : {std::pair{&l.speedStatsRect, "0\n0"},
                            {&l.altitudeStatsRect, "0\n0\n0"},
                            {&l.pitchStatsRect, "0\n0"},
                            {&l.rollStatsRect, "0\n0"}})
    EXPECT_TRUE(
        ShowsText(b, figures, Rect{r->left + 50, r->top + 19, r->right, r->bottom}, DT_LEFT, kCyan, panel));
  for (const Rect* box : {&l.headingBoxRect, &l.speedBoxRect, &l.altitudeBoxRect, &l.verticalSpeedBoxRect})
    EXPECT_TRUE(ShowsText(b, "0", *box, DT_CENTER | DT_VCENTER, kGreen, p.layout.readoutFont));
  // The tapes' labels around zero (their middles lie under the readouts): 350 at x 166 of the heading
  // tape (101, 341, 333, 371), 20 at y 53 of the speed tape (26, 34, 68, 312), -10 at y 233 of the
  // altitude tape (364, 34, 406, 312).
  EXPECT_TRUE(ShowsText(b, "350", Rect{156, 353, 176, 365}, kCentredLine, kWhite, canvasFont));
  EXPECT_TRUE(ShowsText(b, "020", Rect{26, 47, 58, 59}, kCentredLine, kWhite, canvasFont));
  EXPECT_TRUE(ShowsText(b, "-010", Rect{364, 227, 396, 239}, kCentredLine, kWhite, canvasFont));
  EXPECT_TRUE(ShowsText(b, "09:41", l.clockRect, kCentredLine, kWhite, p.layout.clockFont));

  // Changed figures show as themselves.
  Paint other(572, 430);
  other.stats.speedInt = 40;
  other.fix.latitude = 12.5;
  other.Run();
  EXPECT_TRUE(ShowsText(other.bitmap, "12.5000\n0.0000", l.positionValueRect, DT_LEFT, kCyan, canvasFont));
  EXPECT_TRUE(
      ShowsText(other.bitmap, "40", l.speedBoxRect, DT_CENTER | DT_VCENTER, kGreen, p.layout.readoutFont));
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
  EXPECT_TRUE(ShowsText(on.bitmap, "87", box, DT_CENTER | DT_VCENTER, kGreen, on.layout.readoutFont));
  EXPECT_NE(off.At(box.left, box.top), kYellow);
  EXPECT_EQ(off.Count(box, kGreen), 0);
  // The pitch and roll boxes inside the attitude indicator follow the same switch.
  Rect attitude = on.layout.dashboard.attitudeRect;
  EXPECT_GT(on.Count(attitude, kGreen), off.Count(attitude, kGreen) + 10);
}

// Above the speed limit the speed readout (box and figure) and the speed tape's index marks blink in
// the palette's warning red: red in the lit half, as ever in the other. Nothing else changes.
TEST(DashboardPaint, TheSpeedWarningTurnsTheSpeedReadoutAndItsMarksRed) {
  Paint lit(572, 430), dark(572, 430);
  for (Paint* p : {&lit, &dark})
    p->stats.speedInt = 131;
  lit.picture.speedWarning = true;
  lit.Run();
  dark.Run();
  const Color red = ColoursOf(Palette::kDay).warning;
  EXPECT_EQ(red, (Color{255, 0, 0}));
  const DashboardLayout& l = lit.layout.dashboard;
  const Rect& box = l.speedBoxRect;
  for (Point frame : {Point{box.left, box.top}, Point{box.right - 1, box.bottom - 1}, Point{box.left, 170}}) {
    EXPECT_EQ(lit.At(frame.x, frame.y), red) << frame.x << "," << frame.y;
    EXPECT_EQ(dark.At(frame.x, frame.y), kYellow) << frame.x << "," << frame.y;
  }
  // The figure inside the frame, which is red too.
  const Rect inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  EXPECT_TRUE(test::ShowsDrawing(lit.bitmap, inside, red, lit.layout.readoutFont,
                                 [&](Surface& s) { s.DrawText("131", box, DT_CENTER | DT_VCENTER); }));
  EXPECT_GT(lit.Count(inside, red), 40);
  EXPECT_TRUE(ShowsText(dark.bitmap, "131", box, DT_CENTER | DT_VCENTER, kGreen, dark.layout.readoutFont));
  // The marks run from under the box to the ball (x 32 to 82 at y 173, two short ones beside).
  Rect marks{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const Segment& s : l.speedIndexMarks) {
    marks.left = std::min({marks.left, s.from.x, s.to.x});
    marks.right = std::max({marks.right, s.from.x + 1, s.to.x + 1});
    marks.top = std::min({marks.top, s.from.y, s.to.y});
    marks.bottom = std::max({marks.bottom, s.from.y + 1, s.to.y + 1});
  }
  EXPECT_GT(lit.Count(Rect{box.right, marks.top, marks.right, marks.bottom}, red), 40);
  EXPECT_EQ(dark.Count(marks, red), 0);
  EXPECT_EQ(lit.Count(marks, kYellow), 0);
  for (int y = 0; y < 430; ++y)
    for (int x = 0; x < 572; ++x) {
      if (box.Contains(Point{x, y}) || marks.Contains(Point{x, y})) continue;
      ASSERT_EQ(lit.At(x, y), dark.At(x, y)) << x << "," << y;
    }
}

TEST(DashboardPaint, AdvertisementAndLightFollowTheirSettings) {
  Paint p(572, 430);
  // Bottom strip: adRect (293, 4, 549, 36) in strip coordinates, the strip from y 384.
  p.Run();
  EXPECT_EQ(p.At(293, 388), kColor3DDarkShadow);
  EXPECT_EQ(p.At(548, 419), kColor3DLight);
  // The text, black, word-wrapped 4 pixels inside the frame's sides and 1 inside its top and bottom.
  EXPECT_TRUE(ShowsText(p.bitmap, p.ads[0], Rect{297, 389, 545, 419}, DT_LEFT | DT_WORDBREAK, kBlack,
                        p.layout.adFont));
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
    Paint unscaled(572, 430);
    unscaled.stats.speedInt = 87;
    unscaled.picture.gpsState = state;
    unscaled.picture.lostSeconds = 12;
    // The flag's text as it would be drawn alone on the canvas.
    Bitmap canvas = *Bitmap::Create(kCanvasWidth, kCanvasHeight);
    {
      Surface s(canvas);
      DrawDashboardCanvas(s, unscaled.picture);
    }
    EXPECT_TRUE(ShowsText(canvas, text, GpsFlagRect(l), kCentredLine, kWhite, GpsFlagFont())) << text;
    // Larger at 800 x 480: the flag is 1.25 times its 26 rows.
    Paint p(800, 480);
    p.picture.gpsState = state;
    p.picture.lostSeconds = 12;
    p.Run();
    EXPECT_EQ(p.RowsOf(p.bitmap.Bounds(), kGpsFlagColour), 33) << text;
    // The live figures are dimmed: no green readout figure, dimmed labels on the tapes.
    unscaled.Run();
    EXPECT_EQ(unscaled.Count(unscaled.bitmap.Bounds(), kGreen), 0) << text;
    EXPECT_GT(unscaled.Count(unscaled.bitmap.Bounds(), kDimmedLabelColour), 50) << text;
    EXPECT_TRUE(ShowsText(unscaled.bitmap, "87", l.speedBoxRect, DT_CENTER | DT_VCENTER, kDimmedReadoutColour,
                          unscaled.layout.readoutFont))
        << text;
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
}

// Paints the advertisement strip of a window of the height, twice as wide (so the upright strip), and
// compares its black pixels with the two columns drawn alone: a column of at most the strip's count
// n = adRect height / 7 characters whole, a longer one cut to the column.
::testing::AssertionResult UprightStripShows(int height, std::string_view first, std::string_view second) {
  const std::vector<std::string> ads{"Velmarix provides sponsorship"};
  const ViewLayout v = ComputeViewLayout(2 * height, height, DefaultFontRecord());
  DashboardPicture picture;
  picture.layout = &v;
  picture.adTexts = &ads;
  const Rect strip = ButtonStrip(v);
  Bitmap painted = test::MakeBitmap(static_cast<int>(strip.Width()), height);
  {
    Surface s(painted);
    DrawAdStrip(s, painted.Bounds(), picture);
  }
  const Rect& ad = v.adRect;
  const DashboardScale& b = v.stripScale;
  const Rect r{ad.left + b(2), ad.top + b(4), ad.right, ad.bottom - b(4)};
  const size_t n = static_cast<size_t>(ad.Height() / b(7));
  if (!v.wideLayout) return ::testing::AssertionFailure() << "not upright";
  return test::ShowsDrawing(painted, painted.Bounds(), kBlack, v.adFont,
                            [&](Surface& s) {
                              for (auto [text, left] : {std::pair{first, r.left}, {second, r.left + b(15)}}) {
                                if (text.size() <= n) {
                                  s.DrawTextAt(Point{left, r.bottom}, text);
                                } else {
                                  s.DrawTextAt(Point{left, r.bottom}, text, r);
                                }
                              }
                            })
         << " at height " << height;
}

TEST(DashboardPaint, UprightAdvertisementColumnsHoldWhatTheirCountGivesThem) {
  // The strip grows with the window, its text with it: a column holds about 25 characters at any
  // height of a window twice as wide as high, so the text breaks into two columns at its blank.
  EXPECT_TRUE(UprightStripShows(480, "Velmarix provides", "sponsorship"));
  EXPECT_TRUE(UprightStripShows(1080, "Velmarix provides", "sponsorship"));
  // At every height with an upright strip, the columns as the count splits the text.
  const std::string text = "Velmarix provides sponsorship";
  for (int height = 202; height <= 1200; ++height) {
    const ViewLayout v = ComputeViewLayout(2 * height, height, DefaultFontRecord());
    const int n = static_cast<int>(v.adRect.Height() / v.stripScale(7));
    std::string_view first = text, second;
    if (static_cast<int>(text.size()) > n) {
      const int k = AdBreakPosition(text, n);  // -1: no blank, the whole text in the second column
      first = k < 0 ? std::string_view() : first.substr(0, static_cast<size_t>(k));
      second = std::string_view(text).substr(k < 0 ? 0 : static_cast<size_t>(k) + 1);
    }
    EXPECT_TRUE(UprightStripShows(height, first, second));
  }
}

// The extent of the pixels of the ball's sky and ground: (width, height).
std::pair<int, int> BallExtent(const Paint& p) {
  int left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
  for (int y = 0; y < p.bitmap.Height(); ++y)
    for (int x = 0; x < p.bitmap.Width(); ++x)
      if (p.At(x, y) == kSkyColour || p.At(x, y) == kGroundColour) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  return {right - left + 1, bottom - top + 1};
}

TEST(DashboardPaint, OffTheDesignSizeEverythingIsDrawnAtTheWindowsOwnScale) {
  Paint design(572, 430);
  design.Run();
  const auto [designWidth, designHeight] = BallExtent(design);
  const int designClockRows = design.RowsOf(design.layout.dashboard.clockRect, kWhite);
  for (auto [w, h] : {std::pair{800, 480}, {1920, 1080}, {720, 1280}}) {
    Paint p(w, h);
    p.Run();
    const DashboardLayout& l = p.layout.dashboard;
    const double s = l.scale.factor;
    // True shapes: the ball keeps the design's proportions.
    const auto [width, height] = BallExtent(p);
    EXPECT_NEAR(static_cast<double>(width) / height, static_cast<double>(designWidth) / designHeight, 0.01)
        << w << "x" << h;
    EXPECT_NEAR(height, designHeight * s, designHeight * s / 100 + 2) << w << "x" << h;
    // Glyphs rendered at the scale, not magnified: the clock's figures are s times as tall, and their
    // edges blend (anti-aliased) rather than step in blocks.
    EXPECT_NEAR(p.RowsOf(l.clockRect, kWhite), designClockRows * s, designClockRows * s / 20 + 1)
        << w << "x" << h;
    // Lines as wide as the scale: the centre mark's yellow edge, then its black inside.
    const Point c = l.attitudeCentre;
    const int edge = l.centreMarkRect.left;
    for (int x = edge; x < edge + l.lineWidth; ++x)
      EXPECT_EQ(p.At(x, c.y), kYellow) << w << "x" << h << " at " << x;
    EXPECT_EQ(p.At(edge + l.lineWidth, c.y), kBlack) << w << "x" << h;
    EXPECT_EQ(l.lineWidth, std::lround(s));
  }
}

TEST(DashboardPaint, TinyClientsPaintWithoutFault) {
  for (auto [w, h] : {std::pair{572, 47}, {572, 46}, {47, 384}, {1, 1}, {46, 46}}) {
    Paint p(w, h);
    p.Run();
    p.Run();
  }
}

TEST(DashboardPaint, DurationShowsHoursAndMinutesNeverSixtyMinutes) {
  // 0.9999 hours is 59.994 minutes: 00:59.
  for (auto [hours, shown] : {std::pair{0.9999f, "\n00:59"},
                              {59.0f / 60.0f + 0.0001f, "\n00:59"},
                              {1.0f, "\n01:00"},
                              {1.75f, "\n01:45"}}) {
    Paint p(572, 430);
    p.stats.durationHours = hours;
    p.Run();
    EXPECT_TRUE(
        ShowsText(p.bitmap, shown, p.layout.dashboard.durationRect, DT_CENTER, kCyan, p.layout.panelFont))
        << hours;
  }
}

}  // namespace
}  // namespace kivu

namespace kivu {
namespace {

// WCAG's contrast ratio of two colours: 1 (none) to 21 (black on white).
double Contrast(Color a, Color b) {
  auto luminance = [](Color c) {
    auto channel = [](uint8_t v) {
      const double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// By dusk and night, and on a windscreen, every figure and line stands out from every ground it is
// drawn on as clearly as printed text should (a contrast of 4.5; the dimmed labels of a lost fix as
// much as by day), and at night nothing is brighter than 160 of 255.
TEST(DashboardPalette, FiguresStayReadableAndNightStaysDark) {
  const double dimmedByDay = Contrast(kDimmedLabelColour, kSubPanelColour);
  for (const bool headUp : {false, true}) {
    for (const Palette palette : {Palette::kDusk, Palette::kNight}) {
      const DashboardColours& c = ColoursOf(palette, headUp);
      const std::pair<Color, std::vector<Color>> drawn[] = {{c.label, {c.panel, c.subPanel, c.sky, c.ground}},
                                                            {c.figure, {c.panel}},
                                                            {c.readout, {c.panel}},
                                                            {c.symbol, {c.panel, c.sky, c.ground}},
                                                            {c.flagText, {c.flag}},
                                                            {c.dimmedLabel, {c.subPanel}}};
      for (const auto& [ink, grounds] : drawn)
        for (Color ground : grounds)
          EXPECT_GE(Contrast(ink, ground), ink != c.dimmedLabel ? 4.5 : dimmedByDay)
              << PaletteName(palette) << (headUp ? " head-up" : "") << " ink " << int{ink.red} << ","
              << int{ink.green} << "," << int{ink.blue};
    }
  }
  for (const Palette palette : {Palette::kNight, Palette::kRedNight}) {
    const DashboardColours& c = ColoursOf(palette);
    for (Color colour : {c.canvas, c.subPanel, c.label, c.symbol, c.figure, c.readout, c.sky, c.ground,
                         c.light[0], c.light[1], c.flag, c.flagText, c.frameLight, c.adText, c.warning})
      EXPECT_LE(std::max({colour.red, colour.green, colour.blue}), 160) << PaletteName(palette);
    std::vector<uint32_t> white(3, 0xFFFFFFFFu);
    TintPixels(white, c);
    EXPECT_LE(Color::FromPixel(white[0]).red, 160) << "a button picture's white";
    EXPECT_EQ(white[0] >> 24, 0xFFu) << "the spare byte is kept";
  }
}

// The head-up display is the dashboard turned round left to right on black, the strip as it was: each
// figure's pixel stands where the windscreen turns it back to.
TEST(DashboardPalette, HeadUpDisplayIsTheDashboardMirroredOnBlack) {
  Paint plain(800, 480), headUp(800, 480);
  for (Paint* p : {&plain, &headUp}) {
    p->stats.speedInt = 87;
    p->stats.courseInt = 212;
    p->stats.distanceInt = 1234;
    p->picture.palette = Palette::kNight;
  }
  headUp.picture.headUp = true;
  plain.Run();
  headUp.Run();
  const DashboardColours& c = ColoursOf(Palette::kNight);
  const Rect& area = headUp.layout.area;
  int figures = 0, black = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 800; ++x) {
      black += headUp.At(x, y) == kBlack;
      if (!area.Contains(Point{x, y})) continue;
      const Color shown = plain.At(x, y);
      if (shown != c.figure && shown != c.readout && shown != c.symbol) continue;
      ++figures;
      ASSERT_EQ(headUp.At(area.left + area.right - 1 - x, y), shown) << x << "," << y;
    }
  }
  EXPECT_GT(figures, 2000);
  EXPECT_GE(black, 800 * 480 * 8 / 10);
  // The strip and its light stay where the buttons are.
  const Rect& light = headUp.layout.lightRect;
  const Point middle{(light.left + light.right) / 2, (light.top + light.bottom) / 2};
  EXPECT_EQ(headUp.At(middle.x, middle.y), plain.At(middle.x, middle.y));
}

}  // namespace
}  // namespace kivu
