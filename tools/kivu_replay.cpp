// kivu-replay: a recorded drive through Kivu's GPS pipeline and trip computer, without a window.
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gps/CaptureReplay.h"
#include "gps/FixJson.h"
#include "gps/GpsParser.h"
#include "platform/AtomicFile.h"
#include "platform/MessageText.h"
#include "platform/WholeFile.h"
#include "platform/raster/Png.h"
#include "tools/DriveReport.h"
#include "tools/EmbeddedPictures.h"
#include "tools/ReplayOptions.h"
#include "tools/SmoothScale.h"
#include "trip/FixClock.h"
#include "trip/GpxWriter.h"
#include "trip/TripJson.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

using namespace kivu;

// Paints the dashboard at the snapshot's size, lays the buttons' pictures over their places as the
// window's buttons would show them, and writes the PNG file.
bool WriteSnapshot(CKivuView& view, const ReplayOptions& options) {
  view.ComputeLayout(options.width, options.height);
  std::optional<Bitmap> bitmap = Bitmap::Create(options.width, options.height);
  if (!bitmap) {
    std::fprintf(stderr, "kivu-replay: no memory for a %dx%d snapshot\n", options.width, options.height);
    return false;
  }
  Surface surface(*bitmap);
  view.OnDraw(surface);
  const int pictures[] = {147, 149, 155, 157};
  for (size_t i = 0; i < std::size(pictures); ++i) {
    const Rect& place = view.Layout().buttonRects[i];
    const Size size{static_cast<int>(place.Width()), static_cast<int>(place.Height())};
    std::vector<Bitmap> drawings = EmbeddedPictureDrawings(pictures[i]);
    const Bitmap* drawing = DrawingFor(drawings, size);
    if (!drawing) continue;
    if (drawing->Width() == size.width && drawing->Height() == size.height) {
      surface.Blit(Point{place.left, place.top}, *drawing, drawing->Bounds());
    } else if (std::optional<Bitmap> scaled = ScaleSmoothly(*drawing, size)) {
      surface.Blit(Point{place.left, place.top}, *scaled, scaled->Bounds());
    } else {
      surface.StretchBlit(place, *drawing, drawing->Bounds());  // a place of a pixel or two
    }
    // In the palette's colours, as the window's buttons show them.
    const Rect shown = place.Intersected(bitmap->Bounds());
    for (int y = shown.top; y < shown.bottom; ++y)
      TintPixels(std::span<uint32_t>(bitmap->Row(y) + shown.left, static_cast<size_t>(shown.Width())),
                 ColoursOf(view.ThePalette(), view.HeadUp()));
  }
  if (!WritePng(*bitmap, options.snapshot)) {
    std::fprintf(stderr, "kivu-replay: cannot write the snapshot %s\n",
                 QuoteForMessage(options.snapshot).c_str());
    return false;
  }
  return true;
}

// The sun's elevation (two decimals, null when unknown) and the palette, as --states adds them.
std::string SunJson(double elevation, Palette palette) {
  char text[64];
  if (std::isfinite(elevation)) {
    std::snprintf(text, sizeof text, "%.2f", elevation);
  } else {
    std::snprintf(text, sizeof text, "null");
  }
  return std::string(",\"sunElevation\":") + text + ",\"palette\":\"" + PaletteName(palette) + "\"";
}

