// Trip computer speed: one update of the trip figures, one track line, and a whole one-hour drive
// replayed through the receiver, the view and the track file (and the GPS message log).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "gps/CaptureReplay.h"
#include "gps/GpsParser.h"
#include "tests/gps/NmeaTestUtil.h"
#include "tests/trip/TripTestUtil.h"
#include "trip/FixClock.h"
#include "trip/TripRecorder.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

using namespace kivu;

using kivu::test::Sentence;

// An hour of one-second bursts (RMC, GGA, GSA, three GSV) of a car that winds along at 40 to 60 knots
// over hills.
std::string OneHourCapture() {
  std::string capture;
  double latitude = 48.1, longitude = 11.5;
  for (int i = 0; i < 3600; ++i) {
    const double course = std::fmod(90.0 + 60.0 * std::sin(i / 97.0) + 360.0, 360.0);
    const double knots = 50.0 + 10.0 * std::sin(i / 41.0);
    const double step = knots * 1.852 / 3600.0 / 111.32;  // degrees per second
    latitude += step * std::cos(course * M_PI / 180.0);
    longitude += step * std::sin(course * M_PI / 180.0) / std::cos(latitude * M_PI / 180.0);
    const double altitude = 520.0 + 80.0 * std::sin(i / 300.0);
    char time[32], lat[32], lon[32], body[256];
    std::snprintf(time, sizeof time, "%02d%02d%02d.00", 8 + i / 3600, i / 60 % 60, i % 60);
    std::snprintf(lat, sizeof lat, "%02d%07.4f", static_cast<int>(latitude), std::fmod(latitude, 1.0) * 60.0);
    std::snprintf(lon, sizeof lon, "%03d%07.4f", static_cast<int>(longitude),
                  std::fmod(longitude, 1.0) * 60.0);
    std::snprintf(body, sizeof body, "GPRMC,%s,A,%s,N,%s,E,%05.1f,%05.1f,071226,,", time, lat, lon, knots,
                  course);
    capture += Sentence(body);
    std::snprintf(body, sizeof body, "GPGGA,%s,%s,N,%s,E,1,09,0.9,%.1f,M,46.9,M,,", time, lat, lon, altitude);
    capture += Sentence(body);
    capture += Sentence("GPGSA,A,3,04,05,09,12,17,24,25,29,31,,,,1.8,0.9,1.5");
    capture += Sentence("GPGSV,3,1,11,04,15,270,30,05,40,110,42,09,25,050,38,12,70,300,45");
    capture += Sentence("GPGSV,3,2,11,17,10,200,25,24,55,140,44,25,35,080,40,29,20,320,33");
    capture += Sentence("GPGSV,3,3,11,31,60,010,46,32,05,180,20,33,30,250,36");
  }
  return capture;
}

void BM_UpdateTripStats(benchmark::State& state) {
  TripRecorder trip;
  auto fix = [](int second, double latitude, double longitude, float knots, float course, float altitude) {
    return test::MakeFix({.second = second,
                          .latitude = latitude,
                          .longitude = longitude,
                          .knots = knots,
                          .course = course,
                          .altitude = altitude,
                          .satellites = 9});
  };
  trip.TakeFix(fix(1, 48.1, 11.5, 50, 85, 520));
  trip.TakeFix(fix(2, 48.1002, 11.5003, 51, 87, 521));
  for (auto _ : state) {
    trip.UpdateTripStats(2, TripChoices{}, false);
    benchmark::DoNotOptimize(trip.Stats());
  }
}
BENCHMARK(BM_UpdateTripStats);

// The hour through the receiver, the view and the track file (and the GPS message log when asked):
// fixes a second, as kivu-replay --track runs a capture.
void ReplayOneHour(benchmark::State& state, bool withLog) {
  const std::string capture = OneHourCapture();
  char folder[] = "/tmp/kivu-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string track = std::string(folder) + "/track.txt";
  const std::string log = std::string(folder) + "/gps.txt";
  uint64_t fixes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    unlink(track.c_str());
    unlink(log.c_str());
    state.ResumeTiming();
    HeadlessWindow window;
    FixClock clock;
    CKivuView view(window, AppSettings(), clock);
    view.SetReceiver(std::make_unique<CGpsParser>());
    view.SetRecordTrackFile(track);
    if (withLog) view.Receiver()->MessageLog().Open(log);
    bool first = true;
    DirectFixOwner owner([&](const GpsFix& fix) {
      clock.SetFromFix(fix);
      if (first) view.SetTripStartTime(clock.Steady());
      first = false;
      view.OnGpsFix(fix);
      ++fixes;
    });
    view.Receiver()->SetOwner(&owner);
    ReplayCapture(*view.Receiver(), capture);
    view.DestroyReceiver();
    benchmark::DoNotOptimize(view.Stats());
  }
  state.counters["fixes"] = benchmark::Counter(static_cast<double>(fixes) / state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(fixes));
  unlink(track.c_str());
  unlink(log.c_str());
  rmdir(folder);
}

void BM_ReplayOneHourWithTrack(benchmark::State& state) {
  ReplayOneHour(state, false);
}
BENCHMARK(BM_ReplayOneHourWithTrack)->Unit(benchmark::kMillisecond);

void BM_ReplayOneHourWithTrackAndLog(benchmark::State& state) {
  ReplayOneHour(state, true);
}
BENCHMARK(BM_ReplayOneHourWithTrackAndLog)->Unit(benchmark::kMillisecond);

// One track line: the formatting and the write.
void BM_WriteTrackLine(benchmark::State& state) {
  char folder[] = "/tmp/kivu-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string track = std::string(folder) + "/track.txt";
  {
    TripRecorder trip;
    trip.OpenTrackFile(track);
    GpsFix fix{};
    fix.latitude = 48.117312;
    fix.longitude = -11.516745;
    fix.speedKnots = 52.3f;
    fix.course = 184.4f;
    trip.TakeFix(fix);
    int64_t now = 1796644800;
    for (auto _ : state)
      trip.WriteTrackLine(++now);
    state.SetItemsProcessed(state.iterations());
  }
  unlink(track.c_str());
  rmdir(folder);
}
// A bounded number of lines, so the file stays small (about 9 MB).
BENCHMARK(BM_WriteTrackLine)->Iterations(100000);

}  // namespace
