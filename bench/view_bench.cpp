// The whole dashboard paint at common screen sizes: into a bitmap of the caller's, and the way the
// window paints, into the view's own window image that Qt then reads.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>

#include "gps/NmeaParser.h"
#include "platform/raster/Bitmap.h"
#include "trip/FixClock.h"
#include "view/HeadlessWindow.h"
#include "view/KivuView.h"

namespace {

using namespace kivu;

// A dashboard in motion: fixes of a car doing 60 knots in a turn that tightens, climbing.
constexpr const char* kFixes[] = {
    "$GPRMC,120000,A,4807.038,N,01131.000,E,060.0,084.4,230394,003.1,W*66\n"
    "$GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*49\n",
    "$GPRMC,120001,A,4807.068,N,01131.050,E,060.0,087.4,230394,003.1,W*64\n"
    "$GPGGA,120001,4807.068,N,01131.050,E,1,08,0.9,546.4,M,46.9,M,,*4B\n",
    "$GPRMC,120002,A,4807.098,N,01131.100,E,062.0,097.4,230394,003.1,W*6F\n"
    "$GPGGA,120002,4807.098,N,01131.100,E,1,08,0.9,549.4,M,46.9,M,,*4C\n",
};

struct MovingView {
  explicit MovingView(Size size) : window(size), view(window, Settings(), clock) {
    view.ComputeLayout(size.width, size.height);
    for (const char* fix : kFixes)
      Feed(fix);
  }
  static AppSettings Settings() {
    AppSettings settings;
    settings.adTexts = {kSponsorshipText};
    return settings;
  }
  void Feed(const char* text) {
    GpsFix fix{};
    ParseNmeaBlock(fix, text);
    clock.SetFromFix(fix);
    view.OnGpsFix(fix);
  }
  HeadlessWindow window;
  FixClock clock;
  CKivuView view;
};

Size SizeOf(const benchmark::State& state) {
  return Size{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
}

void BM_OnDraw(benchmark::State& state) {
  MovingView moving(SizeOf(state));
  if (!moving.view.Trip().StatsStarted()) state.SkipWithError("the fixes were not taken");
  std::optional<Bitmap> bitmap = Bitmap::Create(moving.window.client.width, moving.window.client.height);
  Surface surface(*bitmap);
  for (auto _ : state) {
    moving.view.OnDraw(surface);
    benchmark::DoNotOptimize(bitmap->Row(0));
  }
}
BENCHMARK(BM_OnDraw)->Args({800, 480})->Args({1024, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// The window's path with unchanged figures (a repaint for the clock or the advertisement).
void BM_PaintWindowImage(benchmark::State& state) {
  MovingView moving(SizeOf(state));
  for (auto _ : state)
    benchmark::DoNotOptimize(moving.view.PaintWindowImage());
}
BENCHMARK(BM_PaintWindowImage)
    ->Args({800, 480})
    ->Args({1024, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

// The window's path after each fix: new figures, the attitude ball drawn and turned again every time.
void BM_PaintWindowImageAfterEachFix(benchmark::State& state) {
  MovingView moving(SizeOf(state));
  size_t next = 0;
  for (auto _ : state) {
    state.PauseTiming();
    moving.Feed(kFixes[next++ % std::size(kFixes)]);
    state.ResumeTiming();
    benchmark::DoNotOptimize(moving.view.PaintWindowImage());
  }
}
BENCHMARK(BM_PaintWindowImageAfterEachFix)
    ->Args({800, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

// The yardstick of the paints above: one copy of a whole frame of the same size (32-bit pixels), which
// is what any picture on the screen costs at the least. The paints' goals are multiples of it.
void BM_FrameMemcpy(benchmark::State& state) {
  const Size size = SizeOf(state);
  std::optional<Bitmap> from = Bitmap::Create(size.width, size.height);
  std::optional<Bitmap> to = Bitmap::Create(size.width, size.height);
  const size_t bytes = static_cast<size_t>(from->RowBytes()) * static_cast<size_t>(size.height);
  for (auto _ : state) {
    std::memcpy(to->Memory(), from->Memory(), bytes);
    benchmark::DoNotOptimize(to->Memory());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FrameMemcpy)
    ->Args({800, 480})
    ->Args({1024, 600})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

}  // namespace