// The capture's file name without its folders, for the report's title.
std::string CaptureName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ReplayOptions options;
  std::string error;
  if (!ParseReplayOptions(args, options, error)) {
    std::fprintf(stderr, "kivu-replay: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ReplayUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("kivu-replay 1.0");
    return 0;
  }
  WholeFile file = ReadWholeFile(options.capture, kMaxCaptureBytes, WholeFileSources::AlsoStreams);
  if (file.status != WholeFile::Status::Read) {
    std::fprintf(stderr, "kivu-replay: cannot read %s: %s\n", QuoteForMessage(options.capture).c_str(),
                 std::strerror(file.error));
    return 2;
  }
  const std::string capture = std::move(file.content);
  // A file size limit then makes a write fail (and the track file cut back) instead of ending us.
  std::signal(SIGXFSZ, SIG_IGN);

  HeadlessWindow window;
  window.client = Size{options.width, options.height};
  FixClock clock;
  AppSettings settings;
  settings.adTexts = {kSponsorshipText};
  // A settings file sets everything as the dashboard would have it; options given win over it.
  if (!options.settings.empty()) ReadAppSettings(settings, options.settings);
  if (options.unitsGiven || options.settings.empty()) settings.unitSelection = options.unitSelection;
  if (options.pitchSourceGiven || options.settings.empty()) settings.pitchSource = options.pitchSource;
  if (options.rollSourceGiven || options.settings.empty()) settings.rollSource = options.rollSource;
  if (options.paletteGiven || options.settings.empty()) settings.displayMode = options.displayMode;
  CKivuView view(window, settings, clock);
  if (options.hud) view.SetHeadUp(true);
  // The replay's clock is the fixes': a stretch without a dated fix keeps the palette it had.
  view.SetSunFollowsClock(false);
  view.SetReceiver(std::make_unique<CGpsParser>());
  CGpsParser& receiver = *view.Receiver();
  if (!options.track.empty() && !view.SetRecordTrackFile(options.track)) {
    std::fprintf(stderr, "kivu-replay: %s (track file %s: %s)\n", window.lastMessage.c_str(),
                 QuoteForMessage(options.track).c_str(), std::strerror(errno));
    return 2;
  }
  if (!options.log.empty() && !receiver.MessageLog().Open(options.log)) {
    std::fprintf(stderr, "kivu-replay: Open file failed! (GPS message log %s: %s)\n",
                 QuoteForMessage(options.log).c_str(), std::strerror(errno));
    return 2;
  }

  // The GPX file replaces the one at its path only when it is whole: a bad path fails here, before
  // the replay.
  AtomicFileWriter gpxFile;
  Result gpxWritten;
  if (!options.gpx.empty()) {
    if (Result opened = gpxFile.Open(options.gpx); !opened) {
      std::fprintf(stderr, "kivu-replay: cannot write the GPX file %s: %s\n",
                   QuoteForMessage(options.gpx).c_str(), opened.Text().c_str());
      return 2;
    }
  }
  // So is the report's.
  AtomicFileWriter reportFile;
  if (!options.report.empty()) {
    if (Result opened = reportFile.Open(options.report); !opened) {
      std::fprintf(stderr, "kivu-replay: cannot write the report %s: %s\n",
                   QuoteForMessage(options.report).c_str(), opened.Text().c_str());
      return 2;
    }
  }
  DriveReport report(settings.unitSelection);
  GpxWriter gpx([&](std::string_view piece) {
    gpxWritten = gpxFile.Write(piece);
    return gpxWritten.Ok();
  });

  const bool printFixes = options.PrintFixes();
  bool first = true;
  GpsFix lastFix{};
  view.SetReportGpsState(false);
  view.UpdateGpsState();
  // Between fixes the clock follows the receiver's cycles, so that a stretch without a fix ages the
  // last one as it would on the dashboard.
  receiver.SetCycleObserver([&](int timeOfDay) {
    if (first) return;  // the clock has no date before the first fix
    if (timeOfDay >= 0) clock.AdvanceToTimeOfDay(timeOfDay);
    view.UpdateGpsState();
  });
  DirectFixOwner owner([&](const GpsFix& fix) {
    // "Now" is the fix's own time; the trip starts with the first fix handed to the view.
    GpsState before = view.TheGpsState();
    clock.SetFromFix(fix);
    if (first) view.SetTripStartTime(clock.Steady());
    // A fix that comes back after the dashboard showed it lost starts a new segment, and so does one
    // after a gap the trip does not take as one step: captures joined together, a day apart or out of
    // order.
    const bool newSegment =
        before != GpsState::Fix || view.FixWouldReturnNow() || (!first && FixTimeJumps(lastFix, fix));
    lastFix = fix;
    first = false;
    view.OnGpsFix(fix);
    if (!options.gpx.empty()) gpx.AddPoint(fix, newSegment);
    if (!options.report.empty()) report.AddFix(fix, newSegment, view.Stats());
    if (printFixes) {
      std::string line = FormatFixJson(fix);
      if (options.states) {
        line.insert(line.size() - 1, std::string(",\"gpsState\":\"") + GpsStateName(before) + "\"" +
                                         SunJson(view.SunElevationDegrees(), view.ThePalette()) +
                                         ",\"speedWarning\":" + (view.SpeedWarningOn() ? "true" : "false"));
      }
      std::printf("%s\n", line.c_str());
    }
  });
  receiver.SetOwner(&owner);
  ReplayCapture(receiver, capture);
  // The receiver refuses its owner when it goes: it goes first.
  view.DestroyReceiver();

  if (!options.gpx.empty()) {
    if (gpx.Finish()) gpxWritten = gpxFile.Commit();
    if (!gpxWritten) {
      std::fprintf(stderr, "kivu-replay: cannot write the GPX file %s: %s\n",
                   QuoteForMessage(options.gpx).c_str(), gpxWritten.Text().c_str());
      return 1;
    }
  }
  if (!options.report.empty()) {
    Result written = reportFile.Write(report.Page(CaptureName(options.capture), view.Stats()));
    if (written) written = reportFile.Commit();
    if (!written) {
      std::fprintf(stderr, "kivu-replay: cannot write the report %s: %s\n",
                   QuoteForMessage(options.report).c_str(), written.Text().c_str());
      return 1;
    }
  }
  if (options.summary) std::printf("%s\n", FormatTripSummaryJson(view.Stats()).c_str());
  if (!options.snapshot.empty() && !WriteSnapshot(view, options)) return 1;
  return std::fflush(stdout) == 0 ? 0 : 1;
}
